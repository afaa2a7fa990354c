#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "engine/HashUnit.h"
#include "engine/SplitHtml.h"
#include "support/Cp1251.h"
#include "support/FastStrings.h"

namespace {

std::string W(const char* utf8) { return cp1251::FromUtf8(utf8); }

struct Tokens {
  std::vector<int32_t> pos, hash;
};

Tokens Split(std::string_view html) {
  Tokens t;
  SplitHtml(html, t.pos, t.hash);
  return t;
}

// The tokens as text, read back through their positions.
std::vector<std::string> Texts(std::string_view html, const Tokens& t) {
  std::vector<std::string> out;
  for (size_t k = 0; k < t.pos.size(); ++k) {
    // A token runs to the end of its class run; recover it by trying growing prefixes.
    const size_t p = static_cast<size_t>(t.pos[k] - 1);
    for (size_t len = 1; p + len <= html.size(); ++len) {
      if (HashLine(html.substr(p, len), true, false) == t.hash[k] &&
          (p + len == html.size() || HashLine(html.substr(p, len + 1), true, false) != t.hash[k])) {
        out.emplace_back(html.substr(p, len));
        break;
      }
    }
  }
  return out;
}

std::vector<std::string> TokenTexts(std::string_view html) { return Texts(html, Split(html)); }

// The splitter as first described: "<"/">" depth counting with a comment depth for "<!" ... "->",
// and a pending run cut at the next "<" (with character references read as one punctuation
// character). Kept here to show that the markup state machine gives
// the same tokens on serialised HTML.
Tokens LiteralSplit(std::string_view html) {
  Tokens t;
  if (html.empty()) return t;
  auto sep = [](unsigned char c) {
    const bool word = c == '%' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                      c == 0xA1 || c == 0xA2 || c == 0xA8 || c == 0xB8 || c == 0xB9 || c >= 0xC0;
    return !word;
  };
  auto blank = [](unsigned char c) { return c == 9 || c == 10 || c == 13 || c == 32 || c == 0xA0; };
  int tagDepth = 0, commentDepth = 0, lastEnd = 0;
  std::string run;
  auto cut = [&] {
    const int n = static_cast<int>(run.size());
    int j = 1;
    auto at = [&](int k) { return static_cast<unsigned char>(run[static_cast<size_t>(k - 1)]); };
    auto add = [&](int from, int to) {
      t.pos.push_back(lastEnd + from);
      t.hash.push_back(HashLine(std::string_view(run).substr(static_cast<size_t>(from - 1), static_cast<size_t>(to - from)), true, false));
    };
    while (j <= n) {
      int s = j;
      while (j <= n && !sep(at(j))) ++j;
      if (j > s) add(s, j);
      if (j > n) break;
      s = j;
      // A character reference counts as one punctuation character.
      static const std::regex reference("&([A-Za-z0-9]{1,32}|#[0-9]{1,7}|#[xX][0-9A-Fa-f]{1,6});");
      std::smatch m;
      while (j <= n && sep(at(j)) && !blank(at(j))) {
        const std::string rest = run.substr(static_cast<size_t>(j - 1), 44);
        j += at(j) == '&' && std::regex_search(rest, m, reference, std::regex_constants::match_continuous)
                 ? static_cast<int>(m.length(0)) : 1;
      }
      if (j > s) add(s, j);
      else ++j;
    }
    run.clear();
  };
  const int n = static_cast<int>(html.size());
  const int body = FindFromNoCase("<BODY", html, 1);
  for (int i = body > 0 ? body : 1; i <= n; ++i) {
    const char c = html[static_cast<size_t>(i - 1)];
    if (c == '<') {
      if (i != n && html[static_cast<size_t>(i)] == '!') ++commentDepth;
      if (commentDepth <= 0) ++tagDepth;
      if (!run.empty()) cut();
    } else if (c == '>') {
      if (commentDepth <= 0) --tagDepth;
      if (i > 1 && html[static_cast<size_t>(i - 2)] == '-') --commentDepth;
      if (tagDepth <= 0 && commentDepth <= 0) lastEnd = i;
    } else if (tagDepth <= 0 && commentDepth <= 0) {
      run.push_back(c);
      tagDepth = commentDepth = 0;
    }
  }
  cut();
  return t;
}

// Random serialised HTML: "<" and ">" only in markup, comments closed by "-->" with no "->" or
// "<!" inside, quoted attribute values without "<" or ">".
std::string RandomHtml(std::mt19937& rng) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  static const std::vector<std::string> words = {
      "a", "Abc", "10%", W("Закон"), W("закон"), W("№5"), W("ёлка"), W("елка"), "x1", W("Ўў"), "&amp;", "&quot;"};
  static const std::vector<std::string> punct = {",", ".", "-", "(", ")", ";", ",-", "\x96", "\xAB", "\xBB", "\xA7", "\xB5", "'", "\"",
                                                 "&", "&#1085;", "&#X2264;", "&lt;", "&#12345678;", "&laquo"};
  static const std::vector<std::string> blanks = {" ", "  ", "\t", "\n", "\r\n", "\xA0"};
  static const std::vector<std::string> tags = {
      "<p>", "</p>", "<b>", "</b>", "<br/>", "<span class=\"x y\" title='a b'>", "</span>",
      "<a href=\"http://h/?a=1&amp;b=2\">", "</a>", "<img src=x alt=\"\">", "<TABLE border=1>", "</TABLE>",
      "<td style='width: 5%'>", "<?xml:namespace prefix = o ns=\"urn:x\" />", "<o:p>", "</o:p>", "<P\nclass=M>"};
  std::string s;
  const int head = pick(3);
  if (head == 0) s = "<html><head><title>Head title</title></head><body class=\"z\">";
  if (head == 1) s = "<BODY>";
  const int pieces = pick(40);
  for (int k = 0; k < pieces; ++k) {
    switch (pick(6)) {
      case 0: s += words[static_cast<size_t>(pick(static_cast<int>(words.size())))]; break;
      case 1: s += punct[static_cast<size_t>(pick(static_cast<int>(punct.size())))]; break;
      case 2: s += blanks[static_cast<size_t>(pick(static_cast<int>(blanks.size())))]; break;
      case 3: s += tags[static_cast<size_t>(pick(static_cast<int>(tags.size())))]; break;
      case 4: {
        for (;;) {
          std::string c = "<!--";
          const int len = pick(10);
          for (int q = 0; q < len; ++q) c += "ab <>-/\xE0"[pick(8)];
          c += "-->";
          if (c.find("->") == c.size() - 2 && c.find("<!", 1) == std::string::npos &&
              c.find("-->", 2) == c.size() - 3) {
            s += c;
            break;
          }
        }
        break;
      }
      default: s += words[static_cast<size_t>(pick(4))] + blanks[0]; break;
    }
  }
  return s;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST(HashLine, Crc32AndCase) {
  const std::string check = "123456789";
  EXPECT_EQ(static_cast<uint32_t>(CalcCrc32(reinterpret_cast<const unsigned char*>(check.data()), 9)), 0xCBF43926u);
  EXPECT_EQ(CalcCrc32(reinterpret_cast<const unsigned char*>(check.data()), 0), 0);
  EXPECT_EQ(CalcCrc32(nullptr, -1), 0);
  EXPECT_EQ(HashLine("", true, false), 0);
  EXPECT_EQ(HashLine(W("Закон"), true, false), HashLine(W("закон"), true, false));
  EXPECT_NE(HashLine(W("Закон"), false, false), HashLine(W("закон"), false, false));
  EXPECT_NE(HashLine(W("ёлка"), true, false), HashLine(W("елка"), true, false));
  EXPECT_EQ(HashLine(W("ЁЛКА"), true, false), HashLine(W("ёлка"), true, false));
  EXPECT_EQ(HashLine("\xB5", true, false), HashLine("\xB5", false, false));  // µ has no partner
  EXPECT_EQ(HashLine("a b\tc", false, true), HashLine("abc", false, false));
  EXPECT_NE(HashLine("a\nb", false, true), HashLine("ab", false, false));  // only tab and space go
}

TEST(SplitHtml, TokenClasses) {
  using V = std::vector<std::string>;
  EXPECT_EQ(TokenTexts("10%"), V{"10%"});
  EXPECT_EQ(TokenTexts(W("№5")), V{W("№5")});
  EXPECT_EQ(TokenTexts(W("из-за")), (V{W("из"), "-", W("за")}));
  EXPECT_EQ(TokenTexts("(a)"), (V{"(", "a", ")"}));
  EXPECT_EQ(TokenTexts("a, b"), (V{"a", ",", "b"}));
  EXPECT_EQ(TokenTexts("a,-b"), (V{"a", ",-", "b"}));
  EXPECT_EQ(TokenTexts("\x93q\x94 \x96 \xA7 \xB2"), (V{"\x93", "q", "\x94", "\x96", "\xA7", "\xB2"}));
  EXPECT_EQ(TokenTexts("a  b\tc\r\nd\xA0" "e"), (V{"a", "b", "c", "d", "e"}));
  EXPECT_EQ(Split("a  b").hash, Split("a b").hash);
}

// A character reference is one punctuation character, hashed as written; a "&" that starts none
// is an ordinary punctuation byte.
TEST(SplitHtml, CharacterReferences) {
  using V = std::vector<std::string>;
  EXPECT_EQ(TokenTexts("A &amp; B &lt;C&gt; &quot;D&quot;"),
            (V{"A", "&amp;", "B", "&lt;", "C", "&gt;", "&quot;", "D", "&quot;"}));
  EXPECT_EQ(TokenTexts("A&amp;B"), (V{"A", "&amp;", "B"}));
  EXPECT_EQ(TokenTexts(W("н&#1085;и, &#x2264;6 &#X41;;&laquo;")), (V{W("н"), "&#1085;", W("и"), ",", "&#x2264;", "6", "&#X41;;&laquo;"}));
  EXPECT_EQ(TokenTexts("&" + std::string(32, 'a') + ";"), V{"&" + std::string(32, 'a') + ";"});
  EXPECT_EQ(TokenTexts("&" + std::string(33, 'a') + ";"), (V{"&", std::string(33, 'a'), ";"}));
  EXPECT_EQ(TokenTexts("&#12345678; &#x1234567; &#x; &amp &a-b;"),
            (V{"&#", "12345678", ";", "&#", "x1234567", ";", "&#", "x", ";", "&", "amp", "&", "a", "-", "b", ";"}));
  EXPECT_EQ(Split("&AMP;").hash, (std::vector<int32_t>{HashLine("&amp;", true, false)}));
  EXPECT_EQ(Split("<body>x &#8804; 5").pos, (std::vector<int32_t>{7, 9, 17}));
}

TEST(SplitHtml, PositionsAndMarkup) {
  const std::string html = "<html><head><title>Head</title></head><body><p>" + W("при<b>каз</b>") + "</p></body>";
  const Tokens t = Split(html);
  ASSERT_EQ(t.pos.size(), 2u);
  EXPECT_EQ(html.substr(static_cast<size_t>(t.pos[0] - 1), 3), W("при"));
  EXPECT_EQ(html.substr(static_cast<size_t>(t.pos[1] - 1), 3), W("каз"));
  EXPECT_TRUE(Split("<body><p class=\"a b\"><br/></p><!-- c --></body>").pos.empty());
  EXPECT_TRUE(Split("").pos.empty());
  // No body start tag: scanned from the first byte.
  EXPECT_EQ(Split("word <i>x</i>").pos, (std::vector<int32_t>{1, 9}));
}

// Markup that plain depth counting misreads must neither hide the text after it nor shift the
// positions of the tokens around it.
TEST(SplitHtml, MisreadMarkupKeepsText) {
  using V = std::vector<std::string>;
  EXPECT_EQ(TokenTexts("<body><p>a</p><![if !vml]><img src=x><![endif]><p>b c</p>"), (V{"a", "b", "c"}));
  EXPECT_EQ(TokenTexts("<body>a<!--[if gte vml 1]><v:shape>hidden</v:shape><![endif]-->b"), (V{"a", "b"}));
  EXPECT_EQ(TokenTexts("<body>a<!-- x -> y -->b"), (V{"a", "b"}));
  EXPECT_EQ(TokenTexts("<body>a<!DOCTYPE html><p>b</p>"), (V{"a", "b"}));
  EXPECT_EQ(TokenTexts("<body>a<!---->b<!-->c<!--->d"), (V{"a", "b", "c", "d"}));
  EXPECT_EQ(TokenTexts("<body><span title=\"x>y\">word</span>"), V{"word"});
  // A bare ">" or "<" in text is ordinary punctuation.
  EXPECT_EQ(TokenTexts("<body>a > b"), (V{"a", ">", "b"}));
  EXPECT_EQ(TokenTexts("<body>a>b<i>c</i>"), (V{"a", ">", "b", "c"}));
  EXPECT_EQ(TokenTexts("<body>a < b <i>c</i>"), (V{"a", "<", "b", "c"}));
  // An unclosed comment or quote ends at the next ">" instead of swallowing the document.
  EXPECT_EQ(TokenTexts("<body>a<!-- b> c"), (V{"a", "c"}));
  EXPECT_EQ(TokenTexts("<body><p class=\"x>word</p>"), V{"word"});
  EXPECT_EQ(TokenTexts("<body>a<p"), V{"a"});
}

TEST(SplitHtml, SameAsDepthCountingOnSerialisedHtml) {
  // Depth counting loses everything after a declaration in the body; the state machine does not.
  EXPECT_EQ(LiteralSplit("<body>a<!DOCTYPE html><p>b</p>").pos.size(), 1u);
  EXPECT_EQ(Split("<body>a<!DOCTYPE html><p>b</p>").pos.size(), 2u);
  std::mt19937 rng(20240611);
  size_t tokens = 0;
  for (int n = 0; n < 3000; ++n) {
    const std::string html = RandomHtml(rng);
    const Tokens expected = LiteralSplit(html);
    const Tokens got = Split(html);
    ASSERT_EQ(got.pos, expected.pos) << html;
    ASSERT_EQ(got.hash, expected.hash) << html;
    tokens += got.pos.size();
  }
  EXPECT_GT(tokens, 20000u);
  for (const char* name : {"03_nk1_st45_old.htm", "04_nk1_gl8_new.htm", "09_vodny_kodeks_gl1_old.htm"}) {
    const std::string html = ReadFile(std::string(PARVEL_CORPUS_DIR) + "/" + name);
    ASSERT_FALSE(html.empty()) << name;
    const Tokens expected = LiteralSplit(html);
    const Tokens got = Split(html);
    EXPECT_EQ(got.pos, expected.pos) << name;
    EXPECT_EQ(got.hash, expected.hash) << name;
  }
}

// Arbitrary bytes: every position lies inside the text, on the first byte of a whole token.
TEST(SplitHtml, PositionsStayInsideAnyInput) {
  std::mt19937 rng(7);
  const std::string alphabet = std::string("<>!-/\"'=a b\xE0.\n", 14) + std::string(1, '\0');
  for (int n = 0; n < 3000; ++n) {
    std::string s;
    const int len = static_cast<int>(rng() % 40);
    for (int k = 0; k < len; ++k) s += alphabet[rng() % alphabet.size()];
    const Tokens t = Split(s);
    ASSERT_EQ(t.pos.size(), t.hash.size());
    int32_t previous = 0;
    for (size_t k = 0; k < t.pos.size(); ++k) {
      ASSERT_GT(t.pos[k], previous) << s;
      ASSERT_LE(t.pos[k], static_cast<int32_t>(s.size())) << s;
      previous = t.pos[k];
    }
    ASSERT_EQ(Texts(s, t).size(), t.pos.size()) << s;
  }
}
