#include "setup/program.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>

#include "platform/files.h"
#include "platform/fs_utils.h"
#include "platform/machine.h"
#include "platform/no_link_files.h"
#include "platform/private_folder.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "setup/answers.h"
#include "setup/change_dir.h"
#include "setup/destination.h"
#include "setup/main_setup.h"
#include "setup/run_outcome.h"
#include "setup/unattended.h"
#include "setup/uninstall_command.h"
#include "setup/uninstall_rules.h"
#include "setup/uninstall_window.h"
#include "setup/unzip.h"
#include "setup/wizard.h"
#include "ui/headless_backend.h"
#include "ui/png_io.h"
#include "ui/window_backend.h"

namespace zev::setup {
namespace {

namespace fs = std::filesystem;

constexpr const char* kProgram = "zev-setup";
constexpr const char* kVersion = "0.1.0";

struct Options {
  std::optional<fs::path> machine;
  std::vector<std::pair<char, fs::path>> drives;
  bool unattended = false;
  std::optional<fs::path> answers;
  std::optional<fs::path> log;
  std::optional<std::string> launcher;
  std::optional<fs::path> preview;
  int width = 800;
  int height = 600;
  bool uninstall = false;
  std::optional<std::string> uninstallDir;
  bool dryRun = false;
  bool help = false;
  bool version = false;
};

class UsageError : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

void PrintHelp() {
  std::cout << "Usage: zev-setup [options]\n"
               "       zev-setup --uninstall [DIR] [--unattended] [--dry-run] [--machine DIR] [--log FILE]\n"
               "Installs the package whose install.cfg and zevsetup.001 lie in the current directory.\n"
               "Without --unattended or --preview the setup windows open on the display ($DISPLAY).\n\n"
               "  --machine DIR          the machine folder (C: is DIR/drive_c); default $ZEV_MACHINE,\n"
               "                         else $XDG_DATA_HOME/zev-setup/machine\n"
               "  --drive X=DIR          maps drive X: to a host folder (repeatable)\n"
               "  --unattended [ANSWERS] runs without a display; the wizard's pages and the boxes are\n"
               "                         answered from the ANSWERS INI file, else boxes get their last\n"
               "                         button and a licence is declined:\n"
               "                           [Wizard]  License=accept  Destination=C:\\Apps\\MyApp\n"
               "                                     Folder=NAME  FolderStartMenu=0|1  FolderDesktop=0|1\n"
               "                                     InstallType=full|min  Launch=0|1\n"
               "                           [Answers] InsertDisk=OK  MissingSegment=OK|Cancel\n"
               "                                     Overwrite[:FILE]=Yes|No  Desktop[:NAME]=Yes|No\n"
               "                                     StartMenu[:NAME]=Yes|No\n"
               "                           [Options] Default=last|first\n"
               "  --log FILE             writes every stage, box and file to FILE\n"
               "  --launcher CMD         hands the program started at the end to CMD (\"wine\", say);\n"
               "                         default $ZEV_LAUNCHER; without one no program is started\n"
               "  --preview OUT.png      draws the main screen of ./install.cfg into a PNG file\n"
               "  --size WxH             the screen size for --preview (default 800x600)\n"
               "  --uninstall [DIR]      removes the installation whose uninstall.cfg is in DIR (a Windows\n"
               "                         path such as C:\\Apps\\MyApp, or a host path inside the machine);\n"
               "                         without DIR, the one in the current directory. With --unattended\n"
               "                         (no answers file) it asks nothing: that is the user's consent\n"
               "  --dry-run              with --uninstall: prints what would be removed and kept, changes\n"
               "                         nothing\n"
               "  --help, --version\n\n"
               "Exit codes: 0 installed (removed, or nothing to remove), 1 failed (or something was kept),\n"
               "2 bad usage or answers file, 3 declined or cancelled.\n";
}

void ParseSize(const std::string& text, Options& options) {
  const std::size_t x = text.find_first_of("xX");
  auto number = [&](const std::string& part) {
    if (part.empty() || part.size() > 5 || part.find_first_not_of("0123456789") != std::string::npos)
      throw UsageError("--size wants WxH with W and H from 1 to 16384, not \"" + text + "\"");
    const int value = std::stoi(part);
    if (value < 1 || value > 16384) throw UsageError("--size wants W and H from 1 to 16384, not \"" + text + "\"");
    return value;
  };
  if (x == std::string::npos) throw UsageError("--size wants WxH, not \"" + text + "\"");
  options.width = number(text.substr(0, x));
  options.height = number(text.substr(x + 1));
  if (static_cast<long long>(options.width) * options.height > ui::kMaxBitmapPixels)
    throw UsageError("--size " + text + " is too large");
}

Options ParseArgs(const std::vector<std::string>& args) {
  Options options;
  bool sizeGiven = false;
  // Removing takes no answers file: --unattended then only means that nobody is asked.
  const bool uninstalling = std::find(args.begin(), args.end(), "--uninstall") != args.end();
  auto nextIsValue = [&](std::size_t i) { return i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0; };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
      return args[++i];
    };
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "--machine") {
      options.machine = fs::path(value());
    } else if (arg == "--drive") {
      const std::string& mapping = value();
      if (mapping.size() < 3 || mapping[1] != '=' || !std::isalpha(static_cast<unsigned char>(mapping[0])))
        throw UsageError("--drive wants X=DIR, not \"" + mapping + "\"");
      options.drives.emplace_back(mapping[0], fs::path(mapping.substr(2)));
    } else if (arg == "--unattended") {
      options.unattended = true;
      if (uninstalling && nextIsValue(i)) throw UsageError("--unattended takes no answers file with --uninstall");
      if (nextIsValue(i)) options.answers = fs::path(args[++i]);
    } else if (arg == "--uninstall") {
      options.uninstall = true;
      if (nextIsValue(i)) options.uninstallDir = args[++i];
    } else if (arg == "--dry-run") {
      options.dryRun = true;
    } else if (arg == "--log") {
      options.log = fs::path(value());
    } else if (arg == "--launcher") {
      options.launcher = value();
    } else if (arg == "--preview") {
      options.preview = fs::path(value());
    } else if (arg == "--size") {
      ParseSize(value(), options);
      sizeGiven = true;
    } else {
      throw UsageError("unknown argument \"" + arg + "\"");
    }
  }
  // The machine folder and its drives stand in for Windows; Windows has its own (and no default
  // machine folder).
  if ((options.machine || !options.drives.empty()) && platform::Machine::DefaultMachineDir().empty())
    throw UsageError(std::string(options.machine ? "--machine" : "--drive") + " is for Linux: on Windows the machine is the real one");
  if (sizeGiven && !options.preview) throw UsageError("--size goes with --preview");
  if (options.preview && options.unattended) throw UsageError("--preview and --unattended do not go together");
  if (options.dryRun && !options.uninstall) throw UsageError("--dry-run goes with --uninstall");
  if (options.uninstall && (options.preview || options.launcher))
    throw UsageError(std::string(options.preview ? "--preview" : "--launcher") + " does not go with --uninstall");
  return options;
}

