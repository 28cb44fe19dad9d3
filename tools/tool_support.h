// What the command-line tools share: their exit codes, error reporting, printable names, the
// host <-> Windows path mapping they run under, and byte sinks for standard output.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "compress/method.h"

#include "platform/stream.h"

namespace zev::tools {

enum ExitCode { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

// Thrown for a command line that cannot be understood; the tool exits with kExitUsage.
class UsageError : public std::exception {
 public:
  explicit UsageError(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// The main of a tool: answers -h, --help and --version, parses the command line (a UsageError
// prints its message and "Try 'TOOL --help'." and exits with kExitUsage), maps the host for the
// tool, then runs what the parser returned.
int RunTool(const char* tool, const char* version, const char* usage, int argc, char** argv,
            const std::function<std::function<int()>()>& parseCommandLine);

// "none", "rle", "lzh" or "lh5"; throws UsageError for anything else.
compress::TCompressionMethod ParseMethodName(const std::string& name);
// --level: exact, fast or best.
compress::CompressionLevel ParseLevelName(const std::string& name);
// Each thread holds an encoder's tables (a few MiB), so a mistyped count must not start
// thousands of them.
inline constexpr std::int32_t kMaxJobs = 64;
// -j: how many members are compressed at once, 1 to kMaxJobs; throws UsageError.
std::int32_t ParseJobCount(const std::string& text);
// The default for -j: the number of cores (at most kMaxJobs), or 1 when it cannot be told.
std::int32_t DefaultJobCount();

// "tool: subject: message" on standard error, on a line of its own (a progress line is taken
// away first); the subject is left out when empty.
void ReportError(const std::string& tool, const std::string& subject, const std::string& message);

// A Windows-1252 name as the host's text (UTF-8 on Linux), with control characters (C0, DEL, and the C1 controls that the
// bytes Windows-1252 leaves undefined become) shown as \xNN so that no name can move the cursor or
// change the terminal.
std::string Printable(const std::string& name1252);

// Sets up the machine for a host tool so that any host path has a Windows form. On Linux the
// working folder is A:, C: the usual machine folder and Z: the host's root; on Windows the drives
// are the system's own.
void MapHostForTool();
// The Windows path of a host path (relative to the working folder).
std::string WindowsPathOf(const std::filesystem::path& hostPath);

// The paths a tool made from what the user typed, so that messages of the layers below, which
// speak Windows paths, name those files as the user typed them.
class TypedPaths {
 public:
  // The Windows form of typed (a host path, relative to the working folder), remembered.
  std::string Windows(const std::filesystem::path& typed);
  // Remembers that windowsPath stands for the host path shown.
  void Add(const std::string& windowsPath, const std::string& shown);
  // message with every remembered Windows path in it (compared without regard to case, whole
  // paths only) replaced by its host form.
  std::string Host(const std::string& message) const;

 private:
  std::vector<std::pair<std::string, std::string>> paths_;  // Windows form, host form
};

// Walks a command line: options (words starting with "-", other than "-" itself) and their
// values, and operands; after "--" every word is an operand.
class ArgumentReader {
 public:
  ArgumentReader(int argc, char** argv) : argc_(argc), argv_(argv) {}
  // Moves to the next word; false at the end.
  bool Next();
  bool IsOption() const { return isOption_; }
  const std::string& Word() const { return word_; }
  // The value that follows the current option; throws UsageError when there is none.
  std::string Value();

 private:
  int argc_;
  char** argv_;
  int index_ = 0;
  bool optionsEnded_ = false;
  bool isOption_ = false;
  std::string word_;
};

// Parses a signed 32-bit number in decimal or with a 0x prefix; throws UsageError.
std::int32_t ParseInt32(const std::string& text, const std::string& what);

// A write-only stream to standard output, or to nowhere. It counts what passes and, when asked
// to, sums it for checks that need the data's byte sum.
class SinkStream : public platform::Stream {
 public:
  enum class To { Nowhere, StandardOutput };
  explicit SinkStream(To to, bool summing = false) : to_(to), summing_(summing) {}
  std::size_t Read(void*, std::size_t) override { return 0; }
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, platform::SeekOrigin origin) override;
  std::int64_t Size() override { return written_; }

  std::uint32_t Sum() const { return sum_; }
  void Reset() { written_ = 0, sum_ = 0; }

 private:
  To to_;
  bool summing_;
  std::int64_t written_ = 0;
  std::uint32_t sum_ = 0;
};

}  // namespace zev::tools

namespace zev::tools {

// Why a stored member name cannot be the path of a file wherever it is put, or empty when it can:
// empty, with "/" (the stored form separates with "\"), with an empty or "." part, ending in a
// folder, or with a part that is not a valid file name. A leading drive and root are allowed.
std::string MalformedNameReason(const std::string& name);
// Why a stored member name may not be written below a target folder (absolute, with a drive,
// climbing out with "..", or malformed as above), or empty when it may. hint, when given, is
// added in parentheses to the reasons it can override (absolute, drive, climbing).
std::string UnsafeNameReason(const std::string& name, const std::string& hint = "");

// The stored (Windows-1252, "\"-separated) form of a relative host path, or empty when a
// component cannot be a Windows file name.
std::string StoredNameOf(const std::filesystem::path& relative);

}  // namespace zev::tools
