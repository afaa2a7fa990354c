#include "engine/Diff.h"

#include <algorithm>
#include <cassert>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <system_error>

#include "engine/DiffSearch.h"
#include "engine/PassPartner.h"
#include "engine/WayChooser.h"

using diff_search::kFarAhead;
using diff_search::kFarBack;
using diff_search::kNoOverlap;

namespace {

// Passes narrower than this time too little to tell the lanes apart.
constexpr int64_t kLanesTrialWidth = 512;

int64_t ElapsedNanoseconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - since).count();
}

// Clears the executing flag, frees the diagonal vectors and ends the second thread on every way
// out.
struct RunGuard {
  bool& executing;
  std::unique_ptr<int32_t[]>& f;
  std::unique_ptr<int32_t[]>& r;
  std::unique_ptr<TPassPartner>& partner;
  ~RunGuard() {
    executing = false;
    f.reset();
    r.reset();
    partner.reset();
  }
};

// The backward pass of one step, as the second thread's job.
struct BackwardJob {
  const diff_search::TSearch* search;
  diff_search::TPass pass;
  int64_t over;
  static void Run(void* context) {
    auto* job = static_cast<BackwardJob*>(context);
    job->over = diff_search::BackwardPass(*job->search, job->pass);
  }
};

}  // namespace

TDiff::TDiff() = default;
TDiff::~TDiff() = default;

void TDiff::SetProcessMessages(std::function<void()> processMessages) {
  processMessages_ = std::move(processMessages);
}

int TDiff::RecordCount() const { return static_cast<int>(changes_.size()); }

void TDiff::GetChange(int index, TChangeRec& rec) const {
  if (index < 0 || index >= RecordCount()) throw std::out_of_range("TDiff::GetChange: index out of range");
  rec = changes_[static_cast<size_t>(index)];
}

const std::vector<TChangeRec>& TDiff::Changes() const { return changes_; }

std::vector<TChangeRec> TDiff::TakeChanges() {
  std::vector<TChangeRec> taken = std::move(changes_);
  ClearChanges();
  return taken;
}

void TDiff::Cancel() { cancelled_ = true; }

void TDiff::ClearChanges() {
  changes_.clear();
  last_ = TChangeRec{};
  last_.Kind = dkSame;
  last_.Index1 = -1;
  last_.Index2 = -1;
  pairFrom_ = 0;
  a_ = nullptr;
  b_ = nullptr;
}

bool TDiff::CheckCancel() {
  if (processMessages_) processMessages_();
  return cancelled_;
}

bool TDiff::CompareLists(const int32_t* a, const int32_t* b, int countA, int countB) {
  if (executing_) return false;
  if (countA < 0 || countB < 0) throw std::invalid_argument("TDiff::CompareLists: negative count");
  executing_ = true;
  cancelled_ = false;
  RunGuard guard{executing_, f_, r_, partner_};
  partnerFailed_ = false;
  threads_ = TWayChooser{};
  lanesChoice_ = TWayChooser{2, 0};
  // PARVEL_DIFF_THREADS=1 keeps the search on one thread (for comparing the two).
  static const bool oneThread = [] {
    const char* want = std::getenv("PARVEL_DIFF_THREADS");
    return want && std::atoi(want) == 1;
  }();
  parallelFrom_ = oneThread ? 0 : tuning_.ParallelFrom;
  lanes_ = static_cast<int>(diff_search::BestLanes());
  if (tuning_.Lanes > 0 && tuning_.Lanes < lanes_) lanes_ = tuning_.Lanes >= 8 ? 8 : 1;

  ClearChanges();
  topD_ = topSize_ = 0;
  a_ = a;
  b_ = b;
  int lenA = countA, lenB = countB;
  while (lenA > 0 && lenB > 0 && a[lenA - 1] == b[lenB - 1]) --lenA, --lenB;
  if (lenA > 0 || lenB > 0) {
    int off = 0;
    while (lenA > 0 && lenB > 0 && a[off] == b[off]) ++off, --lenA, --lenB;
    // Every element of a gives one record and every insertion one more: the list never grows.
    changes_.reserve(static_cast<size_t>(countA) + static_cast<size_t>(lenB));
    topSize_ = static_cast<int64_t>(lenA) + lenB;
    topD_ = 0;
    // Slot (k + offset) / 2 of the half of k's parity holds diagonal k; the offset is even so
    // that k and k + offset have the same parity.
    const int64_t offset = (static_cast<int64_t>(lenB) + 2) & ~int64_t{1};
    const int64_t half = ((offset + lenA + 1) >> 1) + 1;
    // Left uninitialised: InitDiagonals fills each diagonal before the search first reads it,
    // and on texts with few differences the search reaches only a small part of the vectors.
    f_.reset(new int32_t[static_cast<size_t>(2 * half)]);
    r_.reset(new int32_t[static_cast<size_t>(2 * half)]);
    for (int p = 0; p < 2; ++p) {
      fZero_[p] = f_.get() + p * half + offset / 2;
      rZero_[p] = r_.get() + p * half + offset / 2;
    }
    RecursiveDiffInt(off, off, lenA, lenB);
  }
  if (cancelled_) {
    ClearChanges();
    return false;
  }
  AppendSame(countA - 1);
  return true;
}

