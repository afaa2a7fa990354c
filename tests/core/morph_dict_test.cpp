#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <fstream>
#include <memory>
#include <random>
#include <set>

#include "find/MorphRus.h"
#include "find/MorphRusTables.h"
#include "support/Cp1251.h"

namespace fs = std::filesystem;

namespace {

// Windows-1251 bytes of a UTF-8 literal.
std::string W(std::string_view utf8) { return cp1251::FromUtf8(utf8); }
std::string Rev(std::string_view s) { return std::string(s.rbegin(), s.rend()); }

std::string Scramble(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c != '\r' && c != '\n') c = static_cast<char>(static_cast<unsigned char>(c) ^ kDictionaryKey);
  }
  return out;
}

// A fresh, empty data folder per test; its path ends with the separator.
class DataDir {
 public:
  DataDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = fs::temp_directory_path() /
            (std::string("parvel_dict_") + info->test_suite_name() + "_" + info->name());
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~DataDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string Path() const { return path_.string() + "/"; }
  void Write(const std::string& name, std::string_view bytes) const {
    std::ofstream out(path_ / name, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

 private:
  fs::path path_;
};

// A small dictionary with something in every section.
TDictionaryBuilder SmallDictionary() {
  TDictionaryBuilder b;
  const int adj = b.AddParadigm({{W("ИЙ")}, {W("ОГО")}, {W("ОМУ")}, {W("ИЙ"), kPrefixNai},
                                 {W("Е"), kPrefixPo}, {W("ИЙ"), 0xC000}});
  const int noun = b.AddParadigm({{""}, {W("А")}, {W("У")}, {W("ОМ")}, {W("Е")}, {W("Ы")}});
  const int fem = b.AddParadigm({{W("ИЯ")}, {W("ИИ")}, {W("ИЮ")}, {W("ИЕЙ")}});
  const int fixed = b.AddParadigm({{""}});
  const int bolsh = b.AddStem(W("БОЛЬШ"), adj);
  const int zakon = b.AddStem(W("ЗАКОН"), noun);
  const int ross = b.AddStem(W("РОССИЙСК"), adj);
  const int feder = b.AddStem(W("ФЕДЕРАЦ"), fem);
  const int rf = b.AddStem(W("РФ"), fixed);
  const int chel = b.AddStem(W("ЧЕЛОВЕК"), noun);
  const int lyud = b.AddStem(W("ЛЮД"), fem);
  b.AddGroup({chel, lyud});
  b.AddTerm({rf, ross, feder});
  b.AddTerm({zakon, zakon});
  (void)bolsh;
  return b;
}

std::string SmallA49() { return EncodeA49(SmallDictionary().Build()); }

// Parses data from a heap block of exactly its size, so a read past the end is caught by the
// address sanitizer.
bool ParseExact(std::string_view data, std::string& error) {
  std::unique_ptr<char[]> copy(new char[data.size() ? data.size() : 1]);
  std::copy(data.begin(), data.end(), copy.get());
  TA49Tables t;
  return ParseA49(std::string_view(copy.get(), data.size()), t, error);
}

void PutU32At(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Text files.

TEST(A71, LineRules) {
  const auto t = ParseA71(Scramble(W("12#ГК#ГРАЖДАНСКИЙ КОДЕКС\r\n"
                                     " 7 #  ГК РФ \t#  ГРАЖДАНСКИЙ КОДЕКС РОССИЙСКОЙ ФЕДЕРАЦИИ  \n"
                                     "abc#X#Y\r"
                                     "  ТОЛЬКО ТЕКСТ  \r\n"
                                     "-3#ОДНА ФРАЗА\n"
                                     "\n"
                                     "5#A#B#C")));
  ASSERT_EQ(t.size(), 7u);
  EXPECT_EQ(t[0].Group, 12);
  EXPECT_EQ(t[0].First, W("ГК"));
  EXPECT_EQ(t[0].Second, W("ГРАЖДАНСКИЙ КОДЕКС"));
  EXPECT_EQ(t[1].Group, 7);
  EXPECT_EQ(t[1].First, W("ГК РФ"));
  EXPECT_EQ(t[1].Second, W("ГРАЖДАНСКИЙ КОДЕКС РОССИЙСКОЙ ФЕДЕРАЦИИ"));
  EXPECT_EQ(t[2].Group, 0);  // "abc" is not a number
  EXPECT_EQ(t[2].First, "X");
  EXPECT_EQ(t[2].Second, "Y");
  // No "#": group 0, no first phrase, the whole trimmed line as second phrase.
  EXPECT_EQ(t[3].Group, 0);
  EXPECT_EQ(t[3].First, "");
  EXPECT_EQ(t[3].Second, W("ТОЛЬКО ТЕКСТ"));
  // One "#": the rest is the first phrase.
  EXPECT_EQ(t[4].Group, -3);
  EXPECT_EQ(t[4].First, W("ОДНА ФРАЗА"));
  EXPECT_EQ(t[4].Second, "");
  // An empty line is an entry; the second phrase keeps any further "#".
  EXPECT_EQ(t[5].Group, 0);
  EXPECT_EQ(t[5].First, "");
  EXPECT_EQ(t[6].Second, "B#C");
}

TEST(A71, EmptyTextAndLineEnds) {
  EXPECT_TRUE(ParseA71("").empty());
  EXPECT_EQ(ParseA71(Scramble("1#A#B\r\n")).size(), 1u);
  EXPECT_EQ(ParseA71(Scramble("1#A#B\r\n\r\n")).size(), 2u);
  EXPECT_EQ(ParseA71(Scramble("1#A#B\n\r")).size(), 2u);  // LF then a lone CR
  EXPECT_EQ(ParseA71(Scramble("1#A#B")).size(), 1u);
  // Not a 32-bit number: group 0.
  EXPECT_EQ(ParseA71(Scramble("99999999999#A#B"))[0].Group, 0);
  EXPECT_EQ(ParseA71(Scramble("12x#A#B"))[0].Group, 0);
}

TEST(A80, LineRules) {
  const auto q = ParseA80(Scramble(W("10, 0, x, 25#ПЕРВАЯ,ВТОРАЯ\r\n"
                                     "#A, B\n"
                                     " -4, 7 ,, 3 # X,,Y, \n"
                                     "5#\n"
                                     "ФРАЗА БЕЗ НОМЕРОВ")));
  ASSERT_EQ(q.size(), 5u);
  EXPECT_EQ(q[0].Numbers, (std::vector<int32_t>{10, 25}));
  ASSERT_EQ(q[0].Phrases.Count(), 2);
  EXPECT_EQ(q[0].Phrases[0], W("ПЕРВАЯ"));
  EXPECT_EQ(q[0].Phrases[1], W("ВТОРАЯ"));
  EXPECT_FALSE(q[0].Phrases.Sorted());
  EXPECT_TRUE(q[1].Numbers.empty());
  ASSERT_EQ(q[1].Phrases.Count(), 2);
  EXPECT_EQ(q[1].Phrases[0], "A");
  EXPECT_EQ(q[1].Phrases[1], " B");
  // Negative and empty pieces are dropped; the phrase text is trimmed as a whole, its pieces
  // are not, and the empty piece between two commas stays.
  EXPECT_EQ(q[2].Numbers, (std::vector<int32_t>{7, 3}));
  ASSERT_EQ(q[2].Phrases.Count(), 3);
  EXPECT_EQ(q[2].Phrases[0], "X");
  EXPECT_EQ(q[2].Phrases[1], "");
  EXPECT_EQ(q[2].Phrases[2], "Y");
  EXPECT_EQ(q[3].Numbers, (std::vector<int32_t>{5}));
  EXPECT_EQ(q[3].Phrases.Count(), 0);
  EXPECT_TRUE(q[4].Numbers.empty());
  ASSERT_EQ(q[4].Phrases.Count(), 1);
  EXPECT_EQ(q[4].Phrases[0], W("ФРАЗА БЕЗ НОМЕРОВ"));
  EXPECT_TRUE(ParseA80("").empty());
}

// ---------------------------------------------------------------------------------------------
// Loading.

TEST(LoadDictionaries, AllSectionsOfSyntheticFiles) {
  DataDir dir;
  TDictionaryBuilder builder = SmallDictionary();
  const std::string a49 = EncodeA49(builder.Build());
  // The strings are stored scrambled: no plain stem in the file.
  EXPECT_EQ(a49.find(Rev(W("ЗАКОН"))), std::string::npos);
  dir.Write("A49.DAT", a49);
  dir.Write("A71.DAT", Scramble(W("1#ГК РФ#ГРАЖДАНСКИЙ КОДЕКС РОССИЙСКОЙ ФЕДЕРАЦИИ\r\n"
                                  "1#ГК#ГРАЖДАНСКИЙ КОДЕКС\r\n")));
  dir.Write("A80.DAT", Scramble(W("1,2#ДОГОВОР,СДЕЛКА\r\n")));
  std::string message;
  ASSERT_TRUE(LoadDictionaries(dir.Path(), message)) << message;
  EXPECT_EQ(message, "");

  // Endings: reversed, byte order, the empty one first.
  const std::vector<std::string> endings = {"",      W("А"),  W("Е"),   W("ИИ"), W("ЙЕИ"),
                                            W("ЙИ"),  W("МО"), W("ОГО"), W("У"),  W("УМО"),
                                            W("Ы"),   W("ЮИ"), W("ЯИ")};
  ASSERT_EQ(Endings.Count(), static_cast<int>(endings.size()));
  for (int i = 0; i < Endings.Count(); ++i) EXPECT_EQ(Endings[i], endings[static_cast<size_t>(i)]) << i;

  // Paradigms: codes sorted by ending number; prefix bits kept.
  ASSERT_EQ(Paradigms.Count(), 4);
  const auto ending = [&](std::string_view reading) {
    return static_cast<uint16_t>(std::find(endings.begin(), endings.end(), Rev(reading)) - endings.begin());
  };
  const auto adj = Paradigms[0];
  ASSERT_EQ(adj.size(), 6u);
  EXPECT_EQ(adj[0], ending(W("Е")) | kPrefixPo);
  EXPECT_EQ(adj[1], ending(W("ИЙ")));
  EXPECT_EQ(adj[2], ending(W("ИЙ")) | kPrefixNai);
  EXPECT_EQ(adj[3], ending(W("ИЙ")) | 0xC000);
  EXPECT_EQ(Paradigms[1][0], 0);  // the noun paradigm holds the empty ending
  EXPECT_EQ(Paradigms[3].size(), 1u);

  // Stems: sorted by reversed stem; groups and terms renumbered with them.
  ASSERT_EQ(Bases.Count(), 7);
  for (int i = 1; i < Bases.Count(); ++i) EXPECT_LT(Bases.Stem(i - 1), Bases.Stem(i));
  EXPECT_EQ(Bases[builder.BaseIndex(1)].Stem, Rev(W("ЗАКОН")));
  EXPECT_EQ(Bases[builder.BaseIndex(1)].Paradigm, 1);
  ASSERT_EQ(BaseGroupOf.size(), 7u);
  ASSERT_EQ(BaseGroups.Count(), 1);
  EXPECT_EQ(BaseGroupOf[static_cast<size_t>(builder.BaseIndex(5))], 1);
  EXPECT_EQ(BaseGroupOf[static_cast<size_t>(builder.BaseIndex(6))], 1);
  EXPECT_EQ(BaseGroupOf[static_cast<size_t>(builder.BaseIndex(0))], 0);
  EXPECT_EQ(BaseGroups[0][0], static_cast<uint32_t>(builder.BaseIndex(5)));
  EXPECT_EQ(BaseGroups[0][1], static_cast<uint32_t>(builder.BaseIndex(6)));
  ASSERT_EQ(Terms.Count(), 2);
  EXPECT_LE(Terms[0][0], Terms[1][0]);
  const auto rfTerm = Terms[0][0] == builder.BaseIndex(4) ? Terms[0] : Terms[1];
  ASSERT_EQ(rfTerm.size(), 3u);
  EXPECT_EQ(Bases.Stem(rfTerm[1]), Rev(W("РОССИЙСК")));
  EXPECT_EQ(Bases.Stem(rfTerm[2]), Rev(W("ФЕДЕРАЦ")));

  ASSERT_EQ(LnTerms.size(), 2u);
  EXPECT_EQ(LnTerms[1].First, W("ГК"));
  ASSERT_EQ(QryDocLists.size(), 1u);
  EXPECT_EQ(QryDocLists[0].Phrases[1], W("СДЕЛКА"));
  EXPECT_GT(DictionaryMemoryBytes(), 0u);

  FreeDictionaries();
  EXPECT_EQ(Endings.Count(), 0);
  EXPECT_EQ(Paradigms.Count(), 0);
  EXPECT_EQ(Bases.Count(), 0);
  EXPECT_TRUE(BaseGroupOf.empty());
  EXPECT_EQ(BaseGroups.Count(), 0);
  EXPECT_EQ(Terms.Count(), 0);
  EXPECT_TRUE(LnTerms.empty());
  EXPECT_TRUE(QryDocLists.empty());
}

TEST(LoadDictionaries, PrefixCodesRoundTrip) {
  TDictionaryLists l;
  for (int i = 0; i < 6; ++i) l.Endings.push_back(std::string(static_cast<size_t>(i), 'A'));
  l.Paradigms = {{0x0005, 0x4005, 0x8005, 0xC005}};
  l.Bases = {{"X", 0}};
  TA49Tables t;
  std::string error;
  ASSERT_TRUE(ParseA49(EncodeA49(l), t, error)) << error;
  ASSERT_EQ(t.Paradigms.Count(), 1);
  const auto p = t.Paradigms[0];
  ASSERT_EQ(p.size(), 4u);
  for (uint16_t c : p) EXPECT_EQ(c & kEndingMask, 5);
  EXPECT_EQ(p[1] & kPrefixMask, kPrefixNai);
  EXPECT_EQ(p[2] & kPrefixMask, kPrefixPo);
  EXPECT_EQ(p[3] & kPrefixMask, 0xC000);
  EXPECT_EQ(t.Endings[5], "AAAAA");
}

TEST(LoadDictionaries, EmptyTextFilesAndEmptySections) {
  DataDir dir;
  dir.Write("A71.DAT", "");
  dir.Write("A80.DAT", "");
  dir.Write("A49.DAT", EncodeA49(TDictionaryLists{}));
  std::string message;
  ASSERT_TRUE(LoadDictionaries(dir.Path(), message)) << message;
  EXPECT_TRUE(LnTerms.empty());
  EXPECT_TRUE(QryDocLists.empty());
  EXPECT_EQ(Bases.Count(), 0);
}

TEST(LoadDictionaries, MissingFilesInOrder) {
  DataDir dir;
  std::string message;
  // Nothing there, and an A49.DAT that would fail too: only the first missing file is named.
  dir.Write("A49.DAT", "broken");
  EXPECT_FALSE(LoadDictionaries(dir.Path(), message));
  EXPECT_EQ(message, "Не найден файл " + dir.Path() + "A71.DAT");
  dir.Write("A71.DAT", "");
  EXPECT_FALSE(LoadDictionaries(dir.Path(), message));
  EXPECT_EQ(message, "Не найден файл " + dir.Path() + "A80.DAT");
  dir.Write("A80.DAT", "");
  fs::remove(dir.Path() + "A49.DAT");
  EXPECT_FALSE(LoadDictionaries(dir.Path(), message));
  EXPECT_EQ(message, "Не найден файл " + dir.Path() + "A49.DAT");
  EXPECT_TRUE(LnTerms.empty());
}

TEST(LoadDictionaries, UnreadableAndCorruptA49) {
  DataDir dir;
  dir.Write("A71.DAT", Scramble("1#A#B"));
  dir.Write("A80.DAT", "");
  fs::create_directory(dir.Path() + "A49.DAT");  // exists, but cannot be read as a file
  std::string message;
  EXPECT_FALSE(LoadDictionaries(dir.Path(), message));
  EXPECT_EQ(message, "Не могу открыть файл " + dir.Path() +
                         "A49.DAT\r\nВозможно файл занят другим процессом");
  fs::remove(dir.Path() + "A49.DAT");

  std::string a49 = SmallA49();
  dir.Write("A49.DAT", a49.substr(0, a49.size() - 1));
  EXPECT_FALSE(LoadDictionaries(dir.Path(), message));
  EXPECT_EQ(message.rfind("Файл " + dir.Path() + "A49.DAT повреждён: ", 0), 0u) << message;
  // A failed load leaves no half-filled tables behind.
  EXPECT_TRUE(LnTerms.empty());
  EXPECT_EQ(Endings.Count(), 0);
}

// ---------------------------------------------------------------------------------------------
// Damaged A49.DAT.

TEST(ParseA49, EveryTruncationFails) {
  const std::string a49 = SmallA49();
  std::string error;
  ASSERT_TRUE(ParseExact(a49, error)) << error;
  for (size_t n = 0; n < a49.size(); ++n) {
    EXPECT_FALSE(ParseExact(std::string_view(a49).substr(0, n), error)) << n;
    EXPECT_FALSE(error.empty());
  }
  EXPECT_FALSE(ParseExact(a49 + '\0', error));
  EXPECT_NE(error.find("лишние"), std::string::npos);
}

TEST(ParseA49, DamagedBytesNeverCrash) {
  const std::string a49 = SmallA49();
  std::string error;
  std::mt19937 rng(5);
  for (size_t i = 0; i < a49.size(); ++i) {
    for (unsigned v : {0x00u, 0x01u, 0x7Fu, 0xFFu, static_cast<unsigned>(rng() & 0xFF)}) {
      std::string d = a49;
      d[i] = static_cast<char>(v);
      ParseExact(d, error);
    }
  }
}

TEST(ParseA49, CorruptContentIsNamed) {
  std::string error;
  {
    TDictionaryLists l;  // count promising more than the file holds
    std::string d = EncodeA49(l);
    PutU32At(d, 0, 0x7FFFFFFF);
    EXPECT_FALSE(ParseExact(d, error));
  }
  {
    TDictionaryLists l;
    l.Endings = {"", "A"};
    l.Paradigms = {{0x0002}};  // ending 2 of 2
    EXPECT_FALSE(ParseExact(EncodeA49(l), error));
    EXPECT_NE(error.find("номер окончания"), std::string::npos) << error;
    l.Paradigms = {{0x4001}};
    EXPECT_TRUE(ParseExact(EncodeA49(l), error)) << error;
  }
  {
    TDictionaryLists l;
    l.Endings = {""};
    l.Paradigms = {{0}};
    l.Bases = {{"AB", 1}};  // paradigm 1 of 1
    EXPECT_FALSE(ParseExact(EncodeA49(l), error));
    EXPECT_NE(error.find("номер парадигмы"), std::string::npos) << error;
  }
  {
    TDictionaryLists l;
    l.Endings = {""};
    l.Paradigms = {{0}};
    l.Bases = {{"AB", 0}, {"BA", 0}};
    l.BaseGroupOf = {2, 0};  // group 2 of 1
    l.BaseGroups = {{0, 1}};
    EXPECT_FALSE(ParseExact(EncodeA49(l), error));
    l.BaseGroupOf = {1, 1};
    l.BaseGroups = {{0, 2}};  // stem 2 of 2
    EXPECT_FALSE(ParseExact(EncodeA49(l), error));
    l.BaseGroups = {{0, 1}};
    l.Terms = {{1, 0, 5}};
    EXPECT_FALSE(ParseExact(EncodeA49(l), error));
    l.Terms = {{1, 0, 1}};
    EXPECT_TRUE(ParseExact(EncodeA49(l), error)) << error;
    // Group marks must cover exactly the stems.
    std::string d = EncodeA49(l);
    const size_t marks = d.find("\x02\x00\x00\x00\x01\x00\x01\x00", 0, 8);
    ASSERT_NE(marks, std::string::npos);
    PutU32At(d, marks, 1);
    EXPECT_FALSE(ParseExact(d, error));
  }
  {
    // The last string without its zero byte.
    TDictionaryLists l;
    l.Endings = {"AB"};
    std::string d = EncodeA49(l).substr(0, 4 + 2);
    EXPECT_FALSE(ParseExact(d, error));
  }
  TDictionaryLists withKey;
  withKey.Endings = {std::string(1, static_cast<char>(kDictionaryKey))};
  EXPECT_THROW(EncodeA49(withKey), std::invalid_argument);
}

// ---------------------------------------------------------------------------------------------
// The builder that tests of the word forms rely on.

TEST(DictionaryBuilder, SortsAndRenumbers) {
  TDictionaryBuilder b;
  const int p = b.AddParadigm({{W("ОГО")}, {W("ИЙ")}, {W("ИЙ")}, {W("ИЙ"), kPrefixNai}, {""}});
  const int s1 = b.AddStem(W("ЯБЛОК"), p);
  const int s2 = b.AddStem(W("АРБУЗ"), p);
  const int s3 = b.AddStem(W("ЯБЛОК"), p);
  b.AddTerm({s1, s2});
  b.AddTerm({s2, s1});
  b.Install();
  ASSERT_EQ(Paradigms[0].size(), 4u);  // duplicate code dropped
  EXPECT_EQ(Paradigms[0][0], 0);
  EXPECT_EQ(Bases.Stem(b.BaseIndex(s2)), Rev(W("АРБУЗ")));
  EXPECT_EQ(b.BaseIndex(s1) + 1, b.BaseIndex(s3));  // equal stems stay in order of adding
  EXPECT_EQ(Terms[0][0], b.BaseIndex(s1) < b.BaseIndex(s2) ? b.BaseIndex(s1) : b.BaseIndex(s2));
  EXPECT_EQ(BaseGroupOf.size(), 3u);
  FreeDictionaries();
}

// ---------------------------------------------------------------------------------------------
// The dictionary files of the data folder.

class RealDictionaries : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string message;
    loaded_ = LoadDictionaries(PARVEL_SOURCE_DIR "/data/", message);
    message_ = message;
  }
  static void TearDownTestSuite() { FreeDictionaries(); }
  void SetUp() override { ASSERT_TRUE(loaded_) << message_; }
  static bool IsStoredWordByte(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDF) ||
           c == 0xA1 || c == 0xB9 || c == '%';
  }
  static int FindBase(std::string_view readingStem) {
    const std::string r = Rev(readingStem);
    int lo = 0, hi = Bases.Count();
    while (lo < hi) {
      const int mid = (lo + hi) / 2;
      if (Bases.Stem(mid) < r) lo = mid + 1; else hi = mid;
    }
    return lo < Bases.Count() && Bases.Stem(lo) == r ? lo : -1;
  }
  // A word is known when some stem of it carries, in its paradigm, the rest as an ending.
  static bool KnownWord(std::string_view word) {
    for (size_t k = 1; k <= word.size(); ++k) {
      const std::string ending = Rev(word.substr(k));
      int e = 0;
      while (e < Endings.Count() && Endings[e] != ending) ++e;
      if (e == Endings.Count()) continue;
      const std::string stem = Rev(word.substr(0, k));
      for (int b = FindBase(word.substr(0, k)); b >= 0 && b < Bases.Count() && Bases.Stem(b) == stem; ++b) {
        const auto codes = Paradigms[Bases.Paradigm(b)];
        if (std::find(codes.begin(), codes.end(), e) != codes.end()) return true;
      }
    }
    return false;
  }
  static inline bool loaded_ = false;
  static inline std::string message_;
};

