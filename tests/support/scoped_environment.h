// Test support: an environment variable set (or removed) for the lifetime of the object, on
// either host.
#pragma once

#include <optional>
#include <string>

namespace zev::testing {

class ScopedEnvironmentVariable {
 public:
  // Sets the variable to value, or removes it when value is nullopt.
  ScopedEnvironmentVariable(std::string name, const std::optional<std::string>& value);
  // Puts back the value the variable had before (or removes it again).
  ~ScopedEnvironmentVariable();
  ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
  ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

  // Changes the variable again; the destructor still restores the first value.
  void Set(const std::optional<std::string>& value);

 private:
  std::string name_;
  std::optional<std::string> saved_;
};

}  // namespace zev::testing
