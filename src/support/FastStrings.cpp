#include "support/FastStrings.h"

#include "support/Cp1251.h"

const std::array<unsigned char, 256>& UpperTable = cp1251::UpperTable;

namespace {

using SkipTable = std::array<int, 256>;

void BuildSkipTable(std::string_view pattern, bool noCase, SkipTable& skip) {
  const int m = static_cast<int>(pattern.size());
  if (m == 0) throw EFastStringsError("BufferLen is 0");
  skip.fill(m);
  auto key = [&](int i) {
    const auto c = static_cast<unsigned char>(pattern[i]);
    return noCase ? cp1251::UpperTable[c] : c;
  };
  for (int i = 0; i + 1 < m; ++i) skip[key(i)] = m - 1 - i;
  // A one-byte pattern: the entry is read only on a hit, so 0 never stalls the search.
  if (m == 1) skip[key(0)] = 0;
}

template <bool NoCase>
int Search(std::string_view pattern, std::string_view text, int start) {
  const int m = static_cast<int>(pattern.size());
  const int n = static_cast<int>(text.size());
  if (m == 0 || m > n || start > n) return 0;
  SkipTable skip;
  BuildSkipTable(pattern, NoCase, skip);
  auto fold = [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return NoCase ? cp1251::UpperTable[b] : b;
  };
  // end is the 0-based index of the text byte aligned with the pattern's last byte.
  for (int end = start - 1 + m - 1; end < n;) {
    int j = m - 1, t = end;
    while (j >= 0 && fold(text[t]) == fold(pattern[j])) --j, --t;
    if (j < 0) return t + 2;  // 1-based position of the first matched byte
    const int shift = skip[fold(text[end])];
    end += shift > 0 ? shift : 1;
  }
  return 0;
}

void CheckStart(int start, int line) {
  if (start < 1)
    throw EFastStringsError("Assertion failed (Faststrings\\FastStrings, line " +
                            std::to_string(line) + ")");
}

}  // namespace

int FindFrom(std::string_view pattern, std::string_view text, int start) {
  CheckStart(start, 544);
  return Search<false>(pattern, text, start);
}

int FindFromNoCase(std::string_view pattern, std::string_view text, int start) {
  CheckStart(start, 565);
  return Search<true>(pattern, text, start);
}

std::string ReplaceAllText(std::string_view source, std::string_view find,
                           std::string_view replacement, bool caseSensitive) {
  std::string result;
  if (source.empty()) return result;
  if (find.empty()) throw EFastStringsError("BufferLen is 0");
  const size_t reserve = replacement.size() > find.size()
                             ? source.size() / find.size() * replacement.size() + source.size() % find.size()
                             : source.size();
  result.reserve(reserve);
  size_t pos = 0;  // first byte of the source not yet consumed
  while (source.size() - pos >= find.size()) {
    const std::string_view rest = source.substr(pos);
    const int hit = caseSensitive ? FindFrom(find, rest, 1) : FindFromNoCase(find, rest, 1);
    if (hit == 0) break;
    result.append(rest.substr(0, hit - 1));
    result.append(replacement);
    pos += hit - 1 + find.size();
  }
  result.append(source.substr(pos));
  return result;
}