TEST_F(RealDictionaries, CountsAndSortedness) {
  EXPECT_GT(Endings.Count(), 1000);
  EXPECT_LT(Endings.Count(), 16384);
  EXPECT_GT(Paradigms.Count(), 500);
  EXPECT_LE(Paradigms.Count(), 65536);
  EXPECT_GT(Bases.Count(), 150000);
  EXPECT_EQ(BaseGroupOf.size(), static_cast<size_t>(Bases.Count()));
  EXPECT_GT(BaseGroups.Count(), 0);
  EXPECT_GT(Terms.Count(), 5);
  EXPECT_GT(LnTerms.size(), 30u);
  EXPECT_GT(QryDocLists.size(), 0u);
  EXPECT_EQ(Endings[0], "");
  for (int i = 1; i < Endings.Count(); ++i) ASSERT_LT(Endings[i - 1], Endings[i]) << i;
  for (int i = 1; i < Bases.Count(); ++i) ASSERT_LE(Bases.Stem(i - 1), Bases.Stem(i)) << i;
  for (int i = 1; i < Terms.Count(); ++i) ASSERT_LE(Terms[i - 1][0], Terms[i][0]) << i;
  for (int i = 0; i < Endings.Count(); ++i)
    for (unsigned char c : Endings[i]) ASSERT_TRUE(IsStoredWordByte(c)) << i;
  for (int i = 0; i < Bases.Count(); ++i) {
    ASSERT_FALSE(Bases.Stem(i).empty()) << i;
    for (unsigned char c : Bases.Stem(i)) ASSERT_TRUE(IsStoredWordByte(c)) << i;
  }
}

