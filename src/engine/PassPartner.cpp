#include "engine/PassPartner.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PARVEL_PAUSE() _mm_pause()
#else
#define PARVEL_PAUSE() std::this_thread::yield()
#endif

namespace {
// About a tenth of a millisecond of spinning before the thread sleeps.
constexpr int kSpins = 4000;
// The owner's patience, in spins, before it lets other threads have its core while it waits.
constexpr int kPatience = 20000;
}  // namespace

TPassPartner::TPassPartner() : thread_([this] { Loop(); }) {}

TPassPartner::~TPassPartner() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void TPassPartner::Post(TJob job, void* context) {
  job_ = job;
  context_ = context;
  posted_.fetch_add(1);
  // Both flags are sequentially consistent: either this sees the partner asleep, or the partner,
  // about to sleep, sees the new job.
  if (sleeping_.load()) {
    std::lock_guard<std::mutex> lock(mutex_);
    wake_.notify_one();
  }
}

bool TPassPartner::Wait() {
  const uint64_t n = posted_.load(std::memory_order_relaxed);
  if (Take(n)) {
    job_(context_);
    return false;
  }
  for (int spins = 0; finished_.load(std::memory_order_acquire) != n; ++spins) {
    if (spins < kPatience) PARVEL_PAUSE();
    else std::this_thread::yield();  // the thread may be waiting for this very core
  }
  return true;
}

void TPassPartner::Loop() {
  uint64_t seen = 0;
  for (;;) {
    int spins = 0;
    while (posted_.load(std::memory_order_acquire) == seen) {
      if (quit_.load(std::memory_order_relaxed)) return;
      if (++spins < kSpins) {
        PARVEL_PAUSE();
        continue;
      }
      std::unique_lock<std::mutex> lock(mutex_);
      sleeping_ = true;
      wake_.wait(lock, [&] { return posted_.load() != seen || quit_.load(); });
      sleeping_ = false;
      spins = 0;
    }
    seen = posted_.load(std::memory_order_acquire);
    if (!Take(seen)) continue;  // the owner ran it
    job_(context_);
    finished_.store(seen, std::memory_order_release);
  }
}
