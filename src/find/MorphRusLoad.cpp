// Loading and release of the morphology dictionaries.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <numeric>
#include <stdexcept>
#include <system_error>

#include "find/MorphRusTables.h"

TStringTable Endings;
TListTable<uint16_t> Paradigms;
TBaseTable Bases;
std::vector<uint16_t> BaseGroupOf;
TListTable<uint32_t> BaseGroups;
TListTable<int32_t> Terms;
std::vector<TLnTerm> LnTerms;
std::vector<TQryDocList> QryDocLists;

namespace {

const char* const kA49 = "A49.DAT";
const char* const kA71 = "A71.DAT";
const char* const kA80 = "A80.DAT";

// ---------------------------------------------------------------------------------------------
// Text files.

bool IsBlank(unsigned char c) { return c <= 0x20; }

std::string_view Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && IsBlank(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

// A decimal integer with an optional sign filling the whole text; def otherwise (also on
// overflow of 32 bits).
int32_t ToIntDef(std::string_view s, int32_t def) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  if (i == s.size()) return def;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return def;
    v = v * 10 + (s[i] - '0');
    if (v > static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1) return def;
  }
  if (negative) v = -v;
  if (v > std::numeric_limits<int32_t>::max()) return def;
  return static_cast<int32_t>(v);
}

// The pieces of s between separators; a final empty piece is not added, so "" gives none.
std::vector<std::string_view> SplitAt(std::string_view s, char sep) {
  std::vector<std::string_view> pieces;
  size_t start = 0;
  while (start < s.size()) {
    const size_t p = s.find(sep, start);
    if (p == std::string_view::npos) {
      pieces.push_back(s.substr(start));
      return pieces;
    }
    pieces.push_back(s.substr(start, p - start));
    start = p + 1;
  }
  return pieces;
}

// Calls f with every line of data, unscrambled. Lines end at CR, LF or CR LF; an empty text has
// no lines, and a line end at the very end does not open another line.
template <class F>
void ForEachLine(std::string_view data, unsigned char key, F&& f) {
  std::string line;
  size_t i = 0;
  while (i < data.size()) {
    size_t e = i;
    while (e < data.size() && data[e] != '\r' && data[e] != '\n') ++e;
    line.assign(data.substr(i, e - i));
    for (char& c : line) c = static_cast<char>(static_cast<unsigned char>(c) ^ key);
    f(std::string_view(line));
    if (e < data.size() && data[e] == '\r' && e + 1 < data.size() && data[e + 1] == '\n') ++e;
    i = e + 1;
  }
}

// ---------------------------------------------------------------------------------------------
// A49.DAT.

// Reads little-endian numbers and zero-ended strings, never past the end.
class TReader {
 public:
  explicit TReader(std::string_view data)
      : p_(reinterpret_cast<const unsigned char*>(data.data())), end_(p_ + data.size()) {}
  size_t Left() const { return static_cast<size_t>(end_ - p_); }
  bool U8(uint8_t& v) {
    if (Left() < 1) return false;
    v = *p_++;
    return true;
  }
  bool U16(uint16_t& v) {
    if (Left() < 2) return false;
    v = static_cast<uint16_t>(p_[0] | (p_[1] << 8));
    p_ += 2;
    return true;
  }
  bool U32(uint32_t& v) {
    if (Left() < 4) return false;
    v = static_cast<uint32_t>(p_[0]) | (static_cast<uint32_t>(p_[1]) << 8) |
        (static_cast<uint32_t>(p_[2]) << 16) | (static_cast<uint32_t>(p_[3]) << 24);
    p_ += 4;
    return true;
  }
  // A scrambled string up to its zero byte, unscrambled into buf; false when no zero byte is left.
  bool Str(unsigned char key, std::string& buf) {
    const void* z = std::memchr(p_, 0, Left());
    if (!z) return false;
    const auto* e = static_cast<const unsigned char*>(z);
    buf.resize(static_cast<size_t>(e - p_));
    for (size_t i = 0; i < buf.size(); ++i) buf[i] = static_cast<char>(p_[i] ^ key);
    p_ = e + 1;
    return true;
  }

 private:
  const unsigned char* p_;
  const unsigned char* end_;
};

bool Fail(std::string& error, std::string text) {
  error = std::move(text);
  return false;
}

std::string Num(size_t n) { return std::to_string(n); }

