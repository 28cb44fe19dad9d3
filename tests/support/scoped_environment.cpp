#include "tests/support/scoped_environment.h"

#include <cstdlib>
#include <stdexcept>
#include <utility>

namespace zev::testing {

ScopedEnvironmentVariable::ScopedEnvironmentVariable(std::string name, const std::optional<std::string>& value)
    : name_(std::move(name)) {
  if (const char* old = std::getenv(name_.c_str())) saved_ = old;
  Set(value);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() {
  try {
    Set(saved_);
  } catch (const std::runtime_error&) {
    // A destructor has nobody to tell; the next test sees the variable as this one left it.
  }
}

void ScopedEnvironmentVariable::Set(const std::optional<std::string>& value) {
#ifdef _WIN32
  // An empty value removes a variable on Windows: there it is the one way to do so.
  const int result = ::_putenv_s(name_.c_str(), value ? value->c_str() : "");
#else
  const int result = value ? ::setenv(name_.c_str(), value->c_str(), 1) : ::unsetenv(name_.c_str());
#endif
  if (result != 0) throw std::runtime_error("cannot set the environment variable " + name_);
}

}  // namespace zev::testing
