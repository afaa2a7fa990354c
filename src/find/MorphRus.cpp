#include "find/MorphRus.h"

#include <algorithm>
#include <cstring>

#include "find/MorphRusTables.h"
#include "find/TextFinder.h"
#include "support/FastStrings.h"

namespace {

// Prefixes as the forms hold them, reversed.
constexpr std::string_view kNaiReversed = "\xC8\xC0\xCD";  // "ИАН"
constexpr std::string_view kPoReversed = "\xCE\xCF";       // "ОП"

// Bounds of the guessing.
constexpr int kMaxGuesses = 10;
constexpr int kMaxParadigmsPerEnding = 3;
constexpr int kMaxPrefixStems = 80;
constexpr size_t kEnoughStems = 3;

bool ByteLess(std::string_view a, std::string_view b) {
  return TVStringList::CompareBytes(a, b) < 0;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && std::memcmp(s.data(), prefix.data(), prefix.size()) == 0;
}

std::string Reversed(std::string_view s) { return std::string(s.rbegin(), s.rend()); }

// First stem of Bases not less than key.
int FirstBaseNotLess(std::string_view key) {
  int lo = 0, hi = Bases.Count();
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (ByteLess(Bases.Stem(mid), key))
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

// Number of the ending e in Endings, or -1.
int EndingNumber(std::string_view e) {
  int lo = 0, hi = Endings.Count();
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (ByteLess(Endings[mid], e))
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo < Endings.Count() && Endings[lo] == e ? lo : -1;
}

// The length of the longest start of the reversed word w that can be an ending: no ending is
// longer than the longest one, so longer starts need no look-up (a very long word would
// otherwise cost a look-up for every length).
size_t LongestEndingIn(std::string_view w) { return std::min(w.size(), Endings.Longest()); }

// The codes of paradigm p whose ending is e, in list order.
std::span<const uint16_t> CodesWithEnding(int p, int e) {
  const auto codes = Paradigms[p];
  const auto first = std::lower_bound(codes.begin(), codes.end(), e,
                                      [](uint16_t c, int key) { return (c & kEndingMask) < key; });
  auto last = first;
  while (last != codes.end() && (*last & kEndingMask) == e) ++last;
  return codes.subspan(static_cast<size_t>(first - codes.begin()), static_cast<size_t>(last - first));
}

bool ValidParadigm(int p) { return p >= 0 && p < Paradigms.Count(); }

bool HasZeroEnding(int p) {
  if (!ValidParadigm(p)) return false;
  const auto codes = Paradigms[p];
  return !codes.empty() && codes[0] == 0;
}

// The prefix rule: a word read with the paradigm's prefix has it removed from its stem.
std::string_view WithoutPrefix(uint16_t code, std::string_view c) {
  const uint16_t prefix = code & kPrefixMask;
  if (prefix == kPrefixNai && c.size() >= 3 && c.substr(c.size() - 3) == kNaiReversed)
    return c.substr(0, c.size() - 3);
  if (prefix == kPrefixPo && c.size() >= 2 && c.substr(c.size() - 2) == kPoReversed)
    return c.substr(0, c.size() - 2);
  return c;
}

std::string_view PrefixText(uint16_t code) {
  const uint16_t prefix = code & kPrefixMask;
  if (prefix == kPrefixNai) return kNaiReversed;
  if (prefix == kPrefixPo) return kPoReversed;
  return {};
}

// One form in reading order from a code, a reversed stem and a reversed extra part.
std::string MakeForm(uint16_t code, std::string_view s, std::string_view x) {
  const int e = code & kEndingMask;
  const std::string_view ending = e < Endings.Count() ? Endings[e] : std::string_view();
  const std::string_view prefix = PrefixText(code);
  std::string form;
  form.reserve(ending.size() + s.size() + x.size() + prefix.size());
  form.append(prefix.rbegin(), prefix.rend());
  form.append(x.rbegin(), x.rend());
  form.append(s.rbegin(), s.rend());
  form.append(ending.rbegin(), ending.rend());
  return form;
}

// Calls f(index) for every stem equal to key, in table order.
template <class F>
void ForEachBaseEqual(std::string_view key, F f) {
  for (int i = FirstBaseNotLess(key); i < Bases.Count() && Bases.Stem(i) == key; ++i) f(i);
}

bool HasBase(std::string_view stem, int p) {
  for (int i = FirstBaseNotLess(stem); i < Bases.Count() && Bases.Stem(i) == stem; ++i)
    if (Bases.Paradigm(i) == p) return true;
  return false;
}

// Among the first 80 stems from the first not less than stem on that begin with it, one of p.
bool HasBaseWithPrefix(std::string_view stem, int p) {
  int i = FirstBaseNotLess(stem);
  for (int seen = 0; seen < kMaxPrefixStems && i < Bases.Count() && StartsWith(Bases.Stem(i), stem);
       ++seen, ++i)
    if (Bases.Paradigm(i) == p) return true;
  return false;
}

enum class TMatchMode { Exact, Prefix };

// Forms for the candidate ending e with the reversed candidate stem c, after known stems of up
// to three paradigms that hold this ending.
bool ExpandByEnding(int e, std::string_view c, std::string_view x, TMatchMode mode,
                    TVStringList& forms) {
  int count = 0;
  for (int p = 0; p < Paradigms.Count() && count < kMaxParadigmsPerEnding; ++p) {
    for (const uint16_t code : CodesWithEnding(p, e)) {
      const std::string_view stem = WithoutPrefix(code, c);
      const bool known = mode == TMatchMode::Exact ? HasBase(stem, p) : HasBaseWithPrefix(stem, p);
      if (known) {
        morph::AddForms(stem, x, p, forms);
        ++count;
        break;
      }
    }
  }
  return count > 0;
}

bool IsVowel(unsigned char c) {
  // А Е И О У Ы Э Ю Я
  return c == 0xC0 || c == 0xC5 || c == 0xC8 || c == 0xCE || c == 0xD3 || c == 0xDB ||
         c == 0xDD || c == 0xDE || c == 0xDF;
}

// One-byte words looked up in the dictionary: digits, "%", "I", "N", "V", "X", "№", "Я".
bool LookedUpAlone(unsigned char c) {
  return (c >= '0' && c <= '9') || c == '%' || c == 'I' || c == 'N' || c == 'V' || c == 'X' ||
         c == 0xB9 || c == 0xDF;
}

void AddGroupOrStemForms(int b, TVStringList& forms) {
  const int group = b < static_cast<int>(BaseGroupOf.size()) ? BaseGroupOf[static_cast<size_t>(b)] : 0;
  if (group > 0 && group - 1 < BaseGroups.Count()) {
    for (const uint32_t s : BaseGroups[group - 1])
      if (s < static_cast<uint32_t>(Bases.Count()))
        morph::AddForms(Bases.Stem(static_cast<int>(s)), {}, Bases.Paradigm(static_cast<int>(s)), forms);
  } else {
    morph::AddForms(Bases.Stem(b), {}, Bases.Paradigm(b), forms);
  }
}

std::string_view TrimBlanks(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20) --e;
  return s.substr(b, e - b);
}

// First term (table order) whose element 0 is stem, or -1.
int FirstTermOf(int32_t stem) {
  int lo = 0, hi = Terms.Count();
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    const auto t = Terms[mid];
    if (t.empty() || t[0] < stem)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo < Terms.Count() && !Terms[lo].empty() && Terms[lo][0] == stem ? lo : -1;
}

}  // namespace

