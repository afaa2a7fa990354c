#pragma once
// The text finder: marks every occurrence of a search text in an HTML body (Windows-1251),
// reading the text byte by byte between tags and comments and wrapping each found word in
// <acronym id="fndN_M">...</acronym> (N the occurrence, M the mark within it, both from 0).
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "support/VStringList.h"

// Bytes that form words for the finder and the morphology.
extern const std::array<bool, 256> WordChars;
inline bool IsWordChar(char c) { return WordChars[static_cast<unsigned char>(c)]; }

// Byte -> its capital in Windows-1251.
extern const std::array<unsigned char, 256>& ToUpper1251;

// Upper case with "Ё" read as "Е"; the length never changes.
std::string NormalizeWord(std::string_view word);

// The next word of the readable text of html at or after the 1-based position pos (tags,
// comments and character references skipped); pos moves past it. At the end of
// the input pos becomes the length of html.
std::string NextTextWord(std::string_view html, int& pos);

// A search text made ready for matching: its variants, each a list of query words, each word
// the sorted set of its normalised forms.
struct TQuery {
  std::vector<std::vector<TVStringList>> Variants;
  int LargestWordCount = 0;
};

// The variant strings of a search text, in matching order: its phrase-pair variants with the
// text itself, then its term variants. The text is normalised first (trimmed, upper case, "І"
// read as the Latin "I", "Ё" as "Е").
void CollectVariants(std::string_view text, TVStringList& variants);

// Builds the query for the search text (the phrase-pair and term variants, the word forms).
void PrepareQuery(std::string_view text, TQuery& query);

// Returns html with every occurrence of the search text marked; count receives the number of
// occurrences.
std::string MarkMatches(std::string_view text, std::string_view html, int& count);
