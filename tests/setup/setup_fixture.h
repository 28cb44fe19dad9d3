// The setup program on a headless application over a throw-away machine (A: the start folder,
// C: the machine, whose Windows folder has a Desktop and a Start Menu), with a configuration
// record of the test's own, a launcher that only records, and segment sets made with the real
// archive and set writers. A test either runs the main screen and the expansion stage
// (CreateForms) or opens the wizard directly (ShowWizard).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "compress/compress.h"
#include "platform/shell.h"
#include "segment/segment.h"
#include "setup/change_dir.h"
#include "setup/install_config.h"
#include "setup/main_setup.h"
#include "setup/unzip.h"
#include "setup/wizard.h"
#include "tests/support/host_files.h"
#include "tests/support/recording_launcher.h"
#include "tests/support/scoped_machine.h"
#include "tests/support/test_inputs.h"
#include "ui/application.h"
#include "ui/headless_backend.h"

namespace zev::setup::testing {

namespace fs = std::filesystem;
using zev::testing::ReadHostFile;
using zev::testing::WriteHostFile;

inline std::string RandomText(std::size_t size, std::uint32_t seed) {
  const zev::testing::Bytes bytes = zev::testing::MakeInput(zev::testing::InputKind::Random, size, seed);
  return std::string(bytes.begin(), bytes.end());
}

class SetupFixture : public ::testing::Test {
 protected:
  SetupFixture() {
    previousLauncher = platform::SetLauncher(&launcher);
    config.StartDir = "A:\\";
    config.TempDir = "C:\\WINDOWS\\Temp\\z";
    config.WinDrive = "C:\\";
    config.FolderName = "Accessories";
    fs::create_directories(machine.DriveC() / "WINDOWS" / "Desktop");
    fs::create_directories(machine.DriveC() / "WINDOWS" / "Start Menu" / "Programs");
  }
  ~SetupFixture() override { platform::SetLauncher(previousLauncher); }

  platform::ScopedMachine machine;
  platform::RecordingLauncher launcher;
  platform::Launcher* previousLauncher = nullptr;
  ui::HeadlessBackend backend{800, 600};
  std::unique_ptr<ui::Application> app = std::make_unique<ui::Application>(backend);

  // The main screen and the expansion stage (CreateForms).
  TMainSetup* main = nullptr;
  TUnzip* unzip = nullptr;
  bool wizardShown = false;
  std::map<std::string, std::string> tempFilesAtWizard;

  // The wizard (ShowWizard), with the record it reads.
  TInstallConfig config;
  TForm3* form3 = nullptr;
  TZEV* wizard = nullptr;
  bool mainClosed = false;
  std::vector<std::string> log;

  // The forms in the program's order; in the wizard's place a stand-in records that it was
  // reached and ends the run as the wizard would.
  void CreateForms() {
    app->Title = "ZEV - Setup";
    main = &app->CreateForm<TMainSetup>();
    app->CreateForm<ui::TForm>("Form3");
    ui::TForm& standIn = app->CreateForm<ui::TForm>("ZEV");
    unzip = &app->CreateForm<TUnzip>(*main);
    main->Unzip = unzip;
    main->ZEV = &standIn;
    standIn.OnShow = [this, &standIn] {
      wizardShown = true;
      // What the stage left behind is looked at before the main screen clears it.
      tempFilesAtWizard = TempFiles();
      standIn.Close();
    };
    standIn.OnClose = [this](ui::TCloseAction&) { main->Close(); };
  }

  // The forms in the program's order, a stand-in for the main screen first, and the wizard shown
  // as the main screen shows it, without its modal loop: clicks are made directly.
  TZEV& ShowWizard() {
    app->Title = "ZEV - Setup";
    app->OnLog = [this](const std::string& line) { log.push_back(line); };
    ui::TForm& mainStandIn = app->CreateForm<ui::TForm>("MainSetup");
    mainStandIn.OnClose = [this](ui::TCloseAction&) { mainClosed = true; };
    form3 = &app->CreateForm<TForm3>();
    wizard = &app->CreateForm<TZEV>(config, *form3);
    mainStandIn.Show();
    wizard->Show();
    return *wizard;
  }

  // The setup program and its install.cfg in the start folder, which an installation copies.
  void PutSetupProgram(const std::string& installCfg = "[Setup - Main]\r\n") {
    WriteHostFile(machine.StartDir() / "install.exe", "setup program");
    WriteHostFile(machine.StartDir() / "install.cfg", installCfg);
  }

  fs::path Host(const std::string& windowsPath) const { return machine.Host(windowsPath); }
  fs::path TempHost() const { return machine.DriveC() / "WINDOWS" / "Temp" / "z"; }
  void PutTemp(const std::string& name, const std::string& content) { WriteHostFile(TempHost() / name, content); }

  std::map<std::string, std::string> TempFiles() const {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(TempHost(), ec))
      files[entry.path().filename().string()] = ReadHostFile(entry.path());
    return files;
  }

  // Packs the files into archives (one per group, LZH5; each stored under its name, however
  // hostile, from a safely named copy in C:\src) and cuts the archives into a set "zevsetup.001"
  // ... of segSize bytes in the host folder out.
  std::size_t BuildSet(const std::vector<std::vector<std::pair<std::string, std::string>>>& groups, const fs::path& out,
                       std::int32_t segSize = 16384) {
    std::vector<segment::TSegBuildArc> arcs;
    int k = 0;
    for (const auto& group : groups) {
      std::vector<compress::ArchiveSource> sources;
      std::vector<std::string> names;
      for (const auto& [stored, content] : group) {
        const std::string copy = std::to_string(k) + "-" + std::to_string(names.size());
        WriteHostFile(machine.DriveC() / "src" / copy, content);
        sources.push_back({"C:\\src\\" + copy, stored});
        names.push_back(stored);
      }
      const std::string archive = "C:\\build\\arc" + std::to_string(k) + ".arc";
      fs::create_directories(machine.DriveC() / "build");
      compress::TCompress().CompressFiles(archive, sources, compress::coLZH5);
      arcs.push_back({"C:\\APP" + std::to_string(k) + "\\*.*", archive, names});
      ++k;
    }
    fs::create_directories(out);
    machine.machine().MapDrive('D', out);
    segment::TSegCompEZ writer;
    writer.SetSegBaseName("zevsetup");
    writer.SetSegDir("D:\\");
    writer.SetSegTmpDir("C:\\build\\tmp");
    writer.SetSegSize(segSize);
    return writer.SegBuildArcs(arcs).size();
  }

  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& shown : backend.boxes) texts.push_back(shown.box.text);
    return texts;
  }
};

}  // namespace zev::setup::testing
