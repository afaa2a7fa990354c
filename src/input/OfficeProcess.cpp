#include "input/OfficeProcess.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "input/DocumentReader.h"
#include "support/ChildProcess.h"
#include "support/FileCalls.h"
#include "support/SystemErrorText.h"

namespace fs = std::filesystem;

namespace input {
namespace {

bool Executable(const fs::path& p) { return filecalls::IsExecutableFile(p.string()); }

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

bool Writing(const TOfficeRun& run) { return run.Task == TOfficeTask::Write; }

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

std::string NoOfficeMessage(TOfficeTask task) {
  return task == TOfficeTask::Write
             ? "Для записи документов Word, OpenDocument и PDF нужен LibreOffice, а он не найден. "
               "Установите LibreOffice Writer и повторите."
             : "Для открытия документов Word, OpenDocument и RTF нужен LibreOffice, а он не найден. "
               "Установите LibreOffice Writer и повторите.";
}

TOfficeProcess::TOfficeProcess() {
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec) base = "/tmp";
  std::string templ = (base / "parvel-office-XXXXXX").string();
  if (const int e = filecalls::CreatePrivateFolder(templ))
    throw EOfficeError(EOfficeError::oeFailed,
                       std::string("Не могу создать временную папку для преобразования: ") + SystemErrorText(e));
  folder_ = templ;
}

TOfficeProcess::~TOfficeProcess() {
  // A process of LibreOffice that was just killed may still be closing files in it.
  std::error_code ec;
  for (int attempt = 0; attempt < 20; ++attempt) {
    fs::remove_all(folder_, ec);
    if (!fs::exists(folder_, ec)) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

std::string TOfficeProcess::Convert(const std::string& source, const TOfficeRun& run) {
  const std::string soffice = FindSoffice(run.Soffice);
  if (soffice.empty()) throw EOfficeError(EOfficeError::oeNoOffice, NoOfficeMessage(run.Task));
  const fs::path folder = folder_;
  const fs::path out = folder / "out";
  const fs::path log = folder / "log.txt";
  // LibreOffice's own temporary files go inside ours, so that they go with it even when it is
  // stopped at the time limit and cannot clean up itself.
  const std::string officeTemp = (folder / "tmp").string();
  std::error_code ec;
  fs::create_directory(out, ec);
  fs::create_directory(officeTemp, ec);
  TProfileSlot profile(folder / "profile");
  const std::string absolute = fs::absolute(source, ec).string();

  std::vector<std::string> args = {soffice, "-env:UserInstallation=" + profile.Url(), "--headless",
                                   "--invisible", "--nologo", "--norestore", "--nolockcheck",
                                   "--convert-to", run.Filter, "--outdir", out.string(), absolute};
  TChildProcess office;
  if (const int e = office.Start(args, officeTemp, log.string()))
    throw EOfficeError(EOfficeError::oeFailed, std::string("Не могу запустить LibreOffice: ") + SystemErrorText(e));

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(run.TimeoutSeconds);
  int exitCode = 0;
  bool cancelled = false, timedOut = false;
  for (;;) {
    if (office.Ended(exitCode)) break;
    if (std::chrono::steady_clock::now() >= deadline) timedOut = true;
    if (!timedOut && run.Idle && !run.Idle()) cancelled = true;
    if (timedOut || cancelled) {
      office.EndAll();  // with its helpers, so that none writes into the folder after it goes
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  const std::string& name = run.Name;
  if (timedOut)
    throw EOfficeError(EOfficeError::oeTimedOut,
                       Writing(run) ? "LibreOffice не успел записать файл " + name + " за " +
                                          std::to_string(run.TimeoutSeconds) + " с; запись прервана."
                                    : "LibreOffice не успел преобразовать файл " + name + " за " +
                                          std::to_string(run.TimeoutSeconds) + " с; преобразование прервано.");
  if (cancelled)
    throw EOfficeError(EOfficeError::oeCancelled,
                       Writing(run) ? "Запись файла " + name + " отменена." : "Открытие файла " + name + " отменено.");

  fs::path made;
  for (const auto& e : fs::directory_iterator(out, ec))
    for (const std::string& ext : run.Produced)
      if (made.empty() && e.path().extension() == ext) made = e.path();
  const std::string failed = Writing(run) ? "LibreOffice не смог записать файл " : "LibreOffice не смог преобразовать файл ";
  if (made.empty() || exitCode != 0) {
    std::string why = LastLines(log);
    if (exitCode == TChildProcess::kNotStarted) why = "программа " + soffice + " не запускается";
    throw EOfficeError(EOfficeError::oeFailed, failed + name + (why.empty() ? "." : ": " + why));
  }
  try {
    return ReadFileBytes(made.string(), ~uint64_t{0});
  } catch (const EReadError& e) {
    throw EOfficeError(EOfficeError::oeFailed, Writing(run) ? failed + name + ": " + e.what() : std::string(e.what()));
  }
}

}  // namespace input
