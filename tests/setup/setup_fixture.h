// A throw-away machine (A: the start folder, C: the machine) with the setup program's forms on a
// headless application, and segment sets made with the real archive and set writers.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "compress/compress.h"
#include "segment/segment.h"
#include "setup/main_setup.h"
#include "setup/unzip.h"
#include "tests/support/scoped_machine.h"
#include "tests/support/test_inputs.h"
#include "ui/application.h"
#include "ui/headless_backend.h"

namespace zev::setup::testing {

namespace fs = std::filesystem;

inline void WriteHost(const fs::path& path, const std::string& content) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

inline std::string ReadHost(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::string RandomText(std::size_t size, std::uint32_t seed) {
  const zev::testing::Bytes bytes = zev::testing::MakeInput(zev::testing::InputKind::Random, size, seed);
  return std::string(bytes.begin(), bytes.end());
}

class SetupFixture : public ::testing::Test {
 protected:
  platform::ScopedMachine machine;
  ui::HeadlessBackend backend{800, 600};
  std::unique_ptr<ui::Application> app = std::make_unique<ui::Application>(backend);

  // The forms in the program's order; the wizard's place records that it was reached and ends
  // the run as the wizard would.
  TMainSetup* main = nullptr;
  TUnzip* unzip = nullptr;
  ui::TForm* wizard = nullptr;
  bool wizardShown = false;

  void CreateForms() {
    app->Title = "ZEV - Setup";
    main = &app->CreateForm<TMainSetup>();
    app->CreateForm<ui::TForm>("Form3");
    wizard = &app->CreateForm<ui::TForm>("ZEV");
    unzip = &app->CreateForm<TUnzip>(*main);
    main->Unzip = unzip;
    main->ZEV = wizard;
    wizard->OnShow = [this] {
      wizardShown = true;
      // What the stage left behind is looked at before the main screen clears it.
      tempFilesAtWizard = TempFiles();
      wizard->Close();
    };
    wizard->OnClose = [this](ui::TCloseAction&) { main->Close(); };
  }

  fs::path TempHost() const { return machine.DriveC() / "WINDOWS" / "Temp" / "z"; }

  std::map<std::string, std::string> TempFiles() const {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(TempHost(), ec))
      files[entry.path().filename().string()] = ReadHost(entry.path());
    return files;
  }
  std::map<std::string, std::string> tempFilesAtWizard;

  // Writes the files into C:\src, packs them into archives (one per group, LZH5) and cuts the
  // archives into a set "zevsetup.001" ... of segSize bytes in the host folder out.
  std::size_t BuildSet(const std::vector<std::vector<std::pair<std::string, std::string>>>& groups, const fs::path& out,
                       std::int32_t segSize = 16384) {
    std::vector<segment::TSegBuildArc> arcs;
    int k = 0;
    for (const auto& group : groups) {
      std::vector<compress::ArchiveSource> sources;
      std::vector<std::string> names;
      const std::string src = "C:\\src\\" + std::to_string(k);
      for (const auto& [stored, content] : group) {
        std::string host = stored;
        for (char& c : host)
          if (c == '\\') c = '/';
        WriteHost(machine.DriveC() / "src" / std::to_string(k) / host, content);
        sources.push_back({src + "\\" + stored, stored});
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
