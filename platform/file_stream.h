// A stream over a file, opened Windows-style with an access mode and a sharing mode that is
// enforced between every opener, in this process and in others.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/stream.h"

namespace zev::platform {

enum : std::uint16_t {
  fmOpenRead = 0,
  fmOpenWrite = 1,
  fmOpenReadWrite = 2,
  fmShareCompat = 0,
  fmShareExclusive = 0x10,
  fmShareDenyWrite = 0x20,
  fmShareDenyRead = 0x30,
  fmShareDenyNone = 0x40,
  fmCreate = 0xFFFF,
};

// What an opener does with a file and what it denies others while it holds it open.
struct ShareRequest {
  bool read = false;       // the opener reads
  bool write = false;      // the opener writes
  bool denyRead = false;   // others may not read while it is open
  bool denyWrite = false;  // others may not write while it is open
};

class FileStream : public Stream {
 public:
  // fmCreate creates the file or empties an existing one, opened for reading and writing with no
  // sharing, and never through a symbolic link; it throws EFCreateError(windowsPath), also for an
  // existing hidden or system file. Any other mode is an access mode or'ed with a sharing mode and
  // throws EFOpenError(windowsPath). Both fail on a sharing conflict, and writing access fails on
  // a read-only file.
  FileStream(const std::string& windowsPath, std::uint16_t mode);
  ~FileStream() override;
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  std::size_t Read(void* buffer, std::size_t count) override;    // 0 without read access
  std::size_t Write(const void* buffer, std::size_t count) override;  // 0 without write access
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
  std::int64_t Size() override;
  // Cuts or extends the file to size bytes; false without write access or on failure.
  bool SetSize(std::int64_t size);

  // Sets the file's modification time from a packed DOS date/time (local time). An invalid value
  // leaves the time alone and returns false.
  bool SetDosDateTime(std::int32_t packed);
  // The modification time as a packed DOS date/time.
  std::int32_t GetDosDateTime();

  // From now on, gathers writes into blocks of up to `size` bytes before handing them to the
  // system: a file written in many small pieces costs the kernel about twice as much as one
  // written in large ones. Every other operation writes out what is held first. A write that
  // fails while the gathered bytes go out makes every later Write return 0 and Flush() raise
  // EWriteError, so a caller that ends with Flush() sees every failure; the destructor writes
  // out what is left but cannot report a failure.
  void GatherWrites(std::size_t size = kGatherSize);
  // Writes out the gathered bytes; raises EWriteError if they could not all be written.
  void Flush();

  // From now on, reads the file ahead in blocks of up to `size` bytes and serves reads from
  // them: many small reads cost the kernel more than a few large ones. Only for a stream opened
  // for reading alone; positions, seeks and sizes stay exactly as without it.
  void ReadAhead(std::size_t size = kGatherSize);

  static constexpr std::size_t kGatherSize = 256 * 1024;

 private:
  bool WritePending();

  // The host side (file_stream_posix.cpp; a Windows build needs file_stream_win32.cpp): the
  // open file and the calls on it. Like the system calls they stand for, they report failure by
  // their results and never throw.
  //
  // Creates the file or empties an existing one, never through a link, opened for reading and
  // writing with no sharing; refuses a read-only, hidden or system file, which then keeps its
  // contents. A replaced file gets the attributes of a new one.
  bool CreateHost(const std::filesystem::path& host);
  // Opens an existing regular file as the request says; refuses writing access to a read-only
  // file and a request that conflicts with another opener's.
  bool OpenHost(const std::filesystem::path& host, const ShareRequest& request);
  void CloseHost();
  std::size_t ReadThrough(void* buffer, std::size_t count);
  std::size_t WriteThrough(const void* buffer, std::size_t count);
  std::int64_t SeekThrough(std::int64_t offset, SeekOrigin origin);  // -1 on failure
  std::int64_t SizeThrough();                                        // -1 on failure
  bool Truncate(std::int64_t size);
  bool SetModified(std::time_t time);  // the modification time alone, as on Windows
  std::optional<std::time_t> Modified();

  std::string name_;
  std::intptr_t handle_ = -1;  // a descriptor, or on Windows a HANDLE
  bool canRead_ = false;
  bool canWrite_ = false;
  std::vector<std::uint8_t> pending_;  // gathered bytes, after the file's position
  std::size_t gatherSize_ = 0;         // 0: every write goes straight to the file
  bool writeFailed_ = false;           // gathered bytes were lost
  // Read ahead: ahead_[0, aheadEnd_) are the file's bytes just before its position;
  // those from aheadPos_ on are not consumed yet.
  std::unique_ptr<std::uint8_t[]> ahead_;
  std::size_t aheadPos_ = 0;
  std::size_t aheadEnd_ = 0;
  std::size_t readAheadSize_ = 0;  // 0: every read goes straight to the file
};

}  // namespace zev::platform
