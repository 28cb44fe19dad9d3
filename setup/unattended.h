// Unattended installs: the [Wizard] answers of an answers file, and the driver that walks the
// wizard with its own buttons (Next, Accept, Install) so that its skip rules hold, applying each
// answer on the page it belongs to.
//
//   [Wizard]
//   License=accept           ; the only way past a licence page (decline: the run declines)
//   Destination=C:\Apps\MyApp ; as Browse, typing the path, OK
//   Folder=My Tools          ; replaces the program folder text
//   FolderStartMenu=1        ; check boxes, 0 or 1
//   FolderDesktop=0
//   InstallType=full         ; or min (network workstation)
//   Launch=0                 ; 1: start the program at the end
#pragma once

#include <optional>
#include <set>
#include <string>

#include "ui/backend.h"

namespace zev::setup {

class TZEV;

struct TWizardAnswers {
  std::optional<bool> license;  // true: accept
  std::optional<std::string> destination;
  std::optional<std::string> folder;
  std::optional<bool> folderStartMenu;
  std::optional<bool> folderDesktop;
  std::optional<bool> workstation;  // InstallType=min
  std::optional<bool> launch;

  // Sets the answer for key (any case) from value; an empty result, or the reason the key or
  // value is not accepted.
  std::string Set(const std::string& key, const std::string& value);
};

// A question of the installation worker by kind and name: "Overwrite" with the file name,
// "Desktop" or "StartMenu" with the shortcut name. Empty kind for any other box.
struct TQuestion {
  std::string kind;
  std::string name;
};
TQuestion WorkerQuestion(const ui::BoxRequest& box);

enum class TUnattendedOutcome { uoInstalled, uoFailed, uoDeclined, uoCancelled };

class TWizardDriver {
 public:
  TWizardDriver(TZEV& wizard, TWizardAnswers answers) : wizard_(wizard), answers_(std::move(answers)) {}

  // Runs the wizard from its first page to its end; called from inside the wizard's modal loop.
  // When the worker stops on an error and leaves the install page open, it presses Cancel.
  void Walk();
  // How the wizard ended (after Walk).
  TUnattendedOutcome Outcome() const;

 private:
  void Log(const std::string& line);
  void ApplyDestination();
  void ApplyFolderPage();
  void ApplyInstallType();
  void ApplyLaunch();
  bool Open() const;

  TZEV& wizard_;
  TWizardAnswers answers_;
  std::set<int> visited_;
};

}  // namespace zev::setup
