#include "find/TextFinder.h"

#include <algorithm>
#include <deque>
#include <map>
#include <unordered_set>

#include "find/MorphRus.h"
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
  bool Known = false; // in some form set of the query
};

// Matching state of one MarkMatches call.
class TMatcher {
 public:
  TMatcher(const TQuery& query, std::string_view html)
      : query_(query), html_(html), windowSize_(query.LargestWordCount > 1 ? 50 : 1) {
    for (const auto& variant : query.Variants)
      for (const auto& forms : variant)
        for (const auto& f : forms) {
          if (f.empty()) continue;
          all_.insert(f);
          firstByte_[static_cast<unsigned char>(f[0])] = true;
          minLen_ = std::min(minLen_, f.size());
          maxLen_ = std::max(maxLen_, f.size());
        }
    window_.resize(windowSize_);
  }

  bool CanMatch() const { return !all_.empty(); }

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
        if (!cur.Known) continue;
      } else {
        cur.Start = pos;
        cur.More = ScanTextWord(html_, pos, raw_, cur.End);
        cur.Next = pos;
        if (!MayMatch(raw_)) continue;
        NormalizeInPlace(raw_);
        if (all_.find(raw_) == all_.end()) continue;
        cur.Word = raw_;
        cur.Known = true;
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
          if (MayMatch(w.Word)) {  // only a word that can match needs its normalised text
            NormalizeInPlace(w.Word);
            w.Known = all_.find(w.Word) != all_.end();
          }
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
  bool MayMatch(const std::string& raw) const {
    if (raw.empty() || raw.size() < minLen_ || raw.size() > maxLen_) return false;
    unsigned char c = ToUpper1251[static_cast<unsigned char>(raw[0])];
    if (c == kCapitalYo) c = kCapitalIe;
    return firstByte_[c];
  }

  static bool Matches(const TWordItem* w, const TVStringList& forms) {
    return w != nullptr && w->Known && forms.Contains(w->Word);
  }

  // Selects the window entries of the first satisfied variant; false when none is satisfied.
  // A variant without words finds nothing.
  bool SelectEntries() {
    selected_.assign(windowSize_, false);
    for (const auto& variant : query_.Variants) {
      if (variant.empty()) continue;
      bool satisfied = true;
      for (const auto& forms : variant) {
        bool any = false;
        for (const TWordItem* w : window_)
          if (Matches(w, forms)) {
            any = true;
            break;
          }
        if (!any) {
          satisfied = false;
          break;
        }
      }
      if (!satisfied) continue;
      for (size_t j = 0; j < windowSize_; ++j)
        for (const auto& forms : variant)
          if (Matches(window_[j], forms)) {
            selected_[j] = true;
            break;
          }
      return true;
    }
    return false;
  }

  const TQuery& query_;
  std::string_view html_;
  const size_t windowSize_;
  std::vector<const TWordItem*> window_;
  std::deque<TWordItem> ahead_;
  std::string raw_;
  std::vector<bool> selected_;
  std::unordered_set<std::string> all_;
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
