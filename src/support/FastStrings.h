#pragma once
// Substring search and replace over Windows-1251 byte strings with 1-based positions
// (0 means "not found"). One skip-table search serves both the exact and the case-blind form,
// so searches over whole pages of several hundred kilobytes stay sub-linear on average.
#include <array>
#include <stdexcept>
#include <string>
#include <string_view>

// Byte -> capital letter of Windows-1251 (the same table as cp1251::UpperTable).
extern const std::array<unsigned char, 256>& UpperTable;

// Raised for a programming error: a start position below 1, a skip table for an empty pattern.
class EFastStringsError : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

// Position of the first occurrence of pattern that begins at start or later, or 0.
// start must be 1 or more. An empty pattern, one longer than the text, or a start past the
// end gives 0.
int FindFrom(std::string_view pattern, std::string_view text, int start);
int FindFromNoCase(std::string_view pattern, std::string_view text, int start);

// Every non-overlapping occurrence of find (left to right) replaced; replacement text is never
// searched again. find must not be empty.
std::string ReplaceAllText(std::string_view source, std::string_view find,
                           std::string_view replacement, bool caseSensitive);
