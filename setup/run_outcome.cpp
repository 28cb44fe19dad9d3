#include "setup/run_outcome.h"

#include "platform/machine.h"
#include "setup/main_setup.h"

namespace zev::setup {

std::optional<TEarlyEnd> EndBeforeTheWizard(const TMainSetup& main, bool wizardReached) {
  if (main.ExpansionCancelled) return TEarlyEnd{kSetupCancelled, "setup was cancelled: nothing was installed"};
  if (main.ExpansionFailed) {
    if (main.ExpansionMissingSegment == "zevsetup.001")
      return TEarlyEnd{kSetupFailed, FirstDiskHint("zevsetup.001", HostFolderOf(main.Config.StartDir))};
    return TEarlyEnd{kSetupFailed, "the expansion failed: " + main.ExpansionFailure};
  }
  // Nothing failed, so the user closed the main screen (its icon double-clicked, or the window
  // closed) before the wizard came.
  if (!wizardReached)
    return TEarlyEnd{kSetupCancelled, "setup was cancelled before the wizard was shown: nothing was installed"};
  return std::nullopt;
}

std::string FirstDiskHint(const std::string& missing, const std::string& hostFolder) {
  return "no " + missing + " in " + hostFolder +
         ": setup starts in the first disk's folder, the one that holds install.cfg and zevsetup.001";
}

std::string HostFolderOf(const std::string& windowsFolder) {
  try {
    return platform::Machine::Current().ToHostPath(windowsFolder).string();
  } catch (const std::exception&) {
    return windowsFolder;
  }
}

}  // namespace zev::setup
