#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <thread>
#include <random>
#include <stdexcept>
#include <vector>

#include "engine/Diff.h"
#include "engine/PassPartner.h"

namespace {

using Ints = std::vector<int32_t>;

std::vector<TChangeRec> Diffed(const Ints& a, const Ints& b, const TDiffTuning& tuning = {}) {
  TDiff diff;
  diff.SetTuning(tuning);
  EXPECT_TRUE(diff.CompareLists(a.data(), b.data(), static_cast<int>(a.size()), static_cast<int>(b.size())));
  std::vector<TChangeRec> out(static_cast<size_t>(diff.RecordCount()));
  for (int i = 0; i < diff.RecordCount(); ++i) diff.GetChange(i, out[static_cast<size_t>(i)]);
  EXPECT_EQ(out.size(), diff.Changes().size());
  return out;
}

std::vector<TDiffKind> Kinds(const std::vector<TChangeRec>& recs) {
  std::vector<TDiffKind> k;
  for (const auto& r : recs) k.push_back(r.Kind);
  return k;
}

size_t Lcs(const Ints& a, const Ints& b) {
  std::vector<size_t> row(b.size() + 1, 0), prev(b.size() + 1, 0);
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j)
      row[j] = a[i - 1] == b[j - 1] ? prev[j - 1] + 1 : std::max(prev[j], row[j - 1]);
    std::swap(row, prev);
  }
  return prev[b.size()];
}

// Every element once, in ascending order of both arrays, values copied right, and within every
// block of changes the pairs before the surplus.
void CheckScript(const Ints& a, const Ints& b, const std::vector<TChangeRec>& recs) {
  int32_t next1 = 0, next2 = 0;
  TDiffKind before = dkSame;
  for (const TChangeRec& r : recs) {
    switch (r.Kind) {
      case dkSame:
        ASSERT_EQ(r.Index1, next1++);
        ASSERT_EQ(r.Index2, next2++);
        ASSERT_EQ(a[static_cast<size_t>(r.Index1)], b[static_cast<size_t>(r.Index2)]);
        break;
      case dkChange:
        ASSERT_TRUE(before == dkSame || before == dkChange);
        ASSERT_EQ(r.Index1, next1++);
        ASSERT_EQ(r.Index2, next2++);
        break;
      case dkDelete:
        ASSERT_NE(before, dkInsert);
        ASSERT_EQ(r.Index1, next1++);
        ASSERT_EQ(r.Value2, 0);
        break;
      case dkInsert:
        ASSERT_NE(before, dkDelete);
        ASSERT_EQ(r.Index2, next2++);
        ASSERT_EQ(r.Value1, 0);
        break;
    }
    if (r.Kind != dkInsert) {
      ASSERT_EQ(r.Value1, a[static_cast<size_t>(r.Index1)]);
    }
    if (r.Kind != dkDelete) {
      ASSERT_EQ(r.Value2, b[static_cast<size_t>(r.Index2)]);
    }
    before = r.Kind;
  }
  ASSERT_EQ(next1, static_cast<int32_t>(a.size()));
  ASSERT_EQ(next2, static_cast<int32_t>(b.size()));
}

}  // namespace

TEST(TDiff, SmallScripts) {
  EXPECT_TRUE(Diffed({}, {}).empty());

  const auto ins = Diffed({}, {7, 8, 9});
  ASSERT_EQ(ins.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(ins[static_cast<size_t>(i)].Kind, dkInsert);
    EXPECT_EQ(ins[static_cast<size_t>(i)].Index1, -1);
    EXPECT_EQ(ins[static_cast<size_t>(i)].Index2, i);
  }
  const auto del = Diffed({7, 8}, {});
  EXPECT_EQ(Kinds(del), (std::vector<TDiffKind>{dkDelete, dkDelete}));
  EXPECT_EQ(del[1].Index2, -1);

  EXPECT_EQ(Kinds(Diffed({1, 2, 3}, {1, 2, 3})), (std::vector<TDiffKind>{dkSame, dkSame, dkSame}));

  const auto change = Diffed({1, 2, 3}, {1, 4, 3});
  ASSERT_EQ(Kinds(change), (std::vector<TDiffKind>{dkSame, dkChange, dkSame}));
  EXPECT_EQ(change[1].Value1, 2);
  EXPECT_EQ(change[1].Value2, 4);

  const auto surplusDelete = Diffed({1, 2, 3, 4}, {1, 5, 4});
  ASSERT_EQ(Kinds(surplusDelete), (std::vector<TDiffKind>{dkSame, dkChange, dkDelete, dkSame}));
  EXPECT_EQ(surplusDelete[1].Value1, 2);
  EXPECT_EQ(surplusDelete[1].Value2, 5);
  EXPECT_EQ(surplusDelete[2].Value1, 3);
  EXPECT_EQ(surplusDelete[3].Index1, 3);
  EXPECT_EQ(surplusDelete[3].Index2, 2);

  const auto surplusInsert = Diffed({1, 2}, {3, 4, 5});
  ASSERT_EQ(Kinds(surplusInsert), (std::vector<TDiffKind>{dkChange, dkChange, dkInsert}));
  EXPECT_EQ(surplusInsert[0].Index2, 0);
  EXPECT_EQ(surplusInsert[1].Index2, 1);
  EXPECT_EQ(surplusInsert[2].Index2, 2);
  EXPECT_EQ(surplusInsert[2].Value2, 5);
}