TPassPartner* TDiff::Partner() {
  if (!partner_ && !partnerFailed_) {
    try {
      partner_ = std::make_unique<TPassPartner>();
    } catch (const std::system_error&) {
      partnerFailed_ = true;  // the search goes on alone
    }
  }
  return partner_.get();
}

void TDiff::InitDiagonals(int64_t lo, int64_t hi) {
  // Grows the initialised range of both vectors to [lo, hi]. Diagonals are initialised only as
  // the search reaches them; a diagonal outside the range is never read.
  auto fill = [this](int64_t from, int64_t to) {  // diagonals from .. to
    for (int p = 0; p < 2; ++p) {
      const int64_t k0 = from + ((from & 1) != p), k1 = to - ((to & 1) != p);
      if (k0 > k1) continue;
      std::fill(fZero_[p] + (k0 >> 1), fZero_[p] + (k1 >> 1) + 1, kFarBack);
      std::fill(rZero_[p] + (k0 >> 1), rZero_[p] + (k1 >> 1) + 1, kFarAhead);
    }
  };
  if (lo < diagLo_) {
    fill(lo, diagLo_ - 1);
    diagLo_ = lo;
  }
  if (hi > diagHi_) {
    fill(diagHi_ + 1, hi);
    diagHi_ = hi;
  }
}

void TDiff::RecursiveDiffInt(int off1, int off2, int lenA, int lenB) {
  // The second half of every split is handled by the next turn of this loop rather than by a
  // nested call, which keeps the recursion depth down on long inputs.
  for (;;) {
    if (CheckCancel()) return;
    if (lenA == 0) {
      if (lenB <= 0) throw std::logic_error("oops!");
      AppendChange(off1, lenB, dkInsert);
      return;
    }
    if (lenB == 0) {
      AppendChange(off1, lenA, dkDelete);
      return;
    }
    const int32_t* A = a_ + off1;
    const int32_t* B = b_ + off2;
    if (lenA == 1 && lenB == 1) {
      if (A[0] == B[0]) throw std::logic_error("oops!");
      AppendChange(off1, 1, dkDelete);
      AppendChange(off1, 1, dkInsert);
      return;
    }
    const int64_t maxD = std::max(lenA, lenB);
    const int64_t delta = static_cast<int64_t>(lenA) - lenB;
    // Diagonals -(lenB+1) .. lenA+1 are all this sub-problem can read.
    const int64_t clipLo = -(static_cast<int64_t>(lenB) + 1), clipHi = static_cast<int64_t>(lenA) + 1;
    diagLo_ = 1;
    diagHi_ = 0;
    InitDiagonals(std::min<int64_t>(0, delta), std::max<int64_t>(0, delta));
    const diff_search::TSearch search{A, B, lenA, lenB, delta, fZero_, rZero_, static_cast<diff_search::TLanes>(lanes_)};
    search.F(0) = -1;
    search.R(delta) = lenA - 1;
    const bool deltaOdd = delta % 2 != 0;
    int64_t over = kNoOverlap;  // the diagonal where the two searches met
    bool forward = false;       // met by the forward pass
    // The greatest progress (x + y) the forward values have reached and the least the backward
    // values have: a test of one side needs only look where its progress reaches the other's.
    int64_t forwardReach = -2, backwardReach = 2 * (static_cast<int64_t>(lenA) - 1) - delta;
    for (int64_t D = 1; D <= maxD && over == kNoOverlap; ++D) {
      if (D % 200 == 0) {
        if (static_cast<int64_t>(lenA) + lenB == topSize_) topD_ = D;
        if (CheckCancel()) return;
      }
      InitDiagonals(std::max(clipLo, std::min(-D, delta - D) - 1), std::min(clipHi, std::max(D, delta + D) + 1));
      // The forward pass of a step reads and writes nothing the backward pass of the same step
      // writes, except the overlap test of the backward pass when delta is even (it reads the F
      // just written): there the test is made once both passes have ended. Either way the first
      // overlap found is the one the passes one after the other find.
      const int64_t width = std::min(search.ForwardHigh(D) - search.ForwardLow(D), search.BackwardHigh(D) - search.BackwardLow(D)) / 2;
      // Wide steps run on two threads while that is found faster, timed now and then.
      bool timedStep = false;
      TPassPartner* partner = parallelFrom_ > 0 && width >= parallelFrom_ && threads_.Next(timedStep) == 1 ? Partner() : nullptr;
      const auto stepStart = timedStep ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point{};
      // Sixteen lanes or eight: wider is not always faster (where sixteen-lane gathers are split
      // in halves, eight win), so wide steps time both now and then, on the forward pass.
      diff_search::TSearch step = search;
      bool timedLanes = false;
      if (lanes_ == static_cast<int>(diff_search::TLanes::Avx512) && tuning_.Lanes == 0) {
        const int wide = width >= kLanesTrialWidth ? lanesChoice_.Next(timedLanes) : lanesChoice_.Chosen();
        step.lanes = wide == 1 ? diff_search::TLanes::Avx512 : diff_search::TLanes::Avx2;
      }
      // With the partner, the tests read the other side's values only where progress says they
      // may overlap; alone, everything is near at hand and tested.
      diff_search::TPass ahead{D, deltaOdd, partner ? backwardReach : diff_search::kReachAll, 0};
      auto forwardPass = [&] {
        if (!timedLanes) return diff_search::ForwardPass(step, ahead);
        const auto start = std::chrono::steady_clock::now();
        const int64_t found = diff_search::ForwardPass(step, ahead);
        lanesChoice_.Record(step.lanes == diff_search::TLanes::Avx512 ? 1 : 0, width, ElapsedNanoseconds(start));
        return found;
      };
      if (partner) {
        BackwardJob job{&step, {D, deltaOdd, forwardReach, 0}, kNoOverlap};
        partner->Post(&BackwardJob::Run, &job);
        over = forwardPass();
        partner->Wait();
        forward = over != kNoOverlap;
        if (!forward) {
          if (deltaOdd) over = job.over;
          else if (ahead.progress >= job.pass.progress) over = diff_search::FirstOverlap(step, search.BackwardHigh(D), search.BackwardLow(D));
        }
        backwardReach = job.pass.progress;
      } else {
        over = forwardPass();
        forward = over != kNoOverlap;
        if (!forward) {
          diff_search::TPass back{D, true, diff_search::kReachAllBack, 0};
          over = diff_search::BackwardPass(step, back);
          backwardReach = back.progress;
        }
      }
      forwardReach = ahead.progress;
      if (timedStep) threads_.Record(partner ? 1 : 0, width, ElapsedNanoseconds(stepStart));
    }
    if (over == kNoOverlap) throw std::logic_error("oops - error in RecursiveDiffInt()");
    int firstA, firstB, secondA, secondB;  // the halves: [0,first) and [second,len)
    if (forward) {
      // The snake that reached F(over), walked back to its start.
      int64_t a = static_cast<int64_t>(search.F(over)) + 1, b = a - over;
      secondA = static_cast<int>(a);
      secondB = static_cast<int>(b);
      while (a > 0 && b > 0 && A[a - 1] == B[b - 1]) --a, --b;
      firstA = static_cast<int>(a);
      firstB = static_cast<int>(b);
    } else {
      // The snake that reached R(over), walked on to its end.
      int64_t a = static_cast<int64_t>(search.R(over)) + 1, b = a - over;
      firstA = static_cast<int>(a);
      firstB = static_cast<int>(b);
      while (a < lenA && b < lenB && A[a] == B[b]) ++a, ++b;
      secondA = static_cast<int>(a);
      secondB = static_cast<int>(b);
    }
    RecursiveDiffInt(off1, off2, firstA, firstB);
    off1 += secondA;
    off2 += secondB;
    lenA -= secondA;
    lenB -= secondB;
  }
}

