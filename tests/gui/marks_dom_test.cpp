// What the user sees: the result pages parsed by the real view. The text inside the change marks
// (first pieces and continuation pieces) must be exactly the text of the marked runs, word for
// word, on every corpus pair and on random related pages whose changes cross paragraphs, table
// cells, list items, bold text and links; and each page must hold ChangeCount marks.
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <random>

#include "engine/ComparisonModel.h"
#include "engine/Diff.h"
#include "engine/ResultPages.h"
#include "engine/SplitHtml.h"
#include "gui/GuiTestSupport.h"
#include "support/FastStrings.h"
#include "view/HtmlView.h"

using namespace guitest;

namespace {

bool IsWordByte(unsigned char c) {
  return c == '%' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == 0xA1 ||
         c == 0xA2 || c == 0xA8 || c == 0xB8 || c == 0xB9 || c >= 0xC0;
}

// The words of a text, in order.
std::vector<std::string> Words(const std::string& s) {
  std::vector<std::string> words;
  for (size_t i = 0; i < s.size();) {
    if (!IsWordByte(static_cast<unsigned char>(s[i]))) {
      ++i;
      continue;
    }
    const size_t b = i;
    while (i < s.size() && IsWordByte(static_cast<unsigned char>(s[i]))) ++i;
    words.push_back(s.substr(b, i - b));
  }
  return words;
}

// The words of the tokens the records mark on each page.
std::array<std::vector<std::string>, 2> WordsOf(const std::vector<TChangeRec>& recs, const std::array<std::string, 2>& texts,
                                                const std::array<std::vector<int32_t>, 2>& pos) {
  std::array<std::vector<std::string>, 2> words;
  for (const TChangeRec& r : recs) {
    for (size_t s = 0; s < 2; ++s) {
      if (r.Kind != dkChange && r.Kind != (s == 0 ? dkDelete : dkInsert)) continue;
      const std::string& t = texts[s];
      const size_t at = static_cast<size_t>(pos[s][static_cast<size_t>(s == 0 ? r.Index1 : r.Index2)] - 1);
      size_t end = at;
      while (end < t.size() && IsWordByte(static_cast<unsigned char>(t[end]))) ++end;
      if (end > at) words[s].push_back(t.substr(at, end - at));
    }
  }
  return words;
}

// The words of the tokens the comparison marks on each page: for the literal marks worked out
// from the diff itself, for the others from the records the model shows.
std::array<std::vector<std::string>, 2> MarkedWords(std::string text1, std::string text2,
                                                    const TComparisonOptions& options) {
  if (!options.Literal) {
    TDiff diff;
    const TComparisonModel m = BuildComparisonModel(text1, text2, diff, options);
    return WordsOf(m.Shown(), {m.Old.Text, m.New.Text}, {m.Old.Positions, m.New.Positions});
  }
  std::array<std::string, 2> texts{std::move(text1), std::move(text2)};
  std::array<std::vector<int32_t>, 2> pos, hash;
  for (size_t s = 0; s < 2; ++s) {
    if (const size_t end = FindBodyEndTag(texts[s]); end != std::string::npos) texts[s].resize(end);
    texts[s] = ReplaceAllText(texts[s], "&nbsp;", " ", false);
    SplitHtml(texts[s], pos[s], hash[s]);
  }
  TDiff diff;
  diff.CompareLists(hash[0].data(), hash[1].data(), static_cast<int>(hash[0].size()), static_cast<int>(hash[1].size()));
  return WordsOf(diff.Changes(), texts, pos);
}

class MarksInTheView : public testing::Test {
 protected:
  void SetUp() override {
    view_ = CreateHtmlView(nullptr);
    view_->resize(800, 600);
    view_->show();
  }
  void TearDown() override { delete view_; }

  // Loads one page into the view: the words of its marks as parsed.
  std::vector<std::string> ShownMarkedWords(const std::string& page) {
    const QString path = dir_.filePath("page.htm");
    WritePageFile(path.toStdString(), page);
    view_->Navigate(path.toStdString());
    EXPECT_TRUE(view_->WaitReady(60000));
    std::string shown;
    for (const std::string& piece : view_->TextContents("acronym", {"t_d", "t_dc"})) shown += piece + " ";
    return Words(shown);
  }