TEST(TDiff, RandomScriptsAreMinimal) {
  std::mt19937 rng(12345);
  for (int n = 0; n < 4000; ++n) {
    const int alphabet = 1 + static_cast<int>(rng() % 6);
    Ints a(rng() % 40), b;
    for (auto& v : a) v = static_cast<int32_t>(rng() % static_cast<unsigned>(alphabet));
    // Half the time b is an edit of a, otherwise unrelated.
    if (rng() % 2) {
      for (int32_t v : a) {
        const unsigned op = rng() % 8;
        if (op == 0) continue;
        if (op == 1) b.push_back(static_cast<int32_t>(rng() % 9));
        b.push_back(v);
      }
    } else {
      b.resize(rng() % 40);
      for (auto& v : b) v = static_cast<int32_t>(rng() % static_cast<unsigned>(alphabet));
    }
    const auto recs = Diffed(a, b);
    ASSERT_NO_FATAL_FAILURE(CheckScript(a, b, recs));
    const auto same = static_cast<size_t>(std::count_if(recs.begin(), recs.end(), [](const TChangeRec& r) { return r.Kind == dkSame; }));
    ASSERT_EQ(same, Lcs(a, b));
  }
}

TEST(TDiff, LongInputs) {
  // A whole block of changes: pairs first, then the surplus.
  Ints a(3000), b(2001);
  for (size_t i = 0; i < a.size(); ++i) a[i] = static_cast<int32_t>(i);
  for (size_t i = 0; i < b.size(); ++i) b[i] = -1 - static_cast<int32_t>(i);
  const auto recs = Diffed(a, b);
  ASSERT_EQ(recs.size(), 3000u);
  EXPECT_EQ(recs[2000].Kind, dkChange);
  EXPECT_EQ(recs[2001].Kind, dkDelete);

  // Scattered edits in a long text.
  std::mt19937 rng(99);
  Ints x(1000000);
  for (auto& v : x) v = static_cast<int32_t>(rng() % 50000);
  Ints y = x;
  for (int k = 0; k < 200; ++k) {
    const size_t at = rng() % y.size();
    if (k % 3 == 0) y.erase(y.begin() + static_cast<long>(at));
    else if (k % 3 == 1) y.insert(y.begin() + static_cast<long>(at), 50001 + k);
    else y[at] = 50001 + k;
  }
  const auto long2 = Diffed(x, y);
  ASSERT_NO_FATAL_FAILURE(CheckScript(x, y, long2));
  const auto same = std::count_if(long2.begin(), long2.end(), [](const TChangeRec& r) { return r.Kind == dkSame; });
  EXPECT_GE(same, static_cast<long>(x.size()) - 200);
}

