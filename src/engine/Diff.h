#pragma once
// The edit script between two integer arrays, by the divide-and-conquer O(ND) algorithm.
#include <cstdint>
#include <functional>
#include <vector>

enum TDiffKind : uint8_t { dkSame = 0, dkInsert = 1, dkDelete = 2, dkChange = 3 };

struct TChangeRec {
  TDiffKind Kind = dkSame;
  int32_t Index1 = -1;
  int32_t Index2 = -1;
  int32_t Value1 = 0;
  int32_t Value2 = 0;
};

class TDiff {
 public:
  TDiff() = default;
  TDiff(const TDiff&) = delete;
  TDiff& operator=(const TDiff&) = delete;

  // Called at every recursion step and every 200 steps of the inner loop, so that the caller
  // can let pending window messages through (and a stop button can call Cancel).
  void SetProcessMessages(std::function<void()> processMessages);

  // True when a complete result was produced; false when a comparison already runs on this
  // object (nothing is touched) or when it was cancelled (the result is left empty).
  bool CompareLists(const int32_t* a, const int32_t* b, int countA, int countB);
  int RecordCount() const;
  void GetChange(int index, TChangeRec& rec) const;
  const std::vector<TChangeRec>& Changes() const;
  void Cancel();
  void ClearChanges();

 private:
  // (implementation state)
};
