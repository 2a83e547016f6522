// Work spread over the machine's cores: a loop whose steps are independent runs on a few
// threads, the caller's among them, each taking the next step not yet taken.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

// The threads worth starting for work that keeps every core busy: one per core, at most 8.
inline int WorkerThreads() {
  return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
}

// Runs fn(i) for every i in [0, n) on up to `threads` threads. When fn throws, no further
// step is started and the first exception is thrown again here once every thread has
// finished. When no thread can be started, the caller's thread does all the steps.
template <typename Fn>
void ParallelFor(size_t n, int threads, Fn fn) {
  std::atomic<size_t> next{0};
  std::exception_ptr failure;
  std::mutex failureLock;
  auto work = [&] {
    for (size_t i; (i = next.fetch_add(1)) < n;) {
      try {
        fn(i);
      } catch (...) {
        std::lock_guard<std::mutex> lock(failureLock);
        if (!failure) failure = std::current_exception();
        next.store(n);
      }
    }
  };
  std::vector<std::thread> pool;
  for (int t = 1; t < threads && static_cast<size_t>(t) < n; ++t) {
    try {
      pool.emplace_back(work);
    } catch (const std::system_error&) {
      break;
    }
  }
  work();
  for (auto& t : pool) t.join();
  if (failure) std::rethrow_exception(failure);
}
