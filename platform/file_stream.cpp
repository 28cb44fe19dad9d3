#include "platform/file_stream.h"

#include <algorithm>
#include <cstring>

#include "platform/dos_time.h"
#include "platform/error.h"
#include "platform/machine.h"

namespace zev::platform {
namespace {

// The sharing part of a mode as the rights it leaves to others; compat is as strict as exclusive.
bool DecodeShare(std::uint16_t share, ShareRequest& request) {
  switch (share) {
    case fmShareCompat:
    case fmShareExclusive: request.denyRead = request.denyWrite = true; return true;
    case fmShareDenyWrite: request.denyWrite = true; return true;
    case fmShareDenyRead: request.denyRead = true; return true;
    case fmShareDenyNone: return true;
    default: return false;
  }
}

}  // namespace

FileStream::FileStream(const std::string& windowsPath, std::uint16_t mode) : name_(windowsPath) {
  if (mode == fmCreate) {
    std::filesystem::path host;
    try {
      host = Machine::Current().ToHostPathNoFollow(windowsPath);
    } catch (const Exception&) {
      throw EFCreateError(windowsPath);
    }
    if (!CreateHost(host)) throw EFCreateError(windowsPath);
    canRead_ = canWrite_ = true;
    return;
  }

  ShareRequest request;
  const std::uint16_t access = mode & 0x03;
  if ((mode & ~0xF3u) != 0 || access == 3 || !DecodeShare(mode & 0xF0, request)) throw EFOpenError(windowsPath);
  request.read = access != fmOpenWrite;
  request.write = access != fmOpenRead;
  std::filesystem::path host;
  try {
    host = Machine::Current().ToHostPath(windowsPath);
  } catch (const Exception&) {
    throw EFOpenError(windowsPath);
  }
  if (!OpenHost(host, request)) throw EFOpenError(windowsPath);
  canRead_ = request.read;
  canWrite_ = request.write;
}

FileStream::~FileStream() {
  WritePending();
  CloseHost();  // also ends this opener's sharing
}

void FileStream::GatherWrites(std::size_t size) {
  if (!canWrite_) return;
  WritePending();
  gatherSize_ = size;
  pending_.reserve(size);
}

void FileStream::Flush() {
  if (!WritePending()) throw EWriteError();
}

bool FileStream::WritePending() {
  if (!pending_.empty()) {
    if (WriteThrough(pending_.data(), pending_.size()) != pending_.size()) writeFailed_ = true;
    pending_.clear();
  }
  return !writeFailed_;
}

void FileStream::ReadAhead(std::size_t size) {
  if (!canRead_ || canWrite_ || size == 0 || readAheadSize_ != 0) return;
  ahead_ = std::make_unique_for_overwrite<std::uint8_t[]>(size);
  readAheadSize_ = size;
}

std::size_t FileStream::Read(void* buffer, std::size_t count) {
  if (!canRead_) return 0;
  WritePending();
  if (readAheadSize_ == 0) return ReadThrough(buffer, count);
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    if (aheadPos_ == aheadEnd_) {
      if (count - done >= readAheadSize_) return done + ReadThrough(out + done, count - done);
      aheadEnd_ = ReadThrough(ahead_.get(), readAheadSize_);
      aheadPos_ = 0;
      if (aheadEnd_ == 0) break;
    }
    const std::size_t n = std::min(count - done, aheadEnd_ - aheadPos_);
    std::memcpy(out + done, ahead_.get() + aheadPos_, n);
    aheadPos_ += n;
    done += n;
  }
  return done;
}

std::size_t FileStream::Write(const void* buffer, std::size_t count) {
  if (!canWrite_) return 0;
  if (gatherSize_ == 0) return WriteThrough(buffer, count);
  if ((pending_.size() + count > gatherSize_ || writeFailed_) && !WritePending()) return 0;
  if (count >= gatherSize_) return WriteThrough(buffer, count);
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  pending_.insert(pending_.end(), in, in + count);
  return count;
}

std::int64_t FileStream::Seek(std::int64_t offset, SeekOrigin origin) {
  WritePending();
  if (aheadEnd_ != 0) {
    // The file's position is the end of the bytes read ahead. A target among them is served
    // from them; any other drops them.
    const std::int64_t end = SeekThrough(0, SeekOrigin::Current);
    if (end < 0) throw EStreamError("Stream seek error");
    const std::int64_t start = end - static_cast<std::int64_t>(aheadEnd_);
    const std::int64_t here = start + static_cast<std::int64_t>(aheadPos_);
    if (origin != SeekOrigin::End) {
      const std::int64_t target = origin == SeekOrigin::Begin ? offset : here + offset;
      if (target >= start && target <= end) {
        aheadPos_ = static_cast<std::size_t>(target - start);
        return target;
      }
      if (origin == SeekOrigin::Current) {
        offset = target;
        origin = SeekOrigin::Begin;
      }
    }
    aheadPos_ = aheadEnd_ = 0;
  }
  const std::int64_t position = SeekThrough(offset, origin);
  if (position < 0) throw EStreamError("Stream seek error");
  return position;
}

std::int64_t FileStream::Size() {
  WritePending();
  return std::max<std::int64_t>(SizeThrough(), 0);
}

bool FileStream::SetSize(std::int64_t size) {
  WritePending();
  return canWrite_ && size >= 0 && Truncate(size);
}

bool FileStream::SetDosDateTime(std::int32_t packed) {
  const auto time = FromDosDateTime(packed);
  if (!time) return false;
  WritePending();  // a later write would set the time again
  return SetModified(*time);
}

std::int32_t FileStream::GetDosDateTime() {
  WritePending();
  const auto time = Modified();
  return time ? ToDosDateTime(*time) : -1;
}

}  // namespace zev::platform
