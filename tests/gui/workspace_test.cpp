// Start-up: the work folder and its style files, the folder paths, the stored addresses, and the
// end of the program when a dictionary is missing.
#include "appbase/Workspace.h"
#include "gui/GuiTestSupport.h"

using namespace guitest;

namespace {
QString Sep() { return QString(QChar(PathSeparator)); }
}  // namespace

TEST(Workspace, EnsureBackslashUsesThePlatformSeparator) {
  const QChar other = PathSeparator == '/' ? '\\' : '/';
  QString p = "tmp" + QString(other) + "a" + QString(other) + "b";
  EnsureBackslash(p);
  EXPECT_EQ(p, "tmp" + Sep() + "a" + Sep() + "b" + Sep());
  EnsureBackslash(p);  // already ends with one: unchanged
  EXPECT_EQ(p, "tmp" + Sep() + "a" + Sep() + "b" + Sep());
  QString empty;
  EnsureBackslash(empty);
  EXPECT_TRUE(empty.isEmpty());
}

TEST(Workspace, WorkFolderUnderTheTemporaryFolder) {
  const QChar other = PathSeparator == '/' ? '\\' : '/';
  EXPECT_EQ(WorkDirFor("x" + QString(other) + "tmp"), "x" + Sep() + "tmp" + Sep() + "Parvel_t" + Sep());
  EXPECT_EQ(WorkDirFor("x" + Sep()), "x" + Sep() + "Parvel_t" + Sep());
  // No temporary folder from the system: a fixed fallback, still ending in the work folder.
  EXPECT_TRUE(WorkDirFor("").endsWith("Parvel_t" + Sep()));
  EXPECT_FALSE(WorkDirFor("").startsWith("Parvel_t"));
  EXPECT_EQ(DataDirFor("app" + Sep()), "app" + Sep() + "Data" + Sep());
}

TEST(Workspace, UnscrambleIsItsOwnInverseAndGivesTheInfoPage) {
  const std::string plain = "http://example.org/prvl.dll?x=1";
  const std::string stored = Scramble(plain);
  EXPECT_NE(stored, plain);
  EXPECT_EQ(stored.size(), plain.size());
  EXPECT_EQ(Unscramble(stored), plain);
  EXPECT_EQ(InfoPageName(), "info.htm");
  EXPECT_TRUE(QFile::exists(QString(PARVEL_SOURCE_DIR) + "/data/" + QString::fromStdString(InfoPageName())));
}

TEST(Workspace, FirstStartCreatesAndFillsTheWorkFolder) {
  TProgramDir dir;
  TMessages messages;
  QFile::remove(dir.DataDir() + "B07.DAT");
  ASSERT_FALSE(QDir(dir.WorkDir()).exists());
  {
    TVerCmp w(dir.AppDir());
    EXPECT_FALSE(w.StartupFailed());
    EXPECT_EQ(UI(w).WorkDir, dir.WorkDir());
    EXPECT_EQ(UI(w).DataDir, dir.DataDir());
  }
  EXPECT_TRUE(QDir(dir.WorkDir() + "img").exists());
  for (const TStyleFile& f : StyleFiles()) {
    const QString target = dir.WorkDir() + f.Target;
    if (QString(f.Source) == "B07.DAT") {
      EXPECT_FALSE(QFile::exists(target)) << f.Target;
      continue;
    }
    ASSERT_TRUE(QFile::exists(target)) << f.Target;
    EXPECT_EQ(ReadFile(target), ReadFile(dir.DataDir() + f.Source)) << f.Target;
  }
  EXPECT_TRUE(messages.List().empty());  // the missing image is not reported

  // A second start copies nothing over files that are there.
  {
    QFile css(dir.WorkDir() + "etalon5.css");
    ASSERT_TRUE(css.open(QIODevice::WriteOnly | QIODevice::Truncate));
    css.write("/* changed */");
  }
  { TVerCmp w(dir.AppDir()); }
  EXPECT_EQ(ReadFile(dir.WorkDir() + "etalon5.css"), "/* changed */");
  EXPECT_TRUE(messages.List().empty());
}