// One thread or two, one, eight or sixteen diagonals at a time: the same records. Texts long
// enough for passes of many diagonals, from nearly equal to unrelated, on alphabets from two
// values (long chance snakes) to thousands.
TEST(TDiff, EveryWayOfSearchingGivesTheSameRecords) {
  auto key = [](const std::vector<TChangeRec>& recs) {
    std::vector<std::array<int32_t, 5>> k;
    for (const auto& r : recs) k.push_back({r.Kind, r.Index1, r.Index2, r.Value1, r.Value2});
    return k;
  };
  const TDiffTuning ways[] = {{8, 0}, {16, 0}, {1, 2}, {8, 2}, {16, 2}, {0, 64}};
  std::mt19937 rng(2026);
  for (int n = 0; n < 40; ++n) {
    const unsigned alphabet = 2 + rng() % (n % 2 ? 4000 : 6);
    Ints a(300 + rng() % 3000), b;
    for (auto& v : a) v = static_cast<int32_t>(rng() % alphabet);
    const unsigned rate = 1 + rng() % 60;  // edits per hundred elements
    for (int32_t v : a) {
      if (rng() % 100 < rate) {
        const unsigned op = rng() % 3;
        if (op != 0) b.push_back(static_cast<int32_t>(rng() % alphabet));
        if (op != 1) continue;
      }
      b.push_back(v);
    }
    const auto serial = key(Diffed(a, b, {1, 0}));
    for (const TDiffTuning& way : ways)
      ASSERT_EQ(key(Diffed(a, b, way)), serial) << "case " << n << ", lanes " << way.Lanes << ", parallel from " << way.ParallelFrom;
  }
}

// Jobs handed over back to back, after the partner has gone to sleep, and not taken up in time
// (the owner runs them): each runs exactly once and has ended when Wait returns.
TEST(TPassPartner, EveryJobRunsOnceBeforeWaitReturns) {
  struct Count {
    std::atomic<int> runs{0};
    static void Run(void* c) { static_cast<Count*>(c)->runs.fetch_add(1); }
  } count;
  {
    TPassPartner partner;
    for (int i = 1; i <= 2000; ++i) {
      partner.Post(&Count::Run, &count);
      partner.Wait();
      ASSERT_EQ(count.runs.load(), i);
      if (i % 500 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  EXPECT_EQ(count.runs.load(), 2000);
}

TEST(TDiff, ProcessMessagesCancelAndReentry) {
  // One call per recursion step: a single changed element is one step.
  {
    TDiff diff;
    int calls = 0;
    diff.SetProcessMessages([&] { ++calls; });
    const Ints a{1, 2, 3}, b{1, 4, 3};
    EXPECT_TRUE(diff.CompareLists(a.data(), b.data(), 3, 3));
    EXPECT_EQ(calls, 1);
    // Equal arrays need no step at all.
    calls = 0;
    EXPECT_TRUE(diff.CompareLists(a.data(), a.data(), 3, 3));
    EXPECT_EQ(calls, 0);
  }
  // Disjoint arrays of 1000: the first split is found only near D = 1000, so the second call
  // is the one at D = 200 of the top step; cancelling there ends the run with an empty result.
  Ints a(1000), b(1000);
  for (int i = 0; i < 1000; ++i) a[static_cast<size_t>(i)] = i, b[static_cast<size_t>(i)] = -1 - i;
  {
    TDiff diff;
    int calls = 0;
    size_t recordsAtCancel = 99;
    diff.SetProcessMessages([&] {
      if (++calls == 2) {
        recordsAtCancel = diff.Changes().size();
        diff.Cancel();
      }
    });
    EXPECT_FALSE(diff.CompareLists(a.data(), b.data(), 1000, 1000));
    EXPECT_EQ(recordsAtCancel, 0u);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(diff.RecordCount(), 0);
    // The next comparison starts afresh.
    diff.SetProcessMessages(nullptr);
    EXPECT_TRUE(diff.CompareLists(a.data(), b.data(), 1000, 1000));
    EXPECT_EQ(diff.RecordCount(), 1000);
  }
  {
    TDiff diff;
    bool nested = true;
    diff.SetProcessMessages([&] { nested = diff.CompareLists(a.data(), a.data(), 5, 5); });
    EXPECT_TRUE(diff.CompareLists(a.data(), b.data(), 3, 3));
    EXPECT_FALSE(nested);
    EXPECT_EQ(diff.RecordCount(), 3);
  }
  {
    // An error passes out, and the object stays usable.
    TDiff diff;
    diff.SetProcessMessages([] { throw std::runtime_error("stop"); });
    EXPECT_THROW(diff.CompareLists(a.data(), b.data(), 3, 3), std::runtime_error);
    diff.SetProcessMessages(nullptr);
    EXPECT_TRUE(diff.CompareLists(a.data(), b.data(), 3, 3));
    TChangeRec rec;
    EXPECT_THROW(diff.GetChange(3, rec), std::out_of_range);
    diff.ClearChanges();
    EXPECT_EQ(diff.RecordCount(), 0);
  }
}
