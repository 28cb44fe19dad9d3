#include "tools/tool_support.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <thread>

#include "compress/archive_format.h"
#include "platform/error.h"
#include "platform/host_names.h"
#include "platform/machine.h"
#include "platform/path_names.h"
#include "platform/process.h"
#include "platform/text.h"
#include "tools/progress_line.h"

namespace zev::tools {

int RunTool(const char* tool, const char* version, const char* usage, int argc, char** argv,
            const std::function<std::function<int()>()>& parseCommandLine) {
  platform::TreatFileSizeLimitAsWriteError();
  // After "--" every word is an operand, even one that looks like --help.
  for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(usage, stdout);
      return kExitOk;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("%s %s\n", tool, version);
      return kExitOk;
    }
  }
  std::function<int()> run;
  try {
    run = parseCommandLine();
  } catch (const UsageError& e) {
    ReportError(tool, "", e.what());
    std::fprintf(stderr, "Try '%s --help'.\n", tool);
    return kExitUsage;
  }
  try {
    MapHostForTool();
  } catch (const std::exception& e) {
    ReportError(tool, "", e.what());
    return kExitFailure;
  }
  return run();
}

compress::TCompressionMethod ParseMethodName(const std::string& name) {
  if (name == "none") return compress::coNone;
  if (name == "rle") return compress::coRLE;
  if (name == "lzh") return compress::coLZH;
  if (name == "lh5") return compress::coLZH5;
  throw UsageError("unknown method: " + name + " (none, rle, lzh or lh5)");
}

compress::CompressionLevel ParseLevelName(const std::string& name) {
  if (name == "exact") return compress::CompressionLevel::Exact;
  if (name == "fast") return compress::CompressionLevel::Fast;
  if (name == "best") return compress::CompressionLevel::Best;
  throw UsageError("unknown level: " + name + " (exact, fast or best)");
}

std::int32_t ParseJobCount(const std::string& text) {
  const std::int32_t jobs = ParseInt32(text, "-j");
  if (jobs < 1 || jobs > kMaxJobs) throw UsageError("-j must be from 1 to " + std::to_string(kMaxJobs));
  return jobs;
}

std::int32_t DefaultJobCount() {
  return static_cast<std::int32_t>(
      std::clamp(std::thread::hardware_concurrency(), 1u, static_cast<unsigned>(kMaxJobs)));
}

void ReportError(const std::string& tool, const std::string& subject, const std::string& message) {
  ProgressLine::ClearActive();
  std::string line = tool + ": ";
  if (!subject.empty()) line += subject + ": ";
  line += message + "\n";
  std::fputs(line.c_str(), stderr);
}

namespace {

// The five bytes that Windows-1252 leaves undefined keep their C1 control code points (U+0081 ...)
// in UTF-8, and a terminal takes those as controls (U+009D opens an operating system command).
// Every other byte of 0x80..0x9F is a printable character.
bool IsC1Control(unsigned char u) {
  return u >= 0x80 && u <= 0x9F &&
         platform::Win1252ToUtf8(std::string(1, static_cast<char>(u))) == std::string{'\xC2', static_cast<char>(u)};
}

}  // namespace

std::string Printable(const std::string& name1252) {
  std::string escaped;
  for (char c : name1252) {
    auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || IsC1Control(u)) {
      static const char kHex[] = "0123456789abcdef";
      escaped += "\\x";
      escaped += kHex[u >> 4];
      escaped += kHex[u & 15];
    } else {
      escaped += c;
    }
  }
  return platform::HostText(escaped);
}

void MapHostForTool() {
  auto& machine = platform::Machine::Current();
  const std::filesystem::path start = std::filesystem::current_path();
  machine.Configure(platform::Machine::DefaultMachineDir(), start);
  // The host's root needs a letter only where it has none of its own.
  try {
    machine.ToWindowsPath(start.root_path());
  } catch (const Exception&) {
    machine.MapDrive('Z', start.root_path());
  }
}

std::string WindowsPathOf(const std::filesystem::path& hostPath) {
  return platform::Machine::Current().ToWindowsPath(std::filesystem::absolute(hostPath).lexically_normal());
}

std::string TypedPaths::Windows(const std::filesystem::path& typed) {
  std::string windows = WindowsPathOf(typed);
  Add(windows, typed.string());
  return windows;
}

void TypedPaths::Add(const std::string& windowsPath, const std::string& shown) {
  if (windowsPath.empty()) return;
  // Longest first, so that a folder never replaces the start of a path below it.
  auto at = std::find_if(paths_.begin(), paths_.end(),
                         [&](const auto& known) { return known.first.size() < windowsPath.size(); });
  paths_.insert(at, {windowsPath, shown});
}

