#include "support/OutputFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <thread>
#include <utility>
#include <vector>

#include "support/FileCalls.h"
#include "support/SystemErrorText.h"

namespace fs = std::filesystem;
using filecalls::TKind;

namespace {

std::function<int(const char*)>& Hook() {
  static std::function<int(const char*)> hook;
  return hook;
}

// The injected errno of a step, 0 to go on.
int Injected(const char* step) { return Hook() ? Hook()(step) : 0; }

std::string FolderOf(const std::string& path) {
  const std::string dir = fs::path(path).parent_path().string();
  return dir.empty() ? std::string(".") : dir;
}

std::string NameOf(const std::string& path) { return fs::path(path).filename().string(); }

std::string KindName(TKind kind) {
  if (kind == TKind::Folder) return "папка";
  if (kind == TKind::Device) return "устройство";
  if (kind == TKind::Fifo) return "канал (FIFO)";
  if (kind == TKind::Socket) return "сокет";
  return "не обычный файл";
}

bool Exists(const std::string& path) {
  filecalls::TInfo info;
  return filecalls::Inspect(path, false, info) == 0;
}

// rename(2) with the step hook; errno is set on failure.
bool Rename(const std::string& from, const std::string& to) {
  if (const int e = Injected("rename")) {
    errno = e;
    return false;
  }
  if (const int e = filecalls::RenameOver(from, to)) {
    errno = e;
    return false;
  }
  return true;
}

void Unlink(const std::string& path) noexcept {
  if (path.empty() || Injected("unlink")) return;
  filecalls::Remove(path);
}

// Some file systems cannot sync a folder; that is no reason to refuse the file.
bool SyncRefused(int err) { return err != 0 && err != EINVAL && err != EROFS; }

void SyncFd(int fd, const std::string& path) {
  if (const int e = Injected("fsync")) throw WriteFailure(path, e);
  if (const int e = filecalls::SyncFile(fd); SyncRefused(e)) throw WriteFailure(path, e);
}

void SyncFolder(const std::string& dir, const std::string& path) {
  if (const int e = Injected("fsync")) throw WriteFailure(path, e);
  if (const int e = filecalls::SyncFolder(dir); SyncRefused(e)) throw WriteFailure(path, e);
}

// A free name beside path with the given infix: a new private file reserves it; keep says
// whether the reserved empty file stays.
std::string FreeName(const std::string& path, const char* infix, bool keep, int* fdOut = nullptr) {
  std::string name = path + infix + "XXXXXX";
  int fd = -1;
  if (const int e = filecalls::CreateUnique(name, fd)) throw WriteFailure(path, e);
  if (fdOut) {
    *fdOut = fd;
    return name;
  }
  filecalls::CloseFile(fd);
  if (!keep) filecalls::Remove(name);
  return name;
}

// Exclusive locks on the folders of a pair, taken in one order so that two writers never wait
// for each other crosswise. A folder whose file system has no locks is written without one.
class TFolderLocks {
 public:
  TFolderLocks(const std::string& path1, const std::string& path2) {
    using TLock = std::unique_ptr<filecalls::TFolderLock>;
    std::vector<TLock> folders;
    for (const std::string& path : {path1, path2}) {
      TLock lock;
      if (const int err = filecalls::OpenFolderLock(FolderOf(path), lock)) throw WriteFailure(path, err);
      const bool known = std::any_of(folders.begin(), folders.end(), [&](const TLock& f) {
        return f->Device() == lock->Device() && f->Node() == lock->Node();
      });
      if (!known) folders.push_back(std::move(lock));
    }
    std::sort(folders.begin(), folders.end(), [](const TLock& a, const TLock& b) {
      return std::pair(a->Device(), a->Node()) < std::pair(b->Device(), b->Node());
    });
    for (TLock& f : folders) {
      locks_.push_back(std::move(f));
      if (const int e = Injected("lock")) {
        locks_.clear();
        throw WriteFailure(path1, e);
      }
      locks_.back()->Lock();
    }
  }
  TFolderLocks(const TFolderLocks&) = delete;
  TFolderLocks& operator=(const TFolderLocks&) = delete;

