#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <utility>
#include <random>
#include <string>
#include <vector>

#include "engine/ChangeAlignment.h"
#include "engine/ChangesJson.h"
#include "engine/ComparisonModel.h"
#include "engine/MarkContract.h"
#include "engine/ResultPages.h"
#include "input/ViewTextFile.h"
#include "support/Cp1251.h"

namespace {

const std::string kHead = "<html><head></head>";

TComparisonModel Model(const std::string& text1, const std::string& text2, const TComparisonOptions& options) {
  TDiff diff;
  return BuildComparisonModel(text1, text2, diff, options);
}

std::vector<char> Marked(const std::vector<TChangeRec>& recs, size_t count, bool left) {
  std::vector<char> marked(count, 0);
  for (const TChangeRec& r : recs)
    if (r.Kind == dkChange || r.Kind == (left ? dkDelete : dkInsert)) marked[static_cast<size_t>(left ? r.Index1 : r.Index2)] = 1;
  return marked;
}

// Change runs that meet make up one block.
std::vector<TChangeRun> BlocksOf(const std::vector<TChangeRec>& recs) {
  std::vector<TChangeRun> blocks;
  for (const TChangeRun& r : ChangeRunsOf(recs))
    if (!blocks.empty() && blocks.back().First1 + blocks.back().Count1 == r.First1 &&
        blocks.back().First2 + blocks.back().Count2 == r.First2)
      blocks.back().Count1 += r.Count1, blocks.back().Count2 += r.Count2;
    else
      blocks.push_back(r);
  return blocks;
}

// Blocks with an edge inside a paragraph that a shift over equal tokens (not up to another
// block) would put on more paragraph boundaries.
int EdgesAShiftWouldPutOnBoundaries(const TComparisonModel& m) {
  const std::vector<TChangeRun> blocks = BlocksOf(m.Shown());
  const auto& h1 = m.Old.Hashes;
  const auto& h2 = m.New.Hashes;
  auto boundaries = [&](const TChangeRun& b, int32_t s) {
    int n = 0;
    for (int32_t edge : {b.First1 + s, b.First1 + b.Count1 + s})
      n += b.Count1 > 0 && EdgeScore(m.Old, edge) >= EdgeScore(m.Old, 0);
    for (int32_t edge : {b.First2 + s, b.First2 + b.Count2 + s})
      n += b.Count2 > 0 && EdgeScore(m.New, edge) >= EdgeScore(m.New, 0);
    return n;
  };
  int found = 0;
  for (size_t i = 0; i < blocks.size(); ++i) {
    const TChangeRun& b = blocks[i];
    const int32_t floor1 = i > 0 ? blocks[i - 1].First1 + blocks[i - 1].Count1 + 1 : 0;
    const int32_t ceiling1 = i + 1 < blocks.size() ? blocks[i + 1].First1 - 1 : static_cast<int32_t>(h1.size());
    const int here = boundaries(b, 0);
    bool better = false;
    for (int32_t s = -1; !better && b.First1 + s >= floor1 && b.First2 + s >= 0 &&
                         (b.Count1 == 0 || h1[b.First1 + s] == h1[b.First1 + b.Count1 + s]) &&
                         (b.Count2 == 0 || h2[b.First2 + s] == h2[b.First2 + b.Count2 + s]);
         --s)
      better = boundaries(b, s) > here;
    for (int32_t s = 1; !better && b.First1 + b.Count1 + s <= ceiling1 &&
                        (b.Count1 == 0 || h1[b.First1 + s - 1] == h1[b.First1 + b.Count1 + s - 1]) &&
                        (b.Count2 == 0 || h2[b.First2 + s - 1] == h2[b.First2 + b.Count2 + s - 1]);
         ++s)
      better = boundaries(b, s) > here;
    found += better;
  }
  return found;
}

// Every literal run, shifted over equal tokens by one amount on both sides, lies in the shown
// marks, and together they are exactly the shown marks; the count can only fall.
void ExpectAlignedIsAShiftOfLiteral(const TComparisonModel& literal, const TComparisonModel& aligned,
                                    const std::string& what) {
  const std::vector<int32_t>& h1 = literal.Old.Hashes;
  const std::vector<int32_t>& h2 = literal.New.Hashes;
  const std::vector<char> shown1 = Marked(aligned.Shown(), h1.size(), true);
  const std::vector<char> shown2 = Marked(aligned.Shown(), h2.size(), false);
  std::vector<char> used1(h1.size(), 0), used2(h2.size(), 0);
  const std::vector<TChangeRun> blocks = BlocksOf(literal.Records);
  auto covered = [&](const TChangeRun& b, int32_t s) {
    for (int32_t k = 0; k < b.Count1; ++k)
      if (!shown1[static_cast<size_t>(b.First1 + s + k)] || used1[static_cast<size_t>(b.First1 + s + k)]) return false;
    for (int32_t k = 0; k < b.Count2; ++k)
      if (!shown2[static_cast<size_t>(b.First2 + s + k)] || used2[static_cast<size_t>(b.First2 + s + k)]) return false;
    return true;
  };
  auto slides = [&](const TChangeRun& b, int32_t from, int32_t to) {  // one step over an equal pair
    const int32_t f1 = b.First1 + std::min(from, to), f2 = b.First2 + std::min(from, to);
    if (f1 < 0 || f2 < 0 || f1 + b.Count1 >= static_cast<int32_t>(h1.size()) ||
        f2 + b.Count2 >= static_cast<int32_t>(h2.size()))
      return false;
    return (b.Count1 == 0 || h1[static_cast<size_t>(f1)] == h1[static_cast<size_t>(f1 + b.Count1)]) &&
           (b.Count2 == 0 || h2[static_cast<size_t>(f2)] == h2[static_cast<size_t>(f2 + b.Count2)]);
  };
  for (const TChangeRun& b : blocks) {
    bool found = false;
    for (int dir : {0, -1, 1}) {
      for (int32_t s = 0; !found; s += dir) {
        if (covered(b, s)) {
          for (int32_t k = 0; k < b.Count1; ++k) used1[static_cast<size_t>(b.First1 + s + k)] = 1;
          for (int32_t k = 0; k < b.Count2; ++k) used2[static_cast<size_t>(b.First2 + s + k)] = 1;
          found = true;
        }
        if (dir == 0 || !slides(b, s, s + dir)) break;
      }
      if (found) break;
    }
    ASSERT_TRUE(found) << what << ": run at " << b.First1 << "/" << b.First2;
  }
  EXPECT_EQ(used1, shown1) << what;
  EXPECT_EQ(used2, shown2) << what;
  EXPECT_LE(aligned.ChangeCount, literal.ChangeCount) << what;
  for (const TChangeRec& r : aligned.Shown())
    if (r.Kind == dkSame) ASSERT_EQ(h1[static_cast<size_t>(r.Index1)], h2[static_cast<size_t>(r.Index2)]) << what;
  const std::vector<TChangeRec> undone = aligned.LiteralRecords();
  ASSERT_EQ(undone.size(), literal.Records.size()) << what;
  for (size_t i = 0; i < undone.size(); ++i) {
    const TChangeRec &u = undone[i], &l = literal.Records[i];
    ASSERT_TRUE(u.Kind == l.Kind && u.Index1 == l.Index1 && u.Index2 == l.Index2 && u.Value1 == l.Value1 &&
                u.Value2 == l.Value2)
        << what << ": record " << i;
  }
  const TResultPages pages = BuildResultPages(aligned);
  EXPECT_EQ(pages.ChangeCount, aligned.ChangeCount) << what;
}

// Paragraphs of a few repeated words and notes, so that many changes can slide.
std::vector<std::vector<std::string>> RandomParagraphs(std::mt19937& rng) {
  static const char* const kWords[] = {"налог", "сбор", "в", "и", "(", ")", ".", ";", "закон", "№", "425", "-", "ФЗ"};
  std::vector<std::vector<std::string>> paragraphs(3 + rng() % 6);
  for (auto& p : paragraphs) {
    const size_t n = 2 + rng() % 10;
    for (size_t k = 0; k < n; ++k) p.push_back(cp1251::FromUtf8(kWords[rng() % std::size(kWords)]));
  }
  return paragraphs;
}

std::string Html(const std::vector<std::vector<std::string>>& paragraphs) {
  std::string body = "<body>";
  for (const auto& p : paragraphs) {
    body += "<p>";
    for (size_t k = 0; k < p.size(); ++k) body += (k ? " " : "") + p[k];
    body += "</p>";
  }
  return kHead + body + "</body></html>";
}

std::vector<std::vector<std::string>> Edited(std::vector<std::vector<std::string>> paragraphs, std::mt19937& rng) {
  for (int edits = 1 + static_cast<int>(rng() % 3); edits > 0; --edits) {
    const size_t at = rng() % paragraphs.size();
    switch (rng() % 4) {
      case 0:  // a new paragraph ending like its neighbour
        paragraphs.insert(paragraphs.begin() + static_cast<long>(at), RandomParagraphs(rng)[0]);
        paragraphs[at].insert(paragraphs[at].end(), paragraphs[(at + 1) % paragraphs.size()].end() - 1,
                              paragraphs[(at + 1) % paragraphs.size()].end());
        break;
      case 1:
        if (paragraphs.size() > 1) paragraphs.erase(paragraphs.begin() + static_cast<long>(at));
        break;
      case 2:
        paragraphs[at][rng() % paragraphs[at].size()] = cp1251::FromUtf8("сумма");
        break;
      default:
        paragraphs[at].insert(paragraphs[at].begin() + static_cast<long>(rng() % paragraphs[at].size()),
                              paragraphs[at][rng() % paragraphs[at].size()]);
    }
  }
  return paragraphs;
}

// Aligned without moves: moves take tokens out of runs, so the alignment's invariants are
// checked without them.
TComparisonOptions NoMoves() {
  TComparisonOptions options = kDefaultComparisonOptions;
  options.Moves = false;
  return options;
}

TComparisonOptions Coherent() {
  TComparisonOptions options = NoMoves();
  options.CoherentBlocks = true;
  return options;
}

// First pieces of marks on a page: what navigation counts.
int FirstPieces(const std::string& page) {
  int n = 0;
  for (size_t at = page.find("id=\"t_d\""); at != std::string::npos; at = page.find("id=\"t_d\"", at + 1)) ++n;
  return n;
}

// Coherent blocks mark what the aligned changes mark and, besides, common tokens (as many on
// each side); the count only falls; each page has one first piece per change; the diff's own
// records can still be had.
void ExpectCoherentJoinsAligned(const TComparisonModel& literal, const TComparisonModel& aligned,
                                const TComparisonModel& coherent, const std::string& what) {
  EXPECT_LE(coherent.ChangeCount, aligned.ChangeCount) << what;
  const TResultPages pages = BuildResultPages(coherent);
  EXPECT_EQ(FirstPieces(pages.Left), coherent.ChangeCount) << what;
  EXPECT_EQ(FirstPieces(pages.Right), coherent.ChangeCount) << what;
  EXPECT_EQ(pages.ChangeCount, coherent.ChangeCount) << what;
  size_t joined[2] = {0, 0};
  for (bool left : {true, false}) {
    const size_t count = (left ? coherent.Old : coherent.New).Hashes.size();
    const std::vector<char> was = Marked(aligned.Shown(), count, left);
    const std::vector<char> now = Marked(coherent.Shown(), count, left);
    for (size_t k = 0; k < count; ++k) {
      ASSERT_TRUE(!was[k] || now[k]) << what << ": token " << k << " no longer marked";
      joined[left] += now[k] && !was[k];
    }
  }
  EXPECT_EQ(joined[0], joined[1]) << what;
  EXPECT_EQ(joined[0], coherent.Joined.Common.size()) << what;
  const std::vector<TChangeRec> undone = coherent.LiteralRecords();
  ASSERT_EQ(undone.size(), literal.Records.size()) << what;
  for (size_t i = 0; i < undone.size(); ++i)
    ASSERT_TRUE(undone[i].Kind == literal.Records[i].Kind && undone[i].Index1 == literal.Records[i].Index1 &&
                undone[i].Index2 == literal.Records[i].Index2)
        << what << ": record " << i;
}

}  // namespace

