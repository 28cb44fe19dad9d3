#include "compress/spill_stream.h"

#include <algorithm>
#include <cstring>

#include "platform/attributes.h"
#include "platform/error.h"
#include "platform/files.h"

namespace zev::compress {

SpillStream::SpillStream(std::string stem, std::size_t memoryLimit)
    : stem_(std::move(stem)), memoryLimit_(memoryLimit) {}

SpillStream::~SpillStream() {
  if (!file_) return;
  file_.reset();
  platform::DeleteFile(fileName_);
}

platform::FileStream& SpillStream::FileAtPosition() {
  if (!file_) {
    fileName_ = stem_ + ".tmp";
    for (int n = 1; platform::GetFileAttributes(fileName_) != platform::kInvalidAttributes; ++n)
      fileName_ = stem_ + "_" + std::to_string(n) + ".tmp";
    file_ = std::make_unique<platform::FileStream>(fileName_, platform::fmCreate);
  }
  const auto offset = position_ - static_cast<std::int64_t>(memoryLimit_);
  if (file_->Position() != offset) file_->SetPosition(offset);
  return *file_;
}

std::size_t SpillStream::Write(const void* buffer, std::size_t count) {
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    std::size_t n = count - done;
    const auto position = static_cast<std::uint64_t>(position_);
    if (position < memoryLimit_) {
      n = std::min<std::size_t>(n, memoryLimit_ - static_cast<std::size_t>(position));
      const std::size_t end = static_cast<std::size_t>(position) + n;
      if (memory_.size() < end) memory_.resize(end);
      std::memcpy(memory_.data() + position, bytes + done, n);
    } else {
      // Bytes skipped by a seek read as 0, in memory as in the file.
      if (memory_.size() < memoryLimit_) memory_.resize(memoryLimit_);
      n = FileAtPosition().Write(bytes + done, n);
      if (n == 0) break;
    }
    done += n;
    position_ += static_cast<std::int64_t>(n);
    size_ = std::max(size_, position_);
  }
  return done;
}

std::size_t SpillStream::Read(void* buffer, std::size_t count) {
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < count && position_ < size_) {
    std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(
        static_cast<std::int64_t>(count - done), size_ - position_));
    const auto position = static_cast<std::uint64_t>(position_);
    if (position < memoryLimit_) {
      n = std::min<std::size_t>(n, memory_.size() - static_cast<std::size_t>(position));
      std::memcpy(bytes + done, memory_.data() + position, n);
    } else {
      n = FileAtPosition().Read(bytes + done, n);
      if (n == 0) break;
    }
    done += n;
    position_ += static_cast<std::int64_t>(n);
  }
  return done;
}

std::int64_t SpillStream::Seek(std::int64_t offset, platform::SeekOrigin origin) {
  const std::int64_t base = origin == platform::SeekOrigin::Begin     ? 0
                            : origin == platform::SeekOrigin::Current ? position_
                                                                      : size_;
  const std::int64_t target = base + offset;
  if (target < 0) throw platform::EStreamError("Stream seek error");
  position_ = target;
  return target;
}

}  // namespace zev::compress