void Report(const std::string& message) { std::cerr << kProgram << ": " << message << '\n'; }

// Draws the main screen of ./install.cfg on a throw-away machine, so that looking touches
// nothing of the real one.
int RunPreview(const Options& options) {
  try {
    const platform::ScopedTempDir scratch("zev-preview-");
    platform::Machine::Current().Configure(scratch.Path(), fs::current_path());
    ui::HeadlessBackend backend(options.width, options.height);
    ui::Application app(backend);
    app.Title = "ZEV - Setup";
    TMainSetup& main = app.CreateForm<TMainSetup>();
    main.Show();
    ui::WritePng(*options.preview, ui::RenderForm(main));
  } catch (const std::exception& e) {
    Report(e.what());
    return kSetupFailed;
  }
  return kSetupOk;
}

// The log file, when one is asked for; false, having said why, when it cannot be created.
bool OpenLog(const Options& options, std::ofstream& logFile) {
  if (!options.log) return true;
  logFile.open(*options.log, std::ios::out | std::ios::trunc);
  if (!logFile) Report(options.log->string() + ": cannot create the log file");
  return static_cast<bool>(logFile);
}

// Every line goes to the log file, and to the terminal when standard error is one; the lines for
// the person at the terminal go to standard error in any case.
void ConnectLog(ui::Application& app, std::ofstream& logFile) {
  const bool terminal = platform::IsTerminal(stderr);
  app.OnLog = [&logFile, terminal](const std::string& line) {
    if (logFile) logFile << line << '\n' << std::flush;
    if (terminal) std::cerr << line << '\n';
  };
  app.OnNotice = Report;
}

