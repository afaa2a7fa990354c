#pragma once
// The edit script between two integer arrays, by the divide-and-conquer O(ND) algorithm.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/WayChooser.h"

enum TDiffKind : uint8_t { dkSame = 0, dkInsert = 1, dkDelete = 2, dkChange = 3 };

class TPassPartner;

// How the search runs; the records are the same whichever is chosen.
struct TDiffTuning {
  // Diagonals a pass handles at a time: 0 the widest the CPU has, 1 one by one, 8 or 16 (taken
  // only where the CPU has them).
  int Lanes = 0;
  // A step whose passes reach this many diagonals may run its backward pass on a second thread
  // beside its forward pass (while timing finds that faster); 0 never does.
  int64_t ParallelFrom = 512;
};

struct TChangeRec {
  TDiffKind Kind = dkSame;
  int32_t Index1 = -1;
  int32_t Index2 = -1;
  int32_t Value1 = 0;
  int32_t Value2 = 0;
};

class TDiff {
 public:
  TDiff();
  ~TDiff();
  TDiff(const TDiff&) = delete;
  TDiff& operator=(const TDiff&) = delete;

  // Called at every recursion step and every 200 steps of the inner loop, so that the caller
  // can let pending window messages through (and a stop button can call Cancel).
  void SetProcessMessages(std::function<void()> processMessages);
  void SetTuning(const TDiffTuning& tuning) { tuning_ = tuning; }

  // True when a complete result was produced; false when a comparison already runs on this
  // object (nothing is touched) or when it was cancelled (the result is left empty).
  bool CompareLists(const int32_t* a, const int32_t* b, int countA, int countB);
  int RecordCount() const;
  void GetChange(int index, TChangeRec& rec) const;
  const std::vector<TChangeRec>& Changes() const;
  // Hands the records over and leaves the result empty.
  std::vector<TChangeRec> TakeChanges();
  void Cancel();
  void ClearChanges();

  // How far the outermost search has got, for a progress display: its number of differences
  // searched so far (D) and the combined length of the two lists it works on (both 0 before it
  // starts). Related texts finish with D a small part of the length; unrelated ones approach half
  // of it, at a cost that grows with length times D.
  int64_t SearchDepth() const { return topD_; }
  int64_t SearchSize() const { return topSize_; }

 private:
  void RecursiveDiffInt(int off1, int off2, int lenA, int lenB);
  void InitDiagonals(int64_t lo, int64_t hi);
  // The second thread, started when a search first grows wide enough; null when none is running
  // or none could be started.
  TPassPartner* Partner();
  void AppendChange(int offset, int count, TDiffKind kind);
  // dkSame records up to element lastIndex1 of a.
  void AppendSame(int lastIndex1);
  void Push();
  // Lets pending messages through; true when the comparison should unwind.
  bool CheckCancel();

  std::vector<TChangeRec> changes_;
  std::atomic<bool> cancelled_{false};
  bool executing_ = false;
  // Diagonal vectors. Diagonal k lives in the half of its parity: one pass of the search writes
  // only diagonals of one parity and reads those of the other, so both stand in consecutive
  // slots. They cover k from -(lenB+1) to lenA+1 of the whole comparison, every
  // diagonal any sub-problem can read, so memory stays linear in the input and no length limit is
  // needed. fZero_[p] and rZero_[p] point at the slot of diagonal 0 in the half of parity p.
  std::unique_ptr<int32_t[]> f_, r_;
  int32_t* fZero_[2] = {nullptr, nullptr};
  int32_t* rZero_[2] = {nullptr, nullptr};
  int64_t diagLo_ = 1, diagHi_ = 0;  // initialised range of the current sub-problem
  const int32_t* a_ = nullptr;
  const int32_t* b_ = nullptr;
  TChangeRec last_;
  // First record of the trailing run of unpaired dkDelete or dkInsert records, so that pairing
  // does not rescan the run for every element.
  size_t pairFrom_ = 0;
  std::function<void()> processMessages_;
  int64_t topD_ = 0, topSize_ = 0;
  TDiffTuning tuning_;
  int lanes_ = 1;  // of the running comparison
  int64_t parallelFrom_ = 0;
  std::unique_ptr<TPassPartner> partner_;
  bool partnerFailed_ = false;  // none could be started
  TWayChooser threads_;         // one thread or two for the wide steps
  TWayChooser lanesChoice_{2, 0};  // eight lanes or sixteen for them, where the CPU has sixteen
};