TEST(ComparisonModel, AlignedMarksTheLiteralTokensShifted) {
  std::mt19937 rng(24);
  int shifted = 0, joined = 0;
  for (int i = 0; i < 200; ++i) {
    const auto old = RandomParagraphs(rng);
    const std::string text1 = Html(old), text2 = Html(Edited(old, rng));
    const TComparisonModel literal = Model(text1, text2, kLiteralComparison);
    const TComparisonModel aligned = Model(text1, text2, NoMoves());
    ExpectAlignedIsAShiftOfLiteral(literal, aligned, "pair " + std::to_string(i));
    const TComparisonModel coherent = Model(text1, text2, Coherent());
    ExpectCoherentJoinsAligned(literal, aligned, coherent, "pair " + std::to_string(i));
    shifted += !aligned.Shifts.empty();
    joined += coherent.ChangeCount < aligned.ChangeCount;
  }
  EXPECT_GT(joined, 20);
  EXPECT_GT(shifted, 20);  // the generated pairs do exercise the sliding
  // On the corpus, besides, no change keeps an edge inside a paragraph that a shift would put
  // on its boundary.
  const std::string corpus = PARVEL_CORPUS_DIR;
  int literalEdges = 0, alignedEdges = 0;
  for (const char* name : {"01_nk1_st17", "02_nk1_st1", "03_nk1_st45", "04_nk1_gl8", "05_nk1_razd2", "06_nk1",
                           "07_konstitutsiya", "08_semeyny_kodeks", "09_vodny_kodeks_gl1", "10_byudzhetny_kodeks",
                           "11_uk_rf_heavy"}) {
    const std::string text1 = ReadViewTextFile(corpus + "/" + name + "_old.htm");
    const std::string text2 = ReadViewTextFile(corpus + "/" + name + "_new.htm");
    const TComparisonModel literal = Model(text1, text2, kLiteralComparison);
    const TComparisonModel aligned = Model(text1, text2, NoMoves());
    ExpectAlignedIsAShiftOfLiteral(literal, aligned, name);
    const TComparisonModel coherent = Model(text1, text2, Coherent());
    ExpectCoherentJoinsAligned(literal, aligned, coherent, name);
    const int before = EdgesAShiftWouldPutOnBoundaries(literal), after = EdgesAShiftWouldPutOnBoundaries(aligned);
    literalEdges += before;
    alignedEdges += after;
    EXPECT_EQ(after, 0) << name;
    std::cout << name << ": changes " << literal.ChangeCount << " literal, " << aligned.ChangeCount << " aligned, "
              << coherent.ChangeCount << " in coherent blocks; edges a shift would put on a paragraph boundary "
              << before << " literal, " << after << " aligned\n";
  }
  std::cout << "edges a shift would put on paragraph boundaries over the corpus: " << literalEdges << " literal, "
            << alignedEdges << " aligned\n";
}

