#include <unistd.h>

#include <csignal>
#include <system_error>

#include "platform/descriptor_posix.h"
#include "platform/process.h"

namespace zev::platform {

void TreatFileSizeLimitAsWriteError() { std::signal(SIGXFSZ, SIG_IGN); }

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

std::filesystem::path ProgramDirectory() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : self.parent_path();
}

std::filesystem::path StartFolder() {
  std::error_code error;
  const std::filesystem::path current = std::filesystem::current_path(error);
  return error ? std::filesystem::path() : current;
}

std::string ProgramFileName(const std::string& name) { return name; }

std::uint32_t ProcessId() { return static_cast<std::uint32_t>(::getpid()); }

bool WriteStandardOutput(const void* data, std::size_t size) {
  return WriteFully(STDOUT_FILENO, data, size) == size;
}

}  // namespace zev::platform
