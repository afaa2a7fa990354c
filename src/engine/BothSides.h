#pragma once
// Doing the same work on both texts of a comparison at once.
#include <cstddef>
#include <exception>
#include <thread>

namespace engine_detail {

// Texts together at least this long are worth a second thread.
inline constexpr size_t kParallelBytes = 512 * 1024;

// Runs side(1) on a second thread while side(2) runs on this one; an exception of either is
// rethrown here once both have ended. The two sides touch nothing in common. Small texts are
// done one after the other: starting a thread costs more than it saves there.
template <class F, class G = void (*)()>
void BothSides(bool parallel, F&& side, G&& onFailure = [] {}) {
  if (!parallel) {
    try {
      side(1);
      side(2);
    } catch (...) {
      onFailure();
      throw;
    }
    return;
  }
  std::exception_ptr failed;
  std::thread other([&] {
    try {
      side(1);
    } catch (...) {
      failed = std::current_exception();
    }
  });
  try {
    side(2);
  } catch (...) {
    other.join();
    onFailure();
    throw;
  }
  other.join();
  if (failed) {
    onFailure();
    std::rethrow_exception(failed);
  }
}

}  // namespace engine_detail
