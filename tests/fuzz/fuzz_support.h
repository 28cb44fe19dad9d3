// What every property check shares: the verdict type, the rule that only the program's own
// exceptions may leave a reader, and guards that keep a hostile input from filling the disk.
//
// A check returns an empty string when the input was handled soundly, or what went wrong. The
// fuzz entry points abort on a non-empty verdict (so libFuzzer keeps the input); the regression
// tests of the ordinary suite replay kept inputs through the very same checks.
#pragma once

#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/error.h"
#include "tests/support/host_files.h"

namespace zev::fuzz {

using Bytes = std::vector<std::uint8_t>;
using Verdict = std::string;
using zev::testing::FilesIn;
using zev::testing::ReadHostBytes;
using zev::testing::ReadHostFile;
using zev::testing::RemoveChildren;
using zev::testing::TreeBelow;
using zev::testing::WriteHostFile;

inline std::uint32_t LoadLE32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Runs body; an exception of the program's own classes is a clean refusal (returns true with
// refused set), anything else (a standard library error, a foreign type) is a fault.
template <class Body>
Verdict OnlyOwnExceptions(const char* what, Body body, bool* refused = nullptr) {
  try {
    body();
    if (refused) *refused = false;
    return {};
  } catch (const zev::Exception&) {
    if (refused) *refused = true;
    return {};
  } catch (const std::exception& e) {
    return std::string(what) + ": foreign exception escaped: " + e.what();
  } catch (...) {
    return std::string(what) + ": unknown exception escaped";
  }
}

// Files written while the guard lives may not grow past limit bytes: a write beyond it fails
// (EFBIG) instead of filling the disk. A small hostile archive may declare a 2 GiB member, and
// the decoders produce every declared byte; the checks need only the first few megabytes.
class ScopedFileSizeLimit {
 public:
  explicit ScopedFileSizeLimit(rlim_t limit) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit next = saved_;
    next.rlim_cur = limit < saved_.rlim_max ? limit : saved_.rlim_max;
    setrlimit(RLIMIT_FSIZE, &next);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
  }
  ~ScopedFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
  }
  ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
  ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  void (*previousHandler_)(int) = SIG_DFL;
};

inline constexpr rlim_t kOutputLimit = 1u << 20;

// Several checks take fields separated by NUL bytes.
inline std::vector<std::string> SplitAtNul(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> parts;
  std::string current;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      parts.push_back(current);
      current.clear();
    } else {
      current += static_cast<char>(data[i]);
    }
  }
  parts.push_back(current);
  return parts;
}

inline Bytes JoinAtNul(const std::vector<std::string>& parts) {
  Bytes out;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i) out.push_back(0);
    out.insert(out.end(), parts[i].begin(), parts[i].end());
  }
  return out;
}

// For the fuzz entry points: a non-empty verdict ends the run with the input kept as a finding.
inline void Enforce(const Verdict& verdict) {
  if (verdict.empty()) return;
  std::fprintf(stderr, "property violated: %s\n", verdict.c_str());
  std::abort();
}

}  // namespace zev::fuzz