TEST_F(RealDictionaries, ParadigmsAreSortedDistinctAndMerged) {
  std::set<std::vector<uint16_t>> seen;
  for (int p = 0; p < Paradigms.Count(); ++p) {
    const auto codes = Paradigms[p];
    ASSERT_FALSE(codes.empty()) << p;
    for (size_t i = 1; i < codes.size(); ++i) {
      ASSERT_LE(codes[i - 1] & kEndingMask, codes[i] & kEndingMask) << p;
      ASSERT_NE(codes[i - 1], codes[i]) << p;
    }
    // The first code is 0 exactly when the paradigm holds the empty ending without a prefix.
    const bool hasZero = std::find(codes.begin(), codes.end(), 0) != codes.end();
    EXPECT_EQ(codes[0] == 0, hasZero) << p;
    for (uint16_t c : codes) EXPECT_NE(c & kPrefixMask, 0xC000) << p;
    EXPECT_TRUE(seen.insert(std::vector<uint16_t>(codes.begin(), codes.end())).second) << p;
  }
  std::vector<bool> used(static_cast<size_t>(Paradigms.Count()));
  for (int i = 0; i < Bases.Count(); ++i) used[Bases.Paradigm(i)] = true;
  EXPECT_EQ(std::count(used.begin(), used.end(), false), 0);
}

