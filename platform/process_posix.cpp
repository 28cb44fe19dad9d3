#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <system_error>

#include "platform/process.h"

namespace zev::platform {

void TreatFileSizeLimitAsWriteError() { std::signal(SIGXFSZ, SIG_IGN); }

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

std::filesystem::path ProgramDirectory() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : self.parent_path();
}

std::uint32_t ProcessId() { return static_cast<std::uint32_t>(::getpid()); }

bool WriteStandardOutput(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(STDOUT_FILENO, bytes + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace zev::platform
