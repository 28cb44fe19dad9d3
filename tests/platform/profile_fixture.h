// What the profile file tests share: a throw-away machine whose Windows directory holds the files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/profile.h"
#include "tests/support/scoped_machine.h"

namespace zev::platform {

// The key's value read with the program's buffer; "<default>" when it is missing.
inline std::string ReadValue(const std::string& section, const std::string& key, const std::string& file,
                             const std::string& defaultValue = "<default>") {
  std::string value;
  GetPrivateProfileString(section, key, defaultValue, value, kProfileValueBufferSize, file);
  return value;
}

class ProfileFileTest : public ::testing::Test {
 protected:
  // Host path of a file in the Windows directory, which the machine creates on first use.
  std::filesystem::path WinFile(const std::string& name) {
    return std::filesystem::path(machine_.Host(machine_.machine().WindowsDirectory())) / name;
  }

  ScopedMachine machine_;
};

}  // namespace zev::platform