// The machine the options name, with the drives they map. The exit code when that fails.
std::optional<int> ConfigureMachine(const Options& options) {
  platform::Machine& machine = platform::Machine::Current();
  try {
    const fs::path start = platform::StartFolder();
    if (start.empty()) {
      Report("the folder setup starts from cannot be found");
      return kSetupFailed;
    }
    machine.Configure(options.machine ? *options.machine : platform::Machine::DefaultMachineDir(), start);
    // The start folder is the first disk: read from, never a target. A drive the user maps is
    // the user's to write.
    if (machine.DriveFolder('A')) machine.SetMedia('A', true);
    for (const auto& [letter, dir] : options.drives) {
      if (!fs::is_directory(dir)) {
        Report("--drive " + std::string(1, letter) + "=" + dir.string() + ": not a directory");
        return kSetupUsage;
      }
      machine.MapDrive(letter, fs::absolute(dir));
      machine.SetMedia(letter, false);
    }
  } catch (const std::exception& e) {
    Report(e.what());
    return kSetupFailed;
  }
  return std::nullopt;
}

// The windows on the display, or the headless backend whose boxes the answerer answers; nullptr,
// having said why, when the display cannot be opened.
std::unique_ptr<ui::Backend> MakeBackend(bool windows, std::function<platform::ModalResult(const ui::BoxRequest&)> answerer) {
  if (windows) {
    try {
      return ui::MakeWindowBackend();
    } catch (const std::exception& e) {
      Report(e.what());
      return nullptr;
    }
  }
  auto headless = std::make_unique<ui::HeadlessBackend>();
  headless->answerer = std::move(answerer);
  return headless;
}

// What the command that removes an installation must add to name the machine the way this run
// was told it.
std::string MachineOptions(const Options& options) {
  std::string text;
  if (options.machine) text += " --machine " + ShellQuoted(fs::absolute(*options.machine).string());
  for (const auto& [letter, dir] : options.drives)
    text += " --drive " + ShellQuoted(std::string(1, letter) + "=" + fs::absolute(dir).string());
  return text;
}

// The answers file, or none (every question gets its default); empty after a reported error.
std::optional<TAnswers> LoadAnswers(const Options& options) {
  if (!options.answers) return TAnswers();
  try {
    return TAnswers::Load(options.answers->string());
  } catch (const EAnswersError& e) {
    Report(options.answers->string() + ": " + e.what());
    return std::nullopt;
  }
}

// A package is never allowed to run a host program: its Windows program goes to the runner the
// user named, or nowhere.
void UseConfiguredRunner(const Options& options) {
  if (options.launcher) {
    platform::SetProgramRunner(*options.launcher);
  } else if (const char* runner = std::getenv("ZEV_LAUNCHER")) {
    platform::SetProgramRunner(runner);
  }
}

// A Windows installation has its Desktop and Start Menu folders; links go into them. False after
// a reported error.
bool MakeShellFolders() {
  try {
    const platform::ShellFolders places = platform::GetShellFolders();
    platform::MakeDirPath(places.desktop);
    platform::MakeDirPath(places.programs);
    return true;
  } catch (const std::exception& e) {
    Report(e.what());
    return false;
  }
}

struct SetupForms {
  TMainSetup& main;
  TZEV& wizard;
};

// The forms in the program's order: main screen, directory chooser, wizard, expansion stage.
SetupForms CreateForms(ui::Application& app, const Options& options) {
  TMainSetup& main = app.CreateForm<TMainSetup>();
  TForm3& form3 = app.CreateForm<TForm3>();
  TZEV& wizard = app.CreateForm<TZEV>(main.Config, form3);
  wizard.UninstallOptions = MachineOptions(options);
  TUnzip& unzip = app.CreateForm<TUnzip>(main);
  main.Unzip = &unzip;
  main.ZEV = &wizard;
  main.RadioButton1 = &wizard.LaunchChoice();
  main.RadioButton2 = &wizard.ReturnChoice();
  return {main, wizard};
}