namespace morph {

void AddForms(std::string_view s, std::string_view x, int p, TVStringList& forms) {
  if (!ValidParadigm(p)) return;
  for (const uint16_t code : Paradigms[p]) forms.Add(MakeForm(code, s, x));
}

std::string BaseForm(int b) {
  if (b < 0 || b >= Bases.Count()) return std::string();
  const std::string_view stem = Bases.Stem(b);
  const int p = Bases.Paradigm(b);
  if (!ValidParadigm(p) || Paradigms[p].empty()) return Reversed(stem);
  return MakeForm(Paradigms[p][0], stem, {});
}

std::vector<int> FindStems(std::string_view w) {
  const std::string r = Reversed(w);
  const std::string_view rv = r;
  std::vector<int> stems;
  ForEachBaseEqual(rv, [&](int i) {
    if (HasZeroEnding(Bases.Paradigm(i))) stems.push_back(i);
  });
  for (size_t k = LongestEndingIn(rv); k >= 1; --k) {
    const int e = EndingNumber(rv.substr(0, k));
    if (e < 0) continue;
    const std::string_view c = rv.substr(k);
    bool enough = false;
    for (int p = 0; p < Paradigms.Count() && !enough; ++p)
      for (const uint16_t code : CodesWithEnding(p, e)) {
        ForEachBaseEqual(WithoutPrefix(code, c), [&](int i) {
          if (Bases.Paradigm(i) == p) stems.push_back(i);
        });
        if (stems.size() >= kEnoughStems) {
          enough = true;
          break;
        }
      }
  }
  return stems;
}

int StemOf(std::string_view w) {
  const std::string r = Reversed(w);
  const std::string_view rv = r;
  for (int i = FirstBaseNotLess(rv); i < Bases.Count() && Bases.Stem(i) == rv; ++i)
    if (HasZeroEnding(Bases.Paradigm(i))) return i;
  for (size_t cut = rv.size() - LongestEndingIn(rv); cut < rv.size(); ++cut) {
    const int e = EndingNumber(rv.substr(0, rv.size() - cut));
    if (e < 0) continue;
    const std::string_view c = rv.substr(rv.size() - cut);
    for (int p = 0; p < Paradigms.Count(); ++p)
      for (const uint16_t code : CodesWithEnding(p, e)) {
        const std::string_view stem = WithoutPrefix(code, c);
        for (int i = FirstBaseNotLess(stem); i < Bases.Count() && Bases.Stem(i) == stem; ++i)
          if (Bases.Paradigm(i) == p) return i;
      }
  }
  return -1;
}

int GuessForms(std::string_view w, TVStringList& forms) {
  std::string r = Reversed(w);
  bool found = false;
  ForEachBaseEqual(r, [&](int i) {
    const int p = Bases.Paradigm(i);
    if (HasZeroEnding(p)) {
      AddForms(r, {}, p, forms);
      found = true;
    }
  });
  for (size_t k = LongestEndingIn(r); k >= 1; --k) {
    const int e = EndingNumber(std::string_view(r).substr(0, k));
    if (e >= 0 && ExpandByEnding(e, std::string_view(r).substr(k), {}, TMatchMode::Exact, forms))
      found = true;
  }
  if (found) return 1;

  // Cut the word's first letters one by one until what is left ends like known stems; the cut
  // letters stand in front of every guessed form.
  int count = 0;
  std::string x;  // reversed extra part
  while (count < kMaxGuesses && !r.empty()) {
    const std::string_view rv = r;
    for (int i = FirstBaseNotLess(rv); i < Bases.Count() && StartsWith(Bases.Stem(i), rv); ++i) {
      const int p = Bases.Paradigm(i);
      if (!HasZeroEnding(p)) continue;
      AddForms(rv, x, p, forms);
      ++count;
      found = true;
    }
    for (size_t k = LongestEndingIn(rv); k >= 1; --k) {
      const int e = EndingNumber(rv.substr(0, k));
      if (e >= 0 && ExpandByEnding(e, rv.substr(k), x, TMatchMode::Prefix, forms)) {
        ++count;
        found = true;
        break;
      }
    }
    x.insert(x.begin(), r.back());
    r.pop_back();
  }
  return found ? 2 : 0;
}

}  // namespace morph