TEST_F(RealDictionaries, GroupsAndTermsAreConsistent) {
  for (int g = 0; g < BaseGroups.Count(); ++g) {
    ASSERT_GE(BaseGroups[g].size(), 2u) << g;
    for (uint32_t s : BaseGroups[g]) EXPECT_EQ(BaseGroupOf[s], g + 1) << g;
  }
  for (int t = 0; t < Terms.Count(); ++t) EXPECT_GE(Terms[t].size(), 2u) << t;
  // Entries of one group stand together.
  std::set<int32_t> closed;
  for (size_t i = 0; i < LnTerms.size(); ++i) {
    if (i > 0 && LnTerms[i].Group != LnTerms[i - 1].Group) {
      closed.insert(LnTerms[i - 1].Group);
      EXPECT_EQ(closed.count(LnTerms[i].Group), 0u) << i;
    }
    EXPECT_EQ(LnTerms[i].First, cp1251::ToUpper(LnTerms[i].First));
    EXPECT_EQ(LnTerms[i].Second, cp1251::ToUpper(LnTerms[i].Second));
    EXPECT_FALSE(LnTerms[i].First.empty());
    EXPECT_FALSE(LnTerms[i].Second.empty());
  }
}

TEST_F(RealDictionaries, KnownWordsAndPhrases) {
  for (const char* word : {"ЗАКОН", "ЗАКОНАМИ", "КОДЕКСА", "ФЕДЕРАЦИЯ", "ФЕДЕРАЦИЕЙ", "РОССИЙСКОЙ",
                           "ГРАЖДАНСКОГО", "ДОГОВОРУ", "ЕЛКА", "ПРИШЕЛ", "ЛЮДЬМИ"})
    EXPECT_TRUE(KnownWord(W(word))) << word;
  EXPECT_FALSE(KnownWord(W("ЁЛКА")));  // Ё is stored as Е
  EXPECT_FALSE(KnownWord(W("КТО-ТО")));
  const int rf = FindBase(W("РФ"));
  ASSERT_GE(rf, 0);
  bool rfTerm = false;
  for (int t = 0; t < Terms.Count(); ++t)
    if (Terms[t][0] == rf && Terms[t].size() == 3) rfTerm = true;
  EXPECT_TRUE(rfTerm);
  bool gk = false;
  for (const TLnTerm& t : LnTerms)
    if (t.First == W("ГК РФ") && t.Second == W("ГРАЖДАНСКИЙ КОДЕКС РОССИЙСКОЙ ФЕДЕРАЦИИ")) gk = true;
  EXPECT_TRUE(gk);
}

