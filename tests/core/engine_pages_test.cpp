#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "engine/Diff.h"
#include "engine/ResultPages.h"
#include "engine/SplitHtml.h"
#include "input/PlainText.h"
#include "support/Cp1251.h"
#include "support/FastStrings.h"

namespace fs = std::filesystem;

namespace {

const std::string kHead =
    "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\"/>"
    "<link rel=\"stylesheet\" href=\"etalon5.css\" type=\"text/css\"></head>";
const std::string kDel = "<acronym id=\"t_d\" style=\"background-color:#ffcccc; text-decoration: line-through\">";
const std::string kIns = "<acronym id=\"t_d\" style=\"background-color:#ccffcc\">";
const std::string kInsPlace = "<acronym id=\"t_d\" style=\"background-color:#ccffcc\">&nbsp;</acronym>";
const std::string kDelPlace = "<acronym id=\"t_d\" style=\"background-color:#ffcccc\">&nbsp;</acronym>";
const std::string kEnd = "</acronym>";
const std::string kDelCont = "<acronym id=\"t_dc\" style=\"background-color:#ffcccc; text-decoration: line-through\">";
const std::string kInsCont = "<acronym id=\"t_dc\" style=\"background-color:#ccffcc\">";
const std::string kTable = "<table style=\"background-color:#ffffff; text-decoration: none\"";

std::string W(const char* utf8) { return cp1251::FromUtf8(utf8); }
std::string U(const std::string& cp) { return cp1251::ToUtf8(cp); }

// A view's text for the given body outer HTML.
std::string Text(const std::string& body) { return kHead + body + "</html>"; }

TResultPages Compare(const std::string& body1, const std::string& body2) {
  TDiff diff;
  return BuildResultPages(Text(body1), Text(body2), diff);
}

size_t Count(const std::string& s, const std::string& what) {
  size_t n = 0;
  for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + what.size())) ++n;
  return n;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Strip(std::string page, bool left) {
  for (const std::string& mark : left ? std::vector<std::string>{kInsPlace, kDel, kDelCont, kEnd}
                                      : std::vector<std::string>{kDelPlace, kIns, kInsCont, kEnd})
    page = ReplaceAllText(page, mark, "", true);
  page = ReplaceAllText(page, kTable, "<table", true);
  return ReplaceAllText(page, ">&nbsp;</p>", "> </p>", true);
}

}  // namespace

TEST(PageHead, Bytes) {
  EXPECT_EQ(PageHead("etalon5.css"), kHead);
}

TEST(ResultPages, ReplacedWord) {
  const TResultPages p = Compare("<body>a b</body>", "<body>a c</body>");
  EXPECT_EQ(p.Left, kHead + "<body>a " + kDel + "b" + kEnd + "</body></html>");
  EXPECT_EQ(p.Right, kHead + "<body>a " + kIns + "c" + kEnd + "</body></html>");
  EXPECT_EQ(p.ChangeCount, 1);
  // A mark still open at the end closes before the body's last end tags.
  const TResultPages q = Compare("<BODY><p>a b</p></BODY>", "<BODY><p>a c</p></BODY>");
  EXPECT_EQ(q.Left, kHead + "<BODY><p>a " + kDel + "b" + kEnd + "</p></BODY></html>");
}

// A mark never encloses markup: it ends right before the markup and goes on, with a continuation
// piece, right before the run's next token, so the browser's parser cannot cut it short.
TEST(ResultPages, MarkPiecesHoldOnlyText) {
  // Across paragraphs: the first piece is the counted mark, the rest are continuations.
  const TResultPages para = Compare("<body><p>a</p></body>", "<body><p>a</p><p>x <b>y</b></p><p>z</p></body>");
  EXPECT_EQ(para.ChangeCount, 1);
  EXPECT_EQ(para.Right, kHead + "<body><p>a</p><p>" + kIns + "x " + kEnd + "<b>" + kInsCont + "y" + kEnd +
                            "</b></p><p>" + kInsCont + "z" + kEnd + "</p></body></html>");
  EXPECT_EQ(para.Left, kHead + "<body><p>a</p>" + kInsPlace + "</body></html>");
  // A mark that starts inside bold text ends there and goes on after it.
  const TResultPages bold = Compare("<body><p>a <b>b</b> c d</p></body>", "<body><p>a d</p></body>");
  EXPECT_EQ(bold.Left, kHead + "<body><p>a <b>" + kDel + "b" + kEnd + "</b> " + kDelCont + "c " + kEnd +
                           "d</p></body></html>");
  // A ">" of the text right before an empty-looking paragraph end: the piece ends before "</p>",
  // so the blank is not "> </p>" any more and stays a blank; the real empty paragraph keeps its
  // "&nbsp;".
  const TResultPages gt = Compare("<body><p>x</p></body>", "<body><p>x</p><p>a > </p><p> </p></body>");
  EXPECT_EQ(gt.Right,
            kHead + "<body><p>x</p><p>" + kIns + "a > " + kEnd + "</p><p>&nbsp;</p></body></html>");
}

