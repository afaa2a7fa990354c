#ifdef _WIN32
#include <cerrno>
#include <cwchar>

#include <windows.h>

#include "support/ChildProcess.h"

namespace {

std::wstring Wide(const std::string& s) {
  if (s.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

// One argument quoted the way the C runtime splits a command line.
std::wstring Quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  size_t slashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++slashes;
      continue;
    }
    out.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
    slashes = 0;
    out += c;
  }
  out.append(slashes * 2, L'\\');
  return out + L"\"";
}

// The caller's environment with TMP and TEMP naming the folder given.
std::wstring Environment(const std::wstring& temp) {
  std::wstring block;
  if (wchar_t* env = ::GetEnvironmentStringsW()) {
    for (const wchar_t* e = env; *e; e += std::wcslen(e) + 1)
      if (::_wcsnicmp(e, L"TMP=", 4) != 0 && ::_wcsnicmp(e, L"TEMP=", 5) != 0) block.append(e).push_back(L'\0');
    ::FreeEnvironmentStringsW(env);
  }
  block.append(L"TMP=" + temp).push_back(L'\0');
  block.append(L"TEMP=" + temp).push_back(L'\0');
  block.push_back(L'\0');
  return block;
}

}  // namespace

struct TChildProcess::TState {
  HANDLE Process = nullptr;
  HANDLE Job = nullptr;  // every process it starts stays in it
  bool Done = false;
};

TChildProcess::TChildProcess() : state_(std::make_unique<TState>()) {}

TChildProcess::~TChildProcess() {
  int code = 0;
  if (state_->Process && !Ended(code)) EndAll();
  if (state_->Process) ::CloseHandle(state_->Process);
  if (state_->Job) ::CloseHandle(state_->Job);
}

int TChildProcess::Start(const std::vector<std::string>& args, const std::string& tempFolder,
                         const std::string& logPath) {
  if (args.empty()) return EINVAL;
  std::wstring commandLine;
  for (const std::string& a : args) commandLine += (commandLine.empty() ? L"" : L" ") + Quoted(Wide(a));
  std::wstring env = Environment(Wide(tempFolder));

  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE input = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  HANDLE log = ::CreateFileW(Wide(logPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = input;
  si.hStdOutput = log;
  si.hStdError = log;
  PROCESS_INFORMATION pi{};
  state_->Job = ::CreateJobObjectW(nullptr, nullptr);
  if (state_->Job) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    ::SetInformationJobObject(state_->Job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  }
  const BOOL started = ::CreateProcessW(Wide(args[0]).c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        CREATE_UNICODE_ENVIRONMENT | CREATE_SUSPENDED | CREATE_NO_WINDOW, env.data(),
                                        nullptr, &si, &pi);
  const DWORD error = ::GetLastError();
  if (input != INVALID_HANDLE_VALUE) ::CloseHandle(input);
  if (log != INVALID_HANDLE_VALUE) ::CloseHandle(log);
  if (!started) return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ENOENT : EACCES;
  if (state_->Job) ::AssignProcessToJobObject(state_->Job, pi.hProcess);
  ::ResumeThread(pi.hThread);
  ::CloseHandle(pi.hThread);
  state_->Process = pi.hProcess;
  state_->Done = false;
  return 0;
}

bool TChildProcess::Ended(int& exitCode) {
  if (!state_->Process || state_->Done) return true;
  if (::WaitForSingleObject(state_->Process, 0) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  ::GetExitCodeProcess(state_->Process, &code);
  exitCode = static_cast<int>(code);
  state_->Done = true;
  return true;
}

void TChildProcess::EndAll() {
  if (!state_->Process || state_->Done) return;
  if (state_->Job) ::TerminateJobObject(state_->Job, 1);
  else ::TerminateProcess(state_->Process, 1);
  ::WaitForSingleObject(state_->Process, 5000);
  state_->Done = true;
}
#endif