// Pair 02 inserts point 9 after a point ending with the same note: the whole new point is
// marked, the earlier note not at all.
TEST(ComparisonModel, InsertedPointIsMarkedWhole) {
  const std::string corpus = PARVEL_CORPUS_DIR;
  const TComparisonModel model = Model(ReadViewTextFile(corpus + "/02_nk1_st1_old.htm"),
                                       ReadViewTextFile(corpus + "/02_nk1_st1_new.htm"), kDefaultComparisonOptions);
  ASSERT_EQ(model.ChangeCount, 1);
  const std::string right = BuildResultPages(model).Right;
  const std::string note = cp1251::FromUtf8("(Дополнение пунктом - Федеральный закон от 27.11.2018 № 425-ФЗ)</p>");
  const size_t at = right.find(note);
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(right.find("<acronym"), right.find("<p><acronym", at) + 3);
  EXPECT_EQ(right.compare(right.find("<acronym", at) + marks::InsertOpen.size(), 2, "9."), 0);
  const std::string json = cp1251::FromUtf8(ChangesJson(model).c_str());
  EXPECT_NE(json.find(cp1251::FromUtf8("\"text\": \"9. Федеральными законами")), std::string::npos) << json;
  EXPECT_NE(json.find(cp1251::FromUtf8("04.08.2023 № 415-ФЗ)\"}}")), std::string::npos) << json;
}