void TDiff::Push() {
  const size_t index = changes_.size();
  if ((last_.Kind == dkDelete || last_.Kind == dkInsert) &&
      (index == 0 || changes_[index - 1].Kind != last_.Kind))
    pairFrom_ = index;
  changes_.push_back(last_);
}

void TDiff::AppendSame(int lastIndex1) {
  // Equal elements never pair, so they go straight in.
  if (last_.Index1 >= lastIndex1) return;
  int32_t i1 = last_.Index1, i2 = last_.Index2;
  while (i1 < lastIndex1) {
    ++i1;
    ++i2;
    changes_.push_back(TChangeRec{dkSame, i1, i2, a_[i1], b_[i2]});
  }
  last_ = changes_.back();
}

void TDiff::AppendChange(int offset, int count, TDiffKind kind) {
  AppendSame(offset - 1);
  // An insertion right after deletions (or the reverse) pairs with the first unpaired element of
  // that run and turns it into a change.
  const TDiffKind pairsWith = kind == dkInsert ? dkDelete : dkInsert;
  for (int n = 0; n < count; ++n) {
    if (last_.Kind == pairsWith) {
      const size_t L = pairFrom_;
#ifndef NDEBUG
      size_t scan = changes_.size() - 1;
      while (scan > 0 && changes_[scan - 1].Kind == pairsWith) --scan;
      assert(scan == L);
#endif
      TChangeRec& rec = changes_[L];
      rec.Kind = dkChange;
      if (kind == dkInsert) {
        ++last_.Index2;
        rec.Index2 = last_.Index2;
        rec.Value2 = b_[last_.Index2];
      } else {
        ++last_.Index1;
        rec.Index1 = last_.Index1;
        rec.Value1 = a_[last_.Index1];
      }
      if (L == changes_.size() - 1) last_.Kind = dkChange;
      pairFrom_ = L + 1;
    } else {
      last_.Kind = kind;
      if (kind == dkInsert) {
        last_.Value1 = 0;
        ++last_.Index2;
        last_.Value2 = b_[last_.Index2];
      } else {
        last_.Value2 = 0;
        ++last_.Index1;
        last_.Value1 = a_[last_.Index1];
      }
      Push();
    }
  }
}
