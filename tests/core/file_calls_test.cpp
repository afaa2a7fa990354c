// The system layer under the file writers and the office converter, on whichever system the
// tests are built for.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>

#include "support/ChildProcess.h"
#include "support/FileCalls.h"

namespace fs = std::filesystem;
using filecalls::TInfo;
using filecalls::TKind;

namespace {

class FileCallsTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("parvel_file_calls_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // A new file at path holding text, written through the layer.
  static void Write(std::string templ, const std::string& text, const std::string& path) {
    int fd = -1;
    ASSERT_EQ(filecalls::CreateUnique(templ, fd), 0);
    const filecalls::TSpan spans[] = {{text.data(), text.size() / 2}, {text.data() + text.size() / 2, text.size() - text.size() / 2}};
    size_t written = 0;
    ASSERT_EQ(filecalls::WriteGather(fd, spans, 2, written), 0);
    ASSERT_EQ(written, text.size());  // a few bytes go out in one call
    ASSERT_EQ(filecalls::SyncFile(fd), 0);
    ASSERT_EQ(filecalls::CloseFile(fd), 0);
    ASSERT_EQ(filecalls::RenameOver(templ, path), 0);
  }
  fs::path dir_;
};

TEST_F(FileCallsTest, WritesRenamesOverAndTellsWhatStandsWhere) {
  Write(Path("a.htm.tmpXXXXXX"), "первая", Path("a.htm"));
  Write(Path("a.htm.tmpXXXXXX"), "вторая редакция", Path("a.htm"));  // over the existing file
  EXPECT_EQ(Read(Path("a.htm")), "вторая редакция");
  TInfo file, folder, none, again;
  ASSERT_EQ(filecalls::Inspect(Path("a.htm"), true, file), 0);
  EXPECT_EQ(file.Kind, TKind::Regular);
  EXPECT_EQ(file.Size, std::string("вторая редакция").size());
  ASSERT_EQ(filecalls::Inspect(dir_.string(), true, folder), 0);
  EXPECT_EQ(folder.Kind, TKind::Folder);
  EXPECT_EQ(filecalls::Inspect(Path("missing"), false, none), ENOENT);
  ASSERT_EQ(filecalls::Inspect((dir_ / "." / "a.htm").string(), true, again), 0);
  EXPECT_TRUE(again.Device == file.Device && again.Node == file.Node);
  EXPECT_FALSE(folder.Device == file.Device && folder.Node == file.Node);
  // Only the file is left: the temporaries went into place.
  for (const std::string& name : filecalls::FolderEntries(dir_.string()))
    EXPECT_TRUE(name == "a.htm" || name == "." || name == "..") << name;
}

TEST_F(FileCallsTest, UniqueNamesAndPrivateFoldersNeverRepeat) {
  std::set<std::string> names;
  for (int i = 0; i < 20; ++i) {
    std::string file = Path("p.htm.tmpXXXXXX"), folder = Path("office-XXXXXX");
    int fd = -1;
    ASSERT_EQ(filecalls::CreateUnique(file, fd), 0);
    filecalls::CloseFile(fd);
    ASSERT_EQ(filecalls::CreatePrivateFolder(folder), 0);
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(file.find("XXXXXX"), std::string::npos);
    names.insert(file);
    names.insert(folder);
  }
  EXPECT_EQ(names.size(), 40u);
}

TEST_F(FileCallsTest, ALockFileHasOneHolderAtATime) {
  filecalls::TLockFile first, second;
  ASSERT_EQ(first.TryTake(Path("parvel.lock"), 0644), 0);
  EXPECT_EQ(second.TryTake(Path("parvel.lock"), 0644), EWOULDBLOCK);
  EXPECT_FALSE(second.Held());
  first.Release();
  EXPECT_EQ(second.TryTake(Path("parvel.lock"), 0644), 0);
  EXPECT_NE(second.TryTake(Path("no-folder/parvel.lock"), 0644), 0);

  std::unique_ptr<filecalls::TFolderLock> a, b;
  ASSERT_EQ(filecalls::OpenFolderLock(dir_.string(), a), 0);
  ASSERT_EQ(filecalls::OpenFolderLock((dir_ / ".").string(), b), 0);
  EXPECT_TRUE(a->Device() == b->Device() && a->Node() == b->Node());
  EXPECT_EQ(a->Lock(), 0);
}

#ifdef _WIN32
const std::vector<std::string> kShell = {"C:\\windows\\system32\\cmd.exe", "/c"};
const std::string kPrintTemp = "echo %TEMP%& exit 3";
const std::string kForever = "for /L %i in (1,0,2) do @rem";
#else
const std::vector<std::string> kShell = {"/bin/sh", "-c"};
const std::string kPrintTemp = "echo $TMPDIR; exit 3";
const std::string kForever = "sleep 60 & wait";
#endif

std::vector<std::string> Shell(const std::string& command) {
  std::vector<std::string> args = kShell;
  args.push_back(command);
  return args;
}

int WaitFor(TChildProcess& child, int seconds) {
  int code = -2;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!child.Ended(code) && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return code;
}

TEST_F(FileCallsTest, AChildGetsItsTemporaryFolderLogsAndEndsWithItsHelpers) {
  TChildProcess child;
  ASSERT_EQ(child.Start(Shell(kPrintTemp), dir_.string(), Path("log.txt")), 0);
  EXPECT_EQ(WaitFor(child, 60), 3);
  EXPECT_NE(Read(Path("log.txt")).find(dir_.string()), std::string::npos);

  TChildProcess forever;
  ASSERT_EQ(forever.Start(Shell(kForever), dir_.string(), Path("log2.txt")), 0);
  int code = 0;
  EXPECT_FALSE(forever.Ended(code));
  forever.EndAll();
  EXPECT_TRUE(forever.Ended(code));

  TChildProcess missing;
  const int started = missing.Start({Path("no-such-program")}, dir_.string(), Path("log3.txt"));
  // POSIX learns it only from the child's exit code.
  EXPECT_TRUE(started != 0 || WaitFor(missing, 60) == TChildProcess::kNotStarted);
}

}  // namespace
