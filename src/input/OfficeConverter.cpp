#include "input/OfficeConverter.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "input/DocumentReader.h"
#include "support/ChildProcess.h"
#include "support/FileCalls.h"
#include "support/SystemErrorText.h"

namespace fs = std::filesystem;

namespace input {
namespace {

bool Executable(const fs::path& p) { return filecalls::IsExecutableFile(p.string()); }

// A private temporary folder (only its user may enter), removed with everything in it when done.
class TTempFolder {
 public:
  TTempFolder() {
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) base = "/tmp";
    std::string templ = (base / "parvel-office-XXXXXX").string();
    if (const int e = filecalls::CreatePrivateFolder(templ))
      throw EReadError(std::string("Не могу создать временную папку для преобразования: ") + SystemErrorText(e));
    path_ = templ;
  }
  ~TTempFolder() {
    // A process of LibreOffice that was just killed may still be closing files in it.
    std::error_code ec;
    for (int attempt = 0; attempt < 20; ++attempt) {
      fs::remove_all(path_, ec);
      if (!fs::exists(path_, ec)) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// LibreOffice keeps its settings in a profile that one running instance locks. Reusing a
// profile saves seconds on every conversion after the first, so profiles live in the user's
// cache, one per slot; a slot is ours while we hold the lock on its file, so two programs
// never share a profile at the same time.
class TProfileSlot {
 public:
  explicit TProfileSlot(const fs::path& fallback) {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    fs::path root = cache && *cache ? fs::path(cache) : home && *home ? fs::path(home) / ".cache" : fs::path();
    std::error_code ec;
    if (!root.empty()) {
      root /= "parvel";
      fs::create_directories(root, ec);
      for (int slot = 0; !ec && slot < 8; ++slot) {
        const fs::path lock = root / ("libreoffice-" + std::to_string(slot) + ".lock");
        const int e = lock_.TryTake(lock.string(), 0600);
        if (e == 0) {
          path_ = root / ("libreoffice-" + std::to_string(slot));
          return;
        }
        if (e != EWOULDBLOCK) break;
      }
    }
    path_ = fallback;  // a fresh profile for this one conversion
  }
  // "file:///C:/..." where paths begin with a drive.
  std::string Url() const {
    const std::string p = path_.generic_string();
    return (p.empty() || p[0] == '/' ? "file://" : "file:///") + p;
  }

 private:
  filecalls::TLockFile lock_;
  fs::path path_;
};

std::string LastLines(const fs::path& log) {
  std::ifstream in(log);
  std::string line, result;
  while (std::getline(in, line)) {
    if (line.empty() || line.find("javaldx") != std::string::npos) continue;
    result = line;  // the last meaningful line says what went wrong
  }
  return result;
}

}  // namespace

std::string FindSoffice(const std::string& preferred) {
  if (!preferred.empty()) return Executable(preferred) ? preferred : std::string();
  if (const char* env = std::getenv("PARVEL_SOFFICE"); env && *env) return Executable(env) ? env : std::string();
  const std::vector<std::string> soffices = filecalls::ProgramOnPath("soffice");
  const std::vector<std::string> libreoffices = filecalls::ProgramOnPath("libreoffice");
  for (size_t i = 0; i < soffices.size(); ++i)
    for (const std::string& p : {soffices[i], libreoffices[i]})
      if (Executable(p)) return p;
  for (const char* p : {"/usr/lib/libreoffice/program/soffice", "/opt/libreoffice/program/soffice",
                        "/Applications/LibreOffice.app/Contents/MacOS/soffice",
                        "C:\\Program Files\\LibreOffice\\program\\soffice.exe"})
    if (Executable(p)) return p;
  return {};
}

std::string ConvertOfficeToHtml(const std::string& path, const TOfficeOptions& options) {
  const std::string soffice = FindSoffice(options.Soffice);
  if (soffice.empty())
    throw EReadError("Для открытия документов Word, OpenDocument и RTF нужен LibreOffice, а он не найден. "
                     "Установите LibreOffice Writer и повторите.");
  TTempFolder temp;
  const fs::path out = temp.Path() / "out";
  const fs::path log = temp.Path() / "log.txt";
  // LibreOffice's own temporary files go inside ours, so that they go with it even when it is
  // stopped at the time limit and cannot clean up itself.
  const std::string officeTemp = (temp.Path() / "tmp").string();
  fs::create_directory(out);
  fs::create_directory(officeTemp);
  TProfileSlot profile(temp.Path() / "profile");
  std::error_code ec;
  const std::string source = fs::absolute(path, ec).string();

  std::vector<std::string> args = {soffice, "-env:UserInstallation=" + profile.Url(), "--headless",
                                   "--invisible", "--nologo", "--norestore", "--nolockcheck",
                                   "--convert-to", "html", "--outdir", out.string(), source};
  TChildProcess office;
  if (const int e = office.Start(args, officeTemp, log.string()))
    throw EReadError(std::string("Не могу запустить LibreOffice: ") + SystemErrorText(e));

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.TimeoutSeconds);
  int exitCode = 0;
  bool cancelled = false, timedOut = false;
  for (;;) {
    if (office.Ended(exitCode)) break;
    if (std::chrono::steady_clock::now() >= deadline) timedOut = true;
    if (!timedOut && options.Idle && !options.Idle()) cancelled = true;
    if (timedOut || cancelled) {
      office.EndAll();  // with its helpers, so that none writes into the folder after it goes
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  const std::string name = fs::path(path).filename().string();
  if (timedOut)
    throw EReadError("LibreOffice не успел преобразовать файл " + name + " за " +
                     std::to_string(options.TimeoutSeconds) + " с; преобразование прервано.");
  if (cancelled) throw EReadError("Открытие файла " + name + " отменено.");

  fs::path html;
  for (const auto& e : fs::directory_iterator(out, ec))
    if (e.path().extension() == ".html" || e.path().extension() == ".htm") html = e.path();
  if (html.empty() || exitCode != 0) {
    std::string why = LastLines(log);
    if (exitCode == TChildProcess::kNotStarted) why = "программа " + soffice + " не запускается";
    throw EReadError("LibreOffice не смог преобразовать файл " + name + (why.empty() ? "." : ": " + why));
  }
  return ReadFileBytes(html.string(), ~uint64_t{0});
}

}  // namespace input
