#include "compress/ordered_workers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>

namespace zev::compress {
namespace {

// Items are prepared no further ahead than the window and handed back in order, each with the
// error its preparation threw.
TEST(ParallelOrderedWorkers, KeepToTheWindowAndHandBackInOrder) {
  constexpr std::size_t kCount = 40, kWindow = 3;
  std::atomic<std::size_t> started{0};  // the highest item started, plus one
  std::vector<int> results(kCount, 0);
  OrderedWorkers workers(kCount, 2, kWindow, [&](std::size_t i, const ShowProgressHandler& progress) {
    for (std::size_t seen = started; seen < i + 1 && !started.compare_exchange_weak(seen, i + 1);) {
    }
    std::int32_t percent = 50;
    progress(percent);
    if (i % 7 == 3) throw std::runtime_error("item " + std::to_string(i));
    results[i] = static_cast<int>(i) + 1;
  });
  for (std::size_t i = 0; i < kCount; ++i) {
    EXPECT_LE(started, i + kWindow);
    std::vector<std::int32_t> shown;
    try {
      workers.Wait(i, [&](std::int32_t& percent) { shown.push_back(percent); });
      EXPECT_NE(i % 7, 3u);
      EXPECT_EQ(results[i], static_cast<int>(i) + 1);
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(e.what(), "item " + std::to_string(i));
    }
    // The caller sees each new percentage once, whenever it came.
    EXPECT_EQ(shown, std::vector<std::int32_t>{50}) << i;
  }
}

// An abort asked for while waiting reaches the item at its next report, and the items under way
// when the caller gives up are stopped at theirs. These items would run for ever otherwise.
TEST(ParallelOrderedWorkers, AbortAndStopReachTheItems) {
  std::atomic<int> started{0}, aborted{0};
  {
    OrderedWorkers workers(100, 3, 6, [&](std::size_t, const ShowProgressHandler& progress) {
      ++started;
      for (std::int32_t report = 0;; report = (report + 1) % 100) {
        std::int32_t percent = report;
        progress(percent);
        if (percent == -1) break;
      }
      ++aborted;
    });
    workers.Wait(0, [](std::int32_t& percent) { percent = -1; });
    EXPECT_EQ(aborted, 1);
  }
  EXPECT_EQ(aborted, started);
}

}  // namespace
}  // namespace zev::compress
