#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "engine/ResultPages.h"
#include "support/OutputFiles.h"
#include "support/SystemErrorText.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::set<std::string> Names(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

class OutputFiles : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(testing::TempDir()) / ("parvel_output_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    c1_ = (dir_ / "c1.htm").string();
    c2_ = (dir_ / "c2.htm").string();
  }
  void TearDown() override {
    SetFileStepHook({});
    fs::remove_all(dir_);
  }
  // The pair as it lies: "old", "new" or what else is there.
  std::string Pair() {
    const std::string a = ReadFile(c1_), b = ReadFile(c2_);
    if (a == "old1\r\n" && b == "old2\r\n") return "old";
    if (a == "new1\r\n" && b == "new2\r\n") return "new";
    return "mixed: " + a + " / " + b;
  }
  fs::path dir_;
  std::string c1_, c2_;
};

TOutputFailure FailureOf(const std::function<void()>& write) {
  try {
    write();
  } catch (const EOutputError& e) {
    return e.Kind;
  }
  return static_cast<TOutputFailure>(-1);  // none
}

}  // namespace

// A FIFO, a folder, a socket and a link to a device are never written to nor replaced, by any
// writer; nothing appears beside them.
TEST_F(OutputFiles, RefusesWhatIsNotARegularFile) {
  const fs::path fifo = dir_ / "fifo", folder = dir_ / "folder", sock = dir_ / "sock", link = dir_ / "null";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_directory(folder);
  fs::create_symlink("/dev/null", link);
  const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", sock.c_str());
  const bool haveSocket = ::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  const std::set<std::string> before = Names(dir_);
  for (const fs::path& p : {fifo, folder, sock, link}) {
    if (p == sock && !haveSocket) continue;
    const std::string path = p.string(), file = (dir_ / "file.htm").string();
    EXPECT_EQ(FailureOf([&] { WritePageFile(path, "x"); }), TOutputFailure::ofNotRegular) << path;
    EXPECT_EQ(FailureOf([&] { WriteFileReplacing(path, "x"); }), TOutputFailure::ofNotRegular) << path;
    EXPECT_EQ(FailureOf([&] { WriteTempBeside(path, "x"); }), TOutputFailure::ofNotRegular) << path;
    EXPECT_EQ(FailureOf([&] { WritePagePair(file, "a", path, "b"); }), TOutputFailure::ofNotRegular) << path;
    EXPECT_EQ(FailureOf([&] { WriteFilePair(path, "a", file, "b"); }), TOutputFailure::ofNotRegular) << path;
    try {
      WritePageFile(path, "x");
    } catch (const EOutputError& e) {
      EXPECT_NE(std::string(e.what()).find("обычный файл"), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(Names(dir_), before);
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_TRUE(fs::is_symlink(link));
  ::close(s);

  // One file named twice, through a link or "..", is no pair.
  std::ofstream(c1_) << "x";
  fs::create_symlink(c1_, dir_ / "alias.htm");
  EXPECT_TRUE(SameOutputFile(c1_, (dir_ / "alias.htm").string()));
  EXPECT_TRUE(SameOutputFile(c2_, (folder / ".." / "c2.htm").string()));
  EXPECT_FALSE(SameOutputFile(c1_, c2_));
  EXPECT_EQ(FailureOf([&] { WriteFilePair(c1_, "a", (folder / ".." / "c1.htm").string(), "b"); }),
            TOutputFailure::ofSameFile);
  EXPECT_EQ(FailureOf([&] { WritePageFile("", "x"); }), TOutputFailure::ofNoName);
}

// A failure, or a stop of the process, at every step of replacing a pair leaves the old pair or
// the new one (once a reader has finished what the stop left), and the next run cleans up.
TEST_F(OutputFiles, PairIsWholeAfterAFailureOrAStopAtEveryStep) {
  int steps = 0;
  WritePagePair(c1_, "old1", c2_, "old2");
  SetFileStepHook([&](const char*) { return ++steps, 0; });
  WritePagePair(c1_, "new1", c2_, "new2");
  SetFileStepHook({});
  ASSERT_GT(steps, 10);
  std::set<std::string> clean = {"c1.htm", "c2.htm"};
  ASSERT_EQ(Names(dir_), clean);

  for (int k = 1; k <= steps; ++k) {
    for (bool kill : {false, true}) {
      SCOPED_TRACE("step " + std::to_string(k) + (kill ? ", stopped" : ", failed"));
      WritePagePair(c1_, "old1", c2_, "old2");
      int n = 0;
      SetFileStepHook([&](const char*) {
        if (++n != k) return 0;
        if (kill) ::_exit(9);
        return EIO;
      });
      if (kill) {
        const pid_t pid = ::fork();
        if (pid == 0) {
          try {
            WritePagePair(c1_, "new1", c2_, "new2");
          } catch (...) {
          }
          ::_exit(0);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
      } else {
        bool failed = false;
        try {
          WritePagePair(c1_, "new1", c2_, "new2");
        } catch (const EOutputError& e) {
          failed = true;
          EXPECT_NE(std::string(e.what()).find("ошибка ввода-вывода"), std::string::npos) << e.what();
        }
        EXPECT_EQ(Pair(), failed ? "old" : "new");
      }
      SetFileStepHook({});
      FinishInterruptedPagePair(c1_, c2_);
      const std::string pair = Pair();
      EXPECT_TRUE(pair == "old" || pair == "new") << pair;
      WritePagePair(c1_, "new1", c2_, "new2");
      EXPECT_EQ(Pair(), "new");
      EXPECT_EQ(Names(dir_), clean);
    }
  }
}

// The system's reason reaches the user in Russian, with the path.
TEST_F(OutputFiles, WriteErrorsAreSaidInRussian) {
  EXPECT_EQ(SystemErrorText(ENOSPC), "на диске нет места");
  EXPECT_EQ(SystemErrorText(EROFS), "диск доступен только для чтения");
  EXPECT_EQ(SystemErrorText(12345), "системная ошибка 12345");
  EXPECT_NE(std::string(WriteFailure("/x/c1.htm", EDQUOT).what()).find("/x/c1.htm: исчерпана дисковая квота"),
            std::string::npos);
  // A real failure of the system: a file size limit stops the write half-way.
  const pid_t pid = ::fork();
  if (pid == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    try {
      WritePagePair(c1_, std::string(10000, 'a'), c2_, "b");
    } catch (const EOutputError& e) {
      ::_exit(std::string(e.what()).find(c1_ + ": файл слишком велик") != std::string::npos ? 0 : 2);
    }
    ::_exit(3);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0);
  EXPECT_TRUE(Names(dir_).empty());
}
