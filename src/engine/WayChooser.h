#pragma once
// Chooses between two ways of doing a repeated piece of work by timing them. At the start of
// every period the two take turns for a few pieces each; the one that did more work per
// nanosecond does the rest of the period. How fast two threads run changes while a comparison
// runs (other programs take the second core, or give it back), so the choice is made again and
// again rather than once.
#include <cstdint>

class TWayChooser {
 public:
  // In a trial the ways take turns of `stride` pieces each: two choosers trialling over the same
  // pieces with strides 1 and 2 time each of one's ways with both of the other's. Before the
  // first trial has ended, Chosen() is `first`.
  explicit TWayChooser(int stride = 1, int first = 1) : stride_(stride), chosen_(first) {}

  // The way (0 or 1) of the next piece, and whether that piece is to be timed and recorded.
  int Next(bool& timed) {
    if (piece_ == 2 * kTurns) {
      // Time per work: time0 / work0 < time1 / work1.
      chosen_ = static_cast<double>(time_[0]) * static_cast<double>(work_[1]) <
                        static_cast<double>(time_[1]) * static_cast<double>(work_[0])
                    ? 0
                    : 1;
      work_[0] = work_[1] = time_[0] = time_[1] = 0;
    }
    timed = piece_ < 2 * kTurns;
    const int way = timed ? piece_ / stride_ % 2 : chosen_;
    piece_ = (piece_ + 1) % kPeriod;
    return way;
  }

  void Record(int way, int64_t work, int64_t nanoseconds) {
    work_[way] += work;
    time_[way] += nanoseconds;
  }

  // The way found faster by the last trial.
  int Chosen() const { return chosen_; }

 private:
  static constexpr int kTurns = 16;    // timed pieces of each way in a trial
  static constexpr int kPeriod = 512;  // pieces in a period, the trial included
  int stride_;
  int piece_ = 0;                      // of the current period
  int chosen_;
  int64_t work_[2] = {0, 0}, time_[2] = {0, 0};
};
