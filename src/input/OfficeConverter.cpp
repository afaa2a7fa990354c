#include "input/OfficeConverter.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "input/DocumentReader.h"
#include "support/SystemErrorText.h"

namespace fs = std::filesystem;

namespace input {
namespace {

bool Executable(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec) && ::access(p.c_str(), X_OK) == 0;
}

// A private temporary folder (mode 0700), removed with everything in it when done.
class TTempFolder {
 public:
  TTempFolder() {
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) base = "/tmp";
    std::string templ = (base / "parvel-office-XXXXXX").string();
    if (!::mkdtemp(templ.data()))
      throw EReadError(std::string("Не могу создать временную папку для преобразования: ") + SystemErrorText(errno));
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
        const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) break;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
          fd_ = fd;
          path_ = root / ("libreoffice-" + std::to_string(slot));
          return;
        }
        ::close(fd);
      }
    }
    path_ = fallback;  // a fresh profile for this one conversion
  }
  ~TProfileSlot() {
    if (fd_ >= 0) ::close(fd_);
  }
  std::string Url() const { return "file://" + path_.string(); }

 private:
  int fd_ = -1;
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
  if (const char* path = std::getenv("PATH")) {
    std::stringstream dirs(path);
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
      if (dir.empty()) continue;
      for (const char* name : {"soffice", "libreoffice"})
        if (Executable(fs::path(dir) / name)) return (fs::path(dir) / name).string();
    }
  }
  for (const char* p : {"/usr/lib/libreoffice/program/soffice", "/opt/libreoffice/program/soffice",
                        "/Applications/LibreOffice.app/Contents/MacOS/soffice"})
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
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  // The environment is made before the fork: the child of a threaded program may only exec.
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "TMPDIR=", 7) != 0) env.emplace_back(*e);
  env.push_back("TMPDIR=" + officeTemp);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid < 0) throw EReadError(std::string("Не могу запустить LibreOffice: ") + SystemErrorText(errno));
  if (pid == 0) {
    ::setpgid(0, 0);  // its own group, so that a time-out ends every process it started
    const int devnull = ::open("/dev/null", O_RDONLY);
    const int logfd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (devnull >= 0) ::dup2(devnull, 0);
    if (logfd >= 0) {
      ::dup2(logfd, 1);
      ::dup2(logfd, 2);
    }
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  ::setpgid(pid, pid);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.TimeoutSeconds);
  int status = 0;
  bool cancelled = false, timedOut = false;
  for (;;) {
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid || (r < 0 && errno != EINTR)) break;
    if (std::chrono::steady_clock::now() >= deadline) timedOut = true;
    if (!timedOut && options.Idle && !options.Idle()) cancelled = true;
    if (timedOut || cancelled) {
      ::kill(-pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      // Its helpers are in its group: wait (a little) until they are gone too, so that none
      // writes into the temporary folder after it is removed.
      for (int i = 0; i < 100 && ::kill(-pid, SIGKILL) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
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
  if (html.empty() || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::string why = LastLines(log);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127) why = "программа " + soffice + " не запускается";
    throw EReadError("LibreOffice не смог преобразовать файл " + name + (why.empty() ? "." : ": " + why));
  }
  return ReadFileBytes(html.string(), ~uint64_t{0});
}

}  // namespace input
