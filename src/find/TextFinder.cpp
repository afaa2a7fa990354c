#include "find/TextFinder.h"

#include <limits>
#include <stdexcept>

#include <algorithm>
#include <deque>
#include <map>
#include <set>
#include <unordered_map>

#include "find/MorphRus.h"
#include "support/CharReference.h"
#include "support/Cp1251.h"
#include "support/FastStrings.h"

namespace {

constexpr std::array<bool, 256> MakeWordChars() {
  std::array<bool, 256> t{};
  for (int c = '0'; c <= '9'; ++c) t[c] = true;
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = true;
  for (int c = 'a'; c <= 'z'; ++c) t[c] = true;
  for (int c = 0xC0; c <= 0xFF; ++c) t[c] = true;
  t[0xA8] = t[0xB8] = true;  // Ё ё
  t[0xA1] = t[0xA2] = true;  // Ў ў
  t[0xB9] = true;            // №
  t['%'] = true;
  return t;
}

constexpr unsigned char kCapitalYo = 0xA8;
constexpr unsigned char kCapitalIe = 0xC5;
constexpr unsigned char kCyrillicCapitalI = 0xB2;

}  // namespace

constinit const std::array<bool, 256> WordChars = MakeWordChars();
const std::array<unsigned char, 256>& ToUpper1251 = cp1251::UpperTable;

std::string NormalizeWord(std::string_view word) {
  std::string r(word);
  for (char& c : r) {
    unsigned char u = ToUpper1251[static_cast<unsigned char>(c)];
    if (u == kCapitalYo) u = kCapitalIe;
    c = static_cast<char>(u);
  }
  return r;
}

namespace {

// The scanner behind NextTextWord. word receives the raw word; wordEnd the 1-based position just
// after its last byte (pos alone falls one short when the input ends inside or just after a word).
// Returns false when the input ran out: pos then stands on the last byte, and reading from there
// again would return the end of the last word a second time.
bool ScanTextWord(std::string_view html, int& pos, std::string& word, int& wordEnd) {
  word.clear();
  wordEnd = pos;
  const int n = static_cast<int>(html.size());
  if (n == 0 || pos > n || pos < 1) return false;
  int tagDepth = 0, commentDepth = 0;
  bool boundary = true;
  char lastDelimiter = 0;
  for (int i = pos; i <= n; ++i) {
    const char c = html[static_cast<size_t>(i - 1)];
    if (c == '<') {
      boundary = true;
      if (i < n && html[static_cast<size_t>(i)] == '!') ++commentDepth;
      if (commentDepth <= 0) ++tagDepth;
      continue;
    }
    if (c == '>') {
      boundary = true;
      if (commentDepth <= 0) --tagDepth;
      if (i > 1 && html[static_cast<size_t>(i - 2)] == '-') --commentDepth;
      continue;
    }
    if (commentDepth > 0 || tagDepth > 0) continue;
    if (boundary) {
      boundary = false;
      if (!word.empty()) return true;  // a tag ends the word; pos already stands after it
    }
    // A character reference is one delimiter: nothing inside it is a word ("&#1085;", "&amp;").
    if (c == '&' && word.empty()) {
      if (const size_t length = char_ref::Length(html, static_cast<size_t>(i - 1)); length > 0) {
        i += static_cast<int>(length) - 1;
        lastDelimiter = ';';
        tagDepth = 0;
        commentDepth = 0;
        continue;
      }
    }
    if (c == ';' && lastDelimiter == '&' &&
        (word == "nbsp" || word == "amp" || word == "lt" || word == "gt" || word == "quot"))
      word.clear();
    if (!IsWordChar(c)) {
      lastDelimiter = c;
      if (!word.empty()) {
        pos = i;
        return true;
      }
    } else {
      word.push_back(c);
      pos = i + 1;
      wordEnd = pos;
    }
    tagDepth = 0;
    commentDepth = 0;
  }
  pos = n;
  return false;
}

void NormalizeInPlace(std::string& w) {
  for (char& c : w) {
    unsigned char u = ToUpper1251[static_cast<unsigned char>(c)];
    if (u == kCapitalYo) u = kCapitalIe;
    c = static_cast<char>(u);
  }
}

std::string_view TrimBlanks(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20) --e;
  return s.substr(b, e - b);
}

// Splits s into maximal runs of word characters.
std::vector<std::string> SplitWords(std::string_view s) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && !IsWordChar(s[i])) ++i;
    const size_t b = i;
    while (i < s.size() && IsWordChar(s[i])) ++i;
    if (i > b) words.emplace_back(s.substr(b, i - b));
  }
  return words;
}

struct TFoundMark {
  int Occurrence;
  int Start;
  int End;
};

// A word of the window: the word (normalised when it can match), where it was read from and
// where the reading stopped.
struct TWordItem {
  std::string Word;
  int Start = 0;  // position the reading began at
  int End = 0;    // position just after the word
  int Next = 0;   // position after the reading
  bool More = false;  // false when the input ran out
  const std::vector<int>* Sets = nullptr;  // the query words whose form sets hold it, if any
};

