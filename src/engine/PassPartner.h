#pragma once
// A second thread for the diff's search: it runs one job at a time, handed over by its owner
// while the owner does its own share of the same step. Jobs of one search come microseconds
// apart, so between them it spins; when none come for a while it sleeps until the next. A job
// the thread has not taken up by the time the owner waits for it is run by the owner itself, so
// a partner kept off its core by other programs never holds the search up.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class TPassPartner {
 public:
  using TJob = void (*)(void* context);

  // Starts the thread; throws std::system_error when the system has none to give.
  TPassPartner();
  ~TPassPartner();
  TPassPartner(const TPassPartner&) = delete;
  TPassPartner& operator=(const TPassPartner&) = delete;

  // Hands over job(context); the previous job must have been waited for.
  void Post(TJob job, void* context);
  // Returns once the posted job has ended: run here if the thread has not begun it. True when
  // the thread ran it.
  bool Wait();

 private:
  void Loop();
  // Takes up job number n unless the other side already has.
  bool Take(uint64_t n) {
    uint64_t before = n - 1;
    return taken_.compare_exchange_strong(before, n);
  }

  TJob job_ = nullptr;
  void* context_ = nullptr;
  // Jobs are numbered from 1: the last posted, the last taken up (by either side), the last the
  // thread finished.
  std::atomic<uint64_t> posted_{0}, taken_{0}, finished_{0};
  std::atomic<bool> sleeping_{false}, quit_{false};
  std::mutex mutex_;
  std::condition_variable wake_;
  std::thread thread_;
};