 private:
  std::vector<std::unique_ptr<filecalls::TFolderLock>> locks_;
};

// One replacement of a pair as its marker records it. Old is "" when there was no old file and
// "*" when it could not be kept (a file system without hard links).
struct TPairState {
  std::string Path[2], Temp[2], Old[2];
};

constexpr const char* kNoOld = "";
constexpr const char* kOldNotKept = "*";
constexpr std::string_view kMarkerEnd = ".parvel-pair", kUndoEnd = ".parvel-undo";

std::string MarkerOf(const std::string& path1, std::string_view end) {
  return (fs::path(FolderOf(path1)) / ("." + NameOf(path1) + std::string(end))).string();
}

std::string Serialise(const TPairState& s) {
  std::string out;
  for (int i = 0; i < 2; ++i)
    for (const std::string* f : {&s.Path[i], &s.Temp[i], &s.Old[i]}) {
      out += *f;
      out += '\0';
    }
  return out;
}

bool Parse(const std::string& bytes, TPairState& s) {
  std::vector<std::string> fields;
  size_t from = 0;
  for (size_t at; (at = bytes.find('\0', from)) != std::string::npos; from = at + 1)
    fields.push_back(bytes.substr(from, at - from));
  if (fields.size() != 6 || from != bytes.size()) return false;
  for (int i = 0; i < 2; ++i) {
    s.Path[i] = fields[3 * i];
    s.Temp[i] = fields[3 * i + 1];
    s.Old[i] = fields[3 * i + 2];
  }
  // Only names this code makes are acted on: a marker planted by someone else moves nothing
  // but our own leftovers.
  auto madeFor = [](const std::string& name, const std::string& path, const char* infix) {
    const std::string prefix = path + infix;
    return name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0;
  };
  for (int i = 0; i < 2; ++i) {
    if (s.Path[i].empty() || !madeFor(s.Temp[i], s.Path[i], ".tmp")) return false;
    if (s.Old[i] != kNoOld && s.Old[i] != kOldNotKept && !madeFor(s.Old[i], s.Path[i], ".old")) return false;
  }
  return true;
}

bool ReadSmallFile(const std::string& path, std::string& out) {
  int fd = -1;
  if (filecalls::OpenForReading(path, true, fd) != 0) return false;
  char buf[16384];
  out.clear();
  for (;;) {
    size_t n = 0;
    if (filecalls::ReadSome(fd, buf, sizeof buf, n) != 0 || n == 0 || out.size() > 65536) break;
    out.append(buf, n);
  }
  filecalls::CloseFile(fd);
  return true;
}

void SyncFoldersOf(const TPairState& s) {
  SyncFolder(FolderOf(s.Path[0]), s.Path[0]);
  if (FolderOf(s.Path[1]) != FolderOf(s.Path[0])) SyncFolder(FolderOf(s.Path[1]), s.Path[1]);
}

// Finishes a replacement: whatever temporary is still there goes into place.
void RollForward(const TPairState& s) {
  for (int i = 0; i < 2; ++i)
    if (!s.Temp[i].empty() && Exists(s.Temp[i]) && !Rename(s.Temp[i], s.Path[i])) throw WriteFailure(s.Path[i], errno);
  SyncFoldersOf(s);
  for (int i = 0; i < 2; ++i)
    if (s.Old[i] != kOldNotKept) Unlink(s.Old[i]);
}

// Takes a replacement back: each old file returns (or the new one goes when there was none).
// Where an old file could not be kept and its new one is in place, going forward is the only
// way to a whole pair.
void RollBack(const TPairState& s) {
  for (int i = 0; i < 2; ++i)
    if (s.Old[i] == kOldNotKept && !Exists(s.Temp[i])) return RollForward(s);
  for (int i = 0; i < 2; ++i) {
    if (s.Old[i] == kNoOld) {
      if (!Exists(s.Temp[i])) Unlink(s.Path[i]);
    } else if (s.Old[i] != kOldNotKept && Exists(s.Old[i]) && !Rename(s.Old[i], s.Path[i])) {
      throw WriteFailure(s.Path[i], errno);
    }
    Unlink(s.Temp[i]);
  }
  SyncFoldersOf(s);
}

bool EndsWith(std::string_view s, std::string_view end) {
  return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

std::vector<std::string> Entries(const std::string& dir) { return filecalls::FolderEntries(dir); }

bool SameFolder(const std::string& a, const std::string& b) {
  filecalls::TInfo ia, ib;
  return filecalls::Inspect(a, true, ia) == 0 && filecalls::Inspect(b, true, ib) == 0 && ia.Device == ib.Device &&
         ia.Node == ib.Node;
}

// Completes every replacement a stopped run left in dir (undo markers first: a roll-back that
// had begun is finished as one).
void RecoverFolder(const std::string& dir) {
  for (std::string_view end : {kUndoEnd, kMarkerEnd}) {
    for (const std::string& name : Entries(dir)) {
      if (name.size() <= end.size() + 1 || name[0] != '.' || !EndsWith(name, end)) continue;
      const std::string marker = (fs::path(dir) / name).string();
      std::string bytes;
      TPairState s;
      filecalls::TInfo st;
      if (filecalls::Inspect(marker, false, st) != 0 || st.Kind != TKind::Regular || !st.Ours) continue;
      if (!ReadSmallFile(marker, bytes)) continue;
      // Anything else of that name is not ours and stays.
      if (!Parse(bytes, s) || !SameFolder(FolderOf(s.Path[0]), dir)) continue;
      if (end == kUndoEnd) RollBack(s);
      else RollForward(s);
      Unlink(marker);
    }
  }
}

// Removes what interrupted runs left beside path: "NAME.tmpXXXXXX", "NAME.oldXXXXXX" and the
// temporaries of its marker. Only regular files, and only under the folder's lock.
void CleanLeftovers(const std::string& path) {
  const std::string dir = FolderOf(path), name = NameOf(path);
  const std::string markerTemp = "." + name + std::string(kMarkerEnd) + ".tmp";
  for (const std::string& entry : Entries(dir)) {
    bool ours = false;
    for (const std::string& prefix : {name + ".tmp", name + ".old", markerTemp})
      ours = ours || (entry.size() == prefix.size() + 6 && entry.compare(0, prefix.size(), prefix) == 0);
    if (!ours) continue;
    const std::string full = (fs::path(dir) / entry).string();
    filecalls::TInfo st;
    if (filecalls::Inspect(full, false, st) == 0 && st.Kind == TKind::Regular) filecalls::Remove(full);
  }
}

void Recover(const std::string& path1, const std::string& path2) {
  RecoverFolder(FolderOf(path1));
  if (FolderOf(path2) != FolderOf(path1)) RecoverFolder(FolderOf(path2));
  CleanLeftovers(path1);
  CleanLeftovers(path2);
}

// A hard link to the old file under a free name; kNoOld when there is none.
std::string KeepOld(const std::string& path) {
  filecalls::TInfo st;
  if (const int e = filecalls::Inspect(path, false, st)) {
    if (e == ENOENT) return kNoOld;
    throw WriteFailure(path, e);
  }
  const std::string name = FreeName(path, ".old", false);
  if (const int e = Injected("link")) throw WriteFailure(path, e);
  const int e = filecalls::HardLink(path, name);
  if (e == 0) return name;
  if (e == EPERM || e == EOPNOTSUPP || e == EMLINK) return kOldNotKept;
  throw WriteFailure(path, e);
}

void WriteMarker(const std::string& marker, const TPairState& s) {
  const std::string bytes = Serialise(s);
  const std::string temp = WriteTempFile(marker, [&](int fd) {
    filecalls::TSpan span{bytes.data(), bytes.size()};
    WriteFully(fd, &span, 1, s.Path[0]);
  });
  if (!Rename(temp, marker)) {
    const int err = errno;
    filecalls::Remove(temp);
    throw WriteFailure(s.Path[0], err);
  }
  SyncFolder(FolderOf(marker), s.Path[0]);
}

}  // namespace

EOutputError WriteFailure(const std::string& path, int err) {
  return EOutputError(TOutputFailure::ofWrite, "Не могу записать файл " + path + ": " + SystemErrorText(err) + ".");
}

void CheckOutputPath(const std::string& path) {
  if (path.empty()) throw EOutputError(TOutputFailure::ofNoName, "Не задано имя файла для записи.");
  filecalls::TInfo st;
  if (filecalls::Inspect(path, true, st) != 0 || st.Kind == TKind::Regular) return;  // nothing there yet, or a file
  filecalls::TInfo link;
  const bool viaLink = filecalls::Inspect(path, false, link) == 0 && link.Kind == TKind::Link;
  throw EOutputError(TOutputFailure::ofNotRegular,
                     "Не могу записать файл " + path + ": " + (viaLink ? "это ссылка не на обычный файл, а на " : "там не обычный файл, а ") +
                         KindName(st.Kind) + ". Ничего не записано.");
}

bool SameOutputFile(const std::string& a, const std::string& b) {
  filecalls::TInfo sa, sb;
  const bool ea = filecalls::Inspect(a, true, sa) == 0, eb = filecalls::Inspect(b, true, sb) == 0;
  if (ea && eb) return sa.Device == sb.Device && sa.Node == sb.Node;
  if (ea != eb) return false;
  auto normal = [](const std::string& p) {
    std::error_code ec;
    fs::path dir = fs::weakly_canonical(fs::absolute(FolderOf(p), ec), ec);
    return (dir / NameOf(p)).lexically_normal();
  };
  return normal(a) == normal(b);
}

void WriteFully(int fd, filecalls::TSpan* iov, int count, const std::string& path) {
  for (;;) {
    while (count > 0 && iov->Size == 0) ++iov, --count;  // nothing to write there
    if (count == 0) break;
    if (const int e = Injected("write")) throw WriteFailure(path, e);
    size_t done = 0;
    const int err = filecalls::WriteGather(fd, iov, count, done);
    if (err || done == 0) throw WriteFailure(path, err ? err : EIO);
    for (; count > 0 && done >= iov->Size; ++iov, --count) done -= iov->Size;
    if (count > 0) {
      iov->Data += done;
      iov->Size -= done;
    }
  }
}

std::string WriteTempFile(const std::string& path, const TFileFiller& fill) {
  CheckOutputPath(path);
  int fd = -1;
  const std::string temp = FreeName(path, ".tmp", true, &fd);
  try {
    fill(fd);
    // The temporary is private to the user; outputs are ordinary files.
    filecalls::MakeOrdinary(fd);
    SyncFd(fd, path);
  } catch (...) {
    filecalls::CloseFile(fd);
    filecalls::Remove(temp);
    throw;
  }
  if (const int err = filecalls::CloseFile(fd)) {
    filecalls::Remove(temp);
    throw WriteFailure(path, err);
  }
  return temp;
}

void CommitTempFile(const std::string& tempPath, const std::string& path) {
  try {
    CheckOutputPath(path);
  } catch (...) {
    filecalls::Remove(tempPath);
    throw;
  }
  if (!Rename(tempPath, path)) {
    const int err = errno;
    filecalls::Remove(tempPath);
    throw WriteFailure(path, err);
  }
}

void ReplaceFile(const std::string& path, const TFileFiller& fill) {
  CheckOutputPath(path);
  TFolderLocks lock(path, path);
  Recover(path, path);
  CommitTempFile(WriteTempFile(path, fill), path);
  SyncFolder(FolderOf(path), path);
}

void FinishInterruptedPair(const std::string& path1, const std::string& path2) {
  TFolderLocks lock(path1, path2);
  Recover(path1, path2);
}

void ReplaceFilePair(const std::string& givenPath1, const TFileFiller& fill1, const std::string& givenPath2,
                     const TFileFiller& fill2, bool parallel) {
  CheckOutputPath(givenPath1);
  CheckOutputPath(givenPath2);
  // The marker names the files absolutely: a later run may be given the folder another way.
  std::error_code ec;
  const std::string path1 = fs::absolute(givenPath1, ec).string();
  const std::string path2 = fs::absolute(givenPath2, ec).string();
  CheckOutputPath(path1);
  CheckOutputPath(path2);
  if (SameOutputFile(path1, path2))
    throw EOutputError(TOutputFailure::ofSameFile, "Файлы " + path1 + " и " + path2 +
                                                       " — один и тот же файл, а пара должна быть записана в два разных.");
  TFolderLocks lock(path1, path2);
  Recover(path1, path2);
  CheckOutputPath(path1);  // again: the entries may have changed while we waited for the lock
  CheckOutputPath(path2);

  TPairState s;
  s.Path[0] = path1;
  s.Path[1] = path2;
  auto discard = [&] {
    for (int i = 0; i < 2; ++i) {
      if (!s.Temp[i].empty()) filecalls::Remove(s.Temp[i]);
      if (!s.Old[i].empty() && s.Old[i] != kOldNotKept) filecalls::Remove(s.Old[i]);
    }
  };
  std::exception_ptr failed;
  if (parallel) {
    std::thread other([&] {
      try {
        s.Temp[0] = WriteTempFile(path1, fill1);
      } catch (...) {
        failed = std::current_exception();
      }
    });
    try {
      s.Temp[1] = WriteTempFile(path2, fill2);
    } catch (...) {
      other.join();
      discard();
      throw;
    }
    other.join();
  } else {
    try {
      s.Temp[0] = WriteTempFile(path1, fill1);
      s.Temp[1] = WriteTempFile(path2, fill2);
    } catch (...) {
      failed = std::current_exception();
    }
  }
  const std::string marker = MarkerOf(path1, kMarkerEnd);
  if (!failed) {
    try {
      s.Old[0] = KeepOld(path1);
      s.Old[1] = KeepOld(path2);
      SyncFoldersOf(s);
      WriteMarker(marker, s);
    } catch (...) {
      failed = std::current_exception();
    }
  }
  if (failed) {
    discard();
    std::rethrow_exception(failed);
  }

  // From here the marker stands for the pair: a stop leaves it to the next writer or reader.
  try {
    for (int i = 0; i < 2; ++i)
      if (!Rename(s.Temp[i], s.Path[i])) throw WriteFailure(s.Path[i], errno);
    SyncFoldersOf(s);
  } catch (...) {
    // Turning the marker into an undo marker is one rename; if even that fails, the marker
    // stays and the next writer finishes the replacement instead.
    const std::string undo = MarkerOf(path1, kUndoEnd);
    if (Rename(marker, undo)) {
      try {
        RollBack(s);
        Unlink(undo);
      } catch (...) {
      }
    }
    throw;
  }
  // Not synced: a marker that comes back after a crash only finishes the replacement again.
  Unlink(marker);
  for (int i = 0; i < 2; ++i)
    if (s.Old[i] != kOldNotKept) Unlink(s.Old[i]);
}

void SetFileStepHook(std::function<int(const char* step)> hook) { Hook() = std::move(hook); }