std::string TypedPaths::Host(const std::string& message) const {
  // A path ends where a character that cannot continue it follows.
  auto endsHere = [&](std::size_t end) {
    if (end >= message.size()) return true;
    const auto c = static_cast<unsigned char>(message[end]);
    return !(std::isalnum(c) || c >= 0x80 || std::strchr("\\/._-~$", c) != nullptr);
  };
  const std::string upper = UpperCase(message);
  std::string result;
  std::size_t copied = 0, at = 0;
  while (at < message.size()) {
    bool replaced = false;
    for (const auto& [windows, shown] : paths_) {
      if (upper.compare(at, windows.size(), UpperCase(windows)) != 0 || !endsHere(at + windows.size())) continue;
      result.append(message, copied, at - copied);
      result += shown;
      at = copied = at + windows.size();
      replaced = true;
      break;
    }
    if (!replaced) ++at;
  }
  return result + message.substr(copied);
}

bool ArgumentReader::Next() {
  while (++index_ < argc_) {
    word_ = argv_[index_];
    if (!optionsEnded_ && word_ == "--") {
      optionsEnded_ = true;
      continue;
    }
    isOption_ = !optionsEnded_ && word_.size() > 1 && word_[0] == '-';
    return true;
  }
  return false;
}

std::string ArgumentReader::Value() {
  if (index_ + 1 >= argc_) throw UsageError(word_ + " needs a value");
  return argv_[++index_];
}

std::int32_t ParseInt32(const std::string& text, const std::string& what) {
  std::string digits = text;
  bool negative = !digits.empty() && digits[0] == '-';
  if (negative) digits.erase(0, 1);
  int base = 10;
  if (digits.size() > 2 && (digits.compare(0, 2, "0x") == 0 || digits.compare(0, 2, "0X") == 0)) {
    digits.erase(0, 2);
    base = 16;
  }
  std::int64_t value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
    throw UsageError(what + " must be a number: " + text);
  if (negative) value = -value;
  // Hexadecimal keys may be given as their unsigned 32-bit pattern.
  if (base == 16 && !negative && value <= 0xFFFFFFFFLL) value = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  if (value < INT32_MIN || value > INT32_MAX) throw UsageError(what + " is out of range: " + text);
  return static_cast<std::int32_t>(value);
}

std::size_t SinkStream::Write(const void* buffer, std::size_t count) {
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  if (summing_) sum_ = compress::ByteSum(bytes, count, sum_);
  if (to_ == To::StandardOutput && !platform::WriteStandardOutput(bytes, count)) throw platform::EWriteError();
  written_ += static_cast<std::int64_t>(count);
  return count;
}

std::int64_t SinkStream::Seek(std::int64_t offset, platform::SeekOrigin origin) {
  if (offset == 0 && origin != platform::SeekOrigin::Begin) return written_;
  throw platform::EStreamError("Stream seek error");
}

}  // namespace zev::tools

namespace zev::tools {

std::string MalformedNameReason(const std::string& name) {
  if (name.empty()) return "member has an empty name";
  if (name.find('/') != std::string::npos)
    return "member name holds \"/\": stored names separate their folders with \"\\\"";
  std::size_t start = name.size() > 1 && name[1] == ':' ? 2 : 0;
  if (start < name.size() && name[start] == '\\') ++start;
  while (start <= name.size()) {
    std::size_t end = name.find('\\', start);
    const bool last = end == std::string::npos;
    if (last) end = name.size();
    const std::string component = name.substr(start, end - start);
    if (component.empty() || component == ".") {
      return last ? "member name ends in a folder: it names no file"
                  : "member name holds an empty or \".\" folder part";
    }
    if (component != ".." && !platform::IsValidWindowsName(component)) return "member name is not a valid file name";
    start = end + 1;
  }
  return {};
}

std::string UnsafeNameReason(const std::string& name, const std::string& hint) {
  const std::string suffix = hint.empty() ? std::string() : " (" + hint + ")";
  if (name.empty()) return "member has an empty name";
  if (name.size() > platform::kMaxPathLength)
    return "member name is too long (more than " + std::to_string(platform::kMaxPathLength) + " characters)";
  if (platform::IsPathSeparator(name[0])) return "absolute member name refused" + suffix;
  if (name.find(':') != std::string::npos) return "member name with a drive refused" + suffix;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find_first_of("\\/", start);
    if (end == std::string::npos) end = name.size();
    if (name.compare(start, end - start, "..") == 0) return "member name climbs out of the target folder" + suffix;
    start = end + 1;
  }
  return MalformedNameReason(name);
}

std::string StoredNameOf(const std::filesystem::path& relative) {
  std::string stored;
  for (const std::filesystem::path& component : relative) {
    auto name = platform::WindowsName(component);
    if (!name || !platform::IsValidWindowsName(*name)) return {};
    stored += (stored.empty() ? "" : "\\") + *name;
  }
  return stored;
}

}  // namespace zev::tools
