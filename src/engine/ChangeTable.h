#pragma once
// The change list as a table for other programs, UTF-8: CSV (RFC 4180 quoting, «;» between the
// cells, CR LF rows, a header row «№;Где;Что;Было;Стало») and a Markdown table under the
// summary line. «Было» and «Стало» are the excerpts with their context; Markdown sets the
// changed words in bold.
#include <string>

struct TChangeList;

std::string ChangeListCsv(const TChangeList& list);
std::string ChangeListMarkdown(const TChangeList& list);
