#pragma once
// The change list as a table for a spreadsheet's paste: HTML (the changed words bold) and the
// same as tab-separated text. UTF-8.
#include <string>
#include <vector>

#include "engine/ChangeList.h"

// entries: indices into list.Entries, in the order the table lists them.
std::string ChangeListTableHtml(const TChangeList& list, const std::vector<int>& entries);
std::string ChangeListTableText(const TChangeList& list, const std::vector<int>& entries);
