#include "documents/TrackedEdition.h"

#include "documents/TokenWalk.h"
#include "engine/ComparisonModel.h"

namespace {

class TEditionWriter {
 public:
  explicit TEditionWriter(TTrackedEdition& edition) : edition_(edition) { edition_.Paragraphs.emplace_back(); }

  void Add(TTrackKind kind, int change, bool moved, const std::string& text) {
    auto& spans = edition_.Paragraphs.back().Spans;
    if (!spans.empty() && spans.back().Kind == kind && spans.back().Change == change && spans.back().Moved == moved)
      spans.back().Text += text;
    else
      spans.push_back({text, kind, moved, change});
  }

  void EndParagraph(TTrackKind kind, int change) {
    edition_.Paragraphs.back().End = kind;
    edition_.Paragraphs.back().EndChange = kind == TTrackKind::Same ? -1 : change;
    edition_.Paragraphs.emplace_back();
  }

 private:
  TTrackedEdition& edition_;
};

// For every item, the change nearest to it: its own, else the one before, else the one after.
std::vector<int> NearChanges(const std::vector<TWalkItem>& items) {
  std::vector<int> near(items.size(), -1);
  int last = -1;
  for (size_t p = 0; p < items.size(); ++p) near[p] = last = items[p].Change >= 0 ? items[p].Change : last;
  int next = -1;
  for (size_t p = items.size(); p-- > 0;) {
    if (items[p].Change >= 0) next = items[p].Change;
    if (near[p] < 0) near[p] = next;
  }
  return near;
}

}  // namespace

TTrackedEdition BuildTrackedEdition(const TComparisonModel& model, const std::string& date, const std::string& title) {
  TTrackedEdition edition;
  edition.Date = date;
  edition.Title = title.empty() ? HeadingText(model.New, 120) : title;
  const TTokenWalk walk = WalkTokens(model);
  const std::vector<TWalkItem>& items = walk.Items;
  if (items.empty()) return edition;
  TEditionWriter writer(edition);
  const std::vector<int> nearChange = NearChanges(items);
  const auto& par1 = model.Old.Blocks.Paragraph;
  const auto& par2 = model.New.Blocks.Paragraph;
  // A paragraph end of one text is due before that text's next token; while only one text's
  // end is pending it waits for the other's, so that ends of both meet as one where they can.
  bool oldPending = false, newPending = false;
  for (size_t p = 0; p < items.size(); ++p) {
    const TWalkItem& it = items[p];
    if (p > 0) {
      const bool oldDue = oldPending && it.Old >= 0, newDue = newPending && it.New >= 0;
      if (oldPending && newPending) {
        writer.EndParagraph(TTrackKind::Same, -1);
        oldPending = newPending = false;
      } else if (oldDue) {
        writer.EndParagraph(TTrackKind::Deleted, nearChange[p]);
        oldPending = false;
      } else if (newDue) {
        writer.EndParagraph(TTrackKind::Inserted, nearChange[p]);
        newPending = false;
      }
    }
    // The blank before a word goes with the word, so that either text keeps one.
    const bool sameText = it.Old >= 0 && it.New >= 0 && TokenUtf8(model.Old, it.Old) == TokenUtf8(model.New, it.New);
    if (it.Old >= 0 && it.New >= 0 && !sameText) {
      // Tokens the comparison takes for equal but written otherwise (in another case): each
      // text keeps its own.
      const int change = nearChange[p];
      writer.Add(TTrackKind::Deleted, change, false, (BlankBefore(model.Old, it.Old) ? " " : "") + TokenUtf8(model.Old, it.Old));
      writer.Add(TTrackKind::Inserted, change, false, (BlankBefore(model.New, it.New) ? " " : "") + TokenUtf8(model.New, it.New));
    } else if (it.Old >= 0 && it.New >= 0) {
      const bool blank1 = BlankBefore(model.Old, it.Old), blank2 = BlankBefore(model.New, it.New);
      if (blank1 != blank2)
        writer.Add(blank2 ? TTrackKind::Inserted : TTrackKind::Deleted, nearChange[p], false, " ");
      writer.Add(TTrackKind::Same, -1, false, (blank1 && blank2 ? " " : "") + TokenUtf8(model.New, it.New));
    } else if (it.Old >= 0) {
      writer.Add(TTrackKind::Deleted, it.Change, it.Moved,
                 (BlankBefore(model.Old, it.Old) ? " " : "") + TokenUtf8(model.Old, it.Old));
    } else {
      writer.Add(TTrackKind::Inserted, it.Change, it.Moved,
                 (BlankBefore(model.New, it.New) ? " " : "") + TokenUtf8(model.New, it.New));
    }
    if (it.Old >= 0 && static_cast<size_t>(it.Old) + 1 < par1.size() && par1[it.Old + 1] != par1[it.Old])
      oldPending = true;
    if (it.New >= 0 && static_cast<size_t>(it.New) + 1 < par2.size() && par2[it.New + 1] != par2[it.New])
      newPending = true;
  }
  return edition;
}