TEST(Workspace, StyleFilesBesideASavedDocument) {
  TProgramDir dir;
  QTemporaryDir target;
  const QString folder = target.path() + "/saved/deeper" + Sep();
  UnpackStyleFiles(dir.DataDir(), folder);
  EXPECT_TRUE(QFile::exists(folder + "etalon5.css"));
  EXPECT_TRUE(QFile::exists(folder + "kvl.png"));
  EXPECT_EQ(QDir(folder + "img").entryList(QDir::Files).size(), 10);
}

TEST(Workspace, MissingDictionaryEndsTheProgramWithItsMessage) {
  TProgramDir dir;
  TMessages messages;
  QFile::remove(dir.DataDir() + "A80.DAT");
  TVerCmp w(dir.AppDir());
  EXPECT_TRUE(w.StartupFailed());
  ASSERT_EQ(messages.List().size(), 1u);
  EXPECT_EQ(messages.List()[0], "Не найден файл " + dir.DataDir().toStdString() + "A80.DAT");
}

// Each running instance works in a folder of its own: the first keeps Parvel_t, the next ones
// take numbered siblings, removed again when they end.
TEST(Workspace, EachInstanceLocksAWorkFolderOfItsOwn) {
  QTemporaryDir temp;
  const QString first = WorkDirFor(temp.path());
  const QString second = temp.path() + Sep() + "Parvel_t2" + Sep();
  auto a = std::make_unique<TWorkFolder>();
  ASSERT_TRUE(a->Acquire({first}));
  EXPECT_EQ(a->Path(), first);
  {
    TWorkFolder b;
    ASSERT_TRUE(b.Acquire({first}));
    EXPECT_EQ(b.Path(), second);
    EXPECT_TRUE(b.Unusable().isEmpty());
    TWorkFolder c;
    ASSERT_TRUE(c.Acquire({first}));
    EXPECT_EQ(c.Path(), temp.path() + Sep() + "Parvel_t3" + Sep());
  }
  EXPECT_FALSE(QDir(second).exists());  // removed at the end
  a.reset();
  EXPECT_TRUE(QDir(first).exists());  // stays for the next start
  TWorkFolder again;
  ASSERT_TRUE(again.Acquire({first}));
  EXPECT_EQ(again.Path(), first);

  // Two windows at once write their pages apart.
  TProgramDir dir;
  TMessages messages;
  TVerCmp w1(dir.AppDir()), w2(dir.AppDir());
  EXPECT_EQ(UI(w1).WorkDir, dir.WorkDir());
  EXPECT_EQ(UI(w2).WorkDir, dir.TempDir() + Sep() + "Parvel_t2" + Sep());
  EXPECT_TRUE(messages.List().empty());
}

// A work folder that cannot be used (a file stands there, or a folder where a page goes) gives
// way to the user's own folder, said once at start-up.
TEST(Workspace, UnusableWorkFolderFallsBackToTheUsersFolder) {
  TProgramDir dir;
  TMessages messages;
  QTemporaryDir cache;
  const QByteArray oldCache = qgetenv("XDG_CACHE_HOME");
  qputenv("XDG_CACHE_HOME", cache.path().toUtf8());
  std::ofstream((dir.TempDir() + "/Parvel_t").toStdString()) << "not a folder";
  for (int start = 1; start <= 2; ++start) {
    SCOPED_TRACE(start);
    messages.Clear();
    if (start == 2) {
      ASSERT_TRUE(QFile::remove(dir.TempDir() + "/Parvel_t"));
      ASSERT_TRUE(QDir().mkpath(dir.WorkDir() + "c2.htm"));
    }
    TVerCmp w(dir.AppDir());
    const QString own = cache.path() + Sep() + "Parvel" + Sep() + "Parvel_t" + Sep();
    EXPECT_EQ(UI(w).WorkDir, own);
    EXPECT_TRUE(QFile::exists(own + "etalon5.css"));
    ASSERT_EQ(messages.List().size(), 1u);
    EXPECT_NE(messages.List()[0].find("недоступна"), std::string::npos) << messages.List()[0];
    EXPECT_NE(messages.List()[0].find(own.toStdString()), std::string::npos) << messages.List()[0];
  }
  if (oldCache.isEmpty()) qunsetenv("XDG_CACHE_HOME");
  else qputenv("XDG_CACHE_HOME", oldCache);
}

PARVEL_GUI_TEST_MAIN()
