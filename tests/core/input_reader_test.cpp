// The reader of the files the user opens: code pages, plain text, office documents, bad input.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "input/DocumentReader.h"
#include "input/PlainText.h"
#include "support/Cp1251.h"

namespace fs = std::filesystem;
using namespace input;

namespace {

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Windows-1251 bytes of a UTF-8 literal (every character of it exists in Windows-1251).
std::string W(const char* utf8) { return cp1251::FromUtf8(utf8); }

std::string Utf16(const std::u16string& s, bool le) {
  std::string out = le ? "\xFF\xFE" : "\xFE\xFF";
  for (char16_t c : s) {
    const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
    out += le ? lo : hi;
    out += le ? hi : lo;
  }
  return out;
}

class Reader : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(testing::TempDir()) / ("parvel_input_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  TDocument Read(const std::string& name, const std::string& bytes, const TReadOptions& o = {}) {
    WriteFile(dir_ / name, bytes);
    return ReadDocument((dir_ / name).string(), o);
  }
  std::string ErrorOf(const std::string& path, const TReadOptions& o = {}) {
    try {
      ReadDocument(path, o);
    } catch (const EReadError& e) {
      return e.what();
    }
    return "(no error)";
  }

  fs::path dir_;
};

// "Закон №5 — § ∑ 😀": № — § exist in Windows-1251, ∑ and the emoji do not.
const char* kSample = "<html><head><title>t</title></head><body><p>Закон №5 — § ∑ 😀</p></body></html>";
const std::string kSample1251 = W("<html><head><title>t</title></head><body><p>Закон №5 — § ") +
                                "&#8721; &#128512;</p></body></html>";

TEST_F(Reader, HtmlCodePages) {
  // UTF-8 with and without a byte-order mark, UTF-16 both ways with a mark.
  EXPECT_EQ(Read("a.htm", kSample).Html, kSample1251);
  EXPECT_EQ(Read("a.htm", kSample).CodePage, TCodePage::cpUtf8);
  EXPECT_EQ(Read("b.htm", std::string("\xEF\xBB\xBF") + kSample).Html, kSample1251);
  const std::u16string wide = u"<body><p>Закон №5 — § ∑ 😀</p></body>";
  const std::string expected = W("<body><p>Закон №5 — § ") + "&#8721; &#128512;</p></body>";
  EXPECT_EQ(Read("c.htm", Utf16(wide, true)).Html, expected);
  EXPECT_EQ(Read("d.htm", Utf16(wide, false)).Html, expected);
  EXPECT_EQ(Read("d2.htm", Utf16(wide, true).substr(2)).Html, expected);  // no mark

  // Windows-1251 with its declaration, or with none, is the file's bytes unchanged.
  const std::string page1251 =
      W("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">"
        "</head><body><p>Ёлка и ёж &amp; №</p></body></html>");
  EXPECT_EQ(Read("e.htm", page1251).Html, page1251);
  EXPECT_EQ(Read("e.htm", page1251).CodePage, TCodePage::cpWindows1251);
  const std::string bare1251 = W("<p>Статья 1. Налоги и сборы</p>");
  EXPECT_EQ(Read("f.htm", bare1251).Html, bare1251);

  // A declared UTF-8 page is read as UTF-8 even with a stray byte; a cut last character
  // becomes the replacement character.
  EXPECT_EQ(Read("g.htm", std::string("<meta charset=\"utf-8\"><p>\xD0\x94\xFF</p>")).Html,
            "<meta charset=\"utf-8\"><p>" + W("Д") + "&#65533;</p>");
  EXPECT_EQ(Read("h.htm", std::string("<p>\xD0\x94\xD0\xB0 \xD0")).Html, "<p>" + W("Да ") + "&#65533;");
  EXPECT_EQ(Read("h.htm", std::string("<p>\xD0\x94\xD0\xB0 \xD0")).CodePage, TCodePage::cpUtf8);
}

