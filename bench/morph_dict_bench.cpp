// Loading the morphology dictionaries of the data folder: the whole load, the A49.DAT parse
// alone, and a plain read of A49.DAT as the floor any loader stands on.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "find/MorphRusTables.h"

namespace {

const std::string kDataDir = PARVEL_SOURCE_DIR "/data/";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Resident memory of the process in kB (Linux), 0 when unknown.
double ResidentKb() {
  std::ifstream in("/proc/self/status");
  std::string key;
  while (in >> key) {
    if (key == "VmRSS:") {
      double kb = 0;
      in >> kb;
      return kb;
    }
    std::getline(in, key);
  }
  return 0;
}

double FileSize(const char* name) {
  std::error_code ec;
  const auto n = std::filesystem::file_size(kDataDir + name, ec);
  return ec ? 0 : static_cast<double>(n);
}

void BM_LoadDictionaries(benchmark::State& state) {
  FreeDictionaries();
  const double before = ResidentKb();
  std::string message;
  if (!LoadDictionaries(kDataDir, message)) {
    state.SkipWithError(message.c_str());
    return;
  }
  const double after = ResidentKb();
  for (auto _ : state) {
    if (!LoadDictionaries(kDataDir, message)) state.SkipWithError(message.c_str());
  }
  state.counters["tables_MB"] = static_cast<double>(DictionaryMemoryBytes()) / 1e6;
  state.counters["rss_growth_MB"] = (after - before) / 1e3;
  state.counters["A49_bytes"] = FileSize("A49.DAT");
  state.counters["A71_bytes"] = FileSize("A71.DAT");
  state.counters["A80_bytes"] = FileSize("A80.DAT");
  state.counters["stems"] = Bases.Count();
  FreeDictionaries();
}
BENCHMARK(BM_LoadDictionaries)->Unit(benchmark::kMillisecond);

void BM_ParseA49(benchmark::State& state) {
  const std::string data = ReadFile(kDataDir + "A49.DAT");
  std::string error;
  for (auto _ : state) {
    TA49Tables t;
    if (!ParseA49(data, t, error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(t.Bases.Count());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(data.size()));
}
BENCHMARK(BM_ParseA49)->Unit(benchmark::kMillisecond);

void BM_ReadA49File(benchmark::State& state) {
  for (auto _ : state) {
    const std::string data = ReadFile(kDataDir + "A49.DAT");
    benchmark::DoNotOptimize(data.data());
  }
}
BENCHMARK(BM_ReadA49File)->Unit(benchmark::kMillisecond);

}  // namespace
