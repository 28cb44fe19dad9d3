#include "setup/unattended.h"

#include "platform/text.h"
#include "setup/change_dir.h"
#include "setup/destination.h"
#include "setup/wizard.h"

namespace zev::setup {
namespace {

std::optional<bool> ParseFlag(const std::string& value) {
  if (value == "1") return true;
  if (value == "0") return false;
  return std::nullopt;
}

bool StartsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }
bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

std::string TWizardAnswers::Set(const std::string& key, const std::string& value) {
  auto flag = [&](std::optional<bool>& target) -> std::string {
    target = ParseFlag(value);
    return target ? "" : key + " must be 0 or 1, not \"" + value + "\"";
  };
  if (SameText(key, "License")) {
    if (SameText(value, "accept")) license = true;
    else if (SameText(value, "decline")) license = false;
    else return "License must be accept or decline, not \"" + value + "\"";
    return "";
  }
  if (SameText(key, "Destination")) {
    // A full path: a relative one would be taken from the disk the setup runs from.
    if (!IsFullPath(value))
      return "Destination must be a full path such as C:\\Apps\\MyApp, not \"" + value + "\"";
    destination = value;
    return "";
  }
  if (SameText(key, "Folder")) {
    folder = value;
    return "";
  }
  if (SameText(key, "FolderStartMenu")) return flag(folderStartMenu);
  if (SameText(key, "FolderDesktop")) return flag(folderDesktop);
  if (SameText(key, "Launch")) return flag(launch);
  if (SameText(key, "InstallType")) {
    if (SameText(value, "full")) workstation = false;
    else if (SameText(value, "min")) workstation = true;
    else return "InstallType must be full or min, not \"" + value + "\"";
    return "";
  }
  return "unknown wizard answer \"" + key +
         "\"; known are License, Destination, Folder, FolderStartMenu, FolderDesktop, InstallType and Launch";
}

TQuestion WorkerQuestion(const ui::BoxRequest& box) {
  const std::string& t = box.text;
  const std::string exists = "File Already Exists (", overwrite = "). Overwrite?";
  if (StartsWith(t, exists) && EndsWith(t, overwrite) && t.size() >= exists.size() + overwrite.size())
    return {"Overwrite", t.substr(exists.size(), t.size() - exists.size() - overwrite.size())};
  for (const auto& [suffix, kind] : {std::pair<std::string, std::string>{" to Desktop?", "Desktop"},
                                     std::pair<std::string, std::string>{" to Start Menu?", "StartMenu"}})
    if (StartsWith(t, "Add ") && EndsWith(t, suffix) && t.size() >= 4 + suffix.size())
      return {kind, t.substr(4, t.size() - 4 - suffix.size())};
  return {};
}

void TWizardDriver::Log(const std::string& line) { wizard_.App().Log(line); }

bool TWizardDriver::Open() const { return wizard_.Visible && wizard_.ModalResult == platform::ModalResult::None; }

void TWizardDriver::ApplyDestination() {
  if (!answers_.destination) return;
  if (!wizard_.browse.Enabled) {
    Log("answer Destination ignored: Browse is disabled");
    return;
  }
  TForm3& chooser = wizard_.DirectoryChooser();
  // The chooser runs its own modal loop: its text is typed and OK pressed from inside it.
  const std::string destination = *answers_.destination;
  wizard_.App().Post([&chooser, destination] {
    chooser.SetPath(destination);
    chooser.OkButton().Click();
  });
  wizard_.browse.Click();
}

void TWizardDriver::ApplyFolderPage() {
  if (answers_.folder) {
    if (wizard_.CreateFolder.Enabled)
      wizard_.CreateFolder.SetText(*answers_.folder);
    else
      Log("answer Folder ignored: the folder field is disabled");
  }
  auto check = [&](ui::TCheckBox& box, const std::optional<bool>& answer, const char* key) {
    if (!answer) return;
    if (!box.Enabled) {
      Log(std::string("answer ") + key + " ignored: the check box is disabled");
      return;
    }
    if (box.Checked != *answer) box.Click();
  };
  check(wizard_.StartMenuBox(), answers_.folderStartMenu, "FolderStartMenu");
  check(wizard_.DesktopBox(), answers_.folderDesktop, "FolderDesktop");
}

void TWizardDriver::ApplyInstallType() {
  if (!answers_.workstation) return;
  ui::TRadioButton& choice = *answers_.workstation ? wizard_.min : wizard_.full;
  if (choice.Enabled)
    choice.Click();
  else
    Log("answer InstallType ignored: the choice is disabled");
}

void TWizardDriver::ApplyLaunch() {
  if (!answers_.launch) return;
  ui::TRadioButton& choice = *answers_.launch ? wizard_.LaunchChoice() : wizard_.ReturnChoice();
  if (choice.Enabled)
    choice.Click();
  else
    Log("answer Launch ignored: the choice is disabled");
}

void TWizardDriver::Walk() {
  int shown = -1;
  // Every page is left by one press; a page that keeps its place would otherwise loop.
  for (int step = 0; step < 32 && Open(); ++step) {
    // The wizard logs each page it shows.
    const int page = wizard_.Page();
    if (page != shown) {
      shown = page;
      visited_.insert(page);
    } else if (page != kPageInstall) {
      Log("the wizard does not move on from page " + std::to_string(page) + "; pressing Cancel");
      wizard_.cancel.Click();
      break;
    }
    switch (page) {
      case kPageWelcome:
        wizard_.next.Click();
        break;
      case kPageLicense:
        if (answers_.license.value_or(false)) {
          wizard_.accept.Click();
        } else {
          Log(answers_.license ? "License=decline: declining" : "no License=accept answer: declining the licence");
          wizard_.decline.Click();
        }
        break;
      case kPageDestination:
        ApplyDestination();
        wizard_.next.Click();
        break;
      case kPageFolder:
        ApplyFolderPage();
        wizard_.next.Click();
        break;
      case kPageInstallType:
        ApplyInstallType();
        wizard_.next.Click();
        break;
      case kPageReady:
        ApplyLaunch();
        wizard_.install.Click();
        break;
      default:
        // The worker stopped on an error and left the install page open.
        Log("the installation stopped on an error; pressing Cancel");
        wizard_.cancel.Click();
        break;
    }
  }
  auto ignored = [&](bool given, int page, const char* key) {
    if (given && !visited_.count(page))
      Log(std::string("answer ") + key + " ignored: the " + PageName(page) + " page was not shown");
  };
  ignored(answers_.license.has_value(), kPageLicense, "License");
  ignored(answers_.destination.has_value(), kPageDestination, "Destination");
  ignored(answers_.folder.has_value(), kPageFolder, "Folder");
  ignored(answers_.folderStartMenu.has_value(), kPageFolder, "FolderStartMenu");
  ignored(answers_.folderDesktop.has_value(), kPageFolder, "FolderDesktop");
  ignored(answers_.workstation.has_value(), kPageInstallType, "InstallType");
  ignored(answers_.launch.has_value(), kPageReady, "Launch");
}

TUnattendedOutcome TWizardDriver::Outcome() const {
  if (wizard_.InstallCompleted)
    return wizard_.InstallFailures.empty() ? TUnattendedOutcome::uoInstalled : TUnattendedOutcome::uoFailed;
  if (wizard_.InstallStarted) return TUnattendedOutcome::uoFailed;
  if (wizard_.Declined) return TUnattendedOutcome::uoDeclined;
  return TUnattendedOutcome::uoCancelled;
}

}  // namespace zev::setup
