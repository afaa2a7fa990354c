#pragma once
// The documents as flat OpenDocument text (one .fodt XML file, UTF-8), the one format written
// here; the office converts it to the others.
#include <string>

struct TComparisonTable;
struct TTrackedEdition;

// A4 pages with page numbers in the footer; the table in two equal columns, removed words
// struck through and bold on the left, new words bold on the right.
std::string TableFlatOdt(const TComparisonTable& table);

// The edition's paragraphs with <text:tracked-changes>: insertions, deletions (moves are
// deletions and insertions, the only kinds the format has), author and date of each.
std::string TrackedFlatOdt(const TTrackedEdition& edition);
