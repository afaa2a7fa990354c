#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "DocumentTestTexts.h"
#include "MiniXml.h"
#include "documents/ComparisonTable.h"
#include "documents/FlatOdt.h"
#include "documents/TableHtml.h"
#include "engine/ChangeList.h"

using namespace doc_test;

namespace {

TComparisonTable TableOf(const TComparisonModel& model) {
  TTableTitles titles;
  titles.Date = "09.12.2026";
  return BuildComparisonTable(model, BuildChangeList(model), titles);
}

std::string CellText(const TTableCell& cell, bool markedOnly = false) {
  std::string out;
  for (const auto& paragraph : cell.Paragraphs) {
    if (!out.empty()) out += " | ";
    for (const TTableSpan& s : paragraph)
      if (!markedOnly || s.Marked) out += markedOnly ? "[" + s.Text + "]" : s.Text;
  }
  return out;
}

std::string WithoutBlanks(const std::string& s) {
  std::string out;
  for (const char c : s)
    if (c != ' ') out += c;
  return out;
}

// The marked spans of one column in row order, blanks left out (changes that meet share a span).
std::string MarkedText(const TComparisonTable& table, bool left) {
  std::string out;
  for (const TTableRow& row : table.Rows)
    for (const auto& paragraph : (left ? row.Old : row.New).Paragraphs)
      for (const TTableSpan& s : paragraph)
        if (s.Marked) out += WithoutBlanks(s.Text);
  return out;
}

// The comparison's changed tokens of one side in that side's order, blanks left out.
std::string ChangedText(const TComparisonModel& model, bool oldSide) {
  std::vector<std::pair<int32_t, int32_t>> ranges;
  for (const TChangeRun& r : model.Runs)
    ranges.push_back(oldSide ? std::make_pair(r.First1, r.Count1) : std::make_pair(r.First2, r.Count2));
  std::sort(ranges.begin(), ranges.end());
  std::string out;
  for (const auto& [first, count] : ranges) out += WithoutBlanks(Utf8Text(TokenText(oldSide ? model.Old : model.New, first, count)));
  return out;
}

std::string TextOf(const mini_xml::TNode& node) {
  std::string out;
  for (const auto& c : node.Children) out += c->Name.empty() ? c->Text : c->Name == "text:s" ? " " : TextOf(*c);
  return out;
}

// The flat document's spans of one style in document order, blanks left out.
std::string StyledText(const mini_xml::TNode& root, const std::string& style) {
  std::vector<const mini_xml::TNode*> spans;
  mini_xml::Collect(root, "text:span", spans);
  std::string out;
  for (const mini_xml::TNode* s : spans)
    if (s->Attr("text:style-name") == style) out += WithoutBlanks(TextOf(*s));
  return out;
}

}  // namespace

TEST(ComparisonTable, RowsAreTheChangedParagraphsWithGapsBetween) {
  const TComparisonTable table = TableOf(ModelOf(
      Page("Статья 1. Заголовок статьи\n1. Первый пункт остаётся без изменений.\n2. Второй пункт меняется в одном слове.\n"
           "3. Третий пункт остаётся без изменений.\n4. Четвёртый пункт удаляется целиком из статьи.\n"
           "5. Пятый пункт остаётся без изменений.\nСтатья 2. Другая статья"),
      Page("Статья 1. Заголовок статьи\n1. Первый пункт остаётся без изменений.\n2. Второй пункт меняется в другом слове.\n"
           "3. Третий пункт остаётся без изменений.\n5. Пятый пункт остаётся без изменений.\n"
           "6. Шестой пункт добавлен сюда целиком.\nСтатья 2. Другая статья")));
  EXPECT_EQ(table.Title, "Сравнительная таблица");
  EXPECT_EQ(table.Subtitle, "Статья 1. Заголовок статьи · Дата сравнения: 09.12.2026");
  std::vector<std::string> rows;
  for (const TTableRow& r : table.Rows)
    rows.push_back(r.Gap ? "…" : CellText(r.Old, true) + " / " + CellText(r.New, true) + " (" + r.Old.Address + " / " + r.New.Address + ")");
  EXPECT_EQ(rows, (std::vector<std::string>{"…", "[одном] / [другом] (ч. 2 ст. 1 / ч. 2 ст. 1)", "…",
                                            "[4. Четвёртый пункт удаляется целиком из статьи.] /  (ч. 4 ст. 1 / )", "…",
                                            " / [6. Шестой пункт добавлен сюда целиком.] ( / ч. 6 ст. 1)", "…"}));
  EXPECT_EQ(CellText(table.Rows[1].Old), "2. Второй пункт меняется в одном слове.");
  EXPECT_TRUE(table.Rows[3].New.Paragraphs.empty());
  EXPECT_TRUE(table.Rows[5].Old.Paragraphs.empty());
}

