#pragma once
// The morphology dictionaries: the global tables the word forms read, their loader and release.
//
// All strings are upper-case Windows-1251 bytes. Stems and endings are held with their bytes in
// reverse order (last letter first), so a look-up by the end of a word is a binary search over a
// sorted table. The tables are filled once at start and only read afterwards; they keep their
// strings in one block of bytes each (no heap string per stem) and hand them out as
// std::string_view that stay valid until the tables are freed or replaced.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/VStringList.h"

// ---------------------------------------------------------------------------------------------
// Compact containers.

// Byte strings kept back to back in one block; string i is bytes [offset i, offset i+1).
class TStringTable {
 public:
  int Count() const { return static_cast<int>(offsets_.size()) - 1; }
  bool Empty() const { return Count() == 0; }
  std::string_view operator[](int i) const {
    const size_t b = offsets_[static_cast<size_t>(i)], e = offsets_[static_cast<size_t>(i) + 1];
    return std::string_view(text_.data() + b, e - b);
  }
  void Add(std::string_view s) {
    text_.append(s);
    offsets_.push_back(static_cast<uint32_t>(text_.size()));
    if (s.size() > longest_) longest_ = s.size();
  }
  // The length of the longest string.
  size_t Longest() const { return longest_; }
  void Reserve(size_t count, size_t bytes) {
    offsets_.reserve(count + 1);
    text_.reserve(bytes);
  }
  void Clear() {
    text_.clear();
    text_.shrink_to_fit();
    offsets_.assign(1, 0);
    offsets_.shrink_to_fit();
    longest_ = 0;
  }
  size_t MemoryBytes() const { return text_.capacity() + offsets_.capacity() * sizeof(uint32_t); }

 private:
  std::string text_;
  std::vector<uint32_t> offsets_{0};
  size_t longest_ = 0;
};

// Lists of numbers kept back to back in one block; list i is items [start i, start i+1).
template <class T>
class TListTable {
 public:
  int Count() const { return static_cast<int>(starts_.size()) - 1; }
  bool Empty() const { return Count() == 0; }
  std::span<const T> operator[](int i) const {
    const size_t b = starts_[static_cast<size_t>(i)], e = starts_[static_cast<size_t>(i) + 1];
    return std::span<const T>(items_.data() + b, e - b);
  }
  void Add(std::span<const T> list) {
    items_.insert(items_.end(), list.begin(), list.end());
    starts_.push_back(static_cast<uint32_t>(items_.size()));
  }
  void Add(std::initializer_list<T> list) { Add(std::span<const T>(list.begin(), list.size())); }
  // Appends one list item by item: BeginList, then Push for each item.
  void BeginList() { starts_.push_back(static_cast<uint32_t>(items_.size())); }
  void Push(T v) {
    items_.push_back(v);
    starts_.back() = static_cast<uint32_t>(items_.size());
  }
  void Reserve(size_t lists, size_t items) {
    starts_.reserve(lists + 1);
    items_.reserve(items);
  }
  void Clear() {
    items_.clear();
    items_.shrink_to_fit();
    starts_.assign(1, 0);
    starts_.shrink_to_fit();
  }
  size_t MemoryBytes() const {
    return items_.capacity() * sizeof(T) + starts_.capacity() * sizeof(uint32_t);
  }

 private:
  std::vector<T> items_;
  std::vector<uint32_t> starts_{0};
};

// One stem: the stem with its bytes reversed and the number of its paradigm in Paradigms.
struct TBase {
  std::string_view Stem;
  uint16_t Paradigm;
};

