#pragma once
// Token hashes: the standard CRC-32 of the (optionally case-folded, blank-stripped) token.
#include <cstdint>
#include <string_view>

int32_t CalcCrc32(const unsigned char* bytes, int count);
int32_t HashLine(std::string_view text, bool ignoreCase, bool ignoreBlanks);