TEST(ComparisonTable, AMoveOfWholeParagraphsIsOneRow) {
  const std::string moved = "Переносимый абзац из пяти слов.";
  const std::string middle = "Середина текста здесь длиннее переносимого абзаца на много слов и букв.";
  const TComparisonTable table = TableOf(ModelOf(Page("Начало.\n" + moved + "\n" + middle + "\nКонец."),
                                                 Page("Начало.\n" + middle + "\n" + moved + "\nКонец.")));
  ASSERT_EQ(table.Rows.size(), 3u);
  EXPECT_TRUE(table.Rows[0].Gap);
  EXPECT_TRUE(table.Rows[1].Moved);
  EXPECT_EQ(CellText(table.Rows[1].Old), moved);
  EXPECT_EQ(CellText(table.Rows[1].New), moved);
  EXPECT_EQ(CellText(table.Rows[1].New, true), "");
  EXPECT_TRUE(table.Rows[2].Gap);
}

TEST(ComparisonTable, MarksExactlyTheChangedWordsOfACorpusPairInEveryFormat) {
  const TComparisonModel model = CorpusModel("07_konstitutsiya");
  const TComparisonTable table = TableOf(model);
  ASSERT_GT(table.Rows.size(), 10u);
  // The act's title, not the note of its adoption above it.
  EXPECT_EQ(table.Subtitle.rfind("КОНСТИТУЦИЯ РОССИЙСКОЙ ФЕДЕРАЦИИ · ", 0), 0u) << table.Subtitle;
  const std::string removed = ChangedText(model, true), added = ChangedText(model, false);
  EXPECT_TRUE(MarkedText(table, true) == removed);
  EXPECT_TRUE(MarkedText(table, false) == added);
  // Rows follow both texts: each cell's paragraphs come after the previous row's.
  const std::vector<std::string> oldText = ParagraphsOf(model.Old), newText = ParagraphsOf(model.New);
  size_t at1 = 0, at2 = 0;
  for (const TTableRow& r : table.Rows) {
    if (r.Gap) continue;
    EXPECT_FALSE(r.Old.Address.empty() && r.New.Address.empty());
    for (const auto& [cell, text, at] : {std::tie(r.Old, oldText, at1), std::tie(r.New, newText, at2)})
      for (const auto& p : cell.Paragraphs) {
        std::string plain;
        for (const TTableSpan& s : p) plain += s.Text;
        const auto found = std::find(text.begin() + static_cast<long>(at), text.end(), Collapsed(plain));
        EXPECT_TRUE(found != text.end()) << "a row out of order: " << plain;
        at = static_cast<size_t>(found - text.begin());
      }
  }

  const auto root = mini_xml::Parse(TableFlatOdt(table));
  EXPECT_EQ(root->Attr("office:version"), "1.3");
  EXPECT_TRUE(StyledText(*root, "Removed") == removed);
  EXPECT_TRUE(StyledText(*root, "New") == added);
  std::vector<const mini_xml::TNode*> rows;
  mini_xml::Collect(*root, "table:table-row", rows);
  EXPECT_EQ(rows.size(), table.Rows.size() + 1);

  const std::string html = TableHtml(table);
  size_t struck = 0;
  for (size_t at = 0; (at = html.find("<s><b>", at)) != std::string::npos; ++at) ++struck;
  size_t markedLeft = 0;
  for (const TTableRow& r : table.Rows)
    for (const auto& p : r.Old.Paragraphs) markedLeft += std::count_if(p.begin(), p.end(), [](const TTableSpan& s) { return s.Marked; });
  EXPECT_EQ(struck, markedLeft);
  EXPECT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos);
  EXPECT_EQ(html.find("<script"), std::string::npos);
}