// The stems: reversed stems in one block, paradigm numbers alongside.
class TBaseTable {
 public:
  int Count() const { return stems_.Count(); }
  bool Empty() const { return stems_.Empty(); }
  TBase operator[](int i) const { return TBase{stems_[i], paradigms_[static_cast<size_t>(i)]}; }
  std::string_view Stem(int i) const { return stems_[i]; }
  uint16_t Paradigm(int i) const { return paradigms_[static_cast<size_t>(i)]; }
  void Add(std::string_view reversedStem, uint16_t paradigm) {
    stems_.Add(reversedStem);
    paradigms_.push_back(paradigm);
  }
  void Reserve(size_t count, size_t bytes) {
    stems_.Reserve(count, bytes);
    paradigms_.reserve(count);
  }
  void Clear() {
    stems_.Clear();
    paradigms_.clear();
    paradigms_.shrink_to_fit();
  }
  size_t MemoryBytes() const {
    return stems_.MemoryBytes() + paradigms_.capacity() * sizeof(uint16_t);
  }

 private:
  TStringTable stems_;
  std::vector<uint16_t> paradigms_;
};

// One phrase pair of A71.DAT: an abbreviation and its full wording, both upper case.
struct TLnTerm {
  int32_t Group = 0;
  std::string First;
  std::string Second;
};

// One line of A80.DAT: its numbers (all > 0) and its phrases (unsorted, in line order).
struct TQryDocList {
  std::vector<int32_t> Numbers;
  TVStringList Phrases;
};

// ---------------------------------------------------------------------------------------------
// Paradigm codes: the low 14 bits index Endings, the top two bits select a prefix.

constexpr uint16_t kEndingMask = 0x3FFF;
constexpr uint16_t kPrefixMask = 0xC000;
constexpr uint16_t kPrefixNai = 0x4000;  // «НАИ», held reversed as "ИАН"
constexpr uint16_t kPrefixPo = 0x8000;   // «ПО», held reversed as "ОП"
// 0x0000 and 0xC000: no prefix.

// The one-byte key every scrambled byte of the dictionary files is XOR-ed with.
constexpr unsigned char kDictionaryKey = 0x98;

// ---------------------------------------------------------------------------------------------
// The tables.

extern TStringTable Endings;           // reversed endings, ascending byte order; "" is the empty one
extern TListTable<uint16_t> Paradigms; // codes of each paradigm, ascending by code & 0x3FFF
extern TBaseTable Bases;               // stems ascending by reversed stem in byte order
extern std::vector<uint16_t> BaseGroupOf;  // per stem: 0 none, n > 0 member of BaseGroups[n-1]
extern TListTable<uint32_t> BaseGroups;    // stem indices whose forms are produced together
extern TListTable<int32_t> Terms;      // [0] stem of a one-word term, [1..] its equivalent's stems;
                                       // ascending by element 0
extern std::vector<TLnTerm> LnTerms;   // file order, one group's entries adjacent
extern std::vector<TQryDocList> QryDocLists;  // file order; nothing reads it

// ---------------------------------------------------------------------------------------------
// Loading and release.

// Loads A71.DAT, A80.DAT and A49.DAT from dataDir (a folder path ending with its separator, as
// it is put in front of the file names) in that order, stopping at the first failure.
// Returns true when all three loaded. On failure returns false, leaves every table empty and
// puts into message the text to show the user (UTF-8; the data folder is quoted as given):
//   "Не найден файл " + dataDir + name                       the file does not exist;
//   "Не могу открыть файл " + dataDir + name + "\r\nВозможно файл занят другим процессом"
//                                                            it exists but cannot be read;
//   "Файл " + dataDir + "A49.DAT" + " повреждён: " + what    A49.DAT is truncated or inconsistent.
// The previous tables are released first; the new ones are put in place only when all three
// files have loaded, so a failed load never leaves half-filled tables.
bool LoadDictionaries(const std::string& dataDir, std::string& message);

// Empties every table and releases its memory.
void FreeDictionaries();

// Bytes of memory the tables hold (capacity of their blocks, not counting allocator overhead).
size_t DictionaryMemoryBytes();

