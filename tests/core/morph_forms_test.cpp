#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "find/MorphRus.h"
#include "find/MorphRusTables.h"
#include "find/TextFinder.h"
#include "support/Cp1251.h"

namespace {

std::string W(std::string_view utf8) { return cp1251::FromUtf8(utf8); }

std::vector<std::string> Utf8(const TVStringList& list) {
  std::vector<std::string> out;
  for (const auto& s : list) out.push_back(cp1251::ToUtf8(s));
  return out;
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end(), [](const std::string& a, const std::string& b) {
    return TVStringList::CompareBytes(W(a), W(b)) < 0;
  });
  return v;
}

TVStringList FormSet() { return TVStringList(true, TVStringList::TDuplicates::dupIgnore); }

// Forms of a word (UTF-8 in and out); code receives GetWordForms' result.
std::vector<std::string> Forms(std::string_view word, int& code) {
  TVStringList forms = FormSet();
  code = GetWordForms(W(word), forms);
  return Utf8(forms);
}

std::vector<std::string> Variants(std::string_view q, bool abbrev) {
  TVStringList v;
  if (abbrev)
    AddAbbrevVariants(W(q), v);
  else
    AddTermVariants(W(q), v);
  return Utf8(v);
}

using TEndingList = std::vector<TDictionaryBuilder::TEnding>;

TEndingList Ends(std::initializer_list<const char*> utf8, uint16_t prefix = 0) {
  TEndingList out;
  for (const char* e : utf8) out.push_back({W(e), prefix});
  return out;
}

const std::initializer_list<const char*> kAdjective = {"ЫЙ", "ОГО", "ОМУ", "ЫМ", "ОМ", "АЯ",
                                                       "ОЙ", "УЮ", "ОЕ", "ЫЕ", "ЫХ", "ЫМИ"};
const std::initializer_list<const char*> kNoun = {"", "А", "У", "ОМ", "Е", "Ы", "ОВ", "АМ", "АМИ", "АХ"};

class MorphTest : public ::testing::Test {
 protected:
  void SetUp() override { FreeDictionaries(); }
  void TearDown() override { FreeDictionaries(); }
};

}  // namespace

TEST_F(MorphTest, OneLetterWords) {
  TDictionaryBuilder b;
  // «Я» and «В» are both known, but only «Я» is looked up.
  const int pronoun = b.AddParadigm(Ends({"Я", "МЕНЯ", "МНЕ"}));
  b.AddStem("", pronoun);
  const int preposition = b.AddParadigm(Ends({"В", "ВО"}));
  b.AddStem("", preposition);
  const int numeral = b.AddParadigm(Ends({"5", "5-Й"}));
  b.AddStem("", numeral);
  b.Install();
  int code = -1;
  EXPECT_EQ(Forms("В", code), (std::vector<std::string>{"В"}));
  EXPECT_EQ(code, 1);
  EXPECT_EQ(Forms("Я", code), Sorted({"Я", "МЕНЯ", "МНЕ"}));
  EXPECT_EQ(code, 1);
  EXPECT_EQ(Forms("5", code), Sorted({"5", "5-Й"}));
  EXPECT_EQ(code, 1);
  // Looked up but unknown: the word itself.
  for (const char* w : {"N", "%", "№", "I", "V", "X", "7"}) {
    EXPECT_EQ(Forms(w, code), (std::vector<std::string>{w})) << w;
    EXPECT_EQ(code, 1);
  }
}

TEST_F(MorphTest, KnownWordGivesItsParadigmAndItsGroup) {
  TDictionaryBuilder b;
  const int noun = b.AddParadigm(Ends(kNoun));
  const int person = b.AddParadigm(Ends({"ЕЛОВЕК", "ЕЛОВЕКА"}));
  const int people = b.AddParadigm(Ends({"ЮДИ", "ЮДЕЙ"}));
  b.AddStem(W("ЗАКОН"), noun);
  const int ch = b.AddStem(W("Ч"), person);
  const int l = b.AddStem(W("Л"), people);
  b.AddGroup({ch, l});
  b.Install();
  int code = -1;
  EXPECT_EQ(Forms("ЗАКОНАМИ", code),
            Sorted({"ЗАКОН", "ЗАКОНА", "ЗАКОНУ", "ЗАКОНОМ", "ЗАКОНЕ", "ЗАКОНЫ", "ЗАКОНОВ", "ЗАКОНАМ",
                    "ЗАКОНАМИ", "ЗАКОНАХ"}));
  EXPECT_EQ(code, 1);
  EXPECT_EQ(Forms("ЛЮДЕЙ", code), Sorted({"ЧЕЛОВЕК", "ЧЕЛОВЕКА", "ЛЮДИ", "ЛЮДЕЙ"}));
  EXPECT_EQ(code, 1);
}