int GetWordForms(std::string_view w, TVStringList& forms) {
  if (w.empty()) return 0;
  if (w.size() == 1 && !LookedUpAlone(static_cast<unsigned char>(w[0]))) {
    forms.Add(std::string(w));
    return 1;
  }
  const std::vector<int> stems = morph::FindStems(w);
  if (!stems.empty()) {
    for (const int b : stems) AddGroupOrStemForms(b, forms);
    return 1;
  }
  bool hasVowel = false, hasOther = false;
  for (const char c : w) (IsVowel(static_cast<unsigned char>(c)) ? hasVowel : hasOther) = true;
  if (w.size() < 5 || !hasVowel || !hasOther) {
    forms.Add(std::string(w));
    return 1;
  }
  return morph::GuessForms(w, forms);
}

void AddTermVariants(std::string_view q, TVStringList& variants) {
  std::vector<std::string> words;
  for (size_t i = 0; i < q.size();) {
    while (i < q.size() && !IsWordChar(q[i])) ++i;
    const size_t b = i;
    while (i < q.size() && IsWordChar(q[i])) ++i;
    const std::string_view word = TrimBlanks(q.substr(b, i - b));
    if (!word.empty()) words.emplace_back(word);
  }
  const int n = static_cast<int>(words.size());
  std::vector<int> stemOf(static_cast<size_t>(n));
  for (int w = 0; w < n; ++w) stemOf[static_cast<size_t>(w)] = morph::StemOf(words[static_cast<size_t>(w)]);

  struct TTermRecord {
    bool Expand;
    int Word;
    int Term;
  };
  std::vector<TTermRecord> records;
  for (int w = 0; w < n; ++w) {
    const int s = stemOf[static_cast<size_t>(w)];
    if (s < 0) continue;
    if (const int t = FirstTermOf(s); t >= 0) records.push_back({true, w, t});
  }
  size_t longestTerm = 0;
  for (int t = 0; t < Terms.Count(); ++t) longestTerm = std::max(longestTerm, Terms[t].size());
  for (int w = 0; w < n; ++w) {
    const int maxL = std::min(n - w, static_cast<int>(longestTerm) - 1);
    bool hit = false;
    for (int len = maxL; len >= 1 && !hit; --len) {
      // A word without a stem takes part in no term.
      bool allKnown = true;
      for (int j = 0; j < len; ++j) allKnown = allKnown && stemOf[static_cast<size_t>(w + j)] >= 0;
      if (!allKnown) continue;
      for (int t = 0; t < Terms.Count(); ++t) {
        const auto term = Terms[t];
        if (term.size() != static_cast<size_t>(len) + 1) continue;
        if (!std::equal(term.begin() + 1, term.end(), stemOf.begin() + w)) continue;
        records.push_back({false, w, t});
        w += len - 1;
        hit = true;
        break;
      }
    }
  }
  if (records.empty()) {
    variants.Add(std::string(q));
    return;
  }
  // Every record doubles the number of phrases; a long query keeps its first records only.
  if (records.size() > static_cast<size_t>(kMaxTermRecords)) records.resize(kMaxTermRecords);

  const int r = static_cast<int>(records.size());
  for (uint32_t mask = 0; mask < (1u << r); ++mask) {
    std::string phrase;
    for (int i = 0; i < n;) {
      int rec = -1;
      for (int j = 0; j < r; ++j)
        if (records[static_cast<size_t>(j)].Word == i) {
          rec = j;
          break;
        }
      if (rec < 0 || (mask & (1u << rec)) == 0) {
        phrase += words[static_cast<size_t>(i)];
        phrase += ' ';
        ++i;
        continue;
      }
      const auto term = Terms[records[static_cast<size_t>(rec)].Term];
      if (records[static_cast<size_t>(rec)].Expand) {
        for (size_t el = 1; el < term.size(); ++el) {
          phrase += morph::BaseForm(term[el]);
          phrase += ' ';
        }
        ++i;
      } else {
        phrase += morph::BaseForm(term[0]);
        phrase += ' ';
        i += static_cast<int>(term.size()) - 1;
      }
    }
    if (!phrase.empty()) phrase.pop_back();
    variants.Add(std::move(phrase));
  }
}

void AddAbbrevVariants(std::string_view q, TVStringList& variants) {
  const std::string t = " " + std::string(q) + " ";
  int32_t g = 0;
  size_t i = 0;
  while (i < LnTerms.size()) {
    const TLnTerm& entry = LnTerms[i];
    const std::string first = " " + entry.First + " ";
    const std::string second = " " + entry.Second + " ";
    const std::string there = ReplaceAllText(t, first, second, true);
    if (there != t) {
      variants.Add(std::string(TrimBlanks(there)));
      g = entry.Group;
    }
    const std::string back = ReplaceAllText(t, second, first, true);
    if (back != t) {
      variants.Add(std::string(TrimBlanks(back)));
      g = entry.Group;
    }
    if (entry.Group == g) {
      ++i;
      while (i < LnTerms.size() && LnTerms[i].Group == entry.Group) ++i;
    } else {
      ++i;
    }
  }
  variants.Add(std::string(q));
}
