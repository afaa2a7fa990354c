#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "find/MorphRus.h"
#include "find/MorphRusTables.h"
#include "find/TextFinder.h"
#include "support/Cp1251.h"

namespace {

// Test texts are written in UTF-8 and handled as Windows-1251, like every text of the program.
std::string W(std::string_view utf8) { return cp1251::FromUtf8(utf8); }
std::string U(std::string_view cp) { return cp1251::ToUtf8(cp); }

std::vector<std::string> Words(std::string_view html) {
  std::vector<std::string> out;
  int pos = 1;
  const int n = static_cast<int>(html.size());
  while (pos < n) {
    const std::string w = NextTextWord(html, pos);
    if (!w.empty()) out.push_back(U(w));
  }
  return out;
}

// Marks with the blank the find command appends; returns the marked text in UTF-8.
std::string Mark(std::string_view query, std::string_view body, int& count) {
  return U(MarkMatches(W(query), W(body) + " ", count));
}

std::string Repeat(const std::string& word, int times) {
  std::string s;
  for (int i = 0; i < times; ++i) s += word + " ";
  return s;
}

class TextFinderTest : public ::testing::Test {
 protected:
  void SetUp() override { FreeDictionaries(); }
  void TearDown() override { FreeDictionaries(); }
};

// A dictionary that knows the noun «закон» with its singular and plural endings.
void InstallLawNoun() {
  TDictionaryBuilder b;
  const int noun = b.AddParadigm({{""}, {W("А")}, {W("У")}, {W("ОМ")}, {W("Е")}, {W("Ы")},
                                  {W("ОВ")}, {W("АМ")}, {W("АМИ")}, {W("АХ")}});
  b.AddStem(W("ЗАКОН"), noun);
  b.Install();
}

}  // namespace

TEST(WordChars, ExactlyTheWordBytes) {
  int delimiters = 0;
  for (int c = 0; c < 256; ++c) delimiters += WordChars[c] ? 0 : 1;
  EXPECT_EQ(delimiters, 124);
  for (const unsigned char c : {'0', '9', 'A', 'z', '%'}) EXPECT_TRUE(WordChars[c]) << int(c);
  for (const int c : {0xC0, 0xFF, 0xA8, 0xB8, 0xA1, 0xA2, 0xB9}) EXPECT_TRUE(WordChars[c]) << c;
  for (const int c : {0x00, 0x1F, int(' '), int('-'), int('\''), int('_'), int('&'), int(';'), int('<'), int('>'), 0xA0, 0xAD, 0xB2, 0xB3})
    EXPECT_FALSE(WordChars[c]) << c;
}

TEST(ToUpper1251, MapsEverySmallLetterOfTheCodePage) {
  EXPECT_EQ(ToUpper1251['a'], 'A');
  EXPECT_EQ(ToUpper1251[0xE0], 0xC0);  // а
  EXPECT_EQ(ToUpper1251[0xFF], 0xDF);  // я
  EXPECT_EQ(ToUpper1251[0xB8], 0xA8);  // ё
  const int pairs[][2] = {{0x90, 0x80}, {0x83, 0x81}, {0x9A, 0x8A}, {0x9C, 0x8C}, {0x9D, 0x8D},
                          {0x9E, 0x8E}, {0x9F, 0x8F}, {0xA2, 0xA1}, {0xB3, 0xB2}, {0xB4, 0xA5},
                          {0xBC, 0xA3}, {0xBE, 0xBD}, {0xBA, 0xAA}, {0xBF, 0xAF}};
  for (const auto& p : pairs) EXPECT_EQ(ToUpper1251[p[0]], p[1]) << p[0];
  EXPECT_EQ(ToUpper1251[0xB9], 0xB9);
  EXPECT_EQ(ToUpper1251['5'], '5');
  EXPECT_EQ(NormalizeWord(W("ёлка")), W("ЕЛКА"));
}

TEST(NextTextWord, SplitsAtDelimitersAndTags) {
  EXPECT_EQ(Words(W("северо-запад 10% №5 ")), (std::vector<std::string>{"северо", "запад", "10%", "№5"}));
  EXPECT_EQ(Words(W("зак<b>он</b> ")), (std::vector<std::string>{"зак", "он"}));
  EXPECT_EQ(Words(W("<p class=\"закон\">слово</p> ")), (std::vector<std::string>{"слово"}));
  // The Cyrillic І is not a word character.
  EXPECT_EQ(Words(W("aІb ")), (std::vector<std::string>{"a", "b"}));
}

