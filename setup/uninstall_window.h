// A removal as the user sees it: a question naming the package, a small window with a progress
// bar and the list of what is removed, and one box at the end saying that the package was removed
// or what was kept and why. The window is the application's main form; the removal runs once it
// shows, letting the window breathe between entries.
//
//   Label1        the entry being handled
//   ProgressBar1  entries handled of all
//   Label2        "Removed:"
//   Memo1         what was removed, one path per line
#pragma once

#include <functional>
#include <string>

#include "setup/uninstaller.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/std_controls.h"

namespace zev::setup {

class TUninstallForm : public ui::TForm {
 public:
  TUninstallForm(ui::Application& application, TUninstaller& uninstaller);

  ui::TLabel Label1{"Label1"};
  ui::TProgressBar ProgressBar1{"ProgressBar1"};
  ui::TLabel Label2{"Label2"};
  ui::TMemo Memo1{"Memo1"};

  // Set once the removal has run and its closing box was answered.
  bool Finished = false;

  void FormShow();
  void RemoveAll();

 private:
  void ShowStep(const TUninstallStep& step);

  TUninstaller& uninstaller_;
};

struct TUninstallRequest {
  std::string installDir;  // full Windows path
  bool dryRun = false;
  // Receives the lines of a dry run (standard output).
  std::function<void(const std::string&)> print;
};

// Runs the removal on the application: the question, the window and the closing box (answered
// by the backend: a person, or the headless backend's answerer for an unattended run); a dry run
// asks nothing, shows nothing and prints what it would do. Returns the exit code: 0 removed or
// nothing to remove, 1 something was kept or refused, 3 declined.
int RunUninstall(ui::Application& app, const TUninstallRequest& request);

// The closing box's text.
std::string UninstallSummary(const std::string& name, const std::vector<TKeptEntry>& kept);

}  // namespace zev::setup
