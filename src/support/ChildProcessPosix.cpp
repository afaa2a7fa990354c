#ifndef _WIN32
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/ChildProcess.h"

struct TChildProcess::TState {
  pid_t Pid = -1;
  bool Done = false;
};

TChildProcess::TChildProcess() : state_(std::make_unique<TState>()) {}

TChildProcess::~TChildProcess() {
  int code = 0;
  if (state_->Pid > 0 && !Ended(code)) EndAll();
}

int TChildProcess::Start(const std::vector<std::string>& givenArgs, const std::string& tempFolder,
                         const std::string& logPath) {
  std::vector<std::string> args = givenArgs;
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  // The environment is made before the fork: the child of a threaded program may only exec.
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "TMPDIR=", 7) != 0) env.emplace_back(*e);
  env.push_back("TMPDIR=" + tempFolder);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid < 0) return errno;
  if (pid == 0) {
    ::setpgid(0, 0);  // its own group, so that ending it ends every process it started
    const int devnull = ::open("/dev/null", O_RDONLY);
    const int logfd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (devnull >= 0) ::dup2(devnull, 0);
    if (logfd >= 0) {
      ::dup2(logfd, 1);
      ::dup2(logfd, 2);
    }
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(kNotStarted);
  }
  ::setpgid(pid, pid);
  state_->Pid = pid;
  state_->Done = false;
  return 0;
}

bool TChildProcess::Ended(int& exitCode) {
  if (state_->Pid <= 0 || state_->Done) return true;
  int status = 0;
  const pid_t r = ::waitpid(state_->Pid, &status, WNOHANG);
  if (r == 0 || (r < 0 && errno == EINTR)) return false;
  state_->Done = true;
  exitCode = r == state_->Pid && !WIFEXITED(status) ? -1 : WEXITSTATUS(status);
  return true;
}

void TChildProcess::EndAll() {
  if (state_->Pid <= 0 || state_->Done) return;
  const pid_t pid = state_->Pid;
  int status = 0;
  ::kill(-pid, SIGKILL);
  ::waitpid(pid, &status, 0);
  state_->Done = true;
  // Its helpers are in its group: wait (a little) until they are gone too, so that none
  // writes into its folders after they are removed.
  for (int i = 0; i < 100 && ::kill(-pid, SIGKILL) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}
#endif
