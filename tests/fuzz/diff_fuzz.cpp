// Two small integer arrays from the input bytes: the edit script must be complete, ordered, as
// long in common elements as a longest common subsequence, and the same however the search runs.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/Diff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t cut = (size - 1) * data[0] / 255;
  std::vector<int32_t> a, b;
  for (size_t i = 1; i < size; ++i) (i <= cut ? a : b).push_back(data[i] % 8);
  TDiff diff;
  if (!diff.CompareLists(a.data(), b.data(), static_cast<int>(a.size()), static_cast<int>(b.size()))) std::abort();
  // Every way of searching gives the same records: one diagonal at a time on one thread beside
  // eight or sixteen lanes on two threads from tiny passes on.
  TDiff other;
  other.SetTuning(TDiffTuning{data[0] % 2 ? 8 : 16, 2});
  TDiff serial;
  serial.SetTuning(TDiffTuning{1, 0});
  if (!other.CompareLists(a.data(), b.data(), static_cast<int>(a.size()), static_cast<int>(b.size())) ||
      !serial.CompareLists(a.data(), b.data(), static_cast<int>(a.size()), static_cast<int>(b.size())))
    std::abort();
  for (const TDiff* d : {&other, &serial}) {
    if (d->Changes().size() != diff.Changes().size()) std::abort();
    for (size_t i = 0; i < diff.Changes().size(); ++i) {
      const TChangeRec &x = diff.Changes()[i], &y = d->Changes()[i];
      if (x.Kind != y.Kind || x.Index1 != y.Index1 || x.Index2 != y.Index2 || x.Value1 != y.Value1 || x.Value2 != y.Value2) std::abort();
    }
  }
  int32_t next1 = 0, next2 = 0;
  size_t same = 0;
  for (const TChangeRec& r : diff.Changes()) {
    if (r.Kind != dkInsert && r.Index1 != next1++) std::abort();
    if (r.Kind != dkDelete && r.Index2 != next2++) std::abort();
    if (r.Kind == dkSame) {
      ++same;
      if (a[static_cast<size_t>(r.Index1)] != b[static_cast<size_t>(r.Index2)]) std::abort();
    }
  }
  if (next1 != static_cast<int32_t>(a.size()) || next2 != static_cast<int32_t>(b.size())) std::abort();
  if (a.size() * b.size() <= 1 << 20) {
    std::vector<size_t> row(b.size() + 1), prev(b.size() + 1);
    for (size_t i = 1; i <= a.size(); ++i) {
      for (size_t j = 1; j <= b.size(); ++j)
        row[j] = a[i - 1] == b[j - 1] ? prev[j - 1] + 1 : std::max(prev[j], row[j - 1]);
      std::swap(row, prev);
    }
    if (same != prev[b.size()]) std::abort();
  }
  return 0;
}
