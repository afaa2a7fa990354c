// The finder over the largest corpus body, and the word forms per word.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "find/MorphRus.h"
#include "find/MorphRusTables.h"
#include "find/TextFinder.h"
#include "support/Cp1251.h"
#include "support/FastStrings.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Dictionaries from Data/ beside the benchmark, or from the source tree; loaded once.
bool Dictionaries() {
  static const bool loaded = [] {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    for (const fs::path& dir : {exe.parent_path() / "Data", fs::path(PARVEL_SOURCE_DIR) / "data"}) {
      std::string message;
      if (fs::exists(dir / "A49.DAT") && LoadDictionaries(dir.string() + "/", message)) return true;
    }
    return false;
  }();
  return loaded;
}

// The body of the largest corpus page, with the blank the find command appends.
const std::string& Body() {
  static const std::string body = [] {
    std::string page = ReadFile(fs::path(PARVEL_CORPUS_DIR) / "10_byudzhetny_kodeks_new.htm");
    const int open = FindFromNoCase("<BODY", page, 1);
    if (open > 0) {
      const int gt = FindFrom(">", page, open);
      page.erase(0, static_cast<size_t>(gt));
    }
    const int close = FindFromNoCase("</BODY", page, 1);
    if (close > 0) page.resize(static_cast<size_t>(close - 1));
    return page + " ";
  }();
  return body;
}

// About 5 MB: the body repeated.
const std::string& Body5MB() {
  static const std::string big = [] {
    std::string s;
    while (s.size() < 5'000'000) s += Body();
    return s;
  }();
  return big;
}

void Mark(benchmark::State& state, const std::string& html, const char* utf8Query) {
  if (html.size() < 2) {
    state.SkipWithError("corpus body not found");
    return;
  }
  const bool dict = Dictionaries();
  const std::string query = cp1251::FromUtf8(utf8Query);
  int count = 0;
  for (auto _ : state) benchmark::DoNotOptimize(MarkMatches(query, html, count));
  state.counters["occurrences"] = count;
  state.counters["dictionary"] = dict ? 1 : 0;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(html.size()));
}

void BM_MarkMatches_OneWord(benchmark::State& s) { Mark(s, Body(), "бюджет"); }
void BM_MarkMatches_ThreeWords(benchmark::State& s) { Mark(s, Body(), "бюджетный кодекс российской"); }
void BM_MarkMatches_OneWord_5MB(benchmark::State& s) { Mark(s, Body5MB(), "бюджет"); }
void BM_MarkMatches_ThreeWords_5MB(benchmark::State& s) { Mark(s, Body5MB(), "бюджетный кодекс российской"); }

// Peers: reading every word of the body, and a plain case-blind substring count.
void BM_Peer_ReadAllWords(benchmark::State& state) {
  const std::string& html = Body5MB();
  for (auto _ : state) {
    int pos = 1, words = 0;
    const int n = static_cast<int>(html.size());
    while (pos < n) words += NextTextWord(html, pos).empty() ? 0 : 1;
    benchmark::DoNotOptimize(words);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(html.size()));
}

void BM_Peer_FindFromNoCase(benchmark::State& state) {
  const std::string& html = Body5MB();
  const std::string word = cp1251::FromUtf8("бюджет");
  for (auto _ : state) {
    int hits = 0;
    for (int p = FindFromNoCase(word, html, 1); p > 0; p = FindFromNoCase(word, html, p + 1)) ++hits;
    benchmark::DoNotOptimize(hits);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(html.size()));
}

void WordForms(benchmark::State& state, const char* utf8Word) {
  if (!Dictionaries()) {
    state.SkipWithError("dictionary files not found");
    return;
  }
  const std::string word = NormalizeWord(cp1251::FromUtf8(utf8Word));
  size_t forms = 0;
  int code = 0;
  for (auto _ : state) {
    TVStringList set(true, TVStringList::TDuplicates::dupIgnore);
    code = GetWordForms(word, set);
    forms = static_cast<size_t>(set.Count());
    benchmark::DoNotOptimize(set);
  }
  state.counters["forms"] = static_cast<double>(forms);
  state.counters["code"] = code;
}

void BM_GetWordForms_Known(benchmark::State& s) { WordForms(s, "законодательства"); }
void BM_GetWordForms_Short(benchmark::State& s) { WordForms(s, "кодекс"); }
void BM_GetWordForms_Guessed(benchmark::State& s) { WordForms(s, "сверхзаконодательного"); }
void BM_GetWordForms_Nothing(benchmark::State& s) { WordForms(s, "щшщшщшщшщшаж"); }

}  // namespace

BENCHMARK(BM_MarkMatches_OneWord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarkMatches_ThreeWords)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarkMatches_OneWord_5MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarkMatches_ThreeWords_5MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Peer_ReadAllWords)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Peer_FindFromNoCase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetWordForms_Known)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetWordForms_Short)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetWordForms_Guessed)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetWordForms_Nothing)->Unit(benchmark::kMicrosecond);
