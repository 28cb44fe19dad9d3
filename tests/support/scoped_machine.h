// Test support: a throw-away machine in a temporary folder, installed as Machine::Current() for
// the lifetime of the object.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/machine.h"
#include "platform/private_folder.h"

namespace zev::platform {

class ScopedMachine {
 public:
  // Creates <tmp>/zev-machine-<eight letters> with machine/drive_c (C:) and start/ (A:, the current
  // directory), and configures Machine::Current() on them.
  ScopedMachine();
  // Restores the previous Machine::Current() and removes the folder.
  ~ScopedMachine();
  ScopedMachine(const ScopedMachine&) = delete;
  ScopedMachine& operator=(const ScopedMachine&) = delete;

  const std::filesystem::path& Root() const { return root_.Path(); }
  std::filesystem::path MachineDir() const { return Root() / "machine"; }
  std::filesystem::path DriveC() const { return Root() / "machine" / "drive_c"; }
  std::filesystem::path StartDir() const { return Root() / "start"; }
  Machine& machine() { return Machine::Current(); }
  // Host path of a Windows path on this machine.
  std::filesystem::path Host(const std::string& windowsPath) const;

 private:
  Machine saved_;
  ScopedTempDir root_;  // after saved_: the folder goes once the previous machine is back
};

// A drive box's items ("a:", "c:", ...) less the drives a Windows host has of its own, which it
// lists beside those the test's machine maps to folders.
std::vector<std::string> MachineDriveItems(const std::vector<std::string>& items);

}  // namespace zev::platform
