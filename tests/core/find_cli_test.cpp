// parvel-cli forms / variants / find against a small dictionary written by the test.
#include <gtest/gtest.h>
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
  const TRun none = RunCli("forms ТРАЖК" + data_);
  EXPECT_EQ(none.Code, 0);
  EXPECT_EQ(none.Out, "0\n");
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