// The exit code of a run that reached the wizard, with what the user needs to know about it.
int ReportWizardOutcome(TUnattendedOutcome outcome, const TZEV& wizard, bool windows, ui::Application& app) {
  switch (outcome) {
    case TUnattendedOutcome::uoInstalled:
      return kSetupOk;
    case TUnattendedOutcome::uoDeclined:
      Report(windows ? "the licence was declined: nothing was installed"
                     : "the licence was declined (the answers file needs [Wizard] License=accept): nothing was installed");
      return kSetupCancelled;
    case TUnattendedOutcome::uoCancelled:
      Report("setup was cancelled: nothing was installed");
      return kSetupCancelled;
    case TUnattendedOutcome::uoFailed:
      break;
  }
  if (!wizard.InstallError.empty()) Report("the installation stopped: " + wizard.InstallError);
  if (!wizard.InstallFailures.empty()) {
    Report("the installation is incomplete; not installed:");
    for (const std::string& failure : wizard.InstallFailures) std::cerr << "  " << failure << '\n';
  }
  if (!wizard.UninstallFolder.empty()) {
    const std::string hint = "to remove what was installed: " + UninstallCommand(wizard.UninstallFolder, wizard.UninstallOptions);
    // The worker names it in the log when it reports failures; a stopped run is named here.
    if (!wizard.InstallError.empty()) app.Log(hint);
    Report(hint);
  }
  return kSetupFailed;
}

// The installation with windows on the display, or unattended on the headless backend with the
// answers file walking the wizard.
int RunInstaller(const Options& options) {
  const bool windows = !options.unattended;
  std::optional<TAnswers> answers = LoadAnswers(options);
  if (!answers) return kSetupUsage;
  const TWizardAnswers wizardAnswers = answers->Wizard();

  std::ofstream logFile;
  if (!OpenLog(options, logFile)) return kSetupUsage;
  UseConfiguredRunner(options);
  if (const std::optional<int> failed = ConfigureMachine(options)) return *failed;
  // Refused before anything is expanded: the wizard would refuse it only after the expansion.
  if (wizardAnswers.destination)
    if (const std::string problem = DestinationProblem(*wizardAnswers.destination); !problem.empty()) {
      Report(options.answers->string() + ": Destination=" + *wizardAnswers.destination + ": " + problem);
      return kSetupUsage;
    }

  std::unique_ptr<ui::Backend> backend =
      MakeBackend(windows, [&](const ui::BoxRequest& box) { return answers->Answer(box); });
  if (!backend) return kSetupFailed;
  ui::Application app(*backend);
  ConnectLog(app, logFile);
  app.Title = "ZEV - Setup";
  if (!MakeShellFolders()) return kSetupFailed;
  const SetupForms forms = CreateForms(app, options);
  TMainSetup& main = forms.main;
  TZEV& wizard = forms.wizard;

  // Unattended, nobody clicks: once the wizard is up, the driver walks it from inside its modal
  // loop. With windows the user walks it.
  bool wizardReached = false;
  TWizardDriver driver(wizard, wizardAnswers);
  wizard.OnShow = [&] {
    wizard.FormShow();
    wizardReached = true;
    if (!windows) app.Post([&] { driver.Walk(); });
  };

  app.Log("start directory " + main.Config.StartDir + ", temporary folder " + main.Config.TempDir);
  // The windows show their default header and ask for disk 1 in a folder without install.cfg;
  // the terminal says why.
  if (windows && !platform::FileExists(main.ConfigFileName()))
    Report(FirstDiskHint("install.cfg", HostFolderOf(main.Config.StartDir)));
  if (!main.TempFolderProblem.empty()) {
    Report(main.TempFolderProblem);
    return kSetupFailed;
  }
  try {
    app.Run();
  } catch (const std::exception& e) {
    Report(e.what());
    return kSetupFailed;
  }
  if (const std::optional<TEarlyEnd> early = EndBeforeTheWizard(main, wizardReached)) {
    Report(early->message);
    return early->code;
  }
  return ReportWizardOutcome(driver.Outcome(), wizard, windows, app);
}

