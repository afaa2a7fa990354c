// Engine throughput on the edition corpus: splitting with hashing, the diff, the whole page build.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "engine/ChangeAlignment.h"
#include "engine/ChangeList.h"
#include "engine/ComparisonModel.h"
#include "engine/Diff.h"
#include "engine/ResultPages.h"
#include "engine/SplitHtml.h"

namespace {

std::string ReadCorpus(const std::string& name) {
  std::ifstream in(std::string(PARVEL_CORPUS_DIR) + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Pair {
  std::string text1, text2;
  std::vector<int32_t> pos1, hash1, pos2, hash2;
};

const std::map<int, std::string> kPairs = {
    {4, "04_nk1_gl8"}, {6, "06_nk1"}, {10, "10_byudzhetny_kodeks"}, {11, "11_uk_rf_heavy"}};

const Pair& LoadPair(int number) {
  static std::map<int, Pair> cache;
  auto it = cache.find(number);
  if (it != cache.end()) return it->second;
  Pair p;
  const std::string& name = kPairs.at(number);
  p.text1 = PageHead("etalon5.css") + ReadCorpus(name + "_old.htm") + "</html>";
  p.text2 = PageHead("etalon5.css") + ReadCorpus(name + "_new.htm") + "</html>";
  SplitHtml(p.text1, p.pos1, p.hash1);
  SplitHtml(p.text2, p.pos2, p.hash2);
  return cache.emplace(number, std::move(p)).first->second;
}

// The largest page of the corpus.
void BM_SplitHtmlAndHash(benchmark::State& state) {
  const std::string html = ReadCorpus("10_byudzhetny_kodeks_new.htm");
  if (html.empty()) {
    state.SkipWithError("corpus missing");
    return;
  }
  std::vector<int32_t> pos, hash;
  for (auto _ : state) {
    pos.clear();
    hash.clear();
    SplitHtml(html, pos, hash);
    benchmark::DoNotOptimize(hash.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(html.size()));
  state.counters["tokens"] = static_cast<double>(hash.size());
}
BENCHMARK(BM_SplitHtmlAndHash)->Unit(benchmark::kMillisecond);

// The same with new lists every time, as a comparison run has them: includes growing the lists.
void BM_SplitHtmlAndHashFresh(benchmark::State& state) {
  const std::string html = ReadCorpus("10_byudzhetny_kodeks_new.htm");
  if (html.empty()) {
    state.SkipWithError("corpus missing");
    return;
  }
  for (auto _ : state) {
    std::vector<int32_t> pos, hash;
    SplitHtml(html, pos, hash);
    benchmark::DoNotOptimize(hash.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(html.size()));
}
BENCHMARK(BM_SplitHtmlAndHashFresh)->Unit(benchmark::kMillisecond);

// The diff as the program runs it (both cores, the widest vectors that pay), then kept to one
// thread, and to one thread with eight lanes: the records are the same.
void CompareLists(benchmark::State& state, const TDiffTuning& tuning) {
  const Pair& p = LoadPair(static_cast<int>(state.range(0)));
  if (p.hash1.empty()) {
    state.SkipWithError("corpus missing");
    return;
  }
  size_t records = 0;
  for (auto _ : state) {
    TDiff diff;
    diff.SetTuning(tuning);
    diff.CompareLists(p.hash1.data(), p.hash2.data(), static_cast<int>(p.hash1.size()), static_cast<int>(p.hash2.size()));
    records = diff.Changes().size();
  }
  state.counters["tokens"] = static_cast<double>(p.hash1.size() + p.hash2.size());
  state.counters["records"] = static_cast<double>(records);
}
void BM_CompareLists(benchmark::State& state) { CompareLists(state, TDiffTuning{}); }
void BM_CompareListsOneThread(benchmark::State& state) { CompareLists(state, TDiffTuning{0, 0}); }
void BM_CompareListsOneThreadEightLanes(benchmark::State& state) { CompareLists(state, TDiffTuning{8, 0}); }
BENCHMARK(BM_CompareLists)->Arg(4)->Arg(6)->Arg(10)->Arg(11)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompareListsOneThread)->Arg(6)->Arg(10)->Arg(11)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompareListsOneThreadEightLanes)->Arg(6)->Arg(11)->Unit(benchmark::kMillisecond);

// Everything between reading the two views and writing the files.
void BM_BuildResultPages(benchmark::State& state) {
  const Pair& p = LoadPair(static_cast<int>(state.range(0)));
  int changes = 0;
  for (auto _ : state) {
    TDiff diff;
    changes = BuildResultPages(p.text1, p.text2, diff).ChangeCount;
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(p.text1.size() + p.text2.size()));
  state.counters["changes"] = changes;
}
BENCHMARK(BM_BuildResultPages)->Arg(4)->Arg(6)->Arg(10)->Arg(11)->Unit(benchmark::kMillisecond);

// The same with the changes aligned with the paragraphs, as the program shows them.
void BM_BuildAlignedPages(benchmark::State& state) {
  const Pair& p = LoadPair(static_cast<int>(state.range(0)));
  int changes = 0;
  for (auto _ : state) {
    TDiff diff;
    changes = BuildResultPages(BuildComparisonModel(p.text1, p.text2, diff, kDefaultComparisonOptions)).ChangeCount;
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(p.text1.size() + p.text2.size()));
  state.counters["changes"] = changes;
}
BENCHMARK(BM_BuildAlignedPages)->Arg(6)->Arg(10)->Arg(11)->Unit(benchmark::kMillisecond);

// The block map of one text, which alignment and the change list read.
void BM_MapTokenBlocks(benchmark::State& state) {
  const Pair& p = LoadPair(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(MapTokenBlocks(p.text1, p.pos1));
}
BENCHMARK(BM_MapTokenBlocks)->Arg(6)->Arg(10)->Arg(11)->Unit(benchmark::kMillisecond);

// What alignment adds after the diff: the shifted records and the change runs.
void BM_AlignChanges(benchmark::State& state) {
  const Pair& p = LoadPair(static_cast<int>(state.range(0)));
  TDiff diff;
  const TComparisonModel m = BuildComparisonModel(p.text1, p.text2, diff, kLiteralComparison);
  std::vector<TChangeRec> recs;
  for (auto _ : state) {
    state.PauseTiming();
    recs = m.Records;
    state.ResumeTiming();
    benchmark::DoNotOptimize(LayOutChanges(recs, m.Old, m.New, true));
  }
}
BENCHMARK(BM_AlignChanges)->Arg(6)->Arg(10)->Arg(11)->Unit(benchmark::kMillisecond);

// The change list after the comparison: both texts' structure, every change's place and kind.
void BM_BuildChangeList(benchmark::State& state) {
  const Pair& p = LoadPair(static_cast<int>(state.range(0)));
  TDiff diff;
  const TComparisonModel m = BuildComparisonModel(p.text1, p.text2, diff, kDefaultComparisonOptions);
  size_t entries = 0;
  for (auto _ : state) entries = BuildChangeList(m).Entries.size();
  state.counters["changes"] = static_cast<double>(entries);
}
BENCHMARK(BM_BuildChangeList)->Arg(6)->Arg(10)->Arg(11)->Unit(benchmark::kMillisecond);

}  // namespace
