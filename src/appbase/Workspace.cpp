#include "appbase/Workspace.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

void EnsureBackslash(QString& path) {
  const QChar other = PathSeparator == '/' ? QChar('\\') : QChar('/');
  path.replace(other, QChar(PathSeparator));
  if (!path.isEmpty() && !path.endsWith(QChar(PathSeparator))) path += QChar(PathSeparator);
}

QString GetTempDir() {
  QString t = QDir::tempPath();
  if (t.size() > 260 || !QFileInfo(t).isDir()) return QString();
  return t;
}

QString ExecutableDir() {
  QString dir = QCoreApplication::applicationDirPath();
  EnsureBackslash(dir);
  return dir;
}

QString DataDirFor(const QString& appDir) { return appDir + "Data" + QChar(PathSeparator); }

QString WorkDirFor(const QString& tempDir) {
  QString dir = tempDir;
  if (dir.isEmpty()) dir = PathSeparator == '/' ? "/tmp/" : "C:\\Windows\\Temp\\";
  EnsureBackslash(dir);
  return dir + "Parvel_t" + QChar(PathSeparator);
}

const std::vector<TStyleFile>& StyleFiles() {
  static const std::vector<TStyleFile> files = {
      {"etalon5.css", "etalon5.css"},    {"kvilon.css", "kvilon.css"},
      {"spec.css", "spec.css"},          {"topics.css", "topics.css"},
      {"B01.DAT", "attent.png"},         {"B02.DAT", "editor.png"},
      {"B03.DAT", "info.png"},           {"B04.DAT", "sample.png"},
      {"B05.DAT", "head.gif"},           {"B06.DAT", "kvl.png"},
      {"B07.DAT", "new.png"},            {"B08.DAT", "line1.gif"},
      {"B09.DAT", "line2.gif"},          {"B10.DAT", "line3.gif"},
      {"B11.DAT", "line4.gif"},          {"B12.DAT", "new2.png"},
      {"B13.DAT", "img/accountant.png"}, {"B14.DAT", "img/arr-topic.png"},
      {"B15.DAT", "img/builder.png"},    {"B16.DAT", "img/direktor.png"},
      {"B17.DAT", "img/economist.png"},  {"B18.DAT", "img/hr.png"},
      {"B19.DAT", "img/lawyer.png"},     {"B20.DAT", "img/protector.png"},
      {"B21.DAT", "img/secretary.png"},  {"B22.DAT", "img/users.png"},
  };
  return files;
}

void UnpackStyleFiles(const QString& dataDir, const QString& folder) {
  QDir().mkpath(folder);
  QDir().mkpath(folder + "img");
  for (const TStyleFile& f : StyleFiles()) {
    QString target = folder + QString::fromLatin1(f.Target);
    target.replace('/', QChar(PathSeparator));
    if (QFileInfo::exists(target)) continue;
    QFile::copy(dataDir + QString::fromLatin1(f.Source), target);  // a failure is ignored
  }
}

namespace {
constexpr unsigned char kScrambleKey = 0xA7;
}

std::string Unscramble(const std::string& text) {
  std::string s = text;
  for (char& c : s) c = static_cast<char>(static_cast<unsigned char>(c) ^ kScrambleKey);
  return s;
}

std::string InfoPageName() {
  // "info.htm"
  static const unsigned char stored[] = {0xCE, 0xC9, 0xC1, 0xC8, 0x89, 0xCF, 0xD3, 0xCA};
  return Unscramble(std::string(reinterpret_cast<const char*>(stored), sizeof stored));
}

std::string ToNativeBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString UserCacheDir() {
  QString base = qEnvironmentVariable("XDG_CACHE_HOME");
  if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + "/.cache";
  EnsureBackslash(base);
  return base + "Parvel" + QChar(PathSeparator);
}

namespace {

enum class TLockResult { lrTaken, lrHeld, lrUnusable };

// Creates the folder if need be and takes its lock file into lock.
TLockResult LockFolder(const QString& folder, const QStringList& pageNames, filecalls::TLockFile& lock) {
  lock.Release();
  if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir()) return TLockResult::lrUnusable;
  for (const QString& name : pageNames) {
    const QFileInfo page(folder + name);
    if (page.exists() && !page.isFile()) return TLockResult::lrUnusable;
  }
  const std::string native = ToNativeBytes(folder);
  if (!filecalls::IsWritableFolder(native)) return TLockResult::lrUnusable;
  const int e = lock.TryTake(native + "parvel.lock", 0644);
  if (e == 0) return TLockResult::lrTaken;
  return e == EWOULDBLOCK ? TLockResult::lrHeld : TLockResult::lrUnusable;
}

}  // namespace

TWorkFolder::~TWorkFolder() { Release(); }

void TWorkFolder::Release() {
  if (!lock_.Held()) return;
  // A numbered folder is this instance's alone; the first one stays for the next start.
  if (numbered_) QDir(path_).removeRecursively();
  lock_.Release();
}

bool TWorkFolder::Acquire(const QStringList& candidates, const QStringList& pageNames) {
  Release();
  unusable_.clear();
  constexpr int kMostInstances = 99;
  for (const QString& candidate : candidates) {
    const QString stem = candidate.endsWith(QChar(PathSeparator)) ? candidate.chopped(1) : candidate;
    for (int n = 1; n <= kMostInstances; ++n) {
      const QString folder = n == 1 ? candidate : stem + QString::number(n) + QChar(PathSeparator);
      const TLockResult r = LockFolder(folder, pageNames, lock_);
      if (r == TLockResult::lrTaken) {
        path_ = folder;
        numbered_ = n > 1;
        return true;
      }
      if (r == TLockResult::lrUnusable && n == 1) {
        unusable_ << candidate;
        break;  // its siblings share the parent that failed
      }
    }
  }
  return false;
}
