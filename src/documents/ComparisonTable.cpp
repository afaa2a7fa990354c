#include "documents/ComparisonTable.h"

#include <algorithm>
#include <numeric>

#include "documents/TokenWalk.h"
#include "engine/ChangeList.h"
#include "engine/ChangesJson.h"
#include "engine/ComparisonModel.h"

namespace {

// Disjoint sets of paragraphs: the old text's first, then the new text's.
class TParagraphSets {
 public:
  explicit TParagraphSets(size_t count) : parent_(count) { std::iota(parent_.begin(), parent_.end(), size_t{0}); }
  size_t Find(size_t x) {
    while (parent_[x] != x) x = parent_[x] = parent_[parent_[x]];
    return x;
  }
  void Join(size_t a, size_t b) { parent_[Find(a)] = Find(b); }

 private:
  std::vector<size_t> parent_;
};

// Where each paragraph's tokens lie: paragraph indices of a text grow with its tokens.
struct TParagraphTokens {
  std::vector<int32_t> First, End;  // by paragraph index; First == End where it has none
};

TParagraphTokens TokensOfParagraphs(const TComparedText& text) {
  TParagraphTokens out;
  const auto& par = text.Blocks.Paragraph;
  const size_t count = par.empty() ? 0 : static_cast<size_t>(par.back()) + 1;
  out.First.assign(count, 0);
  out.End.assign(count, 0);
  for (size_t k = 0; k < par.size(); ++k) {
    const size_t p = static_cast<size_t>(par[k]);
    if (k == 0 || par[k - 1] != par[k]) out.First[p] = static_cast<int32_t>(k);
    out.End[p] = static_cast<int32_t>(k + 1);
  }
  return out;
}

// A paragraph's words as spans, marked where marked(k) says; blanks next to a marked stretch
// stay outside it.
template <typename F>
std::vector<TTableSpan> ParagraphSpans(const TComparedText& text, int32_t first, int32_t end, F&& marked) {
  std::vector<TTableSpan> spans;
  for (int32_t k = first; k < end; ++k) {
    const bool mark = marked(k);
    const std::string blank = BlankBefore(text, k) ? " " : "";
    if (spans.empty() || spans.back().Marked != mark) {
      if (mark && !spans.empty()) {
        spans.back().Text += blank;
        spans.push_back({TokenUtf8(text, k), true});
      } else {
        spans.push_back({blank + TokenUtf8(text, k), mark});
      }
    } else {
      spans.back().Text += blank + TokenUtf8(text, k);
    }
  }
  return spans;
}

// A move that takes whole paragraphs from one place to another.
bool MovesWholeParagraphs(const TComparedText& text, int32_t first, int32_t count) {
  if (count <= 0) return false;
  const int32_t end = first + count;
  return StartsParagraph(text, first) && (end >= static_cast<int32_t>(text.Positions.size()) || StartsParagraph(text, end));
}

std::string Shortened(const std::string& heading, const std::string& name) {
  return heading.empty() ? name : heading;
}

}  // namespace

