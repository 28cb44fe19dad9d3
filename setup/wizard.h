// TZEV: the installation wizard. Its pages take the licence, the destination, the program
// folder with its shortcut places, the kind of installation and the choice made at the end; its
// Install button runs the installation worker (RunInstall, in install_worker.cpp), which uses
// this form's controls for its choices and its progress. Closing the wizard closes the main form.
//
// The controls keep the form's fixed names; what the numbered ones are, page by page:
//   button bar     Panel1: cancel, back, next, install
//   Notebook1      the pages, one showing at a time (TWizardPage)
//   0 welcome      page1: Image1 icon, Memo1 welcome text
//   1 licence      Page2: Memo3 licence text; Panel2: decline, accept
//   2 destination  Page3: Image2 icon, Memo2 destination text, browse;
//                  GroupBox1: Label1 the destination directory
//   3 folder       Page4: Image3 icon, Label3 heading, CreateFolder the program folder's name,
//                  Folders the existing program folders, CheckBox1 on the Start menu,
//                  CheckBox2 on the desktop
//   4 install type installtype: Image4 icon, Label4 heading, full, min (network workstation)
//   5 ready        Page5: Image5 icon, Label5 heading, RadioButton1 launch the program,
//                  Label2 the program to launch, RadioButton2 return to Windows, Memo4 summary
//   6 install      installPage: Image7 icon, source the file being copied, Dest where to,
//                  Memo5 the directories made, ProgressBar1
// The logic reads and writes them through the named accessors below.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "setup/install_config.h"
#include "shortcut/shortcut.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/std_controls.h"

namespace zev::setup {

class TForm3;

// Page indices of Notebook1.
enum TWizardPage {
  kPageWelcome = 0,
  kPageLicense = 1,
  kPageDestination = 2,
  kPageFolder = 3,
  kPageInstallType = 4,
  kPageReady = 5,
  kPageInstall = 6,
};

// "welcome", "licence" ... as the log names the pages.
const char* PageName(int page);

class TZEV : public ui::TForm {
 public:
  // config is the main screen's configuration record, form3 the directory chooser; both outlive
  // the wizard.
  TZEV(ui::Application& application, TInstallConfig& config, TForm3& form3);

  // The button bar.
  ui::TPanel Panel1{"Panel1"};
  ui::TButton cancel{"cancel"};
  ui::TButton back{"back"};
  ui::TButton next{"next"};
  ui::TButton install{"install"};

  ui::TNotebook Notebook1{"Notebook1"};
  ui::TPage page1{"page1"}, Page2{"Page2"}, Page3{"Page3"}, Page4{"Page4"}, installtype{"installtype"},
      Page5{"Page5"}, installPage{"install"};

  // 0: welcome
  ui::TImage Image1{"Image1"};
  ui::TMemo Memo1{"Memo1"};
  // 1: licence
  ui::TMemo Memo3{"Memo3"};
  ui::TPanel Panel2{"Panel2"};
  ui::TButton decline{"decline"};
  ui::TButton accept{"accept"};
  // 2: destination
  ui::TImage Image2{"Image2"};
  ui::TMemo Memo2{"Memo2"};
  ui::TButton browse{"browse"};
  ui::TGroupBox GroupBox1{"GroupBox1"};
  ui::TLabel Label1{"Label1"};
  // 3: program folder
  ui::TImage Image3{"Image3"};
  ui::TLabel Label3{"Label3"};
  ui::TEdit CreateFolder{"CreateFolder"};
  ui::TListBox Folders{"Folders"};
  ui::TCheckBox CheckBox1{"CheckBox1"};
  ui::TCheckBox CheckBox2{"CheckBox2"};
  // 4: install type
  ui::TImage Image4{"Image4"};
  ui::TLabel Label4{"Label4"};
  ui::TRadioButton full{"full"};
  ui::TRadioButton min{"min"};
  // 5: ready
  ui::TImage Image5{"Image5"};
  ui::TLabel Label5{"Label5"};
  ui::TRadioButton RadioButton1{"RadioButton1"};
  ui::TRadioButton RadioButton2{"RadioButton2"};
  ui::TLabel Label2{"Label2"};
  ui::TMemo Memo4{"Memo4"};
  // 6: install
  ui::TImage Image7{"Image7"};
  ui::TLabel source{"source"};
  ui::TLabel Dest{"Dest"};
  ui::TMemo Memo5{"Memo5"};
  ui::TProgressBar ProgressBar1{"ProgressBar1"};

  shortcut::TShortcuts Shortcuts1;

  void FormCreate();
  void FormShow();
  void FormClose(ui::TCloseAction& action);
  void nextClick();
  void backClick();
  void acceptClick();
  void declineClick();
  void cancelClick();
  void browseClick();
  void installClick();
  void Notebook1PageChanged();
  void FoldersDblClick();

  // The installation worker: runs from installClick and closes the wizard at its end.
  void RunInstall();

  // The named accessors of the numbered controls.
  const std::string& Destination() const { return Label1.Caption; }
  void SetDestination(std::string directory) { Label1.SetCaption(std::move(directory)); }
  int Page() const { return Notebook1.PageIndex(); }
  ui::TMemo& LicenseMemo() { return Memo3; }
  ui::TCheckBox& StartMenuBox() { return CheckBox1; }
  ui::TCheckBox& DesktopBox() { return CheckBox2; }
  ui::TRadioButton& LaunchChoice() { return RadioButton1; }
  ui::TRadioButton& ReturnChoice() { return RadioButton2; }
  ui::TLabel& LaunchProgramLabel() { return Label2; }
  ui::TMemo& Summary() { return Memo4; }
  ui::TMemo& InstallLog() { return Memo5; }
  ui::TProgressBar& InstallProgress() { return ProgressBar1; }

  // The licence counts as present with at least two lines.
  bool LicensePresent() const { return Memo3.Lines.Count() >= 2; }

  // How the wizard ended, for whoever showed it.
  bool Declined = false;          // Decline on the licence page
  bool Cancelled = false;         // Cancel before or after the installation ran
  bool InstallStarted = false;    // Install was pressed (the worker runs once only)
  bool InstallCompleted = false;  // the worker reached its end and closed the wizard
  std::string InstallError;       // the error that stopped the worker, if any
  // Files and shortcuts that could not be installed while the run went on, one line each.
  std::vector<std::string> InstallFailures;
  // The installation folder once the worker has started its uninstall list there: what a
  // removal is given.
  std::string UninstallFolder;
  // What the command that removes the installation needs besides the folder (" --machine DIR"),
  // as the program was started.
  std::string UninstallOptions;

  bool Installing() const { return installing_; }
  TInstallConfig& Config() { return config_; }
  TForm3& DirectoryChooser() { return form3_; }

 private:
  // The constructor's parts: the button bar, one builder per page, the handlers.
  void BuildButtonBar();
  void BuildWelcomePage();
  void BuildLicensePage();
  void BuildDestinationPage();
  void BuildFolderPage();
  void BuildInstallTypePage();
  void BuildReadyPage();
  void BuildInstallPage();
  void ConnectHandlers();

  void BuildSummary();
  void GoToPage(int index) { Notebook1.SetPageIndex(index); }
  // Logs the page that shows, once per change; called when a press has settled on its page.
  void LogPage();

  TInstallConfig& config_;
  TForm3& form3_;
  bool installing_ = false;
  int loggedPage_ = -1;
};

// The welcome text of Memo1 and the destination text of Memo2, one string per line.
const std::vector<std::string>& WelcomeText();
const std::vector<std::string>& DestinationText();

}  // namespace zev::setup