// Matching state of one MarkMatches call.
//
// Query words with equal form sets match exactly the same text words, so each distinct set gets
// one number, a variant becomes the list of its set numbers (a later variant equal to an earlier
// one selects the same entries and is dropped), and one hash look-up per text word gives
// every set that holds it. Testing a window then costs one pass over its entries and one over the
// set numbers of the variants, however many variants the phrase pairs and terms produced.
class TMatcher {
 public:
  TMatcher(const TQuery& query, std::string_view html)
      : html_(html), windowSize_(query.LargestWordCount > 1 ? 50 : 1) {
    std::map<std::vector<std::string>, int> setNumbers;
    std::set<std::vector<int>> seenVariants;
    for (const auto& variant : query.Variants) {
      if (variant.empty()) continue;  // a variant without words finds nothing
      std::vector<int> sets;
      for (const auto& forms : variant) {
        std::vector<std::string> key(forms.begin(), forms.end());
        auto [it, added] = setNumbers.emplace(std::move(key), static_cast<int>(setNumbers.size()));
        if (added)
          for (const auto& f : forms) {
            if (f.empty()) continue;
            postings_[f].push_back(it->second);
            firstByte_[static_cast<unsigned char>(f[0])] = true;
            minLen_ = std::min(minLen_, f.size());
            maxLen_ = std::max(maxLen_, f.size());
          }
        sets.push_back(it->second);
      }
      if (seenVariants.insert(sets).second) variants_.push_back(std::move(sets));
    }
    present_.assign(setNumbers.size(), 0);
    inVariant_.assign(setNumbers.size(), 0);
    window_.resize(windowSize_);
  }

  bool CanMatch() const { return !postings_.empty(); }

  // Finds occurrence k from pos on; false when the text ran out without one.
  // The words of a window are read once: those after entry 0 are kept and handed to the main
  // position when it reaches them, which gives the same words as reading them again.
  bool ScanOccurrence(int k, int& pos, std::vector<TFoundMark>& marks) {
    const int n = static_cast<int>(html_.size());
    while (pos < n) {
      while (!ahead_.empty() && ahead_.front().Start < pos) ahead_.pop_front();
      if (!ahead_.empty() && ahead_.front().Start != pos) ahead_.clear();
      TWordItem cur;
      if (!ahead_.empty()) {
        cur = std::move(ahead_.front());
        ahead_.pop_front();
        pos = cur.Next;
        if (cur.Sets == nullptr) continue;
      } else {
        cur.Start = pos;
        cur.More = ScanTextWord(html_, pos, cur.Word, cur.End);
        cur.Next = pos;
        Classify(cur);
        if (cur.Sets == nullptr) continue;
      }
      window_[0] = &cur;
      if (windowSize_ > 1) {
        while (ahead_.size() < windowSize_ - 1) {
          const TWordItem& last = ahead_.empty() ? cur : ahead_.back();
          if (!last.More) break;
          TWordItem w;
          w.Start = last.Next;
          int p = w.Start;
          w.More = ScanTextWord(html_, p, w.Word, w.End);
          w.Next = p;
          Classify(w);
          ahead_.push_back(std::move(w));
        }
        for (size_t j = 1; j < windowSize_; ++j)
          window_[j] = j - 1 < ahead_.size() ? &ahead_[j - 1] : nullptr;  // past the end: empty
      }
      if (SelectEntries()) {
        for (size_t j = 0; j < windowSize_; ++j)
          if (selected_[j]) {
            const TWordItem& w = *window_[j];
            marks.push_back({k, w.End - static_cast<int>(w.Word.size()), w.End});
          }
        pos = marks.back().End;
        return true;
      }
    }
    return false;
  }

 private:
  // Finds the sets that hold the word; only a word that can match is normalised and looked up.
  void Classify(TWordItem& w) const {
    const std::string& raw = w.Word;
    if (raw.empty() || raw.size() < minLen_ || raw.size() > maxLen_) return;
    unsigned char c = ToUpper1251[static_cast<unsigned char>(raw[0])];
    if (c == kCapitalYo) c = kCapitalIe;
    if (!firstByte_[c]) return;
    NormalizeInPlace(w.Word);
    const auto it = postings_.find(w.Word);
    if (it != postings_.end()) w.Sets = &it->second;
  }

  // Selects every window entry that matches a word of any satisfied variant; false when no
  // variant is satisfied. All satisfied variants count, so the words the user typed are marked
  // even when an expanded variant earlier in the list is satisfied too.
  bool SelectEntries() {
    ++stamp_;
    for (const TWordItem* w : window_)
      if (w != nullptr && w->Sets != nullptr)
        for (const int s : *w->Sets) present_[static_cast<size_t>(s)] = stamp_;
    bool any = false;
    for (const auto& variant : variants_) {
      bool satisfied = true;
      for (const int s : variant)
        if (present_[static_cast<size_t>(s)] != stamp_) {
          satisfied = false;
          break;
        }
      if (!satisfied) continue;
      any = true;
      for (const int s : variant) inVariant_[static_cast<size_t>(s)] = stamp_;
    }
    if (!any) return false;
    selected_.assign(windowSize_, false);
    for (size_t j = 0; j < windowSize_; ++j) {
      const TWordItem* w = window_[j];
      if (w == nullptr || w->Sets == nullptr) continue;
      for (const int s : *w->Sets)
        if (inVariant_[static_cast<size_t>(s)] == stamp_) {
          selected_[j] = true;
          break;
        }
    }
    return true;
  }

