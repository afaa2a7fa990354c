#ifdef _WIN32
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <random>

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include "support/FileCalls.h"

namespace filecalls {
namespace {

std::wstring Wide(const std::string& s) {
  if (s.empty()) return {};
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string Narrow(const std::wstring& w) {
  if (w.empty()) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EBUSY;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS: return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_DIRECTORY: return ENOTDIR;
    case ERROR_TOO_MANY_LINKS: return EMLINK;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ENOMEM;
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION: return EPERM;  // a file system without hard links
    default: return EIO;
  }
}

int LastErrno() { return ErrnoOf(::GetLastError()); }

// Six random letters and digits for a template's "XXXXXX".
bool FillTemplate(std::string& templ, std::mt19937& random) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  if (templ.size() < 6 || templ.compare(templ.size() - 6, 6, "XXXXXX") != 0) return false;
  for (size_t i = templ.size() - 6; i < templ.size(); ++i) templ[i] = kLetters[random() % 36];
  return true;
}

std::mt19937& Random() {
  thread_local std::mt19937 random(std::random_device{}() ^ ::GetCurrentProcessId() ^ ::GetTickCount());
  return random;
}

HANDLE OpenEntry(const std::string& path, bool followLinks) {
  DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;  // folders open too
  if (!followLinks) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
  return ::CreateFileW(Wide(path).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, flags, nullptr);
}

int InspectHandle(HANDLE h, TInfo& info) {
  info = TInfo();
  const DWORD type = ::GetFileType(h);
  if (type == FILE_TYPE_CHAR) {
    info.Kind = TKind::Device;
    return 0;
  }
  if (type == FILE_TYPE_PIPE) {
    info.Kind = TKind::Fifo;
    return 0;
  }
  BY_HANDLE_FILE_INFORMATION fi{};
  if (!::GetFileInformationByHandle(h, &fi)) return LastErrno();
  if (fi.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) info.Kind = TKind::Link;
  else if (fi.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) info.Kind = TKind::Folder;
  else info.Kind = TKind::Regular;
  info.Device = fi.dwVolumeSerialNumber;
  info.Node = (uint64_t{fi.nFileIndexHigh} << 32) | fi.nFileIndexLow;
  info.Size = (uint64_t{fi.nFileSizeHigh} << 32) | fi.nFileSizeLow;
  return 0;
}

// Device names ("NUL", "CON", "COM1"...) are no files whatever folder they are given in.
bool IsDeviceName(const std::string& path) {
  std::string stem = std::filesystem::path(Wide(path)).stem().string();
  for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (stem == "NUL" || stem == "CON" || stem == "PRN" || stem == "AUX") return true;
  return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) && stem[3] >= '1' &&
         stem[3] <= '9';
}

// Another process locking the same folder waits on a mutex named after the folder's identity.
class TWindowsFolderLock : public TFolderLock {
 public:
  TWindowsFolderLock(uint64_t device, uint64_t node) : device_(device), node_(node) {}
  ~TWindowsFolderLock() override {
    if (mutex_) {
      if (owned_) ::ReleaseMutex(mutex_);
      ::CloseHandle(mutex_);
    }
  }
  uint64_t Device() const override { return device_; }
  uint64_t Node() const override { return node_; }
  int Lock() override {
    const std::wstring name = L"Local\\parvel-folder-" + std::to_wstring(device_) + L"-" + std::to_wstring(node_);
    mutex_ = ::CreateMutexW(nullptr, FALSE, name.c_str());
    if (!mutex_) return 0;  // written without a lock, as on a file system without locks
    const DWORD r = ::WaitForSingleObject(mutex_, INFINITE);
    owned_ = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
    return 0;
  }

 private:
  uint64_t device_, node_;
  HANDLE mutex_ = nullptr;
  bool owned_ = false;
};

}  // namespace

int Inspect(const std::string& path, bool followLinks, TInfo& info) {
  info = TInfo();
  if (IsDeviceName(path)) {
    info.Kind = TKind::Device;
    return 0;
  }
  const HANDLE h = OpenEntry(path, followLinks);
  if (h == INVALID_HANDLE_VALUE) return LastErrno();
  const int err = InspectHandle(h, info);
  ::CloseHandle(h);
  return err;
}

int InspectOpen(int fd, TInfo& info) {
  const HANDLE h = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  if (h == INVALID_HANDLE_VALUE) return EBADF;
  return InspectHandle(h, info);
}

int CreateUnique(std::string& pathTemplate, int& fd) {
  const std::string base = pathTemplate;
  for (int attempt = 0; attempt < 100; ++attempt) {
    pathTemplate = base;
    if (!FillTemplate(pathTemplate, Random())) return EINVAL;
    fd = -1;
    const errno_t e = ::_wsopen_s(&fd, Wide(pathTemplate).c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                                  _SH_DENYNO, _S_IREAD | _S_IWRITE);
    if (e == 0) return 0;
    if (e != EEXIST) return e;
  }
  return EEXIST;
}

