// parvel-cli forms / variants / find against a small dictionary written by the test.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "find/MorphRusTables.h"
#include "support/Cp1251.h"

namespace fs = std::filesystem;

namespace {

std::string W(std::string_view utf8) { return cp1251::FromUtf8(utf8); }

void WriteBytes(const fs::path& p, const std::string& data) {
  std::ofstream out(p, std::ios::binary);
  out << data;
}

std::string ReadBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Scrambled(std::string_view line) {
  std::string s(line);
  for (char& c : s) c = static_cast<char>(static_cast<unsigned char>(c) ^ kDictionaryKey);
  return s;
}

struct TRun {
  int Code;
  std::string Out;
};

TRun RunCli(const std::string& args) {
  const std::string cmd = std::string(PARVEL_BIN_DIR) + "/parvel-cli " + args + " 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  const int status = pclose(p);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

class FindCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(std::string(PARVEL_BIN_DIR) + "/parvel-cli")) GTEST_SKIP() << "parvel-cli is not built";
    dir_ = fs::temp_directory_path() / ("parvel_find_cli_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    TDictionaryBuilder b;
    const int noun = b.AddParadigm({{""}, {W("А")}, {W("ОМ")}, {W("Ы")}});
    b.AddStem(W("ЗАКОН"), noun);
    WriteBytes(dir_ / "A49.DAT", EncodeA49(b.Build()));
    WriteBytes(dir_ / "A71.DAT", Scrambled(W("12#ГК#ГРАЖДАНСКИЙ КОДЕКС")) + "\r\n");
    WriteBytes(dir_ / "A80.DAT", "");
    data_ = " --data " + dir_.string();
  }
  void TearDown() override {
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
  }
  fs::path dir_;
  std::string data_;
};

}  // namespace

TEST_F(FindCliTest, Forms) {
  EXPECT_EQ(RunCli("forms Законом" + data_).Out, "1\nЗАКОН\nЗАКОНА\nЗАКОНОМ\nЗАКОНЫ\n");
  // Ё is read as Е; a short unknown word is its own form.
  EXPECT_EQ(RunCli("forms ёж" + data_).Out, "1\nЕЖ\n");
  // An unknown word has its own exit code and says so after the code 0.
  const TRun none = RunCli("forms ТРАЖК" + data_);
  EXPECT_EQ(none.Code, 6);
  EXPECT_EQ(none.Out.substr(0, 2), "0\n");
  EXPECT_NE(none.Out.find("нет в словаре"), std::string::npos) << none.Out;
}

// What is no Russian word is said, each with its own exit code.
TEST_F(FindCliTest, FormsRefusesWhatIsNoWord) {
  const std::pair<const char*, int> cases[] = {{"'   '", 3}, {"''", 3}, {"'!?,'", 4}, {"'за кон'", 4}, {"law", 5}};
  for (const auto& [word, code] : cases) {
    const TRun r = RunCli(std::string("forms ") + word + data_);
    EXPECT_EQ(r.Code, code) << word;
    EXPECT_NE(r.Out.find("слов"), std::string::npos) << r.Out;
  }
  EXPECT_NE(RunCli("forms --help").Out.find("6 слова нет в словаре"), std::string::npos);
}

// Options may be written "--opt=value"; an unknown one is named; empty names get a message.
TEST_F(FindCliTest, OptionsAndNames) {
  const fs::path body = dir_ / "body.htm", out = dir_ / "out.htm";
  WriteBytes(body, W("<p>Закона нет</p>"));
  TRun r = RunCli("find закон " + body.string() + " --out=" + out.string() + " --data=" + dir_.string());
  EXPECT_EQ(r.Code, 0) << r.Out;
  EXPECT_EQ(r.Out, "1\n");
  r = RunCli("find закон " + body.string() + " --frob" + data_);
  EXPECT_EQ(r.Code, 2);
  EXPECT_NE(r.Out.find("неизвестный параметр --frob"), std::string::npos) << r.Out;
  r = RunCli("find закон '' " + data_);
  EXPECT_EQ(r.Code, 2);
  EXPECT_NE(r.Out.find("не задано имя"), std::string::npos) << r.Out;
  EXPECT_EQ(RunCli("find закон " + body.string() + " --out ''" + data_).Code, 2);
  // No hit: the body is written as it was, without the blank the search appends.
  r = RunCli("find налог " + body.string() + " --out " + out.string() + data_);
  EXPECT_EQ(r.Out, "0\n");
  EXPECT_EQ(ReadBytes(out), ReadBytes(body));
}

