#include "compress/ordered_workers.h"

#include <algorithm>

namespace zev::compress {

OrderedWorkers::OrderedWorkers(std::size_t count, unsigned threads, std::size_t window, Prepare prepare)
    : count_(count), prepare_(std::move(prepare)), slots_(std::max<std::size_t>(window, 1)) {
  const std::size_t started = std::min<std::size_t>(std::max(threads, 1u), count);
  try {
    for (std::size_t i = 0; i < started; ++i) workers_.emplace_back([this] { Work(); });
  } catch (...) {
    Stop();
    throw;
  }
}

OrderedWorkers::~OrderedWorkers() { Stop(); }

void OrderedWorkers::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& worker : workers_) worker.join();
  workers_.clear();
}

void OrderedWorkers::Work() {
  for (;;) {
    std::size_t index = 0;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return stopping_ || next_ == count_ || next_ < waited_ + slots_.size(); });
      if (stopping_ || next_ == count_) return;
      index = next_++;
    }
    std::exception_ptr error;
    try {
      prepare_(index, [this, index](std::int32_t& percent) { Report(index, percent); });
    } catch (...) {
      error = std::current_exception();
    }
    {
      std::lock_guard lock(mutex_);
      Slot& slot = SlotOf(index);
      slot.done = true;
      // Moved: this thread keeps no reference to drop while the caller handles the error. That
      // would be harmless (the count is atomic), but ThreadSanitizer cannot see it and objects.
      slot.error = std::move(error);
    }
    changed_.notify_all();
  }
}

void OrderedWorkers::Report(std::size_t index, std::int32_t& percent) {
  bool waitedFor = false;
  {
    std::lock_guard lock(mutex_);
    Slot& slot = SlotOf(index);
    if (stopping_ || slot.abort) {
      percent = -1;
      return;
    }
    slot.percent = percent;
    waitedFor = index == waited_;
  }
  if (waitedFor) changed_.notify_all();
}

void OrderedWorkers::Wait(std::size_t index, const ShowProgressHandler& progress) {
  std::unique_lock lock(mutex_);
  Slot& slot = SlotOf(index);
  waited_ = index;
  std::int32_t shown = kNoReport;
  for (;;) {
    if (progress && slot.percent != shown) {
      std::int32_t percent = shown = slot.percent;
      lock.unlock();
      progress(percent);
      lock.lock();
      if (percent == -1) slot.abort = true;
      continue;
    }
    if (slot.done) break;
    changed_.wait(lock);
  }
  const std::exception_ptr error = std::move(slot.error);
  // The slot is clean for the item window places on, which a worker may take from now on.
  slot = Slot{};
  waited_ = index + 1;
  lock.unlock();
  changed_.notify_all();
  if (error) std::rethrow_exception(error);
}

}  // namespace zev::compress
