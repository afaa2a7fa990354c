#include "changelist/ChangeListCsv.h"

#include "changelist/ChangeListText.h"
#include "support/Cp1251.h"
#include "engine/ChangesJson.h"

std::string CsvField(const std::string& utf8) {
  if (utf8.find_first_of("\",\r\n") == std::string::npos) return utf8;
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

std::string ChangeListCsv(const TChangeList& list, const std::vector<int>& entries) {
  std::string out = "\xEF\xBB\xBF";
  auto row = [&out](std::initializer_list<std::string> fields) {
    bool first = true;
    for (const std::string& f : fields) {
      if (!first) out += ',';
      first = false;
      out += CsvField(f);
    }
    out += "\r\n";
  };
  row({"№", "Статья", "Где", "Что", "Было", "Стало"});
  for (int i : entries) {
    const TChangeEntry& e = list.Entries[static_cast<size_t>(i)];
    const std::string heading =
        e.Group >= 0 && static_cast<size_t>(e.Group) < list.Groups.size() ? ShownHeading(list.Groups[static_cast<size_t>(e.Group)]) : std::string();
    row({std::to_string(e.N), Utf8Text(heading), Utf8Text(ShownAddress(e)),
         Utf8Text(ShownKind(e)), Utf8Text(ExcerptText(e.Was)), Utf8Text(ExcerptText(e.Now))});
  }
  return out;
}