// The whole file into out. 1 = read, 0 = missing, -1 = present but unreadable.
int ReadWholeFile(const std::string& path, std::string& out) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::exists(status)) return 0;
  if (!std::filesystem::is_regular_file(status)) return -1;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) return -1;
  std::ifstream in(path, std::ios::binary);
  if (!in) return -1;
  out.resize(static_cast<size_t>(size));
  if (size > 0 && !in.read(out.data(), static_cast<std::streamsize>(size))) return -1;
  // A file that grew meanwhile: the rest is read too, so nothing is cut silently.
  std::string rest((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  out += rest;
  return 1;
}

bool LoadFile(const std::string& dataDir, const char* name, std::string& data,
              std::string& message) {
  const int r = ReadWholeFile(dataDir + name, data);
  if (r == 0) {
    message = "Не найден файл " + dataDir + name;
    return false;
  }
  if (r < 0) {
    message = "Не могу открыть файл " + dataDir + name + "\r\nВозможно файл занят другим процессом";
    return false;
  }
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

std::vector<TLnTerm> ParseA71(std::string_view data, unsigned char key) {
  std::vector<TLnTerm> terms;
  ForEachLine(data, key, [&](std::string_view line) {
    TLnTerm t;
    const size_t hash = line.find('#');
    if (hash == std::string_view::npos) {
      t.Second = std::string(Trim(line));
    } else {
      t.Group = ToIntDef(Trim(line.substr(0, hash)), 0);
      const std::string_view rest = line.substr(hash + 1);
      const size_t second = rest.find('#');
      if (second == std::string_view::npos) {
        t.First = std::string(Trim(rest));
      } else {
        t.First = std::string(Trim(rest.substr(0, second)));
        t.Second = std::string(Trim(rest.substr(second + 1)));
      }
    }
    terms.push_back(std::move(t));
  });
  return terms;
}

std::vector<TQryDocList> ParseA80(std::string_view data, unsigned char key) {
  std::vector<TQryDocList> lists;
  ForEachLine(data, key, [&](std::string_view line) {
    TQryDocList q;
    // Without "#" the line has no number part and is all phrases, as in A71.DAT.
    const size_t hash = line.find('#');
    const std::string_view numbers = hash == std::string_view::npos ? std::string_view()
                                                                    : line.substr(0, hash);
    const std::string_view phrases = hash == std::string_view::npos ? line : line.substr(hash + 1);
    for (std::string_view piece : SplitAt(Trim(numbers), ',')) {
      const int32_t v = ToIntDef(Trim(piece), 0);
      if (v > 0) q.Numbers.push_back(v);
    }
    for (std::string_view piece : SplitAt(Trim(phrases), ',')) q.Phrases.Add(std::string(piece));
    lists.push_back(std::move(q));
  });
  return lists;
}

size_t TA49Tables::MemoryBytes() const {
  return Endings.MemoryBytes() + Paradigms.MemoryBytes() + Bases.MemoryBytes() +
         BaseGroupOf.capacity() * sizeof(uint16_t) + BaseGroups.MemoryBytes() +
         Terms.MemoryBytes();
}

bool ParseA49(std::string_view data, TA49Tables& t, std::string& error, unsigned char key) {
  t = TA49Tables();
  TReader r(data);
  std::string buf;
  uint32_t n = 0;

  // 1. Endings.
  if (!r.U32(n) || n > r.Left()) return Fail(error, "раздел окончаний обрывается");
  t.Endings.Reserve(n, r.Left() - n);
  for (uint32_t i = 0; i < n; ++i) {
    if (!r.Str(key, buf)) return Fail(error, "окончание " + Num(i) + " без завершающего нуля");
    t.Endings.Add(buf);
  }
  const uint32_t endingCount = n;

  // 2. Paradigms.
  if (!r.U32(n) || n > r.Left()) return Fail(error, "раздел парадигм обрывается");
  t.Paradigms.Reserve(n, std::min<size_t>(r.Left() / 2, size_t{n} * 16));
  for (uint32_t i = 0; i < n; ++i) {
    uint8_t k = 0;
    if (!r.U8(k) || r.Left() < size_t{k} * 2) return Fail(error, "парадигма " + Num(i) + " обрывается");
    t.Paradigms.BeginList();
    for (uint8_t j = 0; j < k; ++j) {
      uint16_t code = 0;
      r.U16(code);
      if ((code & kEndingMask) >= endingCount)
        return Fail(error, "в парадигме " + Num(i) + " номер окончания " + Num(code & kEndingMask) +
                               " при " + Num(endingCount) + " окончаниях");
      t.Paradigms.Push(code);
    }
  }
  const uint32_t paradigmCount = n;

  // 3. Stems: at least a paradigm number and a zero byte each.
  if (!r.U32(n) || size_t{n} * 3 > r.Left()) return Fail(error, "раздел основ обрывается");
  {
    const size_t left = r.Left();
    const size_t fixed = size_t{n} * 5 + 4;  // numbers, zero bytes and the group marks that follow
    t.Bases.Reserve(n, left > fixed ? left - fixed : 0);
  }
  for (uint32_t i = 0; i < n; ++i) {
    uint16_t p = 0;
    if (!r.U16(p) || !r.Str(key, buf)) return Fail(error, "основа " + Num(i) + " обрывается");
    if (p >= paradigmCount)
      return Fail(error, "у основы " + Num(i) + " номер парадигмы " + Num(p) + " при " +
                             Num(paradigmCount) + " парадигмах");
    t.Bases.Add(buf, p);
  }
  const uint32_t baseCount = n;

  // 4. Stem groups: one mark per stem, then the groups.
  if (!r.U32(n) || size_t{n} * 2 > r.Left()) return Fail(error, "раздел групп основ обрывается");
  if (n != baseCount)
    return Fail(error, "отметок групп " + Num(n) + ", а основ " + Num(baseCount));
  t.BaseGroupOf.resize(n);
  for (uint32_t i = 0; i < n; ++i) r.U16(t.BaseGroupOf[i]);
  uint32_t g = 0;
  if (!r.U32(g) || g > r.Left()) return Fail(error, "раздел групп основ обрывается");
  t.BaseGroups.Reserve(g, std::min<size_t>(r.Left() / 4, size_t{g} * 4));
  for (uint32_t i = 0; i < g; ++i) {
    uint8_t k = 0;
    if (!r.U8(k) || r.Left() < size_t{k} * 4) return Fail(error, "группа основ " + Num(i) + " обрывается");
    t.BaseGroups.BeginList();
    for (uint8_t j = 0; j < k; ++j) {
      uint32_t s = 0;
      r.U32(s);
      if (s >= baseCount)
        return Fail(error, "в группе " + Num(i) + " номер основы " + Num(s) + " при " + Num(baseCount) + " основах");
      t.BaseGroups.Push(s);
    }
  }
  for (uint32_t i = 0; i < baseCount; ++i)
    if (t.BaseGroupOf[i] > g)
      return Fail(error, "основа " + Num(i) + " отнесена к группе " + Num(t.BaseGroupOf[i]) +
                             " при " + Num(g) + " группах");

  // 5. Terms.
  if (!r.U32(n) || n > r.Left()) return Fail(error, "раздел терминов обрывается");
  t.Terms.Reserve(n, std::min<size_t>(r.Left() / 4, size_t{n} * 4));
  for (uint32_t i = 0; i < n; ++i) {
    uint8_t k = 0;
    if (!r.U8(k) || r.Left() < size_t{k} * 4) return Fail(error, "термин " + Num(i) + " обрывается");
    t.Terms.BeginList();
    for (uint8_t j = 0; j < k; ++j) {
      uint32_t s = 0;
      r.U32(s);
      if (s >= baseCount)
        return Fail(error, "в термине " + Num(i) + " номер основы " + Num(s) + " при " + Num(baseCount) + " основах");
      t.Terms.Push(static_cast<int32_t>(s));
    }
  }
  if (r.Left() != 0) return Fail(error, "после раздела терминов остались лишние байты");
  return true;
}

// ---------------------------------------------------------------------------------------------

void FreeDictionaries() {
  Endings.Clear();
  Paradigms.Clear();
  Bases.Clear();
  BaseGroupOf.clear();
  BaseGroupOf.shrink_to_fit();
  BaseGroups.Clear();
  Terms.Clear();
  LnTerms.clear();
  LnTerms.shrink_to_fit();
  QryDocLists.clear();
  QryDocLists.shrink_to_fit();
}

size_t DictionaryMemoryBytes() {
  size_t bytes = Endings.MemoryBytes() + Paradigms.MemoryBytes() + Bases.MemoryBytes() +
                 BaseGroupOf.capacity() * sizeof(uint16_t) + BaseGroups.MemoryBytes() +
                 Terms.MemoryBytes();
  bytes += LnTerms.capacity() * sizeof(TLnTerm);
  for (const TLnTerm& t : LnTerms) {
    if (t.First.capacity() > 15) bytes += t.First.capacity() + 1;
    if (t.Second.capacity() > 15) bytes += t.Second.capacity() + 1;
  }
  bytes += QryDocLists.capacity() * sizeof(TQryDocList);
  for (const TQryDocList& q : QryDocLists) {
    bytes += q.Numbers.capacity() * sizeof(int32_t);
    bytes += static_cast<size_t>(q.Phrases.Count()) * sizeof(std::string);
    for (const std::string& s : q.Phrases)
      if (s.capacity() > 15) bytes += s.capacity() + 1;
  }
  return bytes;
}

bool LoadDictionaries(const std::string& dataDir, std::string& message) {
  message.clear();
  FreeDictionaries();
  std::string data;
  if (!LoadFile(dataDir, kA71, data, message)) return false;
  std::vector<TLnTerm> lnTerms = ParseA71(data, kDictionaryKey);
  if (!LoadFile(dataDir, kA80, data, message)) return false;
  std::vector<TQryDocList> qryDocLists = ParseA80(data, kDictionaryKey);
  if (!LoadFile(dataDir, kA49, data, message)) return false;
  TA49Tables t;
  std::string error;
  const bool ok = ParseA49(data, t, error, kDictionaryKey);
  std::string().swap(data);
  if (!ok) {
    message = "Файл " + dataDir + kA49 + " повреждён: " + error;
    return false;
  }
  Endings = std::move(t.Endings);
  Paradigms = std::move(t.Paradigms);
  Bases = std::move(t.Bases);
  BaseGroupOf = std::move(t.BaseGroupOf);
  BaseGroups = std::move(t.BaseGroups);
  Terms = std::move(t.Terms);
  LnTerms = std::move(lnTerms);
  QryDocLists = std::move(qryDocLists);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Tables from plain lists.

void SetDictionaryTables(const TDictionaryLists& lists) {
  FreeDictionaries();
  size_t bytes = 0;
  for (const auto& e : lists.Endings) bytes += e.size();
  Endings.Reserve(lists.Endings.size(), bytes);
  for (const auto& e : lists.Endings) Endings.Add(e);
  for (const auto& p : lists.Paradigms) Paradigms.Add(std::span<const uint16_t>(p));
  bytes = 0;
  for (const auto& b : lists.Bases) bytes += b.first.size();
  Bases.Reserve(lists.Bases.size(), bytes);
  for (const auto& b : lists.Bases) Bases.Add(b.first, b.second);
  BaseGroupOf = lists.BaseGroupOf;
  if (BaseGroupOf.size() < lists.Bases.size()) BaseGroupOf.resize(lists.Bases.size(), 0);
  for (const auto& g : lists.BaseGroups) BaseGroups.Add(std::span<const uint32_t>(g));
  for (const auto& t : lists.Terms) Terms.Add(std::span<const int32_t>(t));
  LnTerms = lists.LnTerms;
  QryDocLists = lists.QryDocLists;
}

namespace {
std::string Reversed(std::string_view s) { return std::string(s.rbegin(), s.rend()); }
}  // namespace

int TDictionaryBuilder::AddParadigm(std::vector<TEnding> endings) {
  paradigms_.push_back(std::move(endings));
  return static_cast<int>(paradigms_.size()) - 1;
}

int TDictionaryBuilder::AddStem(std::string_view stem, int paradigm) {
  stems_.emplace_back(std::string(stem), paradigm);
  return static_cast<int>(stems_.size()) - 1;
}

void TDictionaryBuilder::AddGroup(std::vector<int> stems) { groups_.push_back(std::move(stems)); }
void TDictionaryBuilder::AddTerm(std::vector<int> stems) { terms_.push_back(std::move(stems)); }
void TDictionaryBuilder::AddLnTerm(int32_t group, std::string first, std::string second) {
  lnTerms_.push_back(TLnTerm{group, std::move(first), std::move(second)});
}

int TDictionaryBuilder::BaseIndex(int handle) const {
  if (baseIndex_.size() != stems_.size()) Build();
  return baseIndex_.at(static_cast<size_t>(handle));
}

TDictionaryLists TDictionaryBuilder::Build() const {
  TDictionaryLists out;
  for (const auto& p : paradigms_)
    for (const auto& e : p) out.Endings.push_back(Reversed(e.Text));
  std::sort(out.Endings.begin(), out.Endings.end());
  out.Endings.erase(std::unique(out.Endings.begin(), out.Endings.end()), out.Endings.end());
  for (const auto& p : paradigms_) {
    std::vector<uint16_t> codes;
    for (const auto& e : p) {
      const auto it = std::lower_bound(out.Endings.begin(), out.Endings.end(), Reversed(e.Text));
      codes.push_back(static_cast<uint16_t>((it - out.Endings.begin()) | (e.Prefix & kPrefixMask)));
    }
    std::sort(codes.begin(), codes.end(), [](uint16_t a, uint16_t b) {
      return (a & kEndingMask) != (b & kEndingMask) ? (a & kEndingMask) < (b & kEndingMask) : a < b;
    });
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    out.Paradigms.push_back(std::move(codes));
  }
  std::vector<int> order(stems_.size());
  std::iota(order.begin(), order.end(), 0);
  std::vector<std::string> rev;
  for (const auto& s : stems_) rev.push_back(Reversed(s.first));
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return rev[a] < rev[b]; });
  baseIndex_.assign(stems_.size(), 0);
  for (size_t i = 0; i < order.size(); ++i) {
    baseIndex_[static_cast<size_t>(order[i])] = static_cast<int>(i);
    out.Bases.emplace_back(rev[static_cast<size_t>(order[i])],
                           static_cast<uint16_t>(stems_[static_cast<size_t>(order[i])].second));
  }
  out.BaseGroupOf.assign(stems_.size(), 0);
  for (size_t g = 0; g < groups_.size(); ++g) {
    std::vector<uint32_t> members;
    for (int h : groups_[g]) {
      const int b = baseIndex_[static_cast<size_t>(h)];
      members.push_back(static_cast<uint32_t>(b));
      out.BaseGroupOf[static_cast<size_t>(b)] = static_cast<uint16_t>(g + 1);
    }
    out.BaseGroups.push_back(std::move(members));
  }
  for (const auto& t : terms_) {
    std::vector<int32_t> members;
    for (int h : t) members.push_back(baseIndex_[static_cast<size_t>(h)]);
    out.Terms.push_back(std::move(members));
  }
  std::stable_sort(out.Terms.begin(), out.Terms.end(),
                   [](const auto& a, const auto& b) { return a.at(0) < b.at(0); });
  out.LnTerms = lnTerms_;
  return out;
}

// ---------------------------------------------------------------------------------------------

namespace {
void PutU8(std::string& out, size_t v) { out.push_back(static_cast<char>(v & 0xFF)); }
void PutU16(std::string& out, uint32_t v) {
  PutU8(out, v);
  PutU8(out, v >> 8);
}
void PutU32(std::string& out, uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}
void PutStr(std::string& out, std::string_view s, unsigned char key) {
  for (char c : s) {
    const unsigned char x = static_cast<unsigned char>(c) ^ key;
    if (x == 0) throw std::invalid_argument("a dictionary string holds the scrambling key byte");
    out.push_back(static_cast<char>(x));
  }
  out.push_back('\0');
}
void PutCount(std::string& out, size_t k) {
  if (k > 255) throw std::invalid_argument("a dictionary list holds more than 255 elements");
  PutU8(out, k);
}
}  // namespace

std::string EncodeA49(const TDictionaryLists& l, unsigned char key) {
  std::string out;
  PutU32(out, static_cast<uint32_t>(l.Endings.size()));
  for (const auto& e : l.Endings) PutStr(out, e, key);
  PutU32(out, static_cast<uint32_t>(l.Paradigms.size()));
  for (const auto& p : l.Paradigms) {
    PutCount(out, p.size());
    for (uint16_t c : p) PutU16(out, c);
  }
  PutU32(out, static_cast<uint32_t>(l.Bases.size()));
  for (const auto& b : l.Bases) {
    PutU16(out, b.second);
    PutStr(out, b.first, key);
  }
  PutU32(out, static_cast<uint32_t>(l.Bases.size()));
  for (size_t i = 0; i < l.Bases.size(); ++i)
    PutU16(out, i < l.BaseGroupOf.size() ? l.BaseGroupOf[i] : 0);
  PutU32(out, static_cast<uint32_t>(l.BaseGroups.size()));
  for (const auto& g : l.BaseGroups) {
    PutCount(out, g.size());
    for (uint32_t s : g) PutU32(out, s);
  }
  PutU32(out, static_cast<uint32_t>(l.Terms.size()));
  for (const auto& t : l.Terms) {
    PutCount(out, t.size());
    for (int32_t s : t) PutU32(out, static_cast<uint32_t>(s));
  }
  return out;
}
