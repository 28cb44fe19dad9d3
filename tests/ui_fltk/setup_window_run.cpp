// Runs the setup program's forms with real windows, as an interactive zev-setup does: the
// screenshot test drives it with real input events. Usage: setup_window_run MACHINE_DIR, started
// in the folder of the first disk.
#include <filesystem>
#include <iostream>

#include "platform/fs_utils.h"
#include "platform/machine.h"
#include "setup/change_dir.h"
#include "setup/main_setup.h"
#include "setup/unzip.h"
#include "setup/wizard.h"
#include "ui/application.h"
#include "ui/fltk/fltk_backend.h"

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  using namespace zev;
  if (argc != 2) {
    std::cerr << "usage: setup_window_run MACHINE_DIR\n";
    return 2;
  }
  try {
    platform::Machine::Current().Configure(fs::path(argv[1]), fs::current_path());
    const std::string windows = platform::WindowsDirectory();
    platform::MakeDirPath(windows + "\\Desktop");
    platform::MakeDirPath(windows + "\\Start Menu\\Programs");

    ui::fltk::FltkBackend backend;
    ui::Application app(backend);
    app.Title = "ZEV - Setup";
    app.OnLog = [](const std::string& line) { std::cerr << line << '\n'; };
    auto& main = app.CreateForm<setup::TMainSetup>();
    auto& form3 = app.CreateForm<setup::TForm3>();
    auto& wizard = app.CreateForm<setup::TZEV>(main, form3);
    auto& unzip = app.CreateForm<setup::TUnzip>(main);
    main.Unzip = &unzip;
    main.ZEV = &wizard;
    main.RadioButton1 = &wizard.RadioButton1;
    main.RadioButton2 = &wizard.RadioButton2;
    app.Run();
    if (main.ExpansionFailed) return 1;
    return wizard.InstallCompleted ? 0 : 3;
  } catch (const std::exception& e) {
    std::cerr << "setup_window_run: " << e.what() << '\n';
    return 1;
  }
}
