// Work on numbered items spread over threads, handed back in order: the archive writer
// compresses members on several threads and writes them one after the other.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "compress/codec_settings.h"

namespace zev::compress {

class OrderedWorkers {
 public:
  // Prepares an item; runs on a worker thread. progress is the handler for the item's codec run:
  // it records how far the item is and aborts it (sets -1) when asked to.
  using Prepare = std::function<void(std::size_t index, const ShowProgressHandler& progress)>;

  // Starts threads that prepare items 0..count-1 in turn, no more than window items beyond the
  // one the caller waits for.
  OrderedWorkers(std::size_t count, unsigned threads, std::size_t window, Prepare prepare);
  // Stops the workers: the items under way are aborted and left unfinished.
  ~OrderedWorkers();
  OrderedWorkers(const OrderedWorkers&) = delete;
  OrderedWorkers& operator=(const OrderedWorkers&) = delete;

  // Waits until item index, the one after the last waited for, is prepared, and rethrows what
  // preparing it threw. Meanwhile progress, when set, is called on this thread with each new
  // percentage the item reports; setting it to -1 aborts the item at its next report.
  void Wait(std::size_t index, const ShowProgressHandler& progress);

 private:
  struct Slot {
    bool done = false;
    bool abort = false;
    std::int32_t percent = kNoReport;
    std::exception_ptr error;
  };
  static constexpr std::int32_t kNoReport = -2;

  Slot& SlotOf(std::size_t index) { return slots_[index % slots_.size()]; }
  void Work();
  void Report(std::size_t index, std::int32_t& percent);
  void Stop();

  const std::size_t count_;
  const Prepare prepare_;
  std::mutex mutex_;
  std::condition_variable changed_;
  // One slot per item that may be under way or waiting: item i uses slot i % window.
  std::vector<Slot> slots_;
  std::size_t next_ = 0;     // the next item a worker takes
  std::size_t waited_ = 0;   // the item the caller waits for next
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace zev::compress
