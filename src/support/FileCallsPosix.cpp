#ifndef _WIN32
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include "support/FileCalls.h"

namespace filecalls {
namespace {

TKind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return TKind::Regular;
  if (S_ISDIR(mode)) return TKind::Folder;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return TKind::Device;
  if (S_ISFIFO(mode)) return TKind::Fifo;
  if (S_ISSOCK(mode)) return TKind::Socket;
  if (S_ISLNK(mode)) return TKind::Link;
  return TKind::Other;
}

void Fill(const struct stat& st, TInfo& info) {
  info.Kind = KindOf(st.st_mode);
  info.Device = static_cast<uint64_t>(st.st_dev);
  info.Node = static_cast<uint64_t>(st.st_ino);
  info.Size = static_cast<uint64_t>(st.st_size);
  info.Ours = st.st_uid == ::geteuid();
}

int Result(bool ok) { return ok ? 0 : errno; }

class TPosixFolderLock : public TFolderLock {
 public:
  TPosixFolderLock(int fd, const struct stat& st) : fd_(fd), dev_(st.st_dev), ino_(st.st_ino) {}
  ~TPosixFolderLock() override { ::close(fd_); }
  uint64_t Device() const override { return dev_; }
  uint64_t Node() const override { return ino_; }
  int Lock() override {
    while (::flock(fd_, LOCK_EX) != 0)
      if (errno != EINTR) return 0;  // a file system without locks is written without one
    return 0;
  }

 private:
  int fd_;
  uint64_t dev_, ino_;
};

}  // namespace

int Inspect(const std::string& path, bool followLinks, TInfo& info) {
  struct stat st {};
  info = TInfo();
  if ((followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0) return errno;
  Fill(st, info);
  return 0;
}

int InspectOpen(int fd, TInfo& info) {
  struct stat st {};
  info = TInfo();
  if (::fstat(fd, &st) != 0) return errno;
  Fill(st, info);
  return 0;
}

int CreateUnique(std::string& pathTemplate, int& fd) {
  fd = ::mkstemp(pathTemplate.data());
  return Result(fd >= 0);
}

int CreatePrivateFolder(std::string& pathTemplate) { return Result(::mkdtemp(pathTemplate.data()) != nullptr); }

void MakeOrdinary(int fd) {
  // The mask is read once: reading it means setting it, which must not race with another writer.
  static const mode_t mask = [] {
    const mode_t m = ::umask(0);
    ::umask(m);
    return m;
  }();
  ::fchmod(fd, 0666 & ~mask);
}

int WriteGather(int fd, const TSpan* spans, int count, size_t& written) {
  constexpr int kMost = 512;  // well below IOV_MAX
  iovec iov[kMost];
  if (count > kMost) count = kMost;
  for (int i = 0; i < count; ++i) iov[i] = {const_cast<char*>(spans[i].Data), spans[i].Size};
  for (;;) {
    const ssize_t w = ::writev(fd, iov, count);
    if (w < 0 && errno == EINTR) continue;
    if (w < 0) return errno;
    written = static_cast<size_t>(w);
    return 0;
  }
}

int SyncFile(int fd) { return Result(::fsync(fd) == 0); }

int SyncFolder(const std::string& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  const int err = SyncFile(fd);
  ::close(fd);
  return err;
}

int CloseFile(int fd) { return Result(::close(fd) == 0); }

int OpenForReading(const std::string& path, bool noFollow, int& fd) {
  fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | (noFollow ? O_NOFOLLOW : 0));
  if (fd < 0) return errno;
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return 0;
}

int ReadSome(int fd, char* buffer, size_t size, size_t& got) {
  for (;;) {
    const ssize_t n = ::read(fd, buffer, size);
    if (n < 0 && errno == EINTR) continue;
    got = n < 0 ? 0 : static_cast<size_t>(n);
    return n < 0 ? errno : 0;
  }
}

int HardLink(const std::string& existing, const std::string& newName) {
  return Result(::link(existing.c_str(), newName.c_str()) == 0);
}

int RenameOver(const std::string& from, const std::string& to) { return Result(std::rename(from.c_str(), to.c_str()) == 0); }

int Remove(const std::string& path) { return Result(::unlink(path.c_str()) == 0); }

std::vector<std::string> FolderEntries(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (const dirent* e = ::readdir(d)) names.emplace_back(e->d_name);
    ::closedir(d);
  }
  return names;
}

bool IsExecutableFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

bool IsWritableFolder(const std::string& dir) { return ::access(dir.c_str(), W_OK | X_OK) == 0; }

std::string ExecutablePath() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.string();
}

bool RunsAsSuperuser() { return ::geteuid() == 0; }

std::vector<std::string> ProgramOnPath(const std::string& name) {
  std::vector<std::string> found;
  if (const char* path = std::getenv("PATH")) {
    std::stringstream dirs(path);
    std::string dir;
    while (std::getline(dirs, dir, ':'))
      if (!dir.empty()) found.push_back((std::filesystem::path(dir) / name).string());
  }
  return found;
}

int OpenFolderLock(const std::string& dir, std::unique_ptr<TFolderLock>& lock) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat st {};
  ::fstat(fd, &st);
  lock = std::make_unique<TPosixFolderLock>(fd, st);
  return 0;
}

int TLockFile::TryTake(const std::string& path, int mode) {
  Release();
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, mode);
  if (fd < 0) return errno;
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
    handle_ = fd;
    return 0;
  }
  const int err = errno == EWOULDBLOCK ? EWOULDBLOCK : errno;
  ::close(fd);
  return err;
}

void TLockFile::Release() {
  if (handle_ == kNone) return;
  ::close(static_cast<int>(handle_));
  handle_ = kNone;
}

}  // namespace filecalls
#endif