TEST_F(MorphTest, SuperlativePrefix) {
  TDictionaryBuilder b;
  TEndingList endings = Ends({"ИЙ", "ОГО"});
  endings.push_back({W("ИЙ"), kPrefixNai});
  const int adj = b.AddParadigm(endings);
  const int s = b.AddStem(W("БОЛЬШ"), adj);
  TEndingList verb = Ends({"ИТЬ"});
  verb.push_back({W("ИЛ"), kPrefixPo});
  const int v = b.AddStem(W("СТРО"), b.AddParadigm(verb));
  b.Install();

  TVStringList forms = FormSet();
  morph::AddForms(W("ШЬЛОБ"), "", adj, forms);
  EXPECT_EQ(Utf8(forms), Sorted({"БОЛЬШИЙ", "БОЛЬШОГО", "НАИБОЛЬШИЙ"}));
  EXPECT_EQ(morph::FindStems(W("НАИБОЛЬШИЙ")), (std::vector<int>{b.BaseIndex(s)}));
  EXPECT_EQ(morph::FindStems(W("ПОСТРОИЛ")), (std::vector<int>{b.BaseIndex(v)}));
  // A word without the prefix still meets the stem through the same code.
  EXPECT_EQ(morph::FindStems(W("СТРОИЛ")), (std::vector<int>{b.BaseIndex(v)}));
  EXPECT_EQ(morph::BaseForm(b.BaseIndex(s)), W("БОЛЬШИЙ"));
}

TEST_F(MorphTest, UnknownShortOrOddWordsAreTheirOwnForm) {
  TDictionaryBuilder b;
  b.AddStem(W("ЗАКОНН"), b.AddParadigm(Ends(kAdjective)));
  b.Install();
  int code = -1;
  for (const char* w : {"ДЖЕМ", "АУЕАО", "НДС", "ГКРФСЗ"}) {
    EXPECT_EQ(Forms(w, code), (std::vector<std::string>{w})) << w;
    EXPECT_EQ(code, 1);
  }
  // Five letters with vowels and consonants but no known ending: nothing.
  EXPECT_TRUE(Forms("ТРАЖК", code).empty());
  EXPECT_EQ(code, 0);
}

TEST_F(MorphTest, GuessesAnUnknownWordFromAKnownEnd) {
  TDictionaryBuilder b;
  b.AddStem(W("ЗАКОНН"), b.AddParadigm(Ends(kAdjective)));
  b.AddStem(W("ДОМ"), b.AddParadigm(Ends(kNoun)));
  b.Install();
  int code = -1;
  const auto forms = Forms("СВЕРХЗАКОННЫЙ", code);
  EXPECT_EQ(code, 2);
  std::vector<std::string> expected;
  for (const char* e : kAdjective) expected.push_back(std::string("СВЕРХЗАКОНН") + e);
  EXPECT_EQ(forms, Sorted(expected));
  // The exact stem with a known ending is not a guess.
  EXPECT_EQ(Forms("ЗАКОННОГО", code).size(), kAdjective.size());
  EXPECT_EQ(code, 1);
  // An unknown word that ends like a zero-ending stem is inflected like it, cut letters in front.
  const auto house = Forms("НАДДОМ", code);
  EXPECT_EQ(code, 2);
  for (const char* f : {"НАДДОМ", "НАДДОМА", "НАДДОМАМИ"})
    EXPECT_NE(std::find(house.begin(), house.end(), f), house.end()) << f;
}

TEST_F(MorphTest, StemOfPrefersTheZeroEndingStem) {
  TDictionaryBuilder b;
  const int noun = b.AddParadigm(Ends(kNoun));
  const int other = b.AddParadigm(Ends({"А", "Ы"}));
  const int law = b.AddStem(W("ЗАКОН"), noun);
  const int zakona = b.AddStem(W("ЗАКОН"), other);
  b.Install();
  EXPECT_EQ(morph::StemOf(W("ЗАКОН")), b.BaseIndex(law));
  EXPECT_EQ(morph::StemOf(W("ЗАКОНЫ")), b.BaseIndex(law));  // paradigm order decides
  EXPECT_EQ(morph::StemOf(W("ЗАКОНАМИ")), b.BaseIndex(law));
  EXPECT_EQ(morph::StemOf(W("ГК")), -1);
  (void)zakona;
}

namespace {
// The term «РФ» = «РОССИЙСКИЙ ФЕДЕРАЦИЯ»; the paradigms are chosen so that the dictionary form
// comes first in each.
struct TTermDictionary {
  TDictionaryBuilder b;
  int rf, ross, fed, zakon;
  TTermDictionary() {
    rf = b.AddStem(W("РФ"), b.AddParadigm(Ends({""})));
    ross = b.AddStem(W("РОССИЙСК"), b.AddParadigm(Ends({"ИЙ", "АЯ", "ОЙ"})));
    fed = b.AddStem(W("ФЕДЕРАЦИ"), b.AddParadigm(Ends({"Я"})));
    zakon = b.AddStem(W("ЗАКОН"), b.AddParadigm(Ends(kNoun)));
    b.AddTerm({rf, ross, fed});
  }
};
}  // namespace