// The share of 10,000 lexemes (stems, or stem groups for words written with several stems), drawn
// with a fixed seed, whose every form comes out of the word forms of one of its forms.
TEST_F(RealDictionaries, WordFormsCoverSampledLexemes) {
  std::mt19937 rng(20240605);
  std::uniform_int_distribution<int> pick(0, Bases.Count() - 1);
  const int n = 10000;
  int covered = 0;
  std::vector<std::string> misses;
  for (int i = 0; i < n; ++i) {
    const int b = pick(rng);
    TVStringList forms(true, TVStringList::TDuplicates::dupIgnore);
    if (BaseGroupOf[static_cast<size_t>(b)] > 0) {
      for (uint32_t m : BaseGroups[BaseGroupOf[static_cast<size_t>(b)] - 1])
        morph::AddForms(Bases.Stem(static_cast<int>(m)), "", Bases.Paradigm(static_cast<int>(m)), forms);
    } else {
      morph::AddForms(Bases.Stem(b), "", Bases.Paradigm(b), forms);
    }
    bool ok = false;
    for (const std::string& f : forms) {
      TVStringList got(true, TVStringList::TDuplicates::dupIgnore);
      if (GetWordForms(f, got) == 0) got.Add(f);
      ok = std::all_of(forms.begin(), forms.end(), [&](const std::string& x) { return got.Contains(x); });
      if (ok) break;
    }
    if (ok) ++covered;
    else if (misses.size() < 5) misses.push_back(cp1251::ToUtf8(forms[0]));
  }
  const double share = 100.0 * covered / n;
  std::cout << "word forms cover " << covered << " of " << n << " sampled lexemes (" << share << " %)";
  for (const auto& m : misses) std::cout << "; missed " << m;
  std::cout << "\n";
  RecordProperty("coverage_percent", std::to_string(share));
  EXPECT_GE(share, 99.0);
}