TEST(ComparisonModel, JsonNamesEachChange) {
  const TComparisonModel model = Model(kHead + "<body><p>a \"b\" c.</p><p>d</p></body>",
                                       kHead + "<body><p>a c.</p><p>d e</p><p>&#8470;5</p></body>", kDefaultComparisonOptions);
  EXPECT_EQ(ChangesJson(model),
            "{\"changes\": [\n"
            "  {\"n\": 1, \"kind\": \"deleted\", \"old\": {\"paragraph\": 0, \"first_token\": 1, \"token_count\": 3, "
            "\"text\": \"\\\"b\\\"\"}, \"new\": {\"paragraph\": 0, \"first_token\": 1, \"token_count\": 0, \"text\": \"\"}},\n"
            "  {\"n\": 2, \"kind\": \"inserted\", \"old\": {\"paragraph\": 1, \"first_token\": 7, \"token_count\": 0, "
            "\"text\": \"\"}, \"new\": {\"paragraph\": 1, \"first_token\": 4, \"token_count\": 3, "
            "\"text\": \"e \xE2\x84\x96" "5\"}}\n"
            "]}\n");
  EXPECT_EQ(ChangesJson(Model(kHead + "<body>a</body>", kHead + "<body>a</body>", kDefaultComparisonOptions)),
            "{\"changes\": []}\n");
}

