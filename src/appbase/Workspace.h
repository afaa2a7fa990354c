#pragma once
// The program's folders and the style files every written page relies on.
#include <QString>
#include <QStringList>

#include "support/FileCalls.h"

#include <string>
#include <vector>

// The platform's path separator as the program's folder paths end with it.
#ifdef _WIN32
inline constexpr char PathSeparator = '\\';
#else
inline constexpr char PathSeparator = '/';
#endif

// Turns the other separator into the platform's and makes a non-empty path end with one.
void EnsureBackslash(QString& path);

// The system temporary folder as the system reports it, or empty.
QString GetTempDir();

// The folder of the executable; its "Data" folder; the work folder under the temporary folder
// (on systems without drive letters "/tmp/" stands in when the system names none).
// Each ends with the separator.
QString ExecutableDir();
QString DataDirFor(const QString& appDir);
QString WorkDirFor(const QString& tempDir);

struct TStyleFile {
  const char* Source;  // in the data folder
  const char* Target;  // relative to the target folder
};
// The style sheets and images copied beside every written page, in copying order.
const std::vector<TStyleFile>& StyleFiles();

// Copies every style file missing in folder (which ends with the separator) from dataDir,
// creating folder and its "img" sub-folder first. A file that cannot be copied (a missing
// source) is skipped silently: the pages then show without it.
void UnpackStyleFiles(const QString& dataDir, const QString& folder);

// The stored scrambled texts made plain: every byte XOR-ed with the program's key.
std::string Unscramble(const std::string& text);
// The scrambled form (the same operation; used to produce the stored values).
inline std::string Scramble(const std::string& text) { return Unscramble(text); }

// The info page's address relative to the data folder, stored scrambled.
std::string InfoPageName();

// Converts a folder path to the byte path the core's file writer takes.
std::string ToNativeBytes(const QString& path);

// The folder for this user's files when the temporary folder cannot be used:
// $XDG_CACHE_HOME/Parvel, else ~/.cache/Parvel. Ends with the separator.
QString UserCacheDir();

// The work folder of one running instance, locked (a lock file inside it) for the life
// of the object. The first instance keeps "Parvel_t"; one that finds it locked takes the first
// free numbered sibling ("Parvel_t2", "Parvel_t3" ...), which is removed again at the end.
class TWorkFolder {
 public:
  TWorkFolder() = default;
  TWorkFolder(const TWorkFolder&) = delete;
  TWorkFolder& operator=(const TWorkFolder&) = delete;
  ~TWorkFolder();

  // Tries each candidate ("…/Parvel_t/", ending with the separator) in turn: a folder that
  // cannot be created or written, or where something other than a file stands in the way of one
  // of pageNames, is skipped; a locked one gives way to its numbered siblings. False when none
  // can be used.
  bool Acquire(const QStringList& candidates, const QStringList& pageNames = {});
  QString Path() const { return path_; }
  // The candidates skipped because they could not be used (not merely locked).
  const QStringList& Unusable() const { return unusable_; }

 private:
  void Release();
  filecalls::TLockFile lock_;
  QString path_;
  bool numbered_ = false;
  QStringList unusable_;
};