// Scripts and style sheets are markup: their content is never compared and never marked.
TEST(ResultPages, ScriptAndStyleAreNotText) {
  EXPECT_EQ(Compare("<body><script>var a = 1;</script><p>a</p><style>p { color: red }</style></body>",
                    "<body><SCRIPT type=x>var a = 2; if (a < b) x();</SCRIPT ><p>a</p></body>")
                .ChangeCount,
            0);
  const TResultPages p = Compare("<body><p>a</p></body>", "<body><p>a c <script>s('</p>')</script>d</p></body>");
  EXPECT_EQ(p.Right, kHead + "<body><p>a " + kIns + "c " + kEnd + "<script>s('</p>')</script>" + kInsCont + "d" +
                         kEnd + "</p></body></html>");
  // A body end tag inside a script does not end the body; a longer tag name is no body end.
  EXPECT_EQ(Compare("<body><script>'</body>'</script><p>a</p></bodyguard><p>b</p></body>",
                    "<body><script>'</body>'</script><p>a</p></bodyguard><p>c</p></body>")
                .ChangeCount,
            1);
  EXPECT_EQ(FindBodyStartTag("<head><!-- <body> --><script>'<body>'</script></head><BODY\tclass=x>"), 53u);
  EXPECT_EQ(FindBodyStartTag("<bodyguard>"), std::string::npos);
}

TEST(ResultPages, InsertionAndDeletion) {
  const TResultPages ins = Compare("<body><p>one two</p></body>", "<body><p>one new two</p></body>");
  EXPECT_EQ(ins.Left, kHead + "<body><p>one " + kInsPlace + "two</p></body></html>");
  EXPECT_EQ(ins.Right, kHead + "<body><p>one " + kIns + "new " + kEnd + "two</p></body></html>");
  EXPECT_EQ(ins.ChangeCount, 1);

  // One word replaced and the next deleted: two marks on each side, pairs first.
  const TResultPages block = Compare("<body>a b c d</body>", "<body>a x d</body>");
  EXPECT_EQ(block.Left, kHead + "<body>a " + kDel + "b " + kEnd + kDel + "c " + kEnd + "d</body></html>");
  EXPECT_EQ(block.Right, kHead + "<body>a " + kIns + "x " + kEnd + kDelPlace + "d</body></html>");
  EXPECT_EQ(block.ChangeCount, 2);

  // Runs at the very end leave their placeholder at the end of the body.
  const TResultPages tailIns = Compare("<body>a</body>", "<body>a b</body>");
  EXPECT_EQ(tailIns.Left, kHead + "<body>a" + kInsPlace + "</body></html>");
  EXPECT_EQ(tailIns.Right, kHead + "<body>a " + kIns + "b" + kEnd + "</body></html>");
  const TResultPages tailDel = Compare("<body>a b</body>", "<body>a</body>");
  EXPECT_EQ(tailDel.Right, kHead + "<body>a" + kDelPlace + "</body></html>");
  EXPECT_EQ(tailDel.ChangeCount, 1);
}

TEST(ResultPages, EqualTextsAndRewrites) {
  const std::string body = "<body><TABLE border=1><tr><td>x&NBSP;y</td></tr></TABLE><p>&nbsp;</p><p>z</p></body>";
  const TResultPages p = Compare(body, body);
  const std::string expected =
      kHead + "<body>" + kTable + " border=1><tr><td>x y</td></tr></TABLE><p>&nbsp;</p><p>z</p></body></html>";
  EXPECT_EQ(p.Left, expected);
  EXPECT_EQ(p.Right, expected);
  EXPECT_EQ(p.ChangeCount, 0);
  // Case, blanks, line breaks and markup that splits no word make no difference.
  const TResultPages same = Compare("<body><p>" + W("Закон  о\r\nналогах") + "</p></body>",
                                    "<body><p>" + W("закон <b>о</b> налогах") + "</p></body>");
  EXPECT_EQ(same.ChangeCount, 0);
  EXPECT_EQ(Count(same.Left, "t_d") + Count(same.Right, "t_d"), 0u);
}

TEST(ResultPages, BodyEndInsideCommentOrAttribute) {
  const TResultPages p = Compare("<body><p>a</p><!-- </body> --><p title=\"</body>\">b</p></body>",
                                 "<body><p>a</p><!-- </body> --><p title=\"</body>\">c</p></body>");
  EXPECT_EQ(p.ChangeCount, 1);
  EXPECT_EQ(p.Right, kHead + "<body><p>a</p><!-- </body> --><p title=\"</body>\">" + kIns + "c" + kEnd +
                         "</p></body></html>");
}

