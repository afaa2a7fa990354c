#pragma once
// The program's folders and the style files every written page relies on.
#include <QString>

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
