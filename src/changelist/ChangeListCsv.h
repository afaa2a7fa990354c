#pragma once
// The change list as a CSV file for spreadsheet programs: comma-separated fields, quoted where
// they hold a quote, a comma or a line break, CR LF line ends, UTF-8 with a byte order mark (so
// that a spreadsheet does not take it for its local code page).
#include <string>
#include <vector>

#include "engine/ChangeList.h"

// The heading row and one row per listed entry (indices into list.Entries, in that order).
std::string ChangeListCsv(const TChangeList& list, const std::vector<int>& entries);

// One field as it goes into a row: quoted when it has to be. UTF-8 in and out.
std::string CsvField(const std::string& utf8);