// Which neighbouring changes make one coherent block: a short common run inside one paragraph.
TEST(CoherentBlocks, JoinOnlyShortCommonRunsInsideOneParagraph) {
  struct TCase {
    const char *old, *now;
    int aligned, coherent;
  };
  const TCase cases[] = {
      // two common words between one-word edits
      {"<p>Налог в бюджет субъекта зачисляется ежегодно.</p>", "<p>Сбор в бюджет региона зачисляется ежегодно.</p>", 2, 1},
      // three are too many for one-word edits, not for three-word ones
      {"<p>Налог зачисляется в бюджет субъекта.</p>", "<p>Сбор зачисляется в бюджет региона.</p>", 2, 2},
      {"<p>Налог на доходы зачисляется в бюджет субъекта Российской Федерации.</p>",
       "<p>Сбор с граждан зачисляется в бюджет муниципального района края.</p>", 2, 1},
      // punctuation is no word
      {"<p>Налог (сбор), пени.</p>", "<p>Взнос (платёж), штрафы.</p>", 3, 1},
      // a replacement with more new words than old ones: the runs meet
      {"<p>Налог уплачивается ежегодно.</p>", "<p>Сбор и взнос уплачиваются ежегодно.</p>", 2, 1},
      // never across a paragraph, a line break or a cell
      {"<p>Налог уплачивается</p><p>в бюджет</p>", "<p>Сбор уплачивается</p><p>в казну</p>", 2, 2},
      {"<p>Налог уплачивается<br>в бюджет</p>", "<p>Сбор уплачивается<br>в казну</p>", 2, 2},
      {"<table><tr><td>Налог</td><td>в бюджет</td></tr></table>", "<table><tr><td>Сбор</td><td>в казну</td></tr></table>", 2, 2},
      // an insertion and a deletion a word apart
      {"<p>Налог уплачивается до первого марта.</p>", "<p>Налог и сбор уплачивается первого марта.</p>", 2, 1},
  };
  for (const TCase& c : cases) {
    const std::string text1 = kHead + "<body>" + cp1251::FromUtf8(c.old) + "</body></html>";
    const std::string text2 = kHead + "<body>" + cp1251::FromUtf8(c.now) + "</body></html>";
    SCOPED_TRACE(c.now);
    const TComparisonModel aligned = Model(text1, text2, NoMoves());
    const TComparisonModel coherent = Model(text1, text2, Coherent());
    EXPECT_EQ(aligned.ChangeCount, c.aligned);
    EXPECT_EQ(coherent.ChangeCount, c.coherent);
    ExpectCoherentJoinsAligned(Model(text1, text2, kLiteralComparison), aligned, coherent, c.now);
    // The exact comparison joins nothing, whatever is asked.
    TComparisonOptions literal = Coherent();
    literal.Literal = true;
    EXPECT_EQ(Model(text1, text2, literal).ChangeCount, Model(text1, text2, kLiteralComparison).ChangeCount);
  }
  // A block is one replacement of everything from its first edit to its last.
  const TComparisonModel block = Model(kHead + cp1251::FromUtf8("<body><p>Налог в бюджет субъекта зачисляется.</p></body>"),
                                       kHead + cp1251::FromUtf8("<body><p>Сбор в бюджет региона зачисляется.</p></body>"),
                                       Coherent());
  EXPECT_EQ(ChangesJson(block),
            "{\"changes\": [\n"
            "  {\"n\": 1, \"kind\": \"replaced\", \"old\": {\"paragraph\": 0, \"first_token\": 0, \"token_count\": 4, "
            "\"text\": \"Налог в бюджет субъекта\"}, \"new\": {\"paragraph\": 0, \"first_token\": 0, \"token_count\": 4, "
            "\"text\": \"Сбор в бюджет региона\"}}\n"
            "]}\n");
}

