// libFuzzer entry point: the installation worker writing its uninstall list from arbitrary
// directory, file and shortcut entries, destinations and folder names.
#include <cstddef>
#include <cstdint>

#include "platform/scoped_machine.h"
#include "tests/fuzz/uninstall_writer_check.h"
#include "ui/font.h"
#include "ui/font_renderer.h"

// The forms measure their captions, and fontconfig reads its configuration on the first
// measurement and keeps it for the life of the process. Loading it here, before the first
// input, keeps libFuzzer's per-input leak check from counting that configuration as a leak.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zev::ui::FontRenderer::Instance().Measure(zev::ui::TFont{}, "A");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static zev::platform::ScopedMachine machine;
  zev::fuzz::Enforce(zev::fuzz::CheckUninstallWriter(machine, data, size));
  return 0;
}