// The installation folder that --uninstall names: a Windows path, or a host path inside the
// machine; without one, the start folder when it holds an uninstall.cfg. Empty, with the problem
// said, when there is none.
std::string InstallationFolder(const Options& options) {
  const platform::Machine& machine = platform::Machine::Current();
  const bool startDrive = machine.DriveFolder('A') &&
                          std::none_of(options.drives.begin(), options.drives.end(),
                                       [](const auto& drive) { return std::toupper(drive.first) == 'A'; });
  std::string folder;
  std::string given;
  try {
    if (!options.uninstallDir) {
      folder = machine.CurrentDirectory();
      given = platform::StartFolder().string();
      if (platform::LookUpNoLinks(folder + (folder.size() == 3 ? "" : "\\") + "uninstall.cfg").kind ==
          platform::EntryKind::Missing) {
        Report("--uninstall without a folder removes the installation in the current directory, and " + given +
               " holds no uninstall.cfg: name the installation folder");
        return "";
      }
    } else {
      given = *options.uninstallDir;
      const bool windowsPath = given.size() >= 2 && given[1] == ':' && std::isalpha(static_cast<unsigned char>(given[0]));
      folder = windowsPath ? machine.ExpandFileName(given) : machine.ToWindowsPath(fs::absolute(given));
    }
  } catch (const std::exception&) {
    folder.clear();
  }
  // The start folder stands in for a floppy disk as A: when it lies outside the machine; nothing
  // is installed there.
  if (folder.empty() || (startDrive && std::toupper(static_cast<unsigned char>(folder[0])) == 'A')) {
    Report("--uninstall " + given + ": not a folder inside the machine (C: is " +
           machine.DriveFolder('C').value_or(fs::path()).string() + ")");
    return "";
  }
  return folder;
}

// Removes an installation: asking first with windows, or without a question when unattended;
// a dry run only prints.
int RunUninstaller(const Options& options) {
  std::ofstream logFile;
  if (!OpenLog(options, logFile)) return kSetupUsage;
  if (const std::optional<int> failed = ConfigureMachine(options)) return *failed;
  const std::string folder = InstallationFolder(options);
  if (folder.empty()) return kSetupUsage;

  // Unattended, the command itself was the consent: the question gets Yes, the closing box OK.
  const bool windows = !options.unattended && !options.dryRun;
  std::unique_ptr<ui::Backend> backend =
      MakeBackend(windows, [](const ui::BoxRequest& box) { return ui::FirstButton(box.buttons); });
  if (!backend) return kSetupFailed;
  ui::Application app(*backend);
  ConnectLog(app, logFile);
  app.Title = "ZEV - Uninstall";
  try {
    return RunUninstall(app, {folder, options.dryRun, [](const std::string& line) { std::cout << line << '\n'; }});
  } catch (const std::exception& e) {
    Report(e.what());
    return kSetupFailed;
  }
}

}  // namespace

int RunSetupProgram(const std::vector<std::string>& args) {
  Options options;
  try {
    options = ParseArgs(args);
  } catch (const UsageError& e) {
    Report(e.what());
    std::cerr << "Try 'zev-setup --help'.\n";
    return kSetupUsage;
  }
  if (options.help) {
    PrintHelp();
    return kSetupOk;
  }
  if (options.version) {
    std::cout << kProgram << ' ' << kVersion << '\n';
    return kSetupOk;
  }
  if (options.preview) return RunPreview(options);
  if (!options.unattended && !options.dryRun && !ui::WindowsAvailable()) {
    Report(std::string("no display to open the setup windows on ($DISPLAY is not set or cannot be opened); ") +
           (options.uninstall ? "run 'zev-setup --uninstall DIR --unattended' to remove without windows (see --help)"
                              : "run 'zev-setup --unattended [ANSWERS]' to install without windows (see --help)"));
    return kSetupUsage;
  }
  return options.uninstall ? RunUninstaller(options) : RunInstaller(options);
}

}  // namespace zev::setup