TComparisonTable BuildComparisonTable(const TComparisonModel& model, const TChangeList& list, const TTableTitles& titles) {
  TComparisonTable table;
  table.Title = "Сравнительная таблица";
  table.Column1 = titles.Column1;
  table.Column2 = titles.Column2;
  const std::string heading1 = Shortened(HeadingText(model.Old, 100), titles.Name1);
  const std::string heading2 = Shortened(HeadingText(model.New, 100), titles.Name2);
  table.Subtitle = heading1 == heading2 || heading2.empty() ? heading1 : heading1.empty() ? heading2 : heading1 + " — " + heading2;
  if (!titles.Date.empty()) table.Subtitle += (table.Subtitle.empty() ? "" : " · ") + std::string("Дата сравнения: ") + titles.Date;
  table.Summary = Utf8Text(list.Summary.Text);

  const TTokenWalk walk = WalkTokens(model);
  const TParagraphTokens tokens1 = TokensOfParagraphs(model.Old), tokens2 = TokensOfParagraphs(model.New);
  const size_t count1 = tokens1.First.size(), count2 = tokens2.First.size();
  const auto& par1 = model.Old.Blocks.Paragraph;
  const auto& par2 = model.New.Blocks.Paragraph;

  // Moves of whole paragraphs are rows of their own; their paragraphs join no other.
  std::vector<int> wholeMove1(count1, -1), wholeMove2(count2, -1);
  for (size_t r = 0; r < model.Runs.size(); ++r) {
    const TChangeRun& run = model.Runs[r];
    if (!run.Moved || !MovesWholeParagraphs(model.Old, run.First1, run.Count1) ||
        !MovesWholeParagraphs(model.New, run.First2, run.Count2))
      continue;
    for (int32_t k = run.First1; k < run.First1 + run.Count1; ++k) wholeMove1[static_cast<size_t>(par1[k])] = static_cast<int>(r);
    for (int32_t k = run.First2; k < run.First2 + run.Count2; ++k) wholeMove2[static_cast<size_t>(par2[k])] = static_cast<int>(r);
  }

  // Paragraphs are linked by the equal tokens they share and by the changes that touch them.
  TParagraphSets sets(count1 + count2);
  for (const TWalkItem& it : walk.Items)
    if (it.Old >= 0 && it.New >= 0) sets.Join(static_cast<size_t>(par1[it.Old]), count1 + static_cast<size_t>(par2[it.New]));
  for (size_t r = 0; r < model.Runs.size(); ++r) {
    const TChangeRun& run = model.Runs[r];
    if (run.Moved && run.Count1 > 0 && wholeMove1[static_cast<size_t>(par1[run.First1])] == static_cast<int>(r)) continue;
    size_t anchor = SIZE_MAX;
    auto link = [&](size_t node) {
      if (anchor == SIZE_MAX) anchor = node;
      else sets.Join(node, anchor);
    };
    for (int32_t k = run.First1; k < run.First1 + run.Count1; ++k) link(static_cast<size_t>(par1[k]));
    // A move's two places lie apart: each links only its own paragraphs.
    if (run.Moved) anchor = SIZE_MAX;
    for (int32_t k = run.First2; k < run.First2 + run.Count2; ++k) link(count1 + static_cast<size_t>(par2[k]));
  }

  struct TGroup {
    std::vector<size_t> Old, New;  // paragraph indices in text order
    int FirstChange = -1, LastChange = -1;
    bool Seen = false;
  };
  std::vector<TGroup> groups(count1 + count2);
  auto noteChange = [](TGroup& g, int change) {
    if (change < 0) return;
    if (g.FirstChange < 0 || change < g.FirstChange) g.FirstChange = change;
    if (change > g.LastChange) g.LastChange = change;
  };
  for (size_t p = 0; p < count1; ++p) {
    if (tokens1.First[p] == tokens1.End[p] || wholeMove1[p] >= 0) continue;
    TGroup& g = groups[sets.Find(p)];
    g.Old.push_back(p);
    for (int32_t k = tokens1.First[p]; k < tokens1.End[p]; ++k) noteChange(g, walk.Change1[static_cast<size_t>(k)]);
  }
  for (size_t q = 0; q < count2; ++q) {
    if (tokens2.First[q] == tokens2.End[q] || wholeMove2[q] >= 0) continue;
    TGroup& g = groups[sets.Find(count1 + q)];
    g.New.push_back(q);
    for (int32_t k = tokens2.First[q]; k < tokens2.End[q]; ++k) noteChange(g, walk.Change2[static_cast<size_t>(k)]);
  }

  auto address = [&list](int change, bool oldSide) {
    if (change < 0 || static_cast<size_t>(change) >= list.Entries.size()) return std::string();
    const TChangeEntry& e = list.Entries[static_cast<size_t>(change)];
    return Utf8Text(oldSide ? e.Old.Address : e.New.Address);
  };
  auto oldCell = [&](const std::vector<size_t>& pars, auto&& marked) {
    TTableCell cell;
    for (size_t p : pars) cell.Paragraphs.push_back(ParagraphSpans(model.Old, tokens1.First[p], tokens1.End[p], marked));
    return cell;
  };
  auto newCell = [&](const std::vector<size_t>& pars, auto&& marked) {
    TTableCell cell;
    for (size_t q : pars) cell.Paragraphs.push_back(ParagraphSpans(model.New, tokens2.First[q], tokens2.End[q], marked));
    return cell;
  };
  auto addGap = [&table] {
    if (!table.Rows.empty() && table.Rows.back().Gap) return;
    table.Rows.emplace_back();
    table.Rows.back().Gap = true;
  };

  std::vector<uint8_t> moveShown(model.Runs.size(), 0);
  for (const TWalkItem& it : walk.Items) {
    if (it.New < 0 && wholeMove1[static_cast<size_t>(par1[it.Old])] >= 0) continue;  // a move's old place
    if (it.New >= 0 && wholeMove2[static_cast<size_t>(par2[it.New])] >= 0) {
      const int r = wholeMove2[static_cast<size_t>(par2[it.New])];
      if (moveShown[static_cast<size_t>(r)]) continue;
      moveShown[static_cast<size_t>(r)] = 1;
      const TChangeRun& run = model.Runs[static_cast<size_t>(r)];
      const TMovedPassage* passage = nullptr;
      for (const TMovedPassage& m : model.Moves)
        if (m.Run == r) passage = &m;
      auto inRanges = [](const std::vector<TTokenRange>* ranges, int32_t k) {
        if (!ranges) return false;
        for (const TTokenRange& range : *ranges)
          if (k >= range.First && k < range.End()) return true;
        return false;
      };
      std::vector<size_t> old, now;
      for (int32_t k = run.First1; k < run.First1 + run.Count1; ++k)
        if (old.empty() || old.back() != static_cast<size_t>(par1[k])) old.push_back(static_cast<size_t>(par1[k]));
      for (int32_t k = run.First2; k < run.First2 + run.Count2; ++k)
        if (now.empty() || now.back() != static_cast<size_t>(par2[k])) now.push_back(static_cast<size_t>(par2[k]));
      TTableRow row;
      row.Moved = true;
      row.FirstChange = row.LastChange = r;
      const auto* edited1 = passage ? &passage->Edited1 : nullptr;
      const auto* edited2 = passage ? &passage->Edited2 : nullptr;
      row.Old = oldCell(old, [&](int32_t k) { return inRanges(edited1, k); });
      row.New = newCell(now, [&](int32_t k) { return inRanges(edited2, k); });
      row.Old.Address = address(r, true);
      row.New.Address = address(r, false);
      table.Rows.push_back(std::move(row));
      continue;
    }
    const size_t node = it.Old >= 0 ? static_cast<size_t>(par1[it.Old]) : count1 + static_cast<size_t>(par2[it.New]);
    TGroup& g = groups[sets.Find(node)];
    if (g.Seen) continue;
    g.Seen = true;
    if (g.FirstChange < 0) {
      addGap();
      continue;
    }
    TTableRow row;
    row.FirstChange = g.FirstChange;
    row.LastChange = g.LastChange;
    row.Old = oldCell(g.Old, [&](int32_t k) { return walk.Change1[static_cast<size_t>(k)] >= 0; });
    row.New = newCell(g.New, [&](int32_t k) { return walk.Change2[static_cast<size_t>(k)] >= 0; });
    if (!row.Old.Paragraphs.empty()) row.Old.Address = address(g.FirstChange, true);
    if (!row.New.Paragraphs.empty()) row.New.Address = address(g.FirstChange, false);
    table.Rows.push_back(std::move(row));
  }
  return table;
}