TEST_F(Reader, PlainText) {
  const TDocument d = Read("t.txt", "a < b & c > d\n\tx  y\r\n\r\n  z \xE2\x84\x96 \xE2\x88\x91\rlast");
  EXPECT_EQ(d.Kind, TSourceKind::skText);
  EXPECT_EQ(d.Html,
            "<p>a &lt; b &amp; c &gt; d</p>\n"
            "<p>&nbsp;&nbsp;&nbsp;&nbsp;x &nbsp;y</p>\n"
            "<p>&nbsp;</p>\n"
            "<p>&nbsp;&nbsp;z \xB9 &#8721;</p>\n"
            "<p>last</p>\n");
  // Windows-1251 text and UTF-16 text.
  EXPECT_EQ(Read("w.txt", W("Привет\nмир")).Html, W("<p>Привет</p>\n<p>мир</p>\n"));
  EXPECT_EQ(Read("u.txt", Utf16(u"Привет", true)).Html, W("<p>Привет</p>\n"));
  // Markup in a text file is text.
  EXPECT_EQ(BodyContent(Read("m.txt", "<body>x</body>").Html), "<p>&lt;body&gt;x&lt;/body&gt;</p>\n");
}

TEST_F(Reader, BadInput) {
  const std::string folder = (dir_ / "folder.htm").string();
  fs::create_directories(folder);
  EXPECT_NE(ErrorOf(folder).find("папка"), std::string::npos);
  EXPECT_NE(ErrorOf((dir_ / "missing.htm").string()).find("не найден"), std::string::npos);

  WriteFile(dir_ / "bin.htm", std::string("\x7F" "ELF\x02\x01\x01\0\0\0", 10) + std::string(100, '\0'));
  EXPECT_NE(ErrorOf((dir_ / "bin.htm").string()).find("не похож на текст"), std::string::npos);

  WriteFile(dir_ / "big.txt", std::string(2048, 'a'));
  TReadOptions small;
  small.MaxBytes = 1024;
  EXPECT_NE(ErrorOf((dir_ / "big.txt").string(), small).find("слишком велик"), std::string::npos);

  EXPECT_EQ(Read("empty.htm", "").Html, "");
}

TEST_F(Reader, OfficeFailuresAreReported) {
  TReadOptions o;
  o.Office.Soffice = (dir_ / "no-such-soffice").string();
  WriteFile(dir_ / "a.docx", "PK\x03\x04 not really a document");
  EXPECT_NE(ErrorOf((dir_ / "a.docx").string(), o).find("LibreOffice"), std::string::npos);

  // A converter that never finishes is stopped at the time limit.
  const fs::path slow = dir_ / "slow-soffice";
  WriteFile(slow, "#!/bin/sh\nsleep 30\n");
  fs::permissions(slow, fs::perms::owner_all);
  o.Office.Soffice = slow.string();
  o.Office.TimeoutSeconds = 1;
  EXPECT_NE(ErrorOf((dir_ / "a.docx").string(), o).find("за 1 с"), std::string::npos);
  // What it had put in the temporary folder goes with it.
  const fs::path tmp = dir_ / "tmp";
  fs::create_directories(tmp);
  WriteFile(slow, "#!/bin/sh\nmkdir \"$TMPDIR/lu1234.tmp\"\nsleep 30\n");
  const char* before = std::getenv("TMPDIR");
  const std::string saved = before ? before : "";
  ::setenv("TMPDIR", tmp.c_str(), 1);
  EXPECT_NE(ErrorOf((dir_ / "a.docx").string(), o).find("за 1 с"), std::string::npos);
  before ? ::setenv("TMPDIR", saved.c_str(), 1) : ::unsetenv("TMPDIR");
  EXPECT_TRUE(fs::is_empty(tmp));

  // One that fails says so.
  const fs::path failing = dir_ / "failing-soffice";
  WriteFile(failing, "#!/bin/sh\necho 'Error: source file could not be loaded' >&2\nexit 1\n");
  fs::permissions(failing, fs::perms::owner_all);
  o.Office.Soffice = failing.string();
  EXPECT_NE(ErrorOf((dir_ / "a.docx").string(), o).find("source file could not be loaded"), std::string::npos);
}

