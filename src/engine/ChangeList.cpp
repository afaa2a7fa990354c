#include "engine/ChangeList.h"

#include <algorithm>
#include <map>
#include <set>
#include <string_view>
#include <utility>

#include "engine/BothSides.h"
#include "engine/ChangesJson.h"
#include "engine/ComparisonModel.h"
#include "engine/SplitHtml.h"
#include "support/Cp1251.h"

namespace {

std::string W(const char* utf8) { return cp1251::FromUtf8(utf8); }

// What a unit is called in an address, by its level and the convention.
enum class TField { None, Section, Subsection, Chapter, Paragraph, Article, Remarks, Part, Item, Subitem, Lettered };

struct TFieldWords {
  std::string Short, One, Many;  // «п.», «пунктом», «пунктами»
};

const TFieldWords& WordsOf(TField f) {
  static const std::map<TField, TFieldWords> kWords = {
      {TField::Section, {W("разд."), W("разделом"), W("разделами")}},
      {TField::Subsection, {W("подразд."), W("подразделом"), W("подразделами")}},
      {TField::Chapter, {W("гл."), W("главой"), W("главами")}},
      {TField::Paragraph, {W("§"), W("параграфом"), W("параграфами")}},
      {TField::Article, {W("ст."), W("статьей"), W("статьями")}},
      {TField::Remarks, {W("прим. к"), W("примечанием"), W("примечаниями")}},
      {TField::Part, {W("ч."), W("частью"), W("частями")}},
      {TField::Item, {W("п."), W("пунктом"), W("пунктами")}},
      {TField::Subitem, {W("пп."), W("подпунктом"), W("подпунктами")}},
      {TField::Lettered, {W("пп."), W("подпунктом"), W("подпунктами")}},
      {TField::None, {W("абз."), W("абзацем"), W("абзацами")}},
  };
  return kWords.at(f);
}

struct TTexts {
  std::string Quote1 = W("«"), Quote2 = W("»"), Ellipsis = W("…"), Arrow = " &#8594; ", Intro = W("вводная часть"),
              Naming = W("наименование "), Note = W(", отметка о редакции"), Abzac = W("абз. "),
              Added = W("дополнено словами "), Replaced1 = W("слова "), Replaced2 = W(" заменены словами "),
              Removed = W(" исключены"), NewWording = W("изложено в новой редакции"),
              Repealed = W("утратило силу"), UnitAdded = W("дополнено "), UnitRemoved = W("исключено"),
              Moved = W("перенесено"), Renumbered = W("изменён номер"), Lost = W("утратил"), Force = W("силу"),
              Outside = W("Текст вне статей"), Redaktsii = W("редакции"), Uchetom = W("учетом");
  std::vector<std::string> NoteStarts;
  TTexts() {
    for (const char* w : {"В", "С", "Наименование", "Дополнение", "Утратил", "Утратила", "Утратило", "Пункт",
                          "Подпункт", "Часть", "Абзац", "Статья", "Глава", "Раздел", "Введен", "Введена",
                          "Введено", "Исключен", "Исключена", "Признан", "Признана"})
      NoteStarts.push_back(W(w));
  }
};

const TTexts& Texts() {
  static const TTexts texts;
  return texts;
}

// One compared text with its structure.
struct TSide {
  const TComparedText& Text;
  const TLegalStructure& S;
  int32_t Tokens() const { return static_cast<int32_t>(Text.Positions.size()); }
  int32_t BlockOf(int32_t token) const { return S.BlockOf(Text, token); }
  const TStructureBlock& Block(int32_t b) const { return S.Blocks[static_cast<size_t>(b)]; }
  const TLegalUnit& Unit(int u) const { return S.Units[static_cast<size_t>(u)]; }
  std::string_view Token(int32_t k) const {
    const size_t at = static_cast<size_t>(Text.Positions[static_cast<size_t>(k)] - 1);
    return std::string_view(Text.Text).substr(at, TokenLength(Text.Text, at));
  }
};

TField FieldOf(const TSide& side, int unit) {
  const TLegalUnit& u = side.Unit(unit);
  const TNumbering numbering = side.S.Numbering;
  bool underNumbered2 = false, inRemarks = false;
  for (int p = u.Parent; p >= 0; p = side.Unit(p).Parent) {
    underNumbered2 |= side.Unit(p).Level == TUnitLevel::Numbered2;
    inRemarks |= side.Unit(p).Level == TUnitLevel::Remarks;
  }
  switch (u.Level) {
    case TUnitLevel::CodePart: return TField::None;
    case TUnitLevel::Section: return TField::Section;
    case TUnitLevel::Subsection: return TField::Subsection;
    case TUnitLevel::Chapter: return TField::Chapter;
    case TUnitLevel::Paragraph: return TField::Paragraph;
    case TUnitLevel::Article: return TField::Article;
    case TUnitLevel::Remarks: return TField::Remarks;
    default: break;
  }
  if (numbering == TNumbering::Decimal) {
    switch (u.Level) {
      case TUnitLevel::Numbered1: return TField::Section;
      case TUnitLevel::Numbered2: return TField::Item;
      case TUnitLevel::Numbered3: return TField::Subitem;
      default: return TField::Lettered;
    }
  }
  if (inRemarks) return u.Level == TUnitLevel::Numbered1 ? TField::Item : TField::Subitem;
  const bool chast = numbering == TNumbering::ChastPunkt;
  switch (u.Level) {
    case TUnitLevel::Numbered1: return chast ? TField::Part : TField::Item;
    case TUnitLevel::Numbered2: return chast ? TField::Item : TField::Subitem;
    default:
      if (chast) return underNumbered2 ? TField::Subitem : TField::Item;
      return underNumbered2 ? TField::Lettered : TField::Subitem;
  }
}

bool IsLetterLabel(const std::string& label) {
  return label.size() == 1 && static_cast<unsigned char>(label[0]) >= 0xC0;
}

std::string ShortName(const TSide& side, int unit) {
  const TLegalUnit& u = side.Unit(unit);
  const TFieldWords& words = WordsOf(FieldOf(side, unit));
  const TTexts& t = Texts();
  if (u.Level == TUnitLevel::Remarks) return words.Short;
  std::string label = IsLetterLabel(u.Label) ? t.Quote1 + u.Label + t.Quote2 : u.Label;
  return words.Short + " " + label;
}

// The units of a unit's address, smallest first: up to its article; outside articles the
// heading unit itself (with the chapter of a § and the section of a подраздел).
std::string UnitAddress(const TSide& side, int unit) {
  std::string address;
  auto add = [&](const std::string& part) {
    if (!address.empty()) address += ' ';
    address += part;
  };
  const bool decimal = side.S.Numbering == TNumbering::Decimal;
  for (int u = unit; u >= 0; u = side.Unit(u).Parent) {
    const TLegalUnit& lu = side.Unit(u);
    if (lu.Level == TUnitLevel::CodePart) continue;
    add(ShortName(side, u));
    if (lu.Level == TUnitLevel::Article) break;
    if (decimal && lu.Level <= TUnitLevel::Numbered3 && lu.Level >= TUnitLevel::Numbered1) break;
    if (lu.Level < TUnitLevel::Article) {
      // A heading unit outside articles: its own name, and the one above a § or a подраздел.
      const int parent = lu.Parent;
      if (parent >= 0 && ((lu.Level == TUnitLevel::Paragraph && side.Unit(parent).Level == TUnitLevel::Chapter) ||
                          (lu.Level == TUnitLevel::Subsection && side.Unit(parent).Level == TUnitLevel::Section)))
        add(ShortName(side, parent));
      break;
    }
  }
  return address;
}

// In a bracketed edition note of the paragraph: «(В редакции …)» opened at or before the token
// and not closed before it.
bool InInlineNote(const TSide& side, int32_t block, int32_t token, bool withToken) {
  const TStructureBlock& b = side.Block(block);
  const TTexts& t = Texts();
  bool inNote = false;
  const int32_t blockEnd = b.FirstToken + b.TokenCount;
  const int32_t end = std::min(token + (withToken ? 1 : 0), blockEnd);
  for (int32_t k = b.FirstToken; k < end; ++k) {
    const std::string_view tok = side.Token(k);
    if (tok == ")") inNote = false;
    if (tok != "(" || k + 1 >= blockEnd) continue;
    const std::string_view next = side.Token(k + 1);
    if (std::find(t.NoteStarts.begin(), t.NoteStarts.end(), next) == t.NoteStarts.end()) continue;
    if (next.size() == 1 && (k + 2 >= blockEnd || (side.Token(k + 2) != t.Redaktsii && side.Token(k + 2) != t.Uchetom)))
      continue;
    inNote = true;
  }
  return inNote;
}

// An edition note of a whole article («(Статья в редакции …)», «(Дополнение статьей …)») after
// its last paragraph belongs to the article, not to that paragraph's unit.
bool NotesTheArticle(const TSide& side, const TStructureBlock& b) {
  if (b.Role != TBlockRole::Note || b.TokenCount < 3) return false;
  static const std::string kArticle = W("Статья"), kAdded = W("Дополнение"), kByArticle = W("статьей");
  const std::string_view first = side.Token(b.FirstToken + 1);
  return first == kArticle || (first == kAdded && side.Token(b.FirstToken + 2) == kByArticle);
}

// withToken: the side has the token itself (an empty side stands before it).
TUnitPlace PlaceOf(const TSide& side, int32_t block, int32_t token, bool withToken) {
  TUnitPlace place;
  place.Block = block;
  if (block < 0 || static_cast<size_t>(block) >= side.S.Blocks.size()) {
    place.Address = Texts().Intro;
    return place;
  }
  const TStructureBlock& b = side.Block(block);
  const TTexts& t = Texts();
  place.InHeading = b.Role == TBlockRole::Heading;
  place.InEditionNote = b.Role == TBlockRole::Note || (b.TokenCount > 0 && InInlineNote(side, block, token, withToken));
  if (b.Unit < 0) {
    place.Address = t.Intro;
    return place;
  }
  int unitOf = b.Unit;
  static const std::string kNaming = W("Наименование");
  if (b.Role == TBlockRole::Note && b.TokenCount > 1 && side.Token(b.FirstToken + 1) == kNaming)
    place.InHeading = true;  // «(Наименование в редакции …)» under a heading
  if (NotesTheArticle(side, b)) {
    const int article = side.S.Enclosing(b.Unit, TUnitLevel::Article);
    if (article >= 0) unitOf = article;
  }
  for (int u = unitOf; u >= 0; u = side.Unit(u).Parent) {
    const TLegalUnit& lu = side.Unit(u);
    std::string* field = nullptr;
    switch (FieldOf(side, u)) {
      case TField::Section: field = &place.Section; break;
      case TField::Chapter: field = &place.Chapter; break;
      case TField::Article: field = &place.Article; break;
      case TField::Part: field = &place.Part; break;
      case TField::Item: field = &place.Item; break;
      case TField::Subitem: field = &place.Subitem; break;
      case TField::Lettered: field = &place.Lettered; break;
      case TField::Remarks: place.InRemarks = true; break;
      default: break;
    }
    if (field && field->empty()) *field = lu.Label;
  }
  const TLegalUnit& unit = side.Unit(unitOf);
  place.ParagraphInUnit = b.ParagraphInUnit;
  std::string address;
  const std::string units = UnitAddress(side, unitOf);
  if (units.empty()) {
    address = t.Intro;
  } else {
    if (place.InHeading) address = t.Naming;
    if (b.ParagraphInUnit > 0 && unit.Paragraphs > 1) address += t.Abzac + std::to_string(b.ParagraphInUnit) + " ";
    address += units;
  }
  if (place.InEditionNote) address += t.Note;
  place.Address = std::move(address);
  return place;
}

// The paragraph an empty side stands in: where the other side's text is missing. Words added
// inside or at the end of a paragraph, and whole paragraphs, follow the token before the gap;
// words at the start of a paragraph precede the token after it.
int32_t GapBlock(const TSide& side, int32_t first, const TComparedText& other, int32_t oFirst, int32_t oCount) {
  const int32_t n = side.Tokens();
  if (n == 0) return 0;
  if (first <= 0) return side.BlockOf(0);
  if (first >= n) return side.BlockOf(n - 1);
  const auto otherN = static_cast<int32_t>(other.Positions.size());
  const bool startsParagraph = oFirst < otherN && other.Blocks.BreakBefore[static_cast<size_t>(oFirst)];
  const bool endsParagraph = oFirst + oCount >= otherN || other.Blocks.BreakBefore[static_cast<size_t>(oFirst + oCount)];
  return startsParagraph && !endsParagraph ? side.BlockOf(first) : side.BlockOf(first - 1);
}

// The run covers the paragraph, or all of it but its number (a new item whose number the diff
// matched with the next item's).
bool MostlyCovered(const TSide& side, int32_t b, int32_t first, int32_t count) {
  const TStructureBlock& block = side.S.Blocks[static_cast<size_t>(b)];
  const int32_t end = block.FirstToken + block.TokenCount;
  if (block.TokenCount == 0 || first + count < end) return false;
  if (first <= block.FirstToken) return true;
  // Then the run goes on into the next paragraph, whose number the diff took for this one's.
  return first - block.FirstToken <= block.LabelTokens && first + count > end;
}

bool WholeBlocks(const TSide& side, int32_t first, int32_t count) {
  if (count <= 0) return false;
  const std::vector<int32_t>& p = side.Text.Blocks.Paragraph;
  const auto f = static_cast<size_t>(first), e = static_cast<size_t>(first + count);
  if ((f == 0 || p[f - 1] != p[f]) && (e == p.size() || p[e] != p[e - 1])) return true;
  // Or mostly whole paragraphs.
  int32_t whole = 0;
  for (int32_t b = side.BlockOf(first); b <= side.BlockOf(first + count - 1); ++b) {
    if (!MostlyCovered(side, b, first, count)) continue;
    const TStructureBlock& block = side.S.Blocks[static_cast<size_t>(b)];
    whole += std::min(first + count, block.FirstToken + block.TokenCount) - std::max(first, block.FirstToken);
  }
  return whole * 4 >= count * 3;
}

// The first paragraph of a run's side that it mostly covers.
int32_t FirstCoveredBlock(const TSide& side, int32_t first, int32_t count) {
  for (int32_t b = side.BlockOf(first); b <= side.BlockOf(first + count - 1); ++b)
    if (MostlyCovered(side, b, first, count)) return b;
  return side.BlockOf(first);
}

bool IsWord(std::string_view token) {
  const auto c = static_cast<unsigned char>(token[0]);
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0xC0 || c == 0xA8 ||
         c == 0xB8;
}

int64_t WordsIn(const TSide& side, int32_t first, int32_t count) {
  int64_t words = 0;
  for (int32_t k = first; k < first + count; ++k) words += IsWord(side.Token(k));
  return words;
}

std::string Shortened(const TSide& side, int32_t first, int32_t count, int32_t keep, int32_t tail) {
  if (count <= keep + tail) return TokenText(side.Text, first, count);
  return TokenText(side.Text, first, keep) + " " + Texts().Ellipsis + " " +
         TokenText(side.Text, first + count - tail, tail);
}

// A blank or a paragraph boundary between token k - 1 and token k.
bool BlankBefore(const TSide& side, int32_t k) {
  if (k <= 0 || k >= side.Tokens()) return true;
  if (side.Text.Blocks.BreakBefore[static_cast<size_t>(k)]) return true;
  const size_t previous = static_cast<size_t>(side.Text.Positions[static_cast<size_t>(k - 1)] - 1);
  const size_t end = previous + TokenLength(side.Text.Text, previous);
  const size_t at = static_cast<size_t>(side.Text.Positions[static_cast<size_t>(k)] - 1);
  return std::string_view(side.Text.Text).substr(end, at - end).find_first_of(" \t\r\n\xA0") != std::string_view::npos;
}

TExcerpt ExcerptOf(const TSide& side, int32_t first, int32_t count, int32_t block) {
  constexpr int32_t kContext = 6;
  TExcerpt e;
  if (side.Tokens() == 0) return e;
  int32_t from = first;
  while (from > 0 && first - from < kContext && side.BlockOf(from - 1) == block) --from;
  e.Before = TokenText(side.Text, from, first - from);
  e.Changed = Shortened(side, first, count, 30, 6);
  const int32_t after = first + count;
  const int32_t lastBlock = count > 0 ? side.BlockOf(after - 1) : block;
  int32_t to = after;
  while (to < side.Tokens() && to - after < kContext && side.BlockOf(to) == lastBlock) ++to;
  e.After = TokenText(side.Text, after, to - after);
  e.GapBefore = BlankBefore(side, first);
  e.GapAfter = count == 0 ? e.GapBefore : BlankBefore(side, after);
  return e;
}

std::string Quoted(const TSide& side, int32_t first, int32_t count) {
  const TTexts& t = Texts();
  return t.Quote1 + Shortened(side, first, count, 8, 0) + t.Quote2;
}

// The first word after a paragraph's number is «Утратил(а, о)» followed by «силу».
bool SaysRepealed(const TSide& side, int32_t block) {
  const TStructureBlock& b = side.Block(block);
  int32_t k = b.FirstToken + b.LabelTokens;
  const int32_t end = b.FirstToken + b.TokenCount;
  if (k < end && side.Token(k) == "(") ++k;
  if (k + 1 >= end) return false;
  return cp1251::ToLower(side.Token(k)).starts_with(Texts().Lost) && cp1251::ToLower(side.Token(k + 1)) == Texts().Force;
}

bool SameTokens(const TSide& a, int32_t aFirst, const TSide& b, int32_t bFirst, int32_t count) {
  for (int32_t k = 0; k < count; ++k)
    if (a.Text.Hashes[static_cast<size_t>(aFirst + k)] != b.Text.Hashes[static_cast<size_t>(bFirst + k)]) return false;
  return true;
}

// Only the number at the start of a paragraph differs, the rest of it is the same.
bool OnlyNumberChanged(const TSide& o, const TSide& n, const TChangeRun& run) {
  const int32_t b1 = o.BlockOf(run.First1), b2 = n.BlockOf(run.First2);
  const TStructureBlock& x = o.Block(b1);
  const TStructureBlock& y = n.Block(b2);
  if (x.LabelTokens == 0 || y.LabelTokens == 0) return false;
  if (run.First1 + run.Count1 > x.FirstToken + x.LabelTokens || run.First2 + run.Count2 > y.FirstToken + y.LabelTokens)
    return false;
  const int32_t rest1 = x.TokenCount - x.LabelTokens, rest2 = y.TokenCount - y.LabelTokens;
  return rest1 == rest2 && rest1 > 0 && SameTokens(o, x.FirstToken + x.LabelTokens, n, y.FirstToken + y.LabelTokens, rest1);
}

// Tokens of the paragraphs a run's side spans.
int32_t SpannedTokens(const TSide& side, int32_t first, int32_t count) {
  const TStructureBlock& a = side.Block(side.BlockOf(first));
  const TStructureBlock& z = side.Block(side.BlockOf(first + count - 1));
  return z.FirstToken + z.TokenCount - a.FirstToken;
}

// The units a run of whole paragraphs opens at its top level: their field and labels.
struct TOpened {
  TField Field = TField::None;
  std::vector<std::string> Labels;
  int Articles = 0;
  bool Notes = true;  // only edition notes
};

TOpened OpenedUnits(const TSide& side, int32_t first, int32_t count) {
  TOpened opened;
  const int32_t b0 = FirstCoveredBlock(side, first, count), b1 = side.BlockOf(first + count - 1);
  int topRank = -1, plain = 0;
  bool startsPlain = false, seen = false;
  for (int32_t b = b0; b <= b1; ++b) {
    const TStructureBlock& block = side.Block(b);
    if (block.Role == TBlockRole::Note || block.Role == TBlockRole::Empty || !MostlyCovered(side, b, first, count))
      continue;
    opened.Notes = false;
    plain += block.Role == TBlockRole::Plain;
    if (!seen) startsPlain = block.Role == TBlockRole::Plain;
    seen = true;
    if (block.Unit < 0 || side.Unit(block.Unit).FirstBlock != b || block.Role == TBlockRole::Plain) continue;
    const TLegalUnit& u = side.Unit(block.Unit);
    opened.Articles += u.Level == TUnitLevel::Article;
    const int rank = static_cast<int>(u.Level);
    if (topRank < 0 || rank < topRank) {
      topRank = rank;
      opened.Labels.clear();
      opened.Field = FieldOf(side, block.Unit);
    }
    if (rank == topRank) opened.Labels.push_back(u.Label);
  }
  if (startsPlain) {  // абзацы
    opened.Field = TField::None;
    opened.Labels.assign(static_cast<size_t>(plain), std::string());
  }
  return opened;
}

std::string AddedUnitText(const TOpened& opened) {
  const TTexts& t = Texts();
  const TFieldWords& words = WordsOf(opened.Field);
  const size_t n = std::max<size_t>(opened.Labels.size(), 1);
  std::string text = t.UnitAdded + (n > 1 ? words.Many : words.One);
  if (opened.Field == TField::None || opened.Labels.empty() || opened.Labels[0].empty()) return text;
  auto label = [&](const std::string& l) { return IsLetterLabel(l) ? t.Quote1 + l + t.Quote2 : l; };
  text += " " + label(opened.Labels.front());
  if (n == 2) text += W(" и ") + label(opened.Labels.back());
  if (n > 2) text += W("–") + label(opened.Labels.back());
  return text;
}

std::string WithThousands(int64_t value) {
  std::string digits = std::to_string(value), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += '\xA0';
    out += digits[i];
  }
  return out;
}