  // Loads one page into the view and checks its marks against the expected words.
  void Check(const std::string& page, const std::vector<std::string>& expected, int changeCount, const char* side) {
    SCOPED_TRACE(side);
    const std::vector<std::string> words = ShownMarkedWords(page);
    EXPECT_EQ(view_->CountElements("acronym", "t_d"), changeCount);
    EXPECT_EQ(words.size(), expected.size());
    for (size_t i = 0; i < words.size() && i < expected.size(); ++i)
      if (words[i] != expected[i]) {
        ADD_FAILURE() << "word " << i << " of " << expected.size() << ": shown \"" << words[i] << "\", marked \""
                      << expected[i] << "\"";
        break;
      }
  }

  // The literal, the aligned and the coherent block marks.
  void CheckPair(const std::string& text1, const std::string& text2) {
    TComparisonOptions coherent = kDefaultComparisonOptions;
    coherent.CoherentBlocks = true;
    for (const auto& [options, mode] : {std::pair{kLiteralComparison, "literal"},
                                        std::pair{kDefaultComparisonOptions, "aligned"}, std::pair{coherent, "coherent"}}) {
      SCOPED_TRACE(mode);
      TDiff diff;
      const TResultPages pages = BuildResultPages(BuildComparisonModel(text1, text2, diff, options));
      const auto expected = MarkedWords(text1, text2, options);
      Check(pages.Left, expected[0], pages.ChangeCount, "left page");
      Check(pages.Right, expected[1], pages.ChangeCount, "right page");
    }
  }

  QTemporaryDir dir_;
  THtmlView* view_ = nullptr;
};

// The view's text for a corpus file (a body fragment, or a page with its body).
std::string ViewText(const std::string& file) {
  const size_t body = FindBodyStartTag(file);
  return PageHead("etalon5.css") + (body == std::string::npos ? "<body>" + file + "</body>" : file.substr(body)) +
         "</html>";
}

// A random legal-looking document: paragraphs with bold text and links, tables, lists.
struct TRandomDoc {
  std::mt19937 rng;
  explicit TRandomDoc(unsigned seed) : rng(seed) {}
  int Pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }
  std::string Word() {
    static const char* kWords[] = {"статья", "закон", "пункт", "налог", "сбор", "в", "и", "на", "по",
                                   "Федерации", "кодекс", "2024", "10%", "порядок", "срок", "лицо"};
    return W(kWords[Pick(16)]);
  }
  std::string Inline() {
    std::string s;
    const int n = 1 + Pick(8);
    for (int i = 0; i < n; ++i) {
      const int k = Pick(10);
      if (k == 0) s += "<b>" + Word() + " " + Word() + "</b>";
      else if (k == 1) s += "<a href=\"#p" + std::to_string(Pick(9)) + "\">" + Word() + "</a>";
      else if (k == 2) s += "<i>" + Word() + "</i>,";
      else s += Word();
      s += i + 1 < n ? " " : ".";
    }
    return s;
  }
  std::string Block() {
    switch (Pick(5)) {
      case 0: return "<table><tr><td>" + Inline() + "</td><td>" + Inline() + "</td></tr></table>";
      case 1: return "<ul><li>" + Inline() + "</li><li>" + Inline() + "</li></ul>";
      default: return "<p>" + Inline() + "</p>";
    }
  }
  std::vector<std::string> Blocks(int n) {
    std::vector<std::string> b;
    for (int i = 0; i < n; ++i) b.push_back(Block());
    return b;
  }
  // An edited copy: blocks dropped, added and rewritten.
  std::vector<std::string> Edit(std::vector<std::string> blocks) {
    for (int e = 0; e < 4; ++e) {
      const size_t at = static_cast<size_t>(Pick(static_cast<int>(blocks.size())));
      switch (Pick(3)) {
        case 0: blocks.erase(blocks.begin() + static_cast<long>(at)); break;
        case 1: blocks.insert(blocks.begin() + static_cast<long>(at), Block()); break;
        default: blocks[at] = Block();
      }
      if (blocks.empty()) blocks.push_back(Block());
    }
    return blocks;
  }
  static std::string Text(const std::vector<std::string>& blocks) {
    std::string body = "<body>";
    for (const std::string& b : blocks) body += b + "\r\n";
    return PageHead("etalon5.css") + body + "</body></html>";
  }
};

}  // namespace

