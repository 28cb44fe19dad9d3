// Exceptions that carry a message text, the one failure mechanism of the program.
//
// How failures travel: a platform/ function that stands for a Windows function (GetFileAttributes,
// DeleteFile, ...) reports its result as that function does, and so do the host-side helpers whose
// declarations say so. Every other function, in platform/ and above it, throws these exceptions,
// and the programs turn them into messages and exit codes.
#pragma once

#include <exception>
#include <string>

namespace zev {

// Base of every exception the program raises; the message is 8-bit ANSI text.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }

 private:
  std::string message_;
};

namespace platform {

// Failures of streams and files, with the run-time library's texts.
class EStreamError : public Exception {
  using Exception::Exception;
};
class EReadError : public EStreamError {
 public:
  EReadError() : EStreamError("Stream read error") {}
};
class EWriteError : public EStreamError {
 public:
  EWriteError() : EStreamError("Stream write error") {}
};
class EFOpenError : public EStreamError {
 public:
  explicit EFOpenError(const std::string& file) : EStreamError("Cannot open file " + file) {}
};
class EFCreateError : public EStreamError {
 public:
  explicit EFCreateError(const std::string& file) : EStreamError("Cannot create file " + file) {}
};

// An input/output error of the run-time library (a failed directory creation, say).
class EInOutError : public Exception {
 public:
  explicit EInOutError(int code) : Exception("I/O error " + std::to_string(code)), code_(code) {}
  int Code() const noexcept { return code_; }

 private:
  int code_;
};

}  // namespace platform
}  // namespace zev