// Marks stay right before their tokens even after markup that depth counting misreads.
TEST(ResultPages, MarksStayWithTheirTokens) {
  const std::string before = "<body><p>a</p><![if !vml]><img src=x><![endif]><!-- x -> y --><!DOCTYPE z>";
  const TResultPages p = Compare(before + "<p>b &gt; c > d</p></body>", before + "<p>b &gt; c > e</p></body>");
  EXPECT_EQ(p.ChangeCount, 1);
  EXPECT_EQ(p.Left, kHead + before + "<p>b &gt; c > " + kDel + "d" + kEnd + "</p></body></html>");
}

namespace {

// The character references of a text in order, the "&nbsp;" of placeholders and rewrites left out.
std::vector<std::string> References(const std::string& s) {
  static const std::regex reference("&([A-Za-z0-9]{1,32}|#[0-9]{1,7}|#[xX][0-9A-Fa-f]{1,6});");
  std::vector<std::string> found;
  for (auto it = std::sregex_iterator(s.begin(), s.end(), reference); it != std::sregex_iterator(); ++it)
    if (it->str() != "&nbsp;") found.push_back(it->str());
  return found;
}

}  // namespace

// A character reference is one punctuation character: a mark takes it whole or leaves it alone,
// so the page never shows its pieces.
TEST(ResultPages, CharacterReferencesStayWhole) {
  const TResultPages p = Compare("<body><p>A &amp; B &lt;C&gt; &quot;D&quot;</p></body>",
                                 "<body><p>A ; B ;C; ;D;</p></body>");
  EXPECT_EQ(p.ChangeCount, 4);
  EXPECT_EQ(p.Left, kHead + "<body><p>A " + kDel + "&amp; " + kEnd + "B " + kDel + "&lt;" + kEnd + "C" + kDel +
                        "&gt; &quot;" + kEnd + "D" + kDel + "&quot;" + kEnd + "</p></body></html>");
  EXPECT_EQ(p.Right, kHead + "<body><p>A " + kIns + "; " + kEnd + "B " + kIns + ";" + kEnd + "C" + kIns + "; ;" +
                         kEnd + "D" + kIns + ";" + kEnd + "</p></body></html>");

  const std::vector<std::pair<std::string, std::string>> pairs = {
      {W("<body><p>ООО &quot;Ромашка&quot;</p></body>"), W("<body><p>ООО «Ромашка»</p></body>")},
      {W("<body><p>ООО &quot;Ромашка&quot;</p></body>"), W("<body><p>ООО &laquo;Ромашка&raquo;</p></body>")},
      {"<body><p>x &#8804; 5, &#x2264;6</p></body>", "<body><p>x < 5, <6</p></body>"},
      // Plain text is escaped; characters the code page lacks become numeric references.
      {"<body>" + input::PlainTextToHtml(W("Сумма < 100 руб. & пени;"), input::TCodePage::cpWindows1251) + "</body>",
       "<body>" + input::PlainTextToHtml("Сумма ≤ 100 руб.; пени;", input::TCodePage::cpUtf8) + "</body>"}};
  for (const auto& [left, right] : pairs) {
    const TResultPages q = Compare(left, right);
    EXPECT_GT(q.ChangeCount, 0) << left;
    EXPECT_EQ(References(q.Left), References(left)) << U(q.Left);
    EXPECT_EQ(References(q.Right), References(right)) << U(q.Right);
    EXPECT_EQ(Strip(q.Left, true), Text(left));
    EXPECT_EQ(Strip(q.Right, false), Text(right));
  }
}

TEST(ResultPages, CancelledDiffLeavesUnmarkedPages) {
  TDiff diff;
  diff.SetProcessMessages([&] { diff.Cancel(); });
  const TResultPages p = BuildResultPages(Text("<body>a b</body>"), Text("<body>a c</body>"), diff);
  EXPECT_EQ(p.ChangeCount, 0);
  EXPECT_EQ(p.Left, Text("<body>a b</body>"));
}

TEST(ExtractBodyContent, Cuts) {
  std::string s = kHead + "<BODY class=x>abc<p>d</p></BODY></html>";
  ExtractBodyContent(s);
  EXPECT_EQ(s, "abc<p>d</p>");
  s = "<html>no body</html>";
  ExtractBodyContent(s);
  EXPECT_EQ(s, "<html>no body</html>");
  s = "<body";
  ExtractBodyContent(s);
  EXPECT_EQ(s, "<body");
  s = "<body>open";
  ExtractBodyContent(s);
  EXPECT_EQ(s, "open");
  s = "<body onload=\"a>b\">x<!-- </body> -->y</body>";
  ExtractBodyContent(s);
  EXPECT_EQ(s, "x<!-- </body> -->y");
}