TEST(ReaderHelpers, BodyAndImages) {
  EXPECT_EQ(BodyContent("<html><BODY class=x>a<b>c</b></Body></html>"), "a<b>c</b>");
  EXPECT_EQ(BodyContent("<p>fragment</p>"), "<p>fragment</p>");
  EXPECT_EQ(DropImages("a<img src=\"x>y.png\" alt='>'>b<IMG/>c<imgx>"), "abc<imgx>");
}

// The words of a page's visible text, in order.
std::vector<std::string> Words(const std::string& html1251) {
  std::string text = std::regex_replace(BodyContent(html1251), std::regex("<[^>]*>"), " ");
  text = std::regex_replace(text, std::regex("&[#a-zA-Z0-9]+;"), " ");
  std::vector<std::string> words;
  std::string w;
  for (char ch : text + " ") {
    const auto c = static_cast<unsigned char>(ch);
    if (std::isalnum(c) || c >= 0xC0 || c == 0xA8 || c == 0xB8) {
      w += ch;
    } else if (!w.empty()) {
      words.push_back(w);
      w.clear();
    }
  }
  return words;
}

TEST_F(Reader, OfficeDocumentsMadeByLibreOffice) {
  const std::string soffice = FindSoffice();
  if (soffice.empty()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
  const std::string original = ReadFile(fs::path(PARVEL_CORPUS_DIR) / "03_nk1_st45_old.htm");
  ASSERT_FALSE(original.empty());
  WriteFile(dir_ / "src.htm",
            "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">"
            "</head>" + original);
  const std::string profile = "-env:UserInstallation=file://" + (dir_ / "profile").string();
  for (const char* filter : {"docx:\"MS Word 2007 XML\"", "odt:writer8"}) {
    const std::string cmd = "cd '" + dir_.string() + "' && '" + soffice + "' '" + profile +
                            "' --headless --infilter='HTML (StarWriter)' --convert-to " + filter +
                            " src.htm >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  }
  const std::vector<std::string> expected = Words(original);
  ASSERT_GT(expected.size(), 1000u);
  for (const char* name : {"src.docx", "src.odt"}) {
    const TDocument d = ReadDocument((dir_ / name).string());
    EXPECT_EQ(d.Kind, TSourceKind::skOffice);
    const std::vector<std::string> got = Words(d.Html);
    size_t same = 0;
    while (same < got.size() && same < expected.size() && got[same] == expected[same]) ++same;
    EXPECT_EQ(same, expected.size()) << name << ": the words differ from word " << same << " ("
                                     << cp1251::ToUtf8(same < got.size() ? got[same] : "") << " / "
                                     << cp1251::ToUtf8(same < expected.size() ? expected[same] : "") << ")";
    EXPECT_EQ(got.size(), expected.size()) << name;
    EXPECT_EQ(d.Html.find("<img"), std::string::npos);
  }
}

}  // namespace

// Only regular files are read: a FIFO (also one named like an office document), a socket or a
// device is refused at once, without waiting for a writer or reading on; an empty name is said.
TEST_F(Reader, OnlyRegularFilesAreRead) {
  TReadOptions o;
  o.Office.Soffice = "/bin/false";  // would fail differently, were it started
  for (const char* name : {"f.htm", "f.doc"}) {
    ASSERT_EQ(::mkfifo((dir_ / name).c_str(), 0600), 0);
    EXPECT_NE(ErrorOf((dir_ / name).string(), o).find("не является обычным файлом"), std::string::npos) << name;
  }
  const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", (dir_ / "sock").c_str());
  if (::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0)
    EXPECT_NE(ErrorOf((dir_ / "sock").string()).find("не является обычным файлом"), std::string::npos);
  ::close(s);
  try {
    ReadFileBytes("/dev/zero", 1 << 20);
    ADD_FAILURE() << "/dev/zero was read";
  } catch (const EReadError& e) {
    EXPECT_NE(std::string(e.what()).find("не является обычным файлом"), std::string::npos) << e.what();
  }
  EXPECT_EQ(ErrorOf(""), "Не задано имя файла.");
}