// ---------------------------------------------------------------------------------------------
// Plain lists of the tables, for tests and tools. Strings are in the form the tables hold them:
// upper case and, for endings and stems, reversed.
struct TDictionaryLists {
  std::vector<std::string> Endings;
  std::vector<std::vector<uint16_t>> Paradigms;
  std::vector<std::pair<std::string, uint16_t>> Bases;  // reversed stem, paradigm number
  std::vector<uint16_t> BaseGroupOf;                    // empty = no stem in any group
  std::vector<std::vector<uint32_t>> BaseGroups;
  std::vector<std::vector<int32_t>> Terms;
  std::vector<TLnTerm> LnTerms;
  std::vector<TQryDocList> QryDocLists;
};

// Replaces the tables with the given lists exactly as they are (no sorting, no checks; a
// BaseGroupOf shorter than Bases is padded with zeros).
void SetDictionaryTables(const TDictionaryLists& lists);

// Builds sorted, consistent lists from words in reading order, so that tests can set up a small
// dictionary without knowing the stored layout:
//   TDictionaryBuilder b;
//   int adj = b.AddParadigm({{"ИЙ"}, {"ОГО"}, {"ИЙ", kPrefixNai}});
//   int s = b.AddStem("БОЛЬШ", adj);
//   b.Install();                      // fills the global tables
//   int index = b.BaseIndex(s);       // the stem's index in Bases
// Endings are collected from the paradigms, reversed and sorted; each paradigm's codes are sorted
// by ending number (then by prefix) and duplicates dropped; paradigms keep the order they were
// added in; stems are sorted by reversed stem (stably), and group and term members are renumbered
// accordingly; terms are sorted (stably) by element 0.
class TDictionaryBuilder {
 public:
  struct TEnding {
    std::string Text;        // reading order, upper case; "" is the empty ending
    uint16_t Prefix = 0;     // 0, kPrefixNai, kPrefixPo or 0xC000
  };
  // Returns the paradigm number (0, 1, ... in order of adding).
  int AddParadigm(std::vector<TEnding> endings);
  // Adds a stem in reading order; returns a handle (0, 1, ... in order of adding).
  int AddStem(std::string_view stem, int paradigm);
  // Stems (handles) whose forms are produced together.
  void AddGroup(std::vector<int> stems);
  // A one-word term (stem handle first) with the stems of its multi-word equivalent.
  void AddTerm(std::vector<int> stems);
  void AddLnTerm(int32_t group, std::string first, std::string second);

  TDictionaryLists Build() const;
  void Install() const { SetDictionaryTables(Build()); }
  // Index in Bases of the stem with the given handle, once built.
  int BaseIndex(int handle) const;

 private:
  std::vector<std::vector<TEnding>> paradigms_;
  std::vector<std::pair<std::string, int>> stems_;
  std::vector<std::vector<int>> groups_;
  std::vector<std::vector<int>> terms_;
  std::vector<TLnTerm> lnTerms_;
  mutable std::vector<int> baseIndex_;
};

// Serialises lists as A49.DAT bytes (strings scrambled with key), for tests and tools.
std::string EncodeA49(const TDictionaryLists& lists, unsigned char key = kDictionaryKey);

// The tables A49.DAT fills, as one value (the parser fills one, the loader moves it into place).
struct TA49Tables {
  TStringTable Endings;
  TListTable<uint16_t> Paradigms;
  TBaseTable Bases;
  std::vector<uint16_t> BaseGroupOf;
  TListTable<uint32_t> BaseGroups;
  TListTable<int32_t> Terms;
  size_t MemoryBytes() const;
};

// Parses A49.DAT bytes in one pass; false with a reason (UTF-8) when the data is truncated or
// inconsistent: a count promising more than the data holds, a string without its zero byte, an
// ending number, paradigm number, group number or stem index out of range, stem groups not
// matching the stems, bytes left after the last section. Never reads outside data.
bool ParseA49(std::string_view data, TA49Tables& tables, std::string& error,
              unsigned char key = kDictionaryKey);

// Parse the text files' bytes (lines end at CR, LF or CR LF; each line unscrambled, then read).
std::vector<TLnTerm> ParseA71(std::string_view data, unsigned char key = kDictionaryKey);
std::vector<TQryDocList> ParseA80(std::string_view data, unsigned char key = kDictionaryKey);