TEST(WritePageFile, CrLfLinesAndAtomicReplace) {
  EXPECT_EQ(ToCrLfLines(""), "");
  EXPECT_EQ(ToCrLfLines("a"), "a\r\n");
  EXPECT_EQ(ToCrLfLines("a\n"), "a\r\n");
  EXPECT_EQ(ToCrLfLines("a\n\n"), "a\r\n\r\n");
  EXPECT_EQ(ToCrLfLines("a\rb\r\nc\nd"), "a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(ToCrLfLines("\r\n"), "\r\n");
  EXPECT_EQ(ToCrLfLines("\n\r"), "\r\n\r\n");

  const fs::path dir = fs::path(testing::TempDir()) / "parvel_write_page";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string path = (dir / "c1.htm").string();
  WritePageFile(path, "old\nlonger content");
  WritePageFile(path, "x\ny");
  EXPECT_EQ(ReadFile(path), "x\r\ny\r\n");
  WritePageFile(path, "");
  EXPECT_TRUE(fs::exists(path));
  EXPECT_EQ(fs::file_size(path), 0u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

  const std::string bad = (dir / "missing" / "c1.htm").string();
  try {
    WritePageFile(bad, "x");
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(bad), std::string::npos) << e.what();
  }
  // A folder in the way: the rename fails, the temporary file goes.
  fs::create_directories(dir / "c2.htm" / "sub");
  EXPECT_THROW(WritePageFile((dir / "c2.htm").string(), "x"), std::runtime_error);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);

  // A pair is replaced together or not at all: with a folder in the way of the second page the
  // first keeps its earlier content.
  const std::string c2 = (dir / "c2.htm").string();
  WritePagePair(path, "new1", (dir / "c3.htm").string(), "new3");
  EXPECT_EQ(ReadFile(path), "new1\r\n");
  EXPECT_THROW(WritePagePair(path, "newer1", c2, "newer2"), std::runtime_error);
  EXPECT_EQ(ReadFile(path), "new1\r\n");
  EXPECT_TRUE(fs::is_directory(c2));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
  // Large pages are written at the same time: a second page that cannot be written takes the
  // first one's temporary file with it.
  const std::string big(400 * 1024, 'x');
  EXPECT_THROW(WritePagePair(path, big, (dir / "missing" / "c2.htm").string(), big), std::runtime_error);
  EXPECT_EQ(ReadFile(path), "new1\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
  WritePagePair(path, big, (dir / "c3.htm").string(), big + "y");
  EXPECT_EQ(fs::file_size(path), big.size() + 2);
  EXPECT_EQ(ReadFile((dir / "c3.htm").string()), big + "y\r\n");
  fs::remove_all(dir);
}

// Real edition pairs: both pages carry ChangeCount marks, each mark opens right before a token
// (or is a placeholder at the very end), and taking the marks and rewrites out gives the input.
TEST(ResultPages, CorpusPairs) {
  for (const char* name : {"01_nk1_st17", "03_nk1_st45", "04_nk1_gl8", "09_vodny_kodeks_gl1"}) {
    SCOPED_TRACE(name);
    const std::string dir = PARVEL_CORPUS_DIR;
    const std::string body1 = ReadFile(dir + "/" + name + "_old.htm");
    const std::string body2 = ReadFile(dir + "/" + name + "_new.htm");
    ASSERT_FALSE(body1.empty());
    ASSERT_FALSE(body2.empty());
    const TResultPages p = Compare(body1, body2);
    EXPECT_GT(p.ChangeCount, 0);
    for (const bool left : {true, false}) {
      const std::string& page = left ? p.Left : p.Right;
      EXPECT_EQ(Count(page, "<acronym id=\"t_d\""), static_cast<size_t>(p.ChangeCount));
      EXPECT_EQ(Count(page, kEnd), p.ChangeCount + Count(page, "<acronym id=\"t_dc\""));
      EXPECT_EQ(Strip(page, left), ReplaceAllText(Text(left ? body1 : body2), "&nbsp;", " ", false));
      const std::string& place = left ? kInsPlace : kDelPlace;
      for (size_t at = page.find("<acronym"); at != std::string::npos; at = page.find("<acronym", at + 1)) {
        const size_t after = page.compare(at, place.size(), place) == 0 ? at + place.size() : page.find('>', at) + 1;
        ASSERT_LT(after, page.size());
        const unsigned char c = static_cast<unsigned char>(page[after]);
        const bool tokenStart = c != ' ' && c != '<' && c != '\r' && c != '\n' && c != '\t' && c != 0xA0;
        EXPECT_TRUE(tokenStart || page.compare(after, 7, "</body>") == 0) << page.substr(at, 200);
      }
    }
  }
}