TEST_F(MorphTest, TermVariants) {
  TTermDictionary d;
  d.b.Install();
  EXPECT_EQ(Variants("ЗАКОН РФ", false),
            (std::vector<std::string>{"ЗАКОН РФ", "ЗАКОН РОССИЙСКИЙ ФЕДЕРАЦИЯ"}));
  EXPECT_EQ(Variants("РОССИЙСКАЯ ФЕДЕРАЦИЯ", false),
            (std::vector<std::string>{"РОССИЙСКАЯ ФЕДЕРАЦИЯ", "РФ"}));
  // Punctuation is dropped from every phrase; a phrase without terms comes back as typed.
  EXPECT_EQ(Variants("ЗАКОН,  (РФ)", false),
            (std::vector<std::string>{"ЗАКОН РФ", "ЗАКОН РОССИЙСКИЙ ФЕДЕРАЦИЯ"}));
  EXPECT_EQ(Variants("ЗАКОН,  ЗАКОН", false), (std::vector<std::string>{"ЗАКОН,  ЗАКОН"}));
  EXPECT_EQ(Variants("", false), (std::vector<std::string>{""}));
  EXPECT_EQ(Variants(" -- ", false), (std::vector<std::string>{" -- "}));
  // Two records: four phrases, mask order.
  EXPECT_EQ(Variants("РФ И РФ", false),
            (std::vector<std::string>{"РФ И РФ", "РОССИЙСКИЙ ФЕДЕРАЦИЯ И РФ", "РФ И РОССИЙСКИЙ ФЕДЕРАЦИЯ",
                                      "РОССИЙСКИЙ ФЕДЕРАЦИЯ И РОССИЙСКИЙ ФЕДЕРАЦИЯ"}));
}

TEST_F(MorphTest, ExpandRecordWinsOverContractRecord) {
  TDictionaryBuilder b;
  const int zero = b.AddParadigm(Ends({""}));
  const int x = b.AddStem(W("ИКС"), zero), y = b.AddStem(W("ИГРЕК"), zero), z = b.AddStem(W("ЗЕТ"), zero);
  b.AddTerm({x, y});  // ИКС expands to ИГРЕК
  b.AddTerm({z, x});  // ИКС contracts to ЗЕТ
  b.Install();
  EXPECT_EQ(Variants("ИКС", false), (std::vector<std::string>{"ИКС", "ИГРЕК", "ИКС", "ИГРЕК"}));
}

TEST_F(MorphTest, TermVariantsAreBounded) {
  TTermDictionary d;
  d.b.Install();
  std::string q;
  for (int i = 0; i < 40; ++i) q += "РФ ";
  TVStringList v;
  AddTermVariants(W(q), v);
  EXPECT_EQ(v.Count(), 1 << kMaxTermRecords);
  EXPECT_EQ(v[0], W(q.substr(0, q.size() - 1)));
}

TEST_F(MorphTest, PhrasePairs) {
  TDictionaryBuilder b;
  b.AddLnTerm(12, W("ГК"), W("ГРАЖДАНСКИЙ КОДЕКС"));
  b.Install();
  EXPECT_EQ(Variants("СТАТЬЯ 5 ГК", true),
            (std::vector<std::string>{"СТАТЬЯ 5 ГРАЖДАНСКИЙ КОДЕКС", "СТАТЬЯ 5 ГК"}));
  EXPECT_EQ(Variants("ГРАЖДАНСКИЙ КОДЕКС", true), (std::vector<std::string>{"ГК", "ГРАЖДАНСКИЙ КОДЕКС"}));
  EXPECT_EQ(Variants("ГК,", true), (std::vector<std::string>{"ГК,"}));
  EXPECT_EQ(Variants("ГК ГК", true), (std::vector<std::string>{"ГРАЖДАНСКИЙ КОДЕКС ГК", "ГК ГК"}));
}

