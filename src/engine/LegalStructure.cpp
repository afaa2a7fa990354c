#include "engine/LegalStructure.h"

#include <algorithm>
#include <string_view>

#include "engine/ChangesJson.h"
#include "engine/ComparisonModel.h"
#include "engine/SplitHtml.h"
#include "support/Cp1251.h"

namespace {

// Windows-1251 literals from this file's UTF-8 ones, made once.
struct TWords {
  std::string Section = cp1251::FromUtf8("раздел"), Subsection = cp1251::FromUtf8("подраздел"),
              Chapter = cp1251::FromUtf8("глава"), Paragraph = cp1251::FromUtf8("параграф"),
              Article = cp1251::FromUtf8("статья"), CodePart = cp1251::FromUtf8("ЧАСТЬ"),
              Remark = cp1251::FromUtf8("примечани"), Present = cp1251::FromUtf8("настоящей"),
              ArticleStem = cp1251::FromUtf8("стать"), Punkt = cp1251::FromUtf8("пункт"),
              Podpunkt = cp1251::FromUtf8("подпункт"), Chast = cp1251::FromUtf8("част");
  std::vector<std::string> NoteStarts, NoteCites, OrdinalEnds;
  TWords() {
    for (const char* w : {"В", "С", "Наименование", "Дополнение", "Утратил", "Утратила", "Утратило", "Пункт",
                          "Подпункт", "Часть", "Абзац", "Статья", "Глава", "Раздел", "Введен", "Введена",
                          "Введено", "Исключен", "Исключена", "Признан", "Признана"})
      NoteStarts.push_back(cp1251::FromUtf8(w));
    for (const char* w : {"закон", "фз", "указ", "постановлен"}) NoteCites.push_back(cp1251::FromUtf8(w));
    for (const char* w : {"ой", "ей", "ая", "ый", "ий"}) OrdinalEnds.push_back(cp1251::FromUtf8(w));
  }
};

const TWords& Words() {
  static const TWords words;
  return words;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSmallCyr(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 0xE0 || u == 0xB8;
}
bool IsCapitalCyr(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 0xC0 && u <= 0xDF) || u == 0xA8;
}
bool IsLetter(char c) {
  return IsSmallCyr(c) || IsCapitalCyr(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsRoman(char c) { return c == 'I' || c == 'V' || c == 'X' || c == 'L' || c == 'C' || c == 'D' || c == 'M'; }

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// The first tokens of a paragraph as one line, one blank where the text had blanks or a break,
// with where each token starts in it.
struct TLead {
  std::string Text;
  std::vector<size_t> Starts;
  // Tokens that begin before byte offset end.
  int TokensBefore(size_t end) const {
    return static_cast<int>(std::lower_bound(Starts.begin(), Starts.end(), end) - Starts.begin());
  }
};

TLead LeadOf(const TComparedText& t, int32_t first, int32_t count) {
  TLead lead;
  lead.Text = TokenText(t, first, count, &lead.Starts);
  return lead;
}

// The word at the start of s (letters only), lower-cased.
std::string FirstWordLower(std::string_view s) {
  size_t n = 0;
  while (n < s.size() && IsLetter(s[n])) ++n;
  return cp1251::ToLower(s.substr(0, n));
}

// A number as written at s[i]: «142», «142.9», «45-1», «25.13-1». Empty when none.
std::string_view NumberAt(std::string_view s, size_t i) {
  size_t j = i;
  while (j < s.size() && IsDigit(s[j])) ++j;
  if (j == i) return {};
  while (j + 1 < s.size() && (s[j] == '.' || s[j] == '-') && IsDigit(s[j + 1])) {
    ++j;
    while (j < s.size() && IsDigit(s[j])) ++j;
  }
  return s.substr(i, j - i);
}

struct TParsed {
  TBlockRole Role = TBlockRole::Plain;
  TUnitLevel Level = TUnitLevel::Article;
  std::string Label;
  size_t LabelEnd = 0;  // bytes of the lead the label takes, its closing «.» or «)» included
  bool Titled = false;  // a heading with words after its number
  int Depth = 0;        // components of a «1.1.» number
};

bool ParseHeading(std::string_view s, TParsed& out) {
  const TWords& w = Words();
  size_t i = 0;
  if (!s.empty() && static_cast<unsigned char>(s[0]) == 0xA7) {  // «§»
    out.Level = TUnitLevel::Paragraph;
    i = 1;
  } else {
    const std::string word = FirstWordLower(s);
    if (word == w.Section) out.Level = TUnitLevel::Section;
    else if (word == w.Subsection) out.Level = TUnitLevel::Subsection;
    else if (word == w.Chapter) out.Level = TUnitLevel::Chapter;
    else if (word == w.Paragraph) out.Level = TUnitLevel::Paragraph;
    else if (word == w.Article) out.Level = TUnitLevel::Article;
    else if (StartsWith(s, w.CodePart) && word.size() == w.CodePart.size()) out.Level = TUnitLevel::CodePart;
    else return false;
    i = word.size();
  }
  while (i < s.size() && s[i] == ' ') ++i;
  size_t end = i;
  if (out.Level == TUnitLevel::CodePart) {
    while (end < s.size() && IsCapitalCyr(s[end])) ++end;  // «ПЕРВАЯ»
  } else if (out.Level == TUnitLevel::Section && end < s.size() && IsRoman(s[end])) {
    while (end < s.size() && IsRoman(s[end])) ++end;
    while (end + 1 < s.size() && s[end] == '.' && IsDigit(s[end + 1])) end += NumberAt(s, end + 1).size() + 1;
  } else if (out.Level == TUnitLevel::Section && end < s.size() && IsLetter(s[end])) {
    while (end < s.size() && IsLetter(s[end])) ++end;  // «РАЗДЕЛ ПЕРВЫЙ»
    bool ordinal = false;
    const std::string lower = cp1251::ToLower(s.substr(i, end - i));
    for (const std::string& e : w.OrdinalEnds) ordinal |= lower.size() > e.size() && lower.ends_with(e);
    if (!ordinal) return false;
  } else {
    end += NumberAt(s, end).size();
  }
  if (end == i) return false;
  out.Label.assign(s.substr(i, end - i));
  // After the number: the end, a full stop, or a title that starts with a capital.
  size_t after = end;
  const bool stop = after < s.size() && s[after] == '.';
  if (stop) ++after;
  out.LabelEnd = after;
  while (after < s.size() && s[after] == ' ') ++after;
  if (after == s.size()) return true;
  if (after == out.LabelEnd) return false;  // something glued to the number
  out.Titled = true;
  return stop || IsCapitalCyr(s[after]) || (s[after] >= 'A' && s[after] <= 'Z') || s[after] == '(';
}

bool ParseNumbered(std::string_view s, TParsed& out) {
  if (s.empty()) return false;
  if (IsSmallCyr(s[0]) && s.size() >= 2 && s[1] == ')') {
    out.Level = TUnitLevel::Numbered3;
    out.Label.assign(s.substr(0, 1));
    out.LabelEnd = 2;
    return true;
  }
  size_t j = 0;
  int depth = 0;
  while (j < s.size() && IsDigit(s[j])) {
    while (j < s.size() && IsDigit(s[j])) ++j;
    ++depth;
    if (j + 1 < s.size() && s[j] == '.' && IsDigit(s[j + 1])) ++j;
  }
  if (depth == 0 || j >= s.size()) return false;
  if (s[j] == ')') {
    out.Level = TUnitLevel::Numbered2;
  } else if (s[j] == '.' && (j + 1 == s.size() || s[j + 1] == ' ')) {
    out.Level = TUnitLevel::Numbered1;
  } else {
    return false;
  }
  out.Label.assign(s.substr(0, j));
  out.LabelEnd = j + 1;
  out.Depth = depth;
  return true;
}

bool IsNote(const TLead& lead) {
  const std::string_view s = lead.Text;
  if (s.size() < 2 || s[0] != '(' || lead.Starts.size() < 2) return false;
  const TWords& w = Words();
  size_t n = lead.Starts[1];
  while (n < s.size() && IsLetter(s[n])) ++n;
  const std::string_view second = s.substr(lead.Starts[1], n - lead.Starts[1]);
  if (std::find(w.NoteStarts.begin(), w.NoteStarts.end(), second) == w.NoteStarts.end()) return false;
  const std::string lower = cp1251::ToLower(s);
  for (const std::string& cite : w.NoteCites)
    if (lower.find(cite) != std::string::npos) return true;
  return false;
}

bool IsRemarksOpener(std::string_view s) { return FirstWordLower(s).starts_with(Words().Remark); }

bool HasNoSmallLetters(std::string_view s) {
  bool letters = false;
  for (char c : s) {
    if (IsSmallCyr(c) || (c >= 'a' && c <= 'z')) return false;
    letters |= IsLetter(c);
  }
  return letters;
}

std::string LowerToken(const TComparedText& t, size_t k) {
  const size_t at = static_cast<size_t>(t.Positions[k] - 1);
  return cp1251::ToLower(std::string_view(t.Text).substr(at, TokenLength(t.Text, at)));
}

// Which of «пункт N статьи» and «часть N статьи» the text uses to name its own parts.
TNumbering NumberingOfReferences(const TComparedText& t) {
  const TWords& w = Words();
  int punkt = 0, chast = 0;
  const size_t n = t.Positions.size();
  for (size_t k = 3; k < n; ++k) {
    const size_t at = static_cast<size_t>(t.Positions[k] - 1);
    const unsigned char c = static_cast<unsigned char>(t.Text[at]);
    if (c != 0xF1 && c != 0xD1) continue;  // «с», «С»
    if (!LowerToken(t, k).starts_with(w.ArticleStem)) continue;
    size_t j = k - 1;
    if (LowerToken(t, j) == w.Present) --j;
    // The number: digits and dots, or an ordinal word («второй»).
    const std::string number = LowerToken(t, j);
    bool isNumber = IsDigit(number[0]);
    for (const std::string& e : w.OrdinalEnds) isNumber |= number.size() > 3 && number.ends_with(e);
    if (!isNumber) continue;
    while (j > 1 && (IsDigit(LowerToken(t, j - 1)[0]) || LowerToken(t, j - 1) == ".")) --j;
    if (j == 0) continue;
    const std::string unit = LowerToken(t, j - 1);
    if (unit.starts_with(w.Punkt) || unit.starts_with(w.Podpunkt)) ++punkt;
    else if (unit.starts_with(w.Chast)) ++chast;
  }
  return punkt > chast ? TNumbering::PunktPodpunkt : TNumbering::ChastPunkt;
}

int RankOf(TUnitLevel level) { return static_cast<int>(level); }

}  // namespace

TNumbering NumberingOfTitle(const std::string& lowerTitle) {
  static const std::vector<std::string> kPunkt = [] {
    std::vector<std::string> v;
    for (const char* w : {"налоговый кодекс", "бюджетный кодекс", "гражданский кодекс", "семейный кодекс",
                          "земельный кодекс", "воздушный кодекс"})
      v.push_back(cp1251::FromUtf8(w));
    return v;
  }();
  static const std::vector<std::string> kDecimal = [] {
    std::vector<std::string> v;
    for (const char* w : {"договор", "контракт", "соглашение", "положение о", "регламент", "правила ", "инструкция",
                          "порядок "})
      v.push_back(cp1251::FromUtf8(w));
    return v;
  }();
  static const std::vector<std::string> kChast = [] {
    std::vector<std::string> v;
    for (const char* w : {"кодекс", "конституция", "закон"}) v.push_back(cp1251::FromUtf8(w));
    return v;
  }();
  for (const std::string& w : kPunkt)
    if (lowerTitle.find(w) != std::string::npos) return TNumbering::PunktPodpunkt;
  for (const std::string& w : kChast)
    if (lowerTitle.find(w) != std::string::npos) return TNumbering::ChastPunkt;
  for (const std::string& w : kDecimal)
    if (lowerTitle.find(w) != std::string::npos) return TNumbering::Decimal;
  return TNumbering::Auto;
}

int32_t TLegalStructure::BlockOf(const TComparedText& text, int32_t token) const {
  const std::vector<int32_t>& paragraphs = text.Blocks.Paragraph;
  if (paragraphs.empty()) return 0;
  token = std::clamp<int32_t>(token, 0, static_cast<int32_t>(paragraphs.size()) - 1);
  return paragraphs[static_cast<size_t>(token)];
}

int TLegalStructure::Enclosing(int unit, TUnitLevel level) const {
  for (; unit >= 0; unit = Units[static_cast<size_t>(unit)].Parent)
    if (Units[static_cast<size_t>(unit)].Level == level) return unit;
  return -1;
}

TLegalStructure ReadLegalStructure(const TComparedText& text, TNumbering numbering) {
  constexpr int32_t kLeadTokens = 24;    // enough for any number and a note's first words
  constexpr int32_t kHeadingTokens = 60;  // what a heading shows
  TLegalStructure s;
  const std::vector<int32_t>& paragraph = text.Blocks.Paragraph;
  const size_t tokens = paragraph.size();
  s.Blocks.resize(tokens == 0 ? 0 : static_cast<size_t>(paragraph.back()) + 1);
  for (size_t k = 0; k < tokens; ++k) {
    TStructureBlock& b = s.Blocks[static_cast<size_t>(paragraph[k])];
    if (b.TokenCount++ == 0) b.FirstToken = static_cast<int32_t>(k);
  }

  // What each paragraph is, by its first tokens.
  std::vector<TParsed> parsed(s.Blocks.size());
  bool articles = false, decimalNumbers = false;
  int firstHeading = -1;
  for (size_t b = 0; b < s.Blocks.size(); ++b) {
    TStructureBlock& block = s.Blocks[b];
    TParsed& p = parsed[b];
    if (block.TokenCount == 0) {
      p.Role = TBlockRole::Empty;
      continue;
    }
    const TLead lead = LeadOf(text, block.FirstToken, std::min(block.TokenCount, kLeadTokens));
    if (ParseHeading(lead.Text, p)) {
      p.Role = TBlockRole::Heading;
      articles |= p.Level == TUnitLevel::Article;
      if (firstHeading < 0) firstHeading = static_cast<int>(b);
    } else if (p = {}; ParseNumbered(lead.Text, p)) {
      p.Role = TBlockRole::Opener;
      decimalNumbers |= p.Depth > 1;
    } else if (IsNote(lead)) {
      p.Role = TBlockRole::Note;
    } else if (IsRemarksOpener(lead.Text)) {
      p.Role = TBlockRole::Opener;
      p.Level = TUnitLevel::Remarks;
    } else if (b > 0 && parsed[b - 1].Role == TBlockRole::Heading && !parsed[b - 1].Titled &&
               parsed[b - 1].Level != TUnitLevel::Article && HasNoSmallLetters(lead.Text)) {
      p.Role = TBlockRole::Heading;  // the title line under «ГЛАВА 1»
      p.Level = TUnitLevel::CodePart;
      p.Label.clear();
      p.Titled = true;
      p.Depth = -1;  // continues the heading before it
    } else {
      p.Role = TBlockRole::Plain;
    }
    block.Role = p.Role;
    block.LabelTokens = p.LabelEnd > 0 ? lead.TokensBefore(p.LabelEnd) : 0;
  }

  // The convention: given, else from the title line, else from how the text names its parts.
  if (numbering == TNumbering::Auto) {
    std::string title;
    const size_t titleBlocks = std::min<size_t>(firstHeading < 0 ? 12 : static_cast<size_t>(firstHeading), 12);
    for (size_t b = 0; b < titleBlocks && b < s.Blocks.size(); ++b)
      if (s.Blocks[b].TokenCount > 0)
        title += cp1251::ToLower(LeadOf(text, s.Blocks[b].FirstToken, std::min(s.Blocks[b].TokenCount, kLeadTokens)).Text) + "\n";
    numbering = NumberingOfTitle(title);
    if (numbering == TNumbering::Decimal && articles) numbering = TNumbering::Auto;
    if (numbering == TNumbering::Auto)
      numbering = !articles && decimalNumbers ? TNumbering::Decimal : NumberingOfReferences(text);
  }
  s.Numbering = numbering;
  const bool decimal = numbering == TNumbering::Decimal;

  // The tree: each unit opens in the nearest open one of a smaller rank.
  std::vector<int> open;
  auto closeFrom = [&](int rank, int32_t block) {
    while (!open.empty() && RankOf(s.Units[static_cast<size_t>(open.back())].Level) >= rank) {
      s.Units[static_cast<size_t>(open.back())].EndBlock = block;
      open.pop_back();
    }
  };
  for (size_t b = 0; b < s.Blocks.size(); ++b) {
    TStructureBlock& block = s.Blocks[b];
    TParsed& p = parsed[b];
    const int32_t at = static_cast<int32_t>(b);
    if (p.Role == TBlockRole::Heading && p.Depth == -1) {  // a title line joins its heading
      if (!open.empty()) {
        TLegalUnit& u = s.Units[static_cast<size_t>(open.back())];
        if (u.Heading.size() < 300)
          u.Heading += ". " + LeadOf(text, block.FirstToken, std::min(block.TokenCount, kHeadingTokens)).Text;
        block.Unit = open.back();
      }
      continue;
    }
    if (p.Role == TBlockRole::Heading || p.Role == TBlockRole::Opener) {
      TUnitLevel level = p.Level;
      if (p.Role == TBlockRole::Opener && level != TUnitLevel::Remarks && decimal) {
        // «1.», «1.1.», «1.1.1.», then «1)» and «а)» below them.
        if (level == TUnitLevel::Numbered1)
          level = static_cast<TUnitLevel>(RankOf(TUnitLevel::Numbered1) + std::min(p.Depth, 3) - 1);
        else
          level = level == TUnitLevel::Numbered2 ? TUnitLevel::Numbered4 : TUnitLevel::Numbered5;
      }
      closeFrom(RankOf(level), at);
      TLegalUnit u;
      u.Level = level;
      u.Label = p.Label;
      u.Parent = open.empty() ? -1 : open.back();
      u.FirstBlock = at;
      if (p.Role == TBlockRole::Heading) {
        u.Heading = LeadOf(text, block.FirstToken, std::min(block.TokenCount, kHeadingTokens)).Text;
      } else {
        u.Paragraphs = 1;
        block.ParagraphInUnit = 1;
      }
      open.push_back(static_cast<int>(s.Units.size()));
      s.Units.push_back(std::move(u));
      block.Unit = open.back();
      continue;
    }
    block.Unit = open.empty() ? -1 : open.back();
    if (p.Role == TBlockRole::Plain && block.Unit >= 0)
      block.ParagraphInUnit = ++s.Units[static_cast<size_t>(block.Unit)].Paragraphs;
  }
  closeFrom(0, static_cast<int32_t>(s.Blocks.size()));
  for (TLegalUnit& u : s.Units) {
    u.FirstToken = s.Blocks[static_cast<size_t>(u.FirstBlock)].FirstToken;
    int32_t last = u.EndBlock - 1;
    while (last > u.FirstBlock && s.Blocks[static_cast<size_t>(last)].TokenCount == 0) --last;
    const TStructureBlock& lb = s.Blocks[static_cast<size_t>(last)];
    u.EndToken = lb.FirstToken + lb.TokenCount;
  }
  return s;
}
