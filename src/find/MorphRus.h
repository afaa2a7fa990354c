#pragma once
// Russian word forms for the finder: the variants of a search phrase and the inflected forms of
// one word, read from the loaded morphology tables (MorphRusTables.h). All strings are upper-case
// Windows-1251 with "Ё" read as "Е".
#include <string>
#include <string_view>
#include <vector>

#include "support/VStringList.h"

// Appends the phrase-pair variants of q (one exchanged pair each), then q itself.
void AddAbbrevVariants(std::string_view q, TVStringList& variants);

// Appends the term variants of q, or q itself when no word of q takes part in a term.
// At most kMaxTermRecords term records are combined (2^k phrases); further records of a very
// long query are dropped so that the number of phrases stays bounded.
constexpr int kMaxTermRecords = 8;
void AddTermVariants(std::string_view q, TVStringList& variants);

// Adds the forms of w to the sorted set forms. Returns 0 when nothing was added, 1 when the forms
// come from the dictionary (or w itself was added), 2 when they were guessed.
int GetWordForms(std::string_view w, TVStringList& forms);

// Building blocks of the above; exposed so that tests can drive them on small tables.
namespace morph {

// Every form of the reversed stem s with the reversed extra part x and paradigm p.
void AddForms(std::string_view s, std::string_view x, int p, TVStringList& forms);
// The dictionary form of stem b.
std::string BaseForm(int b);
// The stems of w (indices into Bases), in the order found, duplicates possible.
std::vector<int> FindStems(std::string_view w);
// One stem of w for the terms, or -1.
int StemOf(std::string_view w);
// Forms of a word missing from the dictionary: 0 nothing, 1 exact, 2 guessed.
int GuessForms(std::string_view w, TVStringList& forms);

}  // namespace morph
