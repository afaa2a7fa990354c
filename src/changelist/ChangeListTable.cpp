#include "changelist/ChangeListTable.h"

#include "changelist/ChangeListText.h"
#include "support/Cp1251.h"
#include "support/MarkupEscape.h"
#include "engine/ChangesJson.h"

namespace {

std::string Html(const std::string& cp1251Text) { return MarkupEscaped(Utf8Text(cp1251Text)); }

std::string ExcerptHtml(const TExcerpt& x) {
  std::string s = Html(x.Before);
  if (!x.Changed.empty()) s += "<b>" + Html(x.Changed) + "</b>";
  return s + Html(x.After);
}

const TChangeGroup* GroupOf(const TChangeList& list, const TChangeEntry& e) {
  return e.Group >= 0 && static_cast<size_t>(e.Group) < list.Groups.size() ? &list.Groups[static_cast<size_t>(e.Group)]
                                                                           : nullptr;
}

// A cell of the text form: tabs and line breaks would split it.
std::string Cell(const std::string& cp1251Text) {
  std::string s = Utf8Text(cp1251Text);
  for (char& c : s)
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  return s;
}

}  // namespace

std::string ChangeListTableHtml(const TChangeList& list, const std::vector<int>& entries) {
  std::string out =
      "<html><head><meta charset=\"utf-8\"></head><body><table border=\"1\">"
      "<tr><th>№</th><th>Статья</th><th>Где</th><th>Что</th><th>Было</th><th>Стало</th></tr>";
  for (int i : entries) {
    const TChangeEntry& e = list.Entries[static_cast<size_t>(i)];
    const TChangeGroup* g = GroupOf(list, e);
    out += "<tr><td>" + std::to_string(e.N) + "</td><td>" + (g ? Html(ShownHeading(*g)) : std::string()) +
           "</td><td>" + Html(ShownAddress(e)) + "</td><td>" + Html(ShownKind(e)) + "</td><td>" +
           ExcerptHtml(e.Was) + "</td><td>" + ExcerptHtml(e.Now) + "</td></tr>";
  }
  return out + "</table></body></html>";
}

std::string ChangeListTableText(const TChangeList& list, const std::vector<int>& entries) {
  std::string out = "№\tСтатья\tГде\tЧто\tБыло\tСтало\n";
  for (int i : entries) {
    const TChangeEntry& e = list.Entries[static_cast<size_t>(i)];
    const TChangeGroup* g = GroupOf(list, e);
    out += std::to_string(e.N) + '\t' + (g ? Cell(ShownHeading(*g)) : std::string()) + '\t' +
           Cell(ShownAddress(e)) + '\t' + Cell(ShownKind(e)) + '\t' + Cell(ExcerptText(e.Was)) + '\t' +
           Cell(ExcerptText(e.Now)) + '\n';
  }
  return out;
}