TEST_F(MorphTest, PhrasePairGroupsAreSkippedOnceUsed) {
  TDictionaryBuilder b;
  b.AddLnTerm(1, "A", "AA");
  b.AddLnTerm(1, "B", "BB");
  b.AddLnTerm(2, "C", "CC");
  b.AddLnTerm(2, "D", "DD");
  b.Install();
  EXPECT_EQ(Variants("A B C D", true), (std::vector<std::string>{"AA B C D", "A B CC D", "A B C D"}));
  // A group that produced nothing is tried entry by entry.
  EXPECT_EQ(Variants("B D", true), (std::vector<std::string>{"BB D", "B DD", "B D"}));
  FreeDictionaries();
  TDictionaryBuilder g0;
  g0.AddLnTerm(0, "A", "AA");
  g0.AddLnTerm(0, "B", "BB");
  g0.AddLnTerm(3, "C", "CC");
  g0.Install();
  // With the group still 0, the run of group-0 entries after the first is passed over.
  EXPECT_EQ(Variants("B C", true), (std::vector<std::string>{"B CC", "B C"}));
}

TEST_F(MorphTest, ToleratesDamagedTables) {
  // Tables set without checks: out-of-range numbers must not be followed.
  TDictionaryLists l;
  l.Endings = {"", W("А")};
  l.Paradigms = {{0, 1, 7}};
  l.Bases = {{W("НОКАЗ"), 0}, {W("ЬТЕН"), 5}};
  l.BaseGroupOf = {9, 0};
  l.Terms = {{0, 99}};
  SetDictionaryTables(l);
  int code = -1;
  const auto forms = Forms("ЗАКОНА", code);
  EXPECT_EQ(code, 1);
  EXPECT_NE(std::find(forms.begin(), forms.end(), "ЗАКОНА"), forms.end());
  TVStringList v;
  AddTermVariants(W("ЗАКОН"), v);
  EXPECT_EQ(v.Count(), 2);
  EXPECT_EQ(morph::BaseForm(-1), "");
  EXPECT_EQ(morph::BaseForm(1), W("НЕТЬ"));
}

// ---------------------------------------------------------------------------------------------
// The delivered dictionaries.

namespace {
class RealDictionaryTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::string dir = std::string(PARVEL_BIN_DIR) + "/Data/";
    if (!std::filesystem::exists(dir + "A49.DAT")) return;
    std::string message;
    loaded_ = LoadDictionaries(dir, message);
    if (!loaded_) std::cerr << message << "\n";
  }
  static void TearDownTestSuite() { FreeDictionaries(); }
  void SetUp() override {
    if (!loaded_) GTEST_SKIP() << "dictionary files are not in the data folder";
  }
  static bool loaded_;
};
bool RealDictionaryTest::loaded_ = false;

bool Has(const std::vector<std::string>& v, const char* s) { return std::find(v.begin(), v.end(), s) != v.end(); }
}  // namespace

TEST_F(RealDictionaryTest, NounAndAdjectiveForms) {
  int code = -1;
  const auto law = Forms("ЗАКОН", code);
  EXPECT_EQ(code, 1);
  for (const char* f : {"ЗАКОН", "ЗАКОНА", "ЗАКОНОМ", "ЗАКОНЫ", "ЗАКОНАМИ"}) EXPECT_TRUE(Has(law, f)) << f;
  const auto civil = Forms("ГРАЖДАНСКИЙ", code);
  EXPECT_EQ(code, 1);
  for (const char* f : {"ГРАЖДАНСКОГО", "ГРАЖДАНСКАЯ", "ГРАЖДАНСКИМИ"}) EXPECT_TRUE(Has(civil, f)) << f;
}

TEST_F(RealDictionaryTest, FinderMarksWordForms) {
  int count = -1;
  const std::string out = cp1251::ToUtf8(
      MarkMatches(W("закон"), W("Текст закона, Законом и ЗАКОНЫ. ") , count));
  EXPECT_EQ(count, 3);
  EXPECT_EQ(out, "Текст <acronym id=\"fnd0_0\">закона</acronym>, <acronym id=\"fnd1_0\">Законом</acronym> и "
                 "<acronym id=\"fnd2_0\">ЗАКОНЫ</acronym>. ");
}

TEST_F(RealDictionaryTest, AbbreviationFindsItsFullWording) {
  int count = -1;
  MarkMatches(W("ГК РФ"), W("Статья 1 Гражданский кодекс Российской Федерации. "), count);
  EXPECT_EQ(count, 1);
}

// The words the user typed are marked even where an expanded variant is satisfied in the same window.
TEST_F(RealDictionaryTest, EverySatisfiedVariantIsMarked) {
  int count = -1;
  const std::string out = cp1251::ToUtf8(MarkMatches(
      W("ГК РФ"), W("по ГК РФ и Гражданскому кодексу Российской Федерации, ГК, ГК РФ. "), count));
  EXPECT_EQ(count, 1);
  for (const char* id : {"fnd0_0\">ГК<", "fnd0_1\">РФ<", "fnd0_2\">Гражданскому<", "fnd0_8\">РФ<"})
    EXPECT_NE(out.find(id), std::string::npos) << id;
  EXPECT_EQ(out.find("fnd0_9"), std::string::npos);
}
