// The wizard and the directory chooser on a headless application over a throw-away machine,
// with a configuration record of the test's own and a launcher that only records.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/shell.h"
#include "setup/change_dir.h"
#include "setup/install_config.h"
#include "setup/wizard.h"
#include "tests/support/recording_launcher.h"
#include "tests/support/scoped_machine.h"
#include "ui/application.h"
#include "ui/headless_backend.h"

namespace zev::setup::testing {

namespace fs = std::filesystem;

inline void PutHostFile(const fs::path& path, const std::string& content) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

inline std::string GetHostFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class WizardFixture : public ::testing::Test {
 protected:
  WizardFixture() {
    previousLauncher = platform::SetLauncher(&launcher);
    config.StartDir = "A:\\";
    config.TempDir = "C:\\WINDOWS\\Temp\\z";
    config.WinDrive = "C:\\";
    config.FolderName = "Accessories";
    // The Windows directory as a Windows machine has it: a Desktop and a Start Menu to put links in.
    fs::create_directories(machine.DriveC() / "WINDOWS" / "Desktop");
    fs::create_directories(machine.DriveC() / "WINDOWS" / "Start Menu" / "Programs");
  }
  ~WizardFixture() override { platform::SetLauncher(previousLauncher); }

  platform::ScopedMachine machine;
  platform::RecordingLauncher launcher;
  platform::Launcher* previousLauncher = nullptr;
  ui::HeadlessBackend backend{800, 600};
  std::unique_ptr<ui::Application> app = std::make_unique<ui::Application>(backend);
  TInstallConfig config;
  ui::TForm* mainForm = nullptr;
  TForm3* form3 = nullptr;
  TZEV* wizard = nullptr;
  bool mainClosed = false;
  std::vector<std::string> log;

  // Creates the forms in the program's order (a stand-in for the main screen first) and shows
  // the wizard as the main screen does, without its modal loop: clicks are made directly.
  TZEV& ShowWizard() {
    app->Title = "ZEV - Setup";
    app->OnLog = [this](const std::string& line) { log.push_back(line); };
    mainForm = &app->CreateForm<ui::TForm>("MainSetup");
    mainForm->OnClose = [this](ui::TCloseAction&) { mainClosed = true; };
    form3 = &app->CreateForm<TForm3>();
    wizard = &app->CreateForm<TZEV>(config, *form3);
    mainForm->Show();
    wizard->Show();
    return *wizard;
  }

  fs::path Host(const std::string& windowsPath) const { return machine.Host(windowsPath); }
  fs::path TempHost() const { return machine.DriveC() / "WINDOWS" / "Temp" / "z"; }
  void PutTemp(const std::string& name, const std::string& content) { PutHostFile(TempHost() / name, content); }

  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& shown : backend.boxes) texts.push_back(shown.box.text);
    return texts;
  }
};

}  // namespace zev::setup::testing
