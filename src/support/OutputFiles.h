#pragma once
// Writing the files the program produces (result pages, PDFs, marked bodies, saved pages) so that
// nothing the user had is damaged: only a regular file (or nothing) is ever replaced, a file is
// replaced whole by one rename, and a pair of files is replaced as a pair.
//
// A pair is replaced under a lock of its folder: both new files are written to temporaries and
// synced, the old files get a hard link each (for a roll-back), a marker naming all of them is
// put beside the first file, then each temporary is renamed into place. A stop at any moment
// leaves either no marker (the old pair whole, maybe with leftovers) or the marker; the next
// writer of that pair, or FinishInterruptedPair, completes the replacement the marker describes
// and removes the leftovers of interrupted runs.
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "support/FileCalls.h"

enum class TOutputFailure {
  ofNoName,      // an empty file name
  ofNotRegular,  // an existing entry that is not a regular file (folder, device, FIFO, socket)
  ofSameFile,    // both files of a pair name one file
  ofWrite,       // the system refused a step (no space, no rights, ...)
};

// What went wrong, with a Russian message naming the path.
class EOutputError : public std::runtime_error {
 public:
  EOutputError(TOutputFailure kind, const std::string& message) : std::runtime_error(message), Kind(kind) {}
  TOutputFailure Kind;
};

// The Russian message for a failed step on path: "Не могу записать файл P: на диске нет места."
EOutputError WriteFailure(const std::string& path, int err);

// Throws EOutputError unless path is non-empty and names nothing yet or a regular file (a
// symbolic link is followed; the link itself is replaced). Nothing is created.
void CheckOutputPath(const std::string& path);

// True when a and b name one file: by device and inode when both exist, else by the real path
// of their folders and their names.
bool SameOutputFile(const std::string& a, const std::string& b);

// Fills an open temporary file; throws EOutputError (through WriteFully) on failure.
using TFileFiller = std::function<void(int fd)>;

// Writes all of the spans to fd, for path's messages.
void WriteFully(int fd, filecalls::TSpan* spans, int count, const std::string& path);

// Writes a new file through fill and renames it over path, under the folder's lock.
void ReplaceFile(const std::string& path, const TFileFiller& fill);

// Replaces path1 and path2 together, as described above. With parallel the two files are
// filled at the same time. On failure both keep their earlier content and nothing new is left.
void ReplaceFilePair(const std::string& path1, const TFileFiller& fill1, const std::string& path2,
                     const TFileFiller& fill2, bool parallel = false);

// Completes a replacement of the pair of path1 that a stopped run left, and removes the
// leftovers of interrupted runs beside path1 and path2. For readers of a pair.
void FinishInterruptedPair(const std::string& path1, const std::string& path2);

// Two-step writing for one file: a temporary beside path, later renamed over it.
std::string WriteTempFile(const std::string& path, const TFileFiller& fill);
void CommitTempFile(const std::string& tempPath, const std::string& path);

// For tests: called before every system step of writing ("write", "fsync", "link", "rename",
// "unlink", "lock") with its name; a non-zero result fails that step with that errno. Empty: none.
void SetFileStepHook(std::function<int(const char* step)> hook);
