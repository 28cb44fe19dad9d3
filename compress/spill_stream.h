// A stream for data that waits its turn to be written: its first bytes stay in memory, the rest
// goes to a temporary file that is made when first needed and deleted with the stream.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_stream.h"
#include "platform/stream.h"

namespace zev::compress {

class SpillStream : public platform::Stream {
 public:
  // The file is named after stem: stem + ".tmp", or the first of stem + "_1.tmp", "_2.tmp" ...
  // that no file has.
  SpillStream(std::string stem, std::size_t memoryLimit);
  ~SpillStream() override;
  SpillStream(const SpillStream&) = delete;
  SpillStream& operator=(const SpillStream&) = delete;

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, platform::SeekOrigin origin) override;
  std::int64_t Size() override { return size_; }

 private:
  // The file, positioned for the bytes at the stream's position (which is past the memory).
  platform::FileStream& FileAtPosition();

  std::string stem_;
  std::size_t memoryLimit_;
  std::vector<std::uint8_t> memory_;
  std::string fileName_;
  std::unique_ptr<platform::FileStream> file_;
  std::int64_t position_ = 0;
  std::int64_t size_ = 0;
};

}  // namespace zev::compress