// Bodies that are no regular file are refused at once; an output that is none stays as it was.
TEST_F(FindCliTest, OddFilesAreRefused) {
  const fs::path fifo = dir_ / "fifo.htm", body = dir_ / "body.htm", link = dir_ / "null.htm";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_symlink("/dev/null", link);
  WriteBytes(body, W("<p>Закона нет</p>"));
  for (const std::string& input : {fifo.string(), std::string("/dev/zero")}) {
    const TRun r = RunCli("find закон " + input + data_);
    EXPECT_EQ(r.Code, 3) << input;
    EXPECT_NE(r.Out.find("не является обычным файлом"), std::string::npos) << r.Out;
  }
  for (const fs::path& output : {fifo, link, dir_}) {
    const TRun r = RunCli("find закон " + body.string() + " --out " + output.string() + data_);
    EXPECT_EQ(r.Code, 5) << output;
    EXPECT_NE(r.Out.find("обычный файл"), std::string::npos) << r.Out;
  }
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_TRUE(fs::is_symlink(link));
}

TEST_F(FindCliTest, Variants) {
  EXPECT_EQ(RunCli("variants 'статья 5 гк'" + data_).Out,
            "СТАТЬЯ 5 ГРАЖДАНСКИЙ КОДЕКС\nСТАТЬЯ 5 ГК\nСТАТЬЯ 5 ГК\n");
}

TEST_F(FindCliTest, FindWritesMarkedBody) {
  const fs::path body = dir_ / "body.htm", out = dir_ / "out.htm";
  WriteBytes(body, W("<p>Закона нет, есть (законы)</p>"));
  const TRun r = RunCli("find закон " + body.string() + " --out " + out.string() + data_);
  EXPECT_EQ(r.Code, 0);
  EXPECT_EQ(r.Out, "2\n");
  EXPECT_EQ(cp1251::ToUtf8(ReadBytes(out)),
            "<p><acronym id=\"fnd0_0\">Закона</acronym> нет, есть (<acronym id=\"fnd1_0\">законы</acronym>)</p> ");
  for (const auto& e : fs::directory_iterator(dir_))
    EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
  EXPECT_EQ(RunCli("find x " + body.string() + " --out " + (dir_ / "no" / "out.htm").string() + data_).Code, 4);
}

TEST_F(FindCliTest, Failures) {
  fs::remove(dir_ / "A80.DAT");
  const TRun missing = RunCli("forms закон" + data_);
  EXPECT_EQ(missing.Code, 1);
  EXPECT_NE(missing.Out.find("Не найден файл " + dir_.string() + "/A80.DAT"), std::string::npos) << missing.Out;
  // A body that cannot be read is said with its reason; --out stays untouched on any failure.
  const fs::path out = dir_ / "kept.htm";
  WriteBytes(out, "kept");
  for (const std::string& body : {std::string("/nonexistent/body.htm"), dir_.string()}) {
    const TRun r = RunCli("find закон " + body + " --out " + out.string() + data_);
    EXPECT_EQ(r.Code, 3) << body;
    EXPECT_NE(r.Out.find(body + ": "), std::string::npos) << r.Out;
  }
  EXPECT_EQ(ReadBytes(out), "kept");
  EXPECT_EQ(RunCli("forms" + data_).Code, 2);
  EXPECT_EQ(RunCli("find закон" + data_).Code, 2);
  EXPECT_EQ(RunCli("forms закон --bogus").Code, 2);
  EXPECT_EQ(RunCli("find --help").Code, 0);
}
