#pragma once
// The comparison table as one HTML page (UTF-8), readable without an office: the same rows,
// removed words as <s><b>, new words as <b>.
#include <string>

struct TComparisonTable;

std::string TableHtml(const TComparisonTable& table);
