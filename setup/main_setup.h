// TMainSetup: the borderless full-screen main window. It fixes the start directory and the
// private temporary folder, reads install.cfg into its configuration record (Config), shows the
// gradient backdrop with the two header lines, and sequences the expansion stage and the wizard.
//
// The controls keep the form's fixed names; what they are:
//   MainScreen        the gradient backdrop, filling the form
//   Setup_Header      the first header line, shadowed; Setup_Header2 the second, below it
//   Image1            the setup icon, top right: a double click quits
//   Setup_Copyright   the credit line along the bottom
//   Timer1            starts the expansion stage a while after the screen shows
//   RadioButton1, RadioButton2  the wizard's launch choice, which install.cfg presets
// The logic reads and writes the numbered ones through the named accessors below.
#pragma once

#include <string>

#include "setup/fountain_fill.h"
#include "setup/install_config.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/std_controls.h"
#include "ui/timer.h"

namespace zev::setup {

class TUnzip;

class TMainSetup : public ui::TForm {
 public:
  explicit TMainSetup(ui::Application& application);

  // What install.cfg says, with the start directory and the temporary folder.
  TInstallConfig Config;

  TFountainFill MainScreen{"MainScreen"};
  ui::TShadowLabel Setup_Header{"Setup_Header"};
  ui::TShadowLabel Setup_Header2{"Setup_Header2"};
  ui::TImage Image1{"Image1"};
  ui::TLabel Setup_Copyright{"Setup_Copyright"};
  ui::TTimer Timer1;

  // The other forms it works with, set by whoever creates them: the expansion stage (freed here
  // once it has run), the wizard, and the wizard's launch choice that the configuration sets.
  TUnzip* Unzip = nullptr;
  ui::TForm* ZEV = nullptr;
  ui::TRadioButton* RadioButton1 = nullptr;  // "Launch Program after installed"
  ui::TRadioButton* RadioButton2 = nullptr;  // "Return to Windows after installed"

  // The named accessors of the numbered controls.
  ui::TImage& Icon() { return Image1; }
  ui::TTimer& StartTimer() { return Timer1; }
  ui::TRadioButton* LaunchChoice() const { return RadioButton1; }
  ui::TRadioButton* ReturnChoice() const { return RadioButton2; }

  // Why the temporary folder must not be used (a link, another user's folder), or empty.
  std::string TempFolderProblem;
  // What the expansion stage reported before it was freed: failed or aborted, why, and whether
  // the user chose to abort.
  bool ExpansionFailed = false;
  bool ExpansionCancelled = false;
  std::string ExpansionFailure;
  // The segment file that could not be found when that ended the stage ("zevsetup.001" when
  // setup was started outside the first disk's folder), else empty.
  std::string ExpansionMissingSegment;

  void FormCreate();
  void FormShow();
  void Timer1Timer();
  void FormResize();
  void FormClose(ui::TCloseAction& action);
  void Image1DblClick();
  void ClearTempFolder();
  void ReadInstallConfig();

  std::string ConfigFileName() const { return Config.StartDir + "install.cfg"; }
};

// The design texts of the second header and of the footer credit.
extern const char* const kHeader2DesignText;
extern const char* const kCopyrightText;

}  // namespace zev::setup