// The article (or, outside articles, the heading unit) a place is grouped under.
int GroupUnit(const TSide& side, int32_t block) {
  if (block < 0 || static_cast<size_t>(block) >= side.S.Blocks.size()) return -1;
  const int unit = side.Block(block).Unit;
  const int article = side.S.Enclosing(unit, TUnitLevel::Article);
  if (article >= 0) return article;
  for (int u = unit; u >= 0; u = side.Unit(u).Parent)
    if (side.Unit(u).Level <= TUnitLevel::Paragraph) return u;
  return -1;
}

}  // namespace

TChangeList BuildChangeList(const TComparisonModel& model, TNumbering numbering) {
  TChangeList list;
  TLegalStructure structures[2];
  const bool parallel = model.Old.Text.size() + model.New.Text.size() >= engine_detail::kParallelBytes;
  engine_detail::BothSides(parallel, [&](int s) {
    structures[s - 1] = ReadLegalStructure(s == 1 ? model.Old : model.New, numbering);
  });
  // Both texts are named the same way: the old one's convention.
  if (structures[1].Numbering != structures[0].Numbering)
    structures[1] = ReadLegalStructure(model.New, structures[0].Numbering);
  list.Numbering = structures[0].Numbering;
  const TSide o{model.Old, structures[0]}, n{model.New, structures[1]};
  const TTexts& t = Texts();
  std::map<std::string, int> groupOf;  // by the unit's label («ст. 142.9»), the same on both sides
  std::set<std::string> articlesChanged;
  // The units of the old text by their address: a unit of the new text not among them is new.
  std::set<std::string> oldUnits;
  for (size_t u = 0; u < o.S.Units.size(); ++u) oldUnits.insert(UnitAddress(o, static_cast<int>(u)));
  auto isNewUnit = [&](int32_t block) {
    if (n.Tokens() == 0) return false;
    const int unit = n.Block(block).Unit;
    return unit >= 0 && oldUnits.count(UnitAddress(n, unit)) == 0;
  };
  TChangeSummary& sum = list.Summary;

  list.Entries.reserve(model.Runs.size());
  for (size_t r = 0; r < model.Runs.size(); ++r) {
    const TChangeRun& run = model.Runs[r];
    TChangeEntry e;
    e.N = static_cast<int>(r) + 1;
    e.Run = static_cast<int>(r);
    const int32_t b1 = run.Count1 > 0 ? o.BlockOf(run.First1) : GapBlock(o, run.First1, model.New, run.First2, run.Count2);
    const int32_t b2 = run.Count2 > 0 ? n.BlockOf(run.First2) : GapBlock(n, run.First2, model.Old, run.First1, run.Count1);
    e.Old = PlaceOf(o, b1, run.First1, run.Count1 > 0);
    e.New = PlaceOf(n, b2, run.First2, run.Count2 > 0);
    e.Was = ExcerptOf(o, run.First1, run.Count1, b1);
    e.Now = ExcerptOf(n, run.First2, run.Count2, b2);

    bool newSidePrimary = false;
    int articlesAdded = 0;
    const bool repealed = !run.Moved && n.Tokens() > 0 && o.Tokens() > 0 && SaysRepealed(n, b2) &&
                          !SaysRepealed(o, b1) && run.First2 + run.Count2 > n.Block(b2).FirstToken + n.Block(b2).LabelTokens;
    if (repealed) {
      e.Kind = TAmendmentKind::Repealed;
      e.KindText = t.Repealed;
    } else if (run.Moved) {
      e.Kind = TAmendmentKind::Moved;
      e.KindText = t.Moved;
      ++sum.Moved;
    } else if (run.Count1 == 0) {
      const TOpened opened = WholeBlocks(n, run.First2, run.Count2) ? OpenedUnits(n, run.First2, run.Count2) : TOpened{};
      if (!opened.Notes) {
        e.Kind = TAmendmentKind::UnitAdded;
        e.KindText = AddedUnitText(opened);
        newSidePrimary = true;
        articlesAdded = opened.Articles;
      } else {
        e.Kind = TAmendmentKind::WordsAdded;
        e.KindText = t.Added + Quoted(n, run.First2, run.Count2);
      }
    } else if (run.Count2 == 0) {
      const bool whole = WholeBlocks(o, run.First1, run.Count1) && !OpenedUnits(o, run.First1, run.Count1).Notes;
      e.Kind = whole ? TAmendmentKind::UnitRemoved : TAmendmentKind::WordsRemoved;
      e.KindText = whole ? t.UnitRemoved : t.Replaced1 + Quoted(o, run.First1, run.Count1) + t.Removed;
    } else if (OnlyNumberChanged(o, n, run)) {
      e.Kind = TAmendmentKind::Renumbered;
      e.KindText = t.Renumbered;
    } else if (run.Count1 >= 4 && run.Count1 * 10 >= SpannedTokens(o, run.First1, run.Count1) * 6 &&
               run.Count2 * 10 >= SpannedTokens(n, run.First2, run.Count2) * 6) {
      e.Kind = TAmendmentKind::NewWording;
      e.KindText = t.NewWording;
    } else {
      e.Kind = TAmendmentKind::WordsReplaced;
      e.KindText = t.Replaced1 + Quoted(o, run.First1, run.Count1) + t.Replaced2 + Quoted(n, run.First2, run.Count2);
    }
    if (e.Kind == TAmendmentKind::UnitAdded) {
      const int32_t opener = FirstCoveredBlock(n, run.First2, run.Count2);
      const int unit = n.Block(opener).Unit;
      e.Where = unit >= 0 && n.Unit(unit).FirstBlock == opener ? UnitAddress(n, unit) : e.New.Address;
    } else if (e.Kind == TAmendmentKind::Moved || e.Kind == TAmendmentKind::Renumbered) {
      e.Where = e.Old.Address + t.Arrow + e.New.Address;
    } else if (run.Count2 > 0 && isNewUnit(b2)) {
      e.Where = e.New.Address;  // words of a new unit the diff matched in part with an old one
      newSidePrimary = true;
    } else {
      e.Where = e.Old.Address;
      if (!e.Old.InEditionNote && e.New.InEditionNote && run.Count2 > 0) e.Where += t.Note;
    }

    // Its group: the article of the side it is read on, matched between the texts by label.
    const TSide& side = newSidePrimary ? n : o;
    int unit = GroupUnit(side, newSidePrimary ? b2 : b1);
    const TSide* groupSide = &side;
    if (unit < 0) {
      groupSide = newSidePrimary ? &o : &n;
      unit = GroupUnit(*groupSide, newSidePrimary ? b1 : b2);
    }
    const std::string key = unit < 0 ? std::string() : ShortName(*groupSide, unit);
    auto [it, added] = groupOf.try_emplace(key, static_cast<int>(list.Groups.size()));
    if (added) {
      TChangeGroup g;
      g.FirstEntry = static_cast<int>(list.Entries.size());
      if (unit >= 0) {
        const TLegalUnit& u = groupSide->Unit(unit);
        if (u.Level == TUnitLevel::Article) g.Article = u.Label;
        g.Heading = u.Heading;
      } else {
        g.Heading = t.Outside;
      }
      list.Groups.push_back(std::move(g));
    }
    e.Group = it->second;
    ++list.Groups[static_cast<size_t>(e.Group)].Count;

    // The summary's counts.
    const bool articleRepealed = e.Kind == TAmendmentKind::Repealed && n.Block(b2).Role == TBlockRole::Heading &&
                                 n.Block(b2).Unit >= 0 && n.Unit(n.Block(b2).Unit).Level == TUnitLevel::Article;
    sum.ArticlesAdded += articlesAdded;
    sum.ArticlesRepealed += articleRepealed;
    if (!articleRepealed && articlesAdded == 0 && !run.Moved) {
      const std::string& article = e.Old.Article.empty() ? e.New.Article : e.Old.Article;
      if (!article.empty()) articlesChanged.insert(article);
    }
    if (!run.Moved) {
      sum.WordsRemoved += WordsIn(o, run.First1, run.Count1);
      sum.WordsAdded += WordsIn(n, run.First2, run.Count2);
    }
    list.Entries.push_back(std::move(e));
  }
  sum.ArticlesChanged = static_cast<int>(articlesChanged.size());
  sum.Text = W("Статей изменено: ") + WithThousands(sum.ArticlesChanged) + W(", добавлено: ") +
             WithThousands(sum.ArticlesAdded) + W(", утратили силу: ") + WithThousands(sum.ArticlesRepealed) +
             W(", перенесено: ") + WithThousands(sum.Moved) + W("; слов исключено: ") + WithThousands(sum.WordsRemoved) +
             W(", добавлено: ") + WithThousands(sum.WordsAdded);
  return list;
}
