// How completely GetWordForms reproduces whole lexemes from the delivered dictionary: a lexeme is
// covered when the forms produced from one of its forms include every form of it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "find/MorphRus.h"
#include "find/MorphRusTables.h"
#include "find/TextFinder.h"

namespace {

bool Covered(const std::vector<std::string>& lexeme) {
  for (const auto& w : lexeme) {
    TVStringList forms(true, TVStringList::TDuplicates::dupIgnore);
    if (GetWordForms(w, forms) == 0) forms.Add(w);
    bool all = true;
    for (const auto& f : lexeme) all = all && forms.Contains(f);
    if (all) return true;
  }
  return false;
}

bool OnlyWordChars(const std::string& s) {
  if (s.empty()) return false;
  for (const char c : s)
    if (!IsWordChar(c)) return false;
  return true;
}

class CoverageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::string dir = std::string(PARVEL_BIN_DIR) + "/Data/";
    std::string message;
    loaded_ = std::filesystem::exists(dir + "A49.DAT") && LoadDictionaries(dir, message);
  }
  static void TearDownTestSuite() { FreeDictionaries(); }
  void SetUp() override {
    if (!loaded_) GTEST_SKIP() << "dictionary files are not in the data folder";
  }
  static bool loaded_;
};
bool CoverageTest::loaded_ = false;

}  // namespace

// 10,000 stems drawn with a fixed seed; each lexeme is every form of its stem (with its group).
TEST_F(CoverageTest, StemsOfTheDictionary) {
  std::mt19937 rng(20240605);
  std::uniform_int_distribution<int> pick(0, Bases.Count() - 1);
  const int n = 10000;
  int covered = 0, lexemes = 0;
  std::vector<std::string> misses;
  for (int i = 0; i < n; ++i) {
    const int b = pick(rng);
    TVStringList forms(true, TVStringList::TDuplicates::dupIgnore);
    const int g = BaseGroupOf[static_cast<size_t>(b)];
    if (g > 0)
      for (const uint32_t s : BaseGroups[g - 1])
        morph::AddForms(Bases.Stem(static_cast<int>(s)), {}, Bases.Paradigm(static_cast<int>(s)), forms);
    else
      morph::AddForms(Bases.Stem(b), {}, Bases.Paradigm(b), forms);
    std::vector<std::string> lexeme;
    for (const auto& f : forms)
      if (OnlyWordChars(f)) lexeme.push_back(f);
    if (lexeme.empty()) continue;
    ++lexemes;
    if (Covered(lexeme))
      ++covered;
    else if (misses.size() < 5)
      misses.push_back(lexeme[0]);
  }
  // Two unrelated words are never one lexeme.
  EXPECT_FALSE(Covered({"\xC7\xC0\xCA\xCE\xCD", "\xC4\xCE\xCC\xC0"}));  // ЗАКОН, ДОМА
  const double share = 100.0 * covered / lexemes;
  std::cout << "coverage over dictionary stems: " << covered << " of " << lexemes << " (" << share << " %)\n";
  EXPECT_GE(share, 95.0);
}

// The lexemes of the source dictionary, one a line (forms separated by blanks, Windows-1251),
// from the file named by PARVEL_COVERAGE_SAMPLE.
TEST_F(CoverageTest, SourceLexemes) {
  const char* path = std::getenv("PARVEL_COVERAGE_SAMPLE");
  if (path == nullptr || !std::filesystem::exists(path)) GTEST_SKIP() << "PARVEL_COVERAGE_SAMPLE not set";
  std::ifstream in(path, std::ios::binary);
  std::string line;
  int covered = 0, lexemes = 0;
  while (std::getline(in, line)) {
    std::vector<std::string> lexeme;
    size_t i = 0;
    while (i < line.size()) {
      const size_t b = i;
      while (i < line.size() && line[i] != ' ' && line[i] != '\r') ++i;
      if (i > b) lexeme.push_back(NormalizeWord(line.substr(b, i - b)));
      ++i;
    }
    if (lexeme.empty()) continue;
    ++lexemes;
    covered += Covered(lexeme) ? 1 : 0;
  }
  const double share = lexemes ? 100.0 * covered / lexemes : 0.0;
  std::cout << "coverage over source lexemes: " << covered << " of " << lexemes << " (" << share << " %)\n";
  EXPECT_GT(lexemes, 0);
}
