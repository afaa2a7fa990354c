#include "changelist/ChangeListText.h"

#include "support/Cp1251.h"

namespace {
std::string W(const char* utf8) { return cp1251::FromUtf8(utf8); }
}  // namespace

std::string ShownAddress(const TChangeEntry& e) {
  if (!e.Where.empty()) return e.Where;
  const std::string& a = e.Old.Address;
  const std::string& b = e.New.Address;
  if (b.empty() || a == b) return a;
  if (a.empty()) return b;
  return a + " &#8594; " + b;  // the code page has no arrow
}

std::string KindName(TAmendmentKind kind) {
  switch (kind) {
    case TAmendmentKind::WordsAdded: return W("дополнено словами");
    case TAmendmentKind::WordsReplaced: return W("слова заменены");
    case TAmendmentKind::WordsRemoved: return W("слова исключены");
    case TAmendmentKind::NewWording: return W("изложено в новой редакции");
    case TAmendmentKind::Repealed: return W("утратило силу");
    case TAmendmentKind::UnitAdded: return W("дополнено единицей");
    case TAmendmentKind::UnitRemoved: return W("исключено");
    case TAmendmentKind::Moved: return W("перенесено");
    case TAmendmentKind::Renumbered: return W("изменён номер");
  }
  return {};
}

std::string ShownKind(const TChangeEntry& e) { return e.KindText.empty() ? KindName(e.Kind) : e.KindText; }

std::string ExcerptText(const TExcerpt& x) { return x.Before + x.Changed + x.After; }

std::string ShownHeading(const TChangeGroup& g) {
  if (!g.Heading.empty()) return g.Heading;
  if (!g.Article.empty()) return W("Статья ") + g.Article;
  return W("Вне статей");
}