namespace {

// Each side's tokens marked by the runs, moves included.
std::vector<char> MarkedByRuns(const TComparisonModel& m, bool left) {
  std::vector<char> marked((left ? m.Old : m.New).Hashes.size(), 0);
  for (const TChangeRun& r : m.Runs)
    for (int32_t k = 0; k < (left ? r.Count1 : r.Count2); ++k) marked[static_cast<size_t>((left ? r.First1 : r.First2) + k)] = 1;
  return marked;
}

std::string Body(const std::string& paragraphs) { return kHead + "<body>" + cp1251::FromUtf8(paragraphs) + "</body></html>"; }

}  // namespace

// A paragraph moved two places down with one word changed on the way: one change, drawn at both
// ends in the move colour, the changed word pink and green inside it, each end naming the other.
TEST(ComparisonModel, MovedParagraphIsOneChange) {
  const std::string moved = "Налоговые органы вправе требовать от налогоплательщика документы, ";
  // The paragraphs it moves past are longer: the word diff keeps them and takes the moved one.
  const std::string second = "<p>Второй абзац о порядке уплаты сбора, сроках его перечисления и о правах "
                             "плательщиков при проверке, а также о зачёте и возврате излишне уплаченных сумм.</p>";
  const std::string third = "<p>Третий абзац о представлении отчётности, её формах, сроках и о порядке её приёма "
                            "налоговыми органами по месту учёта организаций и физических лиц.</p>";
  const TComparisonModel m =
      Model(Body("<p>Первый абзац.</p><p>" + moved + "указанные в статье 12.</p>" + second + third),
            Body("<p>Первый абзац.</p>" + second + third + "<p>" + moved + "указанные в статье 14.</p>"),
            kDefaultComparisonOptions);
  ASSERT_EQ(m.ChangeCount, 1);
  ASSERT_EQ(m.Moves.size(), 1u);
  const TChangeRun& r = m.Runs[0];
  EXPECT_TRUE(r.Moved);
  EXPECT_EQ(m.ParagraphOf(true, r.First1), 1);
  EXPECT_EQ(m.ParagraphOf(false, r.First2), 3);
  ASSERT_EQ(m.Moves[0].Edited1.size(), 1u);
  EXPECT_EQ(m.Moves[0].Edited1[0].Count, 1);
  const TResultPages pages = BuildResultPages(m);
  const std::string toEnd = std::string(marks::MovedOpenStart) + cp1251::FromUtf8("Перенесено в абзац 4\">");
  const std::string fromEnd = std::string(marks::MovedOpenStart) + cp1251::FromUtf8("Перенесено из абзаца 2\">");
  EXPECT_NE(pages.Left.find("<p>" + toEnd + cp1251::FromUtf8("Налоговые")), std::string::npos) << pages.Left;
  EXPECT_NE(pages.Right.find("<p>" + fromEnd + cp1251::FromUtf8("Налоговые")), std::string::npos) << pages.Right;
  EXPECT_NE(pages.Left.find(std::string(marks::MovedDeletedContinuedStart) + cp1251::FromUtf8("Перенесено в абзац 4\">12")),
            std::string::npos);
  EXPECT_NE(pages.Right.find(std::string(marks::MovedInsertedContinuedStart) + cp1251::FromUtf8("Перенесено из абзаца 2\">14")),
            std::string::npos);
  EXPECT_EQ(pages.Left.find(std::string(marks::DeleteOpen)), std::string::npos);  // no placeholder, no other mark
  EXPECT_EQ(pages.Right.find(std::string(marks::DeletePlace)), std::string::npos);
  EXPECT_NE(ChangesJson(m).find("\"kind\": \"moved\", \"old\": {\"paragraph\": 1"), std::string::npos);
  // The literal layout never has moves; its pages are those of the records.
  const TComparisonModel literal = Model(Body("<p>a</p><p>" + moved + "</p>"), Body("<p>" + moved + "</p><p>a</p>"),
                                         kLiteralComparison);
  EXPECT_TRUE(literal.Moves.empty());
  for (const TChangeRun& run : literal.Runs) EXPECT_FALSE(run.Moved);
}

