#include "setup/program.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>

#include "platform/machine.h"
#include "setup/answers.h"
#include "setup/main_setup.h"
#include "setup/unzip.h"
#include "ui/headless_backend.h"
#include "ui/png_io.h"

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
  std::optional<fs::path> preview;
  int width = 800;
  int height = 600;
  bool help = false;
  bool version = false;
};

class UsageError : public std::runtime_error {
  using std::runtime_error::runtime_error;
};

void PrintHelp() {
  std::cout << "Usage: zev-setup [options]\n"
               "Installs the package whose install.cfg and zevsetup.001 lie in the current directory.\n\n"
               "  --machine DIR          the machine folder (C: is DIR/drive_c); default $ZEV_MACHINE,\n"
               "                         else $XDG_DATA_HOME/zev-setup/machine\n"
               "  --drive X=DIR          maps drive X: to a host folder (repeatable)\n"
               "  --unattended [ANSWERS] runs without a display; boxes are answered from the ANSWERS\n"
               "                         INI file ([Options] Default=last|first, [Answers] InsertDisk=OK,\n"
               "                         MissingSegment=OK|Cancel), else with their last button\n"
               "  --log FILE             writes every stage, box and file to FILE\n"
               "  --preview OUT.png      draws the main screen of ./install.cfg into a PNG file\n"
               "  --size WxH             the screen size for --preview (default 800x600)\n"
               "  --help, --version\n\n"
               "Exit codes: 0 installed, 1 failed, 2 bad usage or answers file, 3 declined or cancelled.\n";
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
      const std::string& spec = value();
      if (spec.size() < 3 || spec[1] != '=' || !std::isalpha(static_cast<unsigned char>(spec[0])))
        throw UsageError("--drive wants X=DIR, not \"" + spec + "\"");
      options.drives.emplace_back(spec[0], fs::path(spec.substr(2)));
    } else if (arg == "--unattended") {
      options.unattended = true;
      if (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) options.answers = fs::path(args[++i]);
    } else if (arg == "--log") {
      options.log = fs::path(value());
    } else if (arg == "--preview") {
      options.preview = fs::path(value());
    } else if (arg == "--size") {
      ParseSize(value(), options);
      sizeGiven = true;
    } else {
      throw UsageError("unknown argument \"" + arg + "\"");
    }
  }
  if (sizeGiven && !options.preview) throw UsageError("--size goes with --preview");
  if (options.preview && options.unattended) throw UsageError("--preview and --unattended do not go together");
  return options;
}

void Report(const std::string& message) { std::cerr << kProgram << ": " << message << '\n'; }

// Draws the main screen of ./install.cfg on a throw-away machine, so that looking touches
// nothing of the real one.
int RunPreview(const Options& options) {
  char pattern[] = "/tmp/zev-preview-XXXXXX";
  if (!::mkdtemp(pattern)) {
    Report("cannot create a temporary folder");
    return kSetupFailed;
  }
  const fs::path scratch = pattern;
  int code = kSetupOk;
  try {
    platform::Machine::Current().Configure(scratch, fs::current_path());
    ui::HeadlessBackend backend(options.width, options.height);
    ui::Application app(backend);
    app.Title = "ZEV - Setup";
    TMainSetup& main = app.CreateForm<TMainSetup>();
    main.Show();
    ui::WritePng(*options.preview, ui::RenderForm(main));
  } catch (const std::exception& e) {
    Report(e.what());
    code = kSetupFailed;
  }
  std::error_code ec;
  fs::remove_all(scratch, ec);
  return code;
}

int RunUnattended(const Options& options) {
  std::optional<TAnswers> answers;
  if (options.answers) {
    try {
      answers = TAnswers::Load(options.answers->string());
    } catch (const EAnswersError& e) {
      Report(options.answers->string() + ": " + e.what());
      return kSetupUsage;
    }
  } else {
    answers = TAnswers();
  }

  std::ofstream logFile;
  if (options.log) {
    logFile.open(*options.log, std::ios::out | std::ios::trunc);
    if (!logFile) {
      Report(options.log->string() + ": cannot create the log file");
      return kSetupUsage;
    }
  }
  const bool terminal = ::isatty(STDERR_FILENO) != 0;

  platform::Machine& machine = platform::Machine::Current();
  try {
    machine.Configure(options.machine ? *options.machine : platform::Machine::DefaultMachineDir(), fs::current_path());
    for (const auto& [letter, dir] : options.drives) {
      if (!fs::is_directory(dir)) {
        Report("--drive " + std::string(1, letter) + "=" + dir.string() + ": not a directory");
        return kSetupUsage;
      }
      machine.MapDrive(letter, fs::absolute(dir));
    }
  } catch (const std::exception& e) {
    Report(e.what());
    return kSetupFailed;
  }

  ui::HeadlessBackend backend;
  backend.answerer = [&](const ui::BoxRequest& box) { return answers->Answer(box); };
  ui::Application app(backend);
  app.OnLog = [&](const std::string& line) {
    if (logFile) logFile << line << '\n' << std::flush;
    if (terminal) std::cerr << line << '\n';
  };
  app.Title = "ZEV - Setup";

  bool wizardReached = false;
  TMainSetup& main = app.CreateForm<TMainSetup>();
  app.CreateForm<ui::TForm>("Form3");  // the directory chooser's place; it comes with the wizard
  ui::TForm& wizard = app.CreateForm<ui::TForm>("ZEV");
  TUnzip& unzip = app.CreateForm<TUnzip>(main);
  main.Unzip = &unzip;
  main.ZEV = &wizard;
  // Until the wizard exists, its place ends the run: it closes at once, and closing the wizard
  // closes the main screen as it always does.
  wizard.OnShow = [&] {
    wizardReached = true;
    app.Log("the wizard is not available yet");
    wizard.Close();
  };
  wizard.OnClose = [&](ui::TCloseAction&) { main.Close(); };

  app.Log("start directory " + main.StartDir + ", temporary folder " + main.TempDir);
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
  if (main.ExpansionCancelled) {
    Report("setup was cancelled");
    return kSetupCancelled;
  }
  if (main.ExpansionFailed) {
    Report("the expansion failed: " + main.ExpansionFailure);
    return kSetupFailed;
  }
  if (wizardReached) {
    Report("the files were expanded, but the wizard is not available yet: nothing was installed");
    return kSetupFailed;
  }
  return kSetupOk;
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
  if (!options.unattended) {
    Report("no display backend is available in this build; run with --unattended [ANSWERS] or --preview OUT.png");
    return kSetupUsage;
  }
  return RunUnattended(options);
}

}  // namespace zev::setup
