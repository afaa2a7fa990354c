#pragma once
// Cuts the visible text of an HTML page into word and punctuation tokens.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Appends, for every token of html, its 1-based position in html and its hash.
void SplitHtml(std::string_view html, std::vector<int32_t>& positions, std::vector<int32_t>& hashes);

// The length in bytes of the token that starts at html[start] (0-based), cut as SplitHtml cuts it.
size_t TokenLength(std::string_view html, size_t start);