int CreatePrivateFolder(std::string& pathTemplate) {
  const std::string base = pathTemplate;
  for (int attempt = 0; attempt < 100; ++attempt) {
    pathTemplate = base;
    if (!FillTemplate(pathTemplate, Random())) return EINVAL;
    // The folder inherits the rights of the user's temporary folder, which only its user has.
    if (::CreateDirectoryW(Wide(pathTemplate).c_str(), nullptr)) return 0;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return LastErrno();
  }
  return EEXIST;
}

void MakeOrdinary(int) {}

int WriteGather(int fd, const TSpan* spans, int count, size_t& written) {
  written = 0;
  for (int i = 0; i < count; ++i) {
    size_t done = 0;
    while (done < spans[i].Size) {
      const unsigned chunk = static_cast<unsigned>(std::min<size_t>(spans[i].Size - done, 1u << 30));
      const int w = ::_write(fd, spans[i].Data + done, chunk);
      if (w < 0) return written > 0 ? 0 : errno;
      if (w == 0) return 0;
      done += static_cast<size_t>(w);
      written += static_cast<size_t>(w);
    }
  }
  return 0;
}

int SyncFile(int fd) {
  const HANDLE h = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  if (h == INVALID_HANDLE_VALUE) return EBADF;
  return ::FlushFileBuffers(h) ? 0 : LastErrno();
}

// A rename on NTFS is journalled with the folder; there is no folder to flush.
int SyncFolder(const std::string&) { return 0; }

int CloseFile(int fd) { return ::_close(fd) == 0 ? 0 : errno; }

int OpenForReading(const std::string& path, bool noFollow, int& fd) {
  TInfo info;
  if (noFollow && Inspect(path, false, info) == 0 && info.Kind == TKind::Link) return ELOOP;
  fd = -1;
  const errno_t e = ::_wsopen_s(&fd, Wide(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYNO, 0);
  return e;
}

int ReadSome(int fd, char* buffer, size_t size, size_t& got) {
  const int n = ::_read(fd, buffer, static_cast<unsigned>(std::min<size_t>(size, 1u << 30)));
  got = n < 0 ? 0 : static_cast<size_t>(n);
  return n < 0 ? errno : 0;
}

int HardLink(const std::string& existing, const std::string& newName) {
  return ::CreateHardLinkW(Wide(newName).c_str(), Wide(existing).c_str(), nullptr) ? 0 : LastErrno();
}

int RenameOver(const std::string& from, const std::string& to) {
  return ::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
             ? 0
             : LastErrno();
}

int Remove(const std::string& path) { return ::DeleteFileW(Wide(path).c_str()) ? 0 : LastErrno(); }

std::vector<std::string> FolderEntries(const std::string& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(Wide(dir), ec))
    names.push_back(Narrow(e.path().filename().wstring()));
  return names;
}

bool IsExecutableFile(const std::string& path) {
  TInfo info;
  return Inspect(path, true, info) == 0 && info.Kind == TKind::Regular;
}

bool IsWritableFolder(const std::string& dir) {
  const DWORD a = ::GetFileAttributesW(Wide(dir).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_READONLY);
}

std::string ExecutablePath() {
  std::wstring buffer(32768, L'\0');
  const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (n == 0 || n >= buffer.size()) return {};
  buffer.resize(n);
  return Narrow(buffer);
}

// The browser's sandbox works for an administrator on Windows.
bool RunsAsSuperuser() { return false; }

std::vector<std::string> ProgramOnPath(const std::string& name) {
  std::vector<std::string> found;
  const wchar_t* path = ::_wgetenv(L"PATH");
  if (!path) return found;
  const std::string all = Narrow(path);
  size_t from = 0;
  while (from <= all.size()) {
    size_t end = all.find(';', from);
    if (end == std::string::npos) end = all.size();
    if (end > from) found.push_back(all.substr(from, end - from) + "\\" + name + ".exe");
    from = end + 1;
  }
  return found;
}

int OpenFolderLock(const std::string& dir, std::unique_ptr<TFolderLock>& lock) {
  TInfo info;
  if (const int err = Inspect(dir, true, info)) return err;
  if (info.Kind != TKind::Folder) return ENOTDIR;
  lock = std::make_unique<TWindowsFolderLock>(info.Device, info.Node);
  return 0;
}

int TLockFile::TryTake(const std::string& path, int) {
  Release();
  const HANDLE h = ::CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return LastErrno();
  OVERLAPPED whole{};
  if (::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole)) {
    handle_ = reinterpret_cast<intptr_t>(h);
    return 0;
  }
  const DWORD error = ::GetLastError();
  ::CloseHandle(h);
  return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? EWOULDBLOCK : ErrnoOf(error);
}

void TLockFile::Release() {
  if (handle_ == kNone) return;
  ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = kNone;
}

}  // namespace filecalls
#endif