TEST_F(MarksInTheView, CorpusPairs) {
  for (const char* pair : {"01_nk1_st17", "02_nk1_st1", "03_nk1_st45", "04_nk1_gl8", "05_nk1_razd2", "06_nk1",
                           "07_konstitutsiya", "08_semeyny_kodeks", "09_vodny_kodeks_gl1", "10_byudzhetny_kodeks",
                           "11_uk_rf_heavy"}) {
    SCOPED_TRACE(pair);
    const QString base = QString(PARVEL_CORPUS_DIR) + "/" + pair;
    const std::string oldFile = ReadFile(base + "_old.htm"), newFile = ReadFile(base + "_new.htm");
    ASSERT_FALSE(oldFile.empty());
    CheckPair(ViewText(oldFile), ViewText(newFile));
  }
}

// Pair 02 adds point 9 after a point whose note ends with the same tokens as point 9's note: the
// earlier note «…425-ФЗ)» has no mark and the whole point, from «9.» to its note's «-ФЗ)», is
// marked. The exact comparison marks as many words, shifted into the earlier note.
TEST_F(MarksInTheView, NewPointOfPair02IsMarkedWhole) {
  const QString base = QString(PARVEL_CORPUS_DIR) + "/02_nk1_st1";
  const std::string text1 = ViewText(ReadFile(base + "_old.htm")), text2 = ViewText(ReadFile(base + "_new.htm"));
  const size_t point = text2.find(W("<p>9. "));
  ASSERT_NE(point, std::string::npos);
  const std::string pointText = text2.substr(point, text2.find("</p>", point) - point);
  ASSERT_NE(pointText.find(W("№ 415-ФЗ)")), std::string::npos);
  const std::vector<std::string> pointWords = Words(pointText.substr(3));
  TComparisonOptions coherent = kDefaultComparisonOptions;
  coherent.CoherentBlocks = true;
  for (const auto& [options, mode] : {std::pair{kLiteralComparison, "literal"},
                                      std::pair{kDefaultComparisonOptions, "aligned"}, std::pair{coherent, "coherent"}}) {
    SCOPED_TRACE(mode);
    TDiff diff;
    const TResultPages pages = BuildResultPages(BuildComparisonModel(text1, text2, diff, options));
    ASSERT_EQ(pages.ChangeCount, 1);
    const std::vector<std::string> shown = ShownMarkedWords(pages.Right);
    EXPECT_EQ(view_->CountElements("acronym", "t_d"), 1);
    if (options.Literal) {
      EXPECT_EQ(shown.size(), pointWords.size());
      continue;
    }
    EXPECT_EQ(shown, pointWords);  // one mark holding exactly the point: none in the earlier note
  }
}

TEST_F(MarksInTheView, RandomPagesWithChangesAcrossMarkup) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    TRandomDoc doc(seed);
    const std::vector<std::string> blocks = doc.Blocks(6 + doc.Pick(10));
    CheckPair(TRandomDoc::Text(blocks), TRandomDoc::Text(doc.Edit(blocks)));
  }
}

// Moved paragraphs, some of them edited on the way and moved across tables and lists: the words
// of both ends stay inside their marks, the edited ones too.
TEST_F(MarksInTheView, RandomPagesWithMovedParagraphs) {
  int moves = 0;
  for (unsigned seed = 1; seed <= 20; ++seed) {
    SCOPED_TRACE(seed);
    TRandomDoc doc(seed);
    std::vector<std::string> blocks = doc.Blocks(6 + doc.Pick(6));
    const std::string moved = "<p>" + W("Особый порядок <b>исчисления</b> налога") + " " + std::to_string(seed) + " " +
                              W("для организаций, <a href=\"#x\">указанных</a> в пункте") + " " + doc.Word() + ".</p>";
    blocks.insert(blocks.begin() + doc.Pick(static_cast<int>(blocks.size())), moved);
    std::vector<std::string> edited = doc.Edit(blocks);
    const auto at = std::find(edited.begin(), edited.end(), moved);
    if (at == edited.end()) continue;  // the edits took it
    edited.erase(at);
    edited.insert(edited.begin() + doc.Pick(static_cast<int>(edited.size()) + 1),
                  seed % 2 ? moved : ReplaceAllText(moved, W("налога"), W("сбора"), false));
    const std::string text1 = TRandomDoc::Text(blocks), text2 = TRandomDoc::Text(edited);
    TDiff diff;
    moves += !BuildComparisonModel(text1, text2, diff, kDefaultComparisonOptions).Moves.empty();
    CheckPair(text1, text2);
  }
  EXPECT_GT(moves, 5);
}

PARVEL_GUI_TEST_MAIN()
