// Loops spread over threads: every step once, a failure carried back to the caller.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "host/common/Parallel.h"

TEST(ParallelFor, EveryStepRunsExactlyOnceWhateverTheThreadCount) {
  for (int threads : {1, 2, 3, 8}) {
    for (size_t n : {0u, 1u, 2u, 1000u}) {
      std::vector<std::atomic<int>> runs(n);
      ParallelFor(n, threads, [&](size_t i) { runs[i].fetch_add(1); });
      for (size_t i = 0; i < n; ++i) ASSERT_EQ(runs[i].load(), 1) << threads << " " << n << " " << i;
    }
  }
}

TEST(ParallelFor, OneThreadRunsTheStepsInOrderOnTheCallersThread) {
  std::vector<size_t> order;
  const std::thread::id caller = std::this_thread::get_id();
  bool elsewhere = false;
  ParallelFor(5, 1, [&](size_t i) {
    order.push_back(i);
    elsewhere |= std::this_thread::get_id() != caller;
  });
  EXPECT_EQ(order, (std::vector<size_t>{0, 1, 2, 3, 4}));
  EXPECT_FALSE(elsewhere);
}

TEST(ParallelFor, AFailingStepIsThrownToTheCallerAfterEveryThreadHasStopped) {
  std::atomic<int> running{0};
  try {
    ParallelFor(10000, 2, [&](size_t i) {
      running.fetch_add(1);
      if (i == 10) {
        running.fetch_sub(1);
        throw std::runtime_error("step 10");
      }
      running.fetch_sub(1);
    });
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "step 10");
  }
  EXPECT_EQ(running.load(), 0);  // nothing still runs once the caller sees the failure

  // On one thread, no step after the failing one starts.
  std::vector<size_t> started;
  EXPECT_THROW(ParallelFor(10, 1,
                           [&](size_t i) {
                             started.push_back(i);
                             if (i == 3) throw std::runtime_error("step 3");
                           }),
               std::runtime_error);
  EXPECT_EQ(started, (std::vector<size_t>{0, 1, 2, 3}));
}
