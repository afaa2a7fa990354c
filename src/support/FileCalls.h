#pragma once
// The few operating-system file calls the program's writers and readers need, the same on
// every system: FileCallsPosix.cpp and FileCallsWindows.cpp implement them. Paths are the
// program's narrow paths (UTF-8 on Windows); failures are errno values, 0 meaning success.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace filecalls {

enum class TKind { None, Regular, Folder, Device, Fifo, Socket, Link, Other };

struct TInfo {
  TKind Kind = TKind::None;
  uint64_t Device = 0, Node = 0;  // together they name one file
  uint64_t Size = 0;
  bool Ours = true;  // owned by the user the program runs as
};

// What stands at path; with followLinks false a symbolic link is reported as one.
int Inspect(const std::string& path, bool followLinks, TInfo& info);
int InspectOpen(int fd, TInfo& info);

// A new private file from a template ending in "XXXXXX" (replaced by the name made), open for
// writing in fd.
int CreateUnique(std::string& pathTemplate, int& fd);
// A new private folder from such a template.
int CreatePrivateFolder(std::string& pathTemplate);
// Gives a file made by CreateUnique the permissions of an ordinary new file.
void MakeOrdinary(int fd);

struct TSpan {
  const char* Data;
  size_t Size;
};
// Writes some of the spans in order; written receives how many bytes went out.
int WriteGather(int fd, const TSpan* spans, int count, size_t& written);
int SyncFile(int fd);
int SyncFolder(const std::string& dir);
int CloseFile(int fd);

// Opens a file for reading without waiting (a FIFO opens at once); noFollow refuses a link.
int OpenForReading(const std::string& path, bool noFollow, int& fd);
// Reads up to size bytes; got 0 at the end.
int ReadSome(int fd, char* buffer, size_t size, size_t& got);

int HardLink(const std::string& existing, const std::string& newName);
// Renames over whatever file stands at to, in one step.
int RenameOver(const std::string& from, const std::string& to);
int Remove(const std::string& path);
std::vector<std::string> FolderEntries(const std::string& dir);
bool IsExecutableFile(const std::string& path);
bool IsWritableFolder(const std::string& dir);
// The running program's own file, links resolved; empty when unknown.
std::string ExecutablePath();
// True when the program runs as the superuser (whose files everyone else's checks trust).
bool RunsAsSuperuser();
// name as a program in each folder of the PATH, in order.
std::vector<std::string> ProgramOnPath(const std::string& name);

// An exclusive lock on a folder, held until the object goes; other processes that lock the same
// folder wait. Open first (which tells the folder's identity), then Lock.
class TFolderLock {
 public:
  virtual ~TFolderLock() = default;
  virtual uint64_t Device() const = 0;
  virtual uint64_t Node() const = 0;
  virtual int Lock() = 0;
};
int OpenFolderLock(const std::string& dir, std::unique_ptr<TFolderLock>& lock);

// A lock file: taken without waiting, held while the object lives. TryTake gives 0 when taken,
// EWOULDBLOCK when another holder has it, another errno when the file cannot be used.
class TLockFile {
 public:
  TLockFile() = default;
  ~TLockFile() { Release(); }
  TLockFile(const TLockFile&) = delete;
  TLockFile& operator=(const TLockFile&) = delete;
  int TryTake(const std::string& path, int mode);
  void Release();
  bool Held() const { return handle_ != kNone; }

 private:
  static constexpr intptr_t kNone = -1;
  intptr_t handle_ = kNone;
};

}  // namespace filecalls