// Nothing inside a character reference is a word; a "&" that starts none is a delimiter.
TEST(NextTextWord, SkipsCharacterReferences) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Words(W("&nbsp;закон ")), V{"закон"});
  EXPECT_EQ(Words(W("a&amp;b&lt;c&gt;d&quot;e ")), (V{"a", "b", "c", "d", "e"}));
  EXPECT_EQ(Words(W("&mdash; &NBSP;x н&#1085;и &#x43D;&#X43d;1 ")), (V{"x", "н", "и", "1"}));
  EXPECT_EQ(Words(W("&amp;mdash; &mdash &#12345678; &#x; &a-b; ")),
            (V{"mdash", "mdash", "12345678", "x", "a", "b"}));
  // The five names are still skipped after a "&" that a tag keeps from being a reference.
  EXPECT_EQ(Words(W("&<b></b>amp; &<b></b>mdash; ")), V{"mdash"});
}

TEST(NextTextWord, Comments) {
  EXPECT_EQ(Words(W("a <!-- скрыто --> b ")), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(Words(W("a <!-- <b>x</b> --> b ")), (std::vector<std::string>{"a", "b"}));
  // A declaration not closed by "->" keeps its level open until a later "-->".
  EXPECT_EQ(Words(W("<!DOCTYPE html> a b --> d ")), (std::vector<std::string>{"d"}));
  // A comment opened inside it needs a closer of its own.
  EXPECT_EQ(Words(W("<!DOCTYPE html> a <!-- b --> c ")), (std::vector<std::string>{}));
}

TEST(NextTextWord, Positions) {
  const std::string html = "ab cd";
  int pos = 1;
  EXPECT_EQ(NextTextWord(html, pos), "ab");
  EXPECT_EQ(pos, 3);  // on the delimiter after the word
  EXPECT_EQ(NextTextWord(html, pos), "cd");
  EXPECT_EQ(pos, 5);  // the input ran out: the length, one short of the byte after the word
  pos = 6;
  EXPECT_EQ(NextTextWord(html, pos), "");
  EXPECT_EQ(pos, 6);
  pos = 1;
  EXPECT_EQ(NextTextWord("", pos), "");
  EXPECT_EQ(pos, 1);
  pos = 1;
  EXPECT_EQ(NextTextWord("ab<i>c", pos), "ab");
  EXPECT_EQ(pos, 3);  // a tag ends the word; the position stays just after it
}

TEST_F(TextFinderTest, OneWordQueryMarksEachOccurrence) {
  InstallLawNoun();
  int count = -1;
  EXPECT_EQ(Mark("закон", "Текст закона, Законом и ЗАКОНЫ.", count),
            "Текст <acronym id=\"fnd0_0\">закона</acronym>, <acronym id=\"fnd1_0\">Законом</acronym>"
            " и <acronym id=\"fnd2_0\">ЗАКОНЫ</acronym>. ");
  EXPECT_EQ(count, 3);
  // Brackets stay outside the mark.
  EXPECT_EQ(Mark("закон", "(закона)", count), "(<acronym id=\"fnd0_0\">закона</acronym>) ");
  EXPECT_EQ(count, 1);
}

TEST_F(TextFinderTest, TagsCommentsAndEntities) {
  InstallLawNoun();
  int count = -1;
  EXPECT_EQ(Mark("закон", "зак<b>он</b>", count), "зак<b>он</b> ");
  EXPECT_EQ(count, 0);
  // A mark holds a word's bytes only, so it never encloses the end of an element: a word split
  // by bold text or a link is two words, and a whole word inside an element is marked inside it.
  for (const char* split : {"<b>за</b>кон", "за<b>кон</b>", "за<a href=\"#x\">кон</a>"}) {
    EXPECT_EQ(Mark("закон", split, count), std::string(split) + " ");
    EXPECT_EQ(count, 0);
  }
  EXPECT_EQ(Mark("закон", "<a href=\"#x\"><b>закон</b></a>", count),
            "<a href=\"#x\"><b><acronym id=\"fnd0_0\">закон</acronym></b></a> ");
  EXPECT_EQ(Mark("закон", "<!-- закон --> <p title=\"закон\">x</p>", count),
            "<!-- закон --> <p title=\"закон\">x</p> ");
  EXPECT_EQ(count, 0);
  EXPECT_EQ(Mark("закон", "&nbsp;закон", count), "&nbsp;<acronym id=\"fnd0_0\">закон</acronym> ");
  EXPECT_EQ(count, 1);
  // A word partly inside a change mark is two words.
  EXPECT_EQ(Mark("закон", "за<acronym id=\"t_d\">кон</acronym>", count),
            "за<acronym id=\"t_d\">кон</acronym> ");
  EXPECT_EQ(count, 0);
  EXPECT_EQ(Mark("mdash", "a&mdash;b", count), "a&mdash;b ");
  EXPECT_EQ(count, 0);
}

// A mark never stands inside a character reference: the digits of "&#1085;" and the name of
// "&amp;" are not words of the text.
TEST_F(TextFinderTest, CharacterReferencesAreNotSearched) {
  int count = -1;
  EXPECT_EQ(Mark("1085", "&#1085; 1085&#1085;", count), "&#1085; <acronym id=\"fnd0_0\">1085</acronym>&#1085; ");
  EXPECT_EQ(count, 1);
  EXPECT_EQ(Mark("amp", "&amp; AMP&amp;amp &ampx;", count),
            "&amp; <acronym id=\"fnd0_0\">AMP</acronym>&amp;<acronym id=\"fnd1_0\">amp</acronym> &ampx; ");
  EXPECT_EQ(count, 2);
  EXPECT_EQ(Mark("x41", "&#x41; &#x41", count), "&#x41; &#<acronym id=\"fnd0_0\">x41</acronym> ");
}

TEST_F(TextFinderTest, YoIsReadAsYe) {
  int count = -1;
  EXPECT_EQ(Mark("ёлка", "елка", count), "<acronym id=\"fnd0_0\">елка</acronym> ");
  EXPECT_EQ(count, 1);
  EXPECT_EQ(Mark("елка", "Ёлка", count), "<acronym id=\"fnd0_0\">Ёлка</acronym> ");
  EXPECT_EQ(count, 1);
}

TEST_F(TextFinderTest, CyrillicIInQueryIsLatinI) {
  int count = -1;
  EXPECT_EQ(Mark("Глава І", "Глава I", count),
            "<acronym id=\"fnd0_0\">Глава</acronym> <acronym id=\"fnd0_1\">I</acronym> ");
  EXPECT_EQ(count, 1);
  EXPECT_EQ(Mark("І", "раздел I, раздел і", count), "раздел <acronym id=\"fnd0_0\">I</acronym>, раздел і ");
  EXPECT_EQ(count, 1);
}

TEST_F(TextFinderTest, WindowOfFiftyWords) {
  int count = -1;
  // 48 other words between the two query words: both in one window.
  Mark("альфа омега", "альфа " + Repeat("x", 48) + "омега", count);
  EXPECT_EQ(count, 1);
  // 49 words between: the pair is not an occurrence.
  const std::string far = "альфа " + Repeat("x", 49) + "омега";
  EXPECT_EQ(Mark("альфа омега", far, count), far + " ");
  EXPECT_EQ(count, 0);
}

TEST_F(TextFinderTest, OneOccurrenceCollectsEveryMatchInTheWindow) {
  int count = -1;
  EXPECT_EQ(Mark("омега альфа", "альфа и омега, омега, омега. альфа", count),
            "<acronym id=\"fnd0_0\">альфа</acronym> и <acronym id=\"fnd0_1\">омега</acronym>, "
            "<acronym id=\"fnd0_2\">омега</acronym>, <acronym id=\"fnd0_3\">омега</acronym>. "
            "<acronym id=\"fnd0_4\">альфа</acronym> ");
  EXPECT_EQ(count, 1);
  // Four marks, then a second occurrence after the window.
  const std::string body = "альфа омега омега омега " + Repeat("x", 60) + "омега альфа";
  const std::string out = Mark("альфа омега", body, count);
  EXPECT_EQ(count, 2);
  EXPECT_NE(out.find("fnd0_3"), std::string::npos);
  EXPECT_EQ(out.find("fnd0_4"), std::string::npos);
  EXPECT_NE(out.find("<acronym id=\"fnd1_0\">омега</acronym> <acronym id=\"fnd1_1\">альфа</acronym>"),
            std::string::npos);
}

TEST_F(TextFinderTest, EmptyInputs) {
  int count = -1;
  EXPECT_EQ(MarkMatches(W("закон"), "", count), "");
  EXPECT_EQ(count, 0);
  EXPECT_EQ(Mark("", "закон", count), "закон ");
  EXPECT_EQ(count, 0);
  EXPECT_EQ(Mark("   ", "закон", count), "закон ");
  EXPECT_EQ(count, 0);
  EXPECT_EQ(Mark("--", "закон -- x", count), "закон -- x ");
  EXPECT_EQ(count, 0);
}

TEST_F(TextFinderTest, StartsAfterTheBodyTag) {
  int count = -1;
  EXPECT_EQ(U(MarkMatches("body", "<html><head><title>body</title></head><BODY class=x>body text ", count)),
            "<html><head><title>body</title></head><BODY class=x><acronym id=\"fnd0_0\">body</acronym> text ");
  EXPECT_EQ(count, 1);
}

TEST_F(TextFinderTest, WordAtTheVeryEndIsMarkedExactly) {
  // Without the trailing blank the last word still gets exactly its own bytes.
  int count = -1;
  EXPECT_EQ(MarkMatches("abc", "x abc", count), "x <acronym id=\"fnd0_0\">abc</acronym>");
  EXPECT_EQ(count, 1);
  EXPECT_EQ(MarkMatches("abc", "x abc<br>", count), "x <acronym id=\"fnd0_0\">abc</acronym><br>");
  EXPECT_EQ(MarkMatches("abc d", "abc d", count),
            "<acronym id=\"fnd0_0\">abc</acronym> <acronym id=\"fnd0_1\">d</acronym>");
  EXPECT_EQ(count, 1);
}

TEST_F(TextFinderTest, PrepareQueryBuildsVariantsAndForms) {
  InstallLawNoun();
  TQuery q;
  PrepareQuery(W("  закон, РФ "), q);
  ASSERT_GE(q.Variants.size(), 1u);
  ASSERT_EQ(q.Variants[0].size(), 2u);
  EXPECT_TRUE(q.Variants[0][0].Contains(W("ЗАКОНАМИ")));
  EXPECT_TRUE(q.Variants[0][1].Contains(W("РФ")));
  EXPECT_EQ(q.LargestWordCount, 2);
}

namespace {

// The matching as plainly described: every window word read again, every form set searched.
std::string ReferenceMarks(std::string_view text, const std::string& html, int& count) {
  TQuery q;
  PrepareQuery(text, q);
  const size_t w = q.LargestWordCount > 1 ? 50 : 1;
  const int n = static_cast<int>(html.size());
  auto inSet = [](const TVStringList& forms, const std::string& word) {
    return !word.empty() && forms.Contains(word);
  };
  struct TMark {
    int k, start, end;
  };
  std::vector<TMark> marks;
  int pos = 1;
  for (int k = 0; pos < n; ++k) {
    bool found = false;
    while (pos < n && !found) {
      const std::string first = NormalizeWord(NextTextWord(html, pos));
      bool any = false;
      for (const auto& v : q.Variants)
        for (const auto& forms : v) any = any || inSet(forms, first);
      if (!any) continue;
      std::vector<std::pair<std::string, int>> window{{first, pos}};
      int ahead = pos;
      while (window.size() < w) {
        const std::string next = NormalizeWord(NextTextWord(html, ahead));
        window.emplace_back(next, ahead);
      }
      // Every satisfied variant selects the entries matching any of its words.
      std::vector<bool> selected(window.size(), false);
      for (const auto& v : q.Variants) {
        if (v.empty()) continue;
        bool satisfied = true;
        for (const auto& forms : v) {
          bool hit = false;
          for (const auto& e : window) hit = hit || inSet(forms, e.first);
          satisfied = satisfied && hit;
        }
        if (!satisfied) continue;
        found = true;
        for (size_t j = 0; j < window.size(); ++j)
          for (const auto& forms : v) selected[j] = selected[j] || inSet(forms, window[j].first);
      }
      if (found) {
        for (size_t j = 0; j < window.size(); ++j)
          if (selected[j])
            marks.push_back({k, window[j].second - static_cast<int>(window[j].first.size()), window[j].second});
        pos = marks.back().end;
      }
    }
    if (!found) break;
  }
  std::string out;
  size_t copied = 0;
  int m = 0, last = -1;
  for (const auto& mk : marks) {
    m = mk.k == last ? m + 1 : 0;
    last = mk.k;
    out += html.substr(copied, static_cast<size_t>(mk.start - 1) - copied);
    out += "<acronym id=\"fnd" + std::to_string(mk.k) + "_" + std::to_string(m) + "\">";
    out += html.substr(static_cast<size_t>(mk.start - 1), static_cast<size_t>(mk.end - mk.start));
    out += "</acronym>";
    copied = static_cast<size_t>(mk.end - 1);
  }
  out += html.substr(copied);
  count = marks.empty() ? 0 : marks.back().k + 1;
  return out;
}

}  // namespace

TEST_F(TextFinderTest, AgreesWithThePlainMatchingOnRandomTexts) {
  TDictionaryBuilder b;
  const int noun = b.AddParadigm({{""}, {W("А")}, {W("ОМ")}, {W("Ы")}});
  const int zero = b.AddParadigm({{""}});
  const int adj = b.AddParadigm({{W("ИЙ")}, {W("ОЙ")}, {W("АЯ")}});
  const int fem = b.AddParadigm({{W("Я")}, {W("И")}});
  b.AddStem(W("ЗАКОН"), noun);
  const int rf = b.AddStem(W("РФ"), zero);
  const int ross = b.AddStem(W("РОССИЙСК"), adj);
  const int fed = b.AddStem(W("ФЕДЕРАЦИ"), fem);
  b.AddTerm({rf, ross, fed});
  b.AddLnTerm(1, W("ГК"), W("ГРАЖДАНСКИЙ КОДЕКС"));
  b.Install();

  const std::vector<std::string> words = {"закон", "Закона", "ЗАКОНЫ", "рф", "РФ", "Российской", "федерации",
                                          "Федерация", "ГК", "гражданский", "кодекс", "ёлка", "елка", "x", "5"};
  const std::vector<std::string> gaps = {" ", " ", " ", ", ", "<b>", "</b> ", " <!-- закон рф --> ",
                                         "&nbsp;", "-", "\r\n", "<p class=\"ГК\">"};
  std::mt19937 rng(7);
  auto pick = [&](const std::vector<std::string>& v) { return v[rng() % v.size()]; };
  int total = 0, multiMark = 0;
  for (int round = 0; round < 300; ++round) {
    std::string body;
    const int len = 1 + static_cast<int>(rng() % 160);
    for (int i = 0; i < len; ++i) body += pick(words) + pick(gaps);
    std::string query;
    const int qn = 1 + static_cast<int>(rng() % 3);
    for (int i = 0; i < qn; ++i) query += pick(words) + " ";
    const std::string html = W(body) + " ";
    int count = -1, expected = -1;
    const std::string got = MarkMatches(W(query), html, count);
    ASSERT_EQ(U(got), U(ReferenceMarks(W(query), html, expected))) << query << " | " << body;
    ASSERT_EQ(count, expected);
    total += count;
    multiMark += got.find("_1\"") != std::string::npos ? 1 : 0;
  }
  EXPECT_GT(total, 300);
  EXPECT_GT(multiMark, 30);
}

TEST_F(TextFinderTest, RandomBytesKeepTheirText) {
  // Whatever the bytes, the result is the input with well-formed marks around whole words.
  const std::string alphabet = "<>!-&;\" ab" + W("аБёЁ") + "\xA0";
  std::mt19937 rng(11);
  for (int round = 0; round < 2000; ++round) {
    std::string html;
    const int len = static_cast<int>(rng() % 60);
    for (int i = 0; i < len; ++i) html += alphabet[rng() % alphabet.size()];
    const std::string query = std::string(1, "ab"[rng() % 2]) + (rng() % 2 ? " b" : "");
    int count = -1;
    const std::string out = MarkMatches(query, html, count);
    std::string stripped;
    int marks = 0;
    for (size_t i = 0; i < out.size();) {
      if (out.compare(i, 16, "<acronym id=\"fnd") == 0) {
        const size_t close = out.find("\">", i);
        ASSERT_NE(close, std::string::npos);
        const size_t end = out.find("</acronym>", close);
        ASSERT_NE(end, std::string::npos);
        const std::string word = out.substr(close + 2, end - close - 2);
        ASSERT_FALSE(word.empty());
        for (const char c : word) ASSERT_TRUE(IsWordChar(c)) << out;
        stripped += word;
        i = end + 10;
        ++marks;
      } else {
        stripped += out[i++];
      }
    }
    ASSERT_EQ(stripped, html);
    ASSERT_GE(count, 0);
    ASSERT_LE(count, marks);
  }
}