  std::string_view html_;
  const size_t windowSize_;
  std::vector<std::vector<int>> variants_;  // set numbers of each variant's words, in order
  std::unordered_map<std::string, std::vector<int>> postings_;  // form -> sets holding it
  std::vector<uint64_t> present_, inVariant_;  // per set: stamp of the window that has it
  uint64_t stamp_ = 0;
  std::vector<const TWordItem*> window_;
  std::deque<TWordItem> ahead_;
  std::vector<bool> selected_;
  std::array<bool, 256> firstByte_{};
  size_t minLen_ = static_cast<size_t>(-1);
  size_t maxLen_ = 0;
};

void AppendMarkup(std::string& out, std::string_view html, const std::vector<TFoundMark>& marks) {
  out.reserve(html.size() + marks.size() * 40);
  size_t copied = 0;  // 0-based index of the first byte not yet copied
  int markInOccurrence = 0;
  int lastOccurrence = -1;
  for (const auto& m : marks) {
    if (m.Occurrence != lastOccurrence) {
      lastOccurrence = m.Occurrence;
      markInOccurrence = 0;
    }
    const size_t start = static_cast<size_t>(m.Start - 1), end = static_cast<size_t>(m.End - 1);
    out.append(html.substr(copied, start - copied));
    out.append("<acronym id=\"fnd");
    out.append(std::to_string(m.Occurrence));
    out.push_back('_');
    out.append(std::to_string(markInOccurrence++));
    out.append("\">");
    out.append(html.substr(start, end - start));
    out.append("</acronym>");
    copied = end;
  }
  out.append(html.substr(copied));
}

}  // namespace

std::string NextTextWord(std::string_view html, int& pos) {
  std::string word;
  int end;
  ScanTextWord(html, pos, word, end);
  return word;
}

void CollectVariants(std::string_view text, TVStringList& variants) {
  std::string q(TrimBlanks(text));
  for (char& c : q) {
    unsigned char u = ToUpper1251[static_cast<unsigned char>(c)];
    if (u == kCyrillicCapitalI) u = 'I';
    if (u == kCapitalYo) u = kCapitalIe;
    c = static_cast<char>(u);
  }
  AddAbbrevVariants(q, variants);
  AddTermVariants(q, variants);
}

void PrepareQuery(std::string_view text, TQuery& query) {
  query.Variants.clear();
  query.LargestWordCount = 0;
  TVStringList variants;
  CollectVariants(text, variants);

  // The same word recurs across variants; its forms are computed once.
  std::map<std::string, TVStringList> formsOf;
  for (const auto& variant : variants) {
    std::vector<TVStringList> words;
    for (const auto& raw : SplitWords(variant)) {
      const std::string w = NormalizeWord(TrimBlanks(raw));
      if (w.empty()) continue;
      auto it = formsOf.find(w);
      if (it == formsOf.end()) {
        TVStringList forms(true, TVStringList::TDuplicates::dupIgnore);
        if (GetWordForms(w, forms) == 0) forms.Add(w);
        // Text words are matched with "Ё" read as "Е"; the sets must hold the same spelling.
        bool hasYo = false;
        for (const auto& f : forms) hasYo = hasYo || f.find(static_cast<char>(kCapitalYo)) != std::string::npos;
        if (hasYo) {
          TVStringList fixed(true, TVStringList::TDuplicates::dupIgnore);
          for (const auto& f : forms) fixed.Add(NormalizeWord(f));
          forms = std::move(fixed);
        }
        it = formsOf.emplace(w, std::move(forms)).first;
      }
      words.push_back(it->second);
    }
    query.LargestWordCount = std::max(query.LargestWordCount, static_cast<int>(words.size()));
    query.Variants.push_back(std::move(words));
  }
}

std::string MarkMatches(std::string_view text, std::string_view html, int& count) {
  count = 0;
  if (html.empty()) return std::string();
  // Positions are 32-bit, as everywhere in the finder.
  if (html.size() >= static_cast<size_t>(std::numeric_limits<int>::max()))
    throw std::length_error("text too long to search (2 GB or more)");
  TQuery query;
  PrepareQuery(text, query);

  const int n = static_cast<int>(html.size());
  int pos = 1;
  if (const int body = FindFromNoCase("<BODY", html, 1); body > 0) {
    const int close = body + 5 <= n ? FindFrom(">", html, body + 5) : 0;
    pos = close > 0 ? close + 1 : 1;
  }

  std::vector<TFoundMark> marks;
  TMatcher matcher(query, html);
  if (!matcher.CanMatch()) return std::string(html);
  for (int k = 0; pos < n; ++k)
    if (!matcher.ScanOccurrence(k, pos, marks)) break;

  if (!marks.empty()) count = marks.back().Occurrence + 1;
  std::string out;
  AppendMarkup(out, html, marks);
  return out;
}