// A move taken out of a larger deletion leaves the rest a deletion; the marks of two changes
// stand in a different order on the two pages, and the pages say which is which. Three common
// words, or a short phrase inside larger rewritten passages, are no move.
TEST(ComparisonModel, MovesAmongOtherChanges) {
  const std::string moved = "Сведения о доходах физических лиц представляются ежегодно";
  const std::string middle = "<p>Середина: порядок исчисления и уплаты сбора, сроки представления отчётности и права "
                             "плательщиков при проверке, а также зачёт и возврат излишне уплаченных сумм.</p>";
  const std::string end = "<p>Конец: формы отчётности, сроки и порядок её приёма налоговыми органами по месту учёта "
                          "организаций и физических лиц, индивидуальных предпринимателей и нотариусов.</p>";
  const TComparisonModel m = Model(Body("<p>Начало.</p><p>Совсем другой текст удален. " + moved + ".</p>" + middle + end),
                                   Body("<p>Начало.</p>" + middle + "<p>Вставка нового.</p>" + end + "<p>" + moved + ".</p>"),
                                   kDefaultComparisonOptions);
  ASSERT_EQ(m.Moves.size(), 1u);
  int moves = 0, others = 0;
  for (const TChangeRun& r : m.Runs) (r.Moved ? moves : others) += 1;
  EXPECT_EQ(moves, 1);
  EXPECT_GE(others, 2);  // the rest of the deletion and the new paragraph
  const TResultPages pages = BuildResultPages(m);
  ASSERT_EQ(pages.LeftMarks.size(), m.Runs.size());
  const int32_t move = m.Moves[0].Run;
  // On the left the move's old end comes before the new paragraph's placeholder, on the right after its mark.
  for (size_t n = 0; n < m.Runs.size(); ++n)
    if (!m.Runs[n].Moved && m.Runs[n].Count2 > 0) {
      EXPECT_LT(pages.LeftMarks[static_cast<size_t>(move)], pages.LeftMarks[n]);
      EXPECT_GT(pages.RightMarks[static_cast<size_t>(move)], pages.RightMarks[n]);
    }
  for (const auto& [a, b] : {std::pair<std::string, std::string>{"<p>x в том числе</p><p>y</p>", "<p>y</p><p>z в том числе</p>"},
                             {"<p>Первое: в соответствии со статьей 5 прочее длинное изложение.</p><p>y</p>",
                              "<p>y</p><p>Второе совсем иное, в соответствии со статьей 7, и ещё много слов.</p>"}})
    EXPECT_TRUE(Model(Body(a), Body(b), kDefaultComparisonOptions).Moves.empty()) << a;
}

// With moves, each side marks the same tokens as without them, on generated pairs whose edits
// move paragraphs.
TEST(ComparisonModel, MovesKeepTheMarkedTokens) {
  std::mt19937 rng(7);
  int withMoves = 0;
  for (int i = 0; i < 200; ++i) {
    auto old = RandomParagraphs(rng);
    for (auto& p : old)
      for (int k = 0; k < 4; ++k) p.push_back(cp1251::FromUtf8(k % 2 ? "порядок" : "исчисления") + std::to_string(rng() % 50));
    auto edited = Edited(old, rng);
    const size_t from = rng() % edited.size(), to = rng() % edited.size();
    const auto moved = edited[from];
    edited.erase(edited.begin() + static_cast<long>(from));
    edited.insert(edited.begin() + static_cast<long>(to), moved);
    const std::string text1 = Html(old), text2 = Html(edited);
    const TComparisonModel plain = Model(text1, text2, NoMoves());
    const TComparisonModel m = Model(text1, text2, kDefaultComparisonOptions);
    withMoves += !m.Moves.empty();
    EXPECT_EQ(MarkedByRuns(m, true), MarkedByRuns(plain, true)) << i;
    EXPECT_EQ(MarkedByRuns(m, false), MarkedByRuns(plain, false)) << i;
    const TResultPages pages = BuildResultPages(m);
    EXPECT_EQ(pages.ChangeCount, m.ChangeCount);
    std::vector<int32_t> left = pages.LeftMarks, right = pages.RightMarks;
    std::sort(left.begin(), left.end()), std::sort(right.begin(), right.end());
    for (size_t n = 0; n < left.size(); ++n) ASSERT_TRUE(left[n] == static_cast<int32_t>(n) && right[n] == static_cast<int32_t>(n)) << i;
  }
  EXPECT_GT(withMoves, 50);
}
