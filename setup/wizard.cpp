#include "setup/wizard.h"

#include "platform/files.h"
#include "setup/change_dir.h"
#include "setup/destination.h"
#include "setup/license_text.h"
#include "setup/setup_icon.h"
#include "setup/wizard_glyphs.h"

namespace zev::setup {
namespace {

constexpr int kNotebookHeight = 225;
constexpr int kBarHeight = 30;

void SetLines(ui::TMemo& memo, const std::vector<std::string>& lines) {
  memo.Lines.Clear();
  for (const std::string& line : lines) memo.Lines.Add(line);
}

void Heading(ui::TLabel& label, const std::string& text) {
  label.Font = {"Times New Roman", 21, ui::clWindowText, false};
  label.Left = 56, label.Top = 12;
  label.Transparent = true;
  label.SetCaption(text);
}

void Icon(ui::TImage& image) {
  image.SetBounds(12, 12, 32, 32);
  image.Picture = SetupIcon();
  image.Transparent = true;
}

// A memo that only shows text, on the page's face like a label, right of the page's icon.
void TextMemo(ui::TMemo& memo, int height, const std::vector<std::string>& lines) {
  memo.SetBounds(56, 12, 369, height);
  memo.ReadOnly = true;
  memo.Borderless = true;
  memo.Color = ui::clBtnFace;
  memo.TabStop = false;  // text to read, like a label
  SetLines(memo, lines);
}

void BarButton(ui::TButton& button, const std::string& caption, int left, int width, TGlyphKind glyph) {
  button.Caption = caption;
  button.SetBounds(left, 3, width, 25);
  button.Glyph = WizardGlyph(glyph);
}

}  // namespace

const char* PageName(int page) {
  static const char* const names[] = {"welcome", "licence", "destination", "program folder",
                                      "install type", "ready", "install"};
  return page >= 0 && page <= kPageInstall ? names[page] : "unknown";
}

const std::vector<std::string>& WelcomeText() {
  static const std::vector<std::string> text = {
      "It is strongly recommended that you exit all windows programs",
      "before running this Setup program.",
      "",
      "Click Cancel to quit Setup and then close any programs you have",
      "running ( Re-Boot if Necessary ). Click Next continue with Setup",
      "Program.",
      "",
      "",
      "WARNING: This program is protected by copyright law. Reproducing or",
      "distributing it, or any part of it, without the permission of its",
      "owner may result in civil and criminal penalties.",
  };
  return text;
}

const std::vector<std::string>& DestinationText() {
  static const std::vector<std::string> text = {
      "Setup will now install Software into the following directory",
      "",
      "To install to this directory, click next.",
      "",
      "To install to different directory, click browse and select ",
      "another",
      "directory.",
      "",
      "you can choose not to install by clicking cancel.",
  };
  return text;
}

TZEV::TZEV(ui::Application& application, TInstallConfig& config, TForm3& form3)
    : ui::TForm(application, "ZEV"), config_(config), form3_(form3) {
  Caption = "Setup        ";
  BorderStyle = ui::TBorderStyle::bsToolWindow;
  Position = ui::TPosition::poScreenCenter;
  SetClientSize(433, 266);
  InsertControl(Notebook1);
  Notebook1.SetBounds(0, 0, 433, kNotebookHeight);
  BuildButtonBar();
  BuildWelcomePage();
  BuildLicensePage();
  BuildDestinationPage();
  BuildFolderPage();
  BuildInstallTypePage();
  BuildReadyPage();
  BuildInstallPage();
  ConnectHandlers();
}

void TZEV::BuildButtonBar() {
  InsertControl(Panel1);
  Panel1.Align = ui::TAlign::alBottom;
  Panel1.SetBounds(0, 266 - kBarHeight, 433, kBarHeight);
  Panel1.TopLine = true;
  for (ui::TButton* button : {&cancel, &back, &next, &install}) Panel1.InsertControl(*button);
  BarButton(cancel, "&Cancel", 8, 73, TGlyphKind::gkCancel);
  BarButton(back, "&Back", 232, 60, TGlyphKind::gkBack);
  BarButton(next, "&Next", 296, 60, TGlyphKind::gkNext);
  BarButton(install, "&Install", 360, 68, TGlyphKind::gkInstall);
  install.Visible = false;
  // Enter goes on (Next, or Install on the ready page); Escape cancels.
  next.Default = install.Default = true;
  cancel.Cancel = true;
}

void TZEV::BuildWelcomePage() {
  Notebook1.AddPage(page1, "page1");
  page1.InsertControl(Image1);
  Icon(Image1);
  page1.InsertControl(Memo1);
  TextMemo(Memo1, 205, WelcomeText());
}

void TZEV::BuildLicensePage() {
  Notebook1.AddPage(Page2, "Page2");
  Page2.InsertControl(Memo3);
  Page2.InsertControl(Panel2);
  Panel2.Align = ui::TAlign::alBottom;
  Panel2.SetBounds(0, kNotebookHeight - 33, 433, 33);
  Memo3.Align = ui::TAlign::alClient;
  Memo3.ReadOnly = true;
  Memo3.ScrollBars = true;
  Page2.AlignControls();
  Panel2.InsertControl(decline);
  Panel2.InsertControl(accept);
  BarButton(decline, "Decline", 264, 78, TGlyphKind::gkCancel);
  BarButton(accept, "Accept", 348, 78, TGlyphKind::gkOK);
  decline.Top = accept.Top = 4;
}

void TZEV::BuildDestinationPage() {
  Notebook1.AddPage(Page3, "Page3");
  Page3.InsertControl(Image2);
  Icon(Image2);
  Page3.InsertControl(Memo2);
  TextMemo(Memo2, 140, DestinationText());
  Page3.InsertControl(GroupBox1);
  GroupBox1.Caption = " Destination  Directory ";
  GroupBox1.SetBounds(8, 160, 330, 50);
  GroupBox1.InsertControl(Label1);
  Label1.Left = 10, Label1.Top = 22;
  Page3.InsertControl(browse);
  BarButton(browse, "Browse", 346, 70, TGlyphKind::gkBrowse);
  browse.Top = 176;
}

void TZEV::BuildFolderPage() {
  Notebook1.AddPage(Page4, "Page4");
  Page4.InsertControl(Image3);
  Icon(Image3);
  Page4.InsertControl(Label3);
  Heading(Label3, "Create Folder's and Shortcuts.");
  Page4.InsertControl(CreateFolder);
  CreateFolder.SetBounds(56, 52, 250, 21);
  Page4.InsertControl(Folders);
  Folders.SetBounds(56, 78, 250, 100);
  Page4.InsertControl(CheckBox1);
  CheckBox1.Caption = "Add Folder to Start Menu";
  CheckBox1.SetBounds(56, 184, 200, 17);
  Page4.InsertControl(CheckBox2);
  CheckBox2.Caption = "Add Folder to Desktop";
  CheckBox2.SetBounds(56, 202, 200, 17);
}

void TZEV::BuildInstallTypePage() {
  Notebook1.AddPage(installtype, "installtype");
  installtype.InsertControl(Image4);
  Icon(Image4);
  installtype.InsertControl(Label4);
  Heading(Label4, "What type of install to Execute");
  installtype.InsertControl(full);
  full.Caption = "Full Install ( All Files will be installed )";
  full.SetBounds(56, 70, 360, 17);
  full.SetChecked(true);
  installtype.InsertControl(min);
  min.Caption = "Only Files need to run from Network will be installed";
  min.SetBounds(56, 96, 360, 17);
}

void TZEV::BuildReadyPage() {
  Notebook1.AddPage(Page5, "Page5");
  Page5.InsertControl(Image5);
  Icon(Image5);
  Page5.InsertControl(Label5);
  Heading(Label5, "Ready to Start Installing Software");
  Page5.InsertControl(RadioButton1);
  RadioButton1.Caption = "Launch Program after installed";
  RadioButton1.SetBounds(56, 50, 300, 17);
  Page5.InsertControl(Label2);
  Label2.Left = 74, Label2.Top = 68;
  Label2.SetCaption("Program to Launch");
  Page5.InsertControl(RadioButton2);
  RadioButton2.Caption = "Return to Windows after installed";
  RadioButton2.SetBounds(56, 86, 300, 17);
  RadioButton2.SetChecked(true);
  Page5.InsertControl(Memo4);
  Memo4.SetBounds(56, 110, 369, 105);
  Memo4.ReadOnly = true;
}

void TZEV::BuildInstallPage() {
  Notebook1.AddPage(installPage, "install");
  installPage.InsertControl(Image7);
  Icon(Image7);
  installPage.InsertControl(source);
  source.Left = 56, source.Top = 12;
  source.SetCaption("Copy Source");
  installPage.InsertControl(Dest);
  Dest.Left = 56, Dest.Top = 30;
  Dest.SetCaption("Copy to");
  installPage.InsertControl(Memo5);
  Memo5.SetBounds(56, 50, 369, 140);
  Memo5.ReadOnly = true;
  Memo5.Borderless = true;
  Memo5.TabStop = false;
  installPage.InsertControl(ProgressBar1);
  ProgressBar1.SetBounds(56, 198, 369, 16);
}

void TZEV::ConnectHandlers() {
  OnCreate = [this] { FormCreate(); };
  OnShow = [this] { FormShow(); };
  OnClose = [this](ui::TCloseAction& action) { FormClose(action); };
  next.OnClick = [this] { nextClick(); };
  back.OnClick = [this] { backClick(); };
  accept.OnClick = [this] { acceptClick(); };
  decline.OnClick = [this] { declineClick(); };
  cancel.OnClick = [this] { cancelClick(); };
  browse.OnClick = [this] { browseClick(); };
  install.OnClick = [this] { installClick(); };
  Notebook1.OnPageChanged = [this] { Notebook1PageChanged(); };
  Folders.OnDblClick = [this] { FoldersDblClick(); };
}

void TZEV::FormCreate() {
  GoToPage(kPageWelcome);
  // The notebook starts on page 0, so no page change tells Back that it has nowhere to go.
  Notebook1PageChanged();
}

void TZEV::FormShow() {
  Folders.Items = Shortcuts1.FolderList();
  Folders.ItemIndex = -1;
  CreateFolder.SetText(config_.FolderName);
  LaunchProgramLabel().SetCaption(LaunchChoice().Enabled ? config_.LaunchProgram : std::string());
  const std::string license = config_.TempDir + "\\license.txt";
  if (platform::FileExists(license)) {
    const LicenseText text = LoadLicenseText(license);
    SetLines(LicenseMemo(), text.lines);
    if (text.cut)
      App().Log("licence text cut after " + std::to_string(text.lines.size()) + " lines: license.txt holds more than " +
                std::to_string(kLicenseMaxLines) + " lines or " + std::to_string(kLicenseMaxBytes) + " bytes");
  } else {
    LicenseMemo().Lines.Clear();
  }
  if (config_.WorkStationPrompt)
    min.SetChecked(true);
  else
    full.SetChecked(true);
  SetDestination(config_.DefaultInstallDir());
  loggedPage_ = -1;
  LogPage();
}

void TZEV::LogPage() {
  const int page = Page();
  if (page == loggedPage_) return;
  loggedPage_ = page;
  App().Log("page " + std::to_string(page) + " (" + PageName(page) + ") shown");
}

void TZEV::FormClose(ui::TCloseAction& action) {
  // The form stays allocated (hidden) until the application ends: whoever showed it reads how
  // it ended, and a worker further up the stack may still be returning through it.
  action = ui::TCloseAction::caHide;
  App().ProcessMessages();
  if (ui::TForm* main = App().MainForm(); main && main != this) main->Close();
}

void TZEV::Notebook1PageChanged() { back.Enabled = Page() != kPageWelcome; }

void TZEV::BuildSummary() {
  install.Visible = true;
  next.Enabled = false;
  TStringList& summary = Summary().Lines;
  summary.Clear();
  summary.Add("Install to:");
  summary.Add("  " + Destination());
  summary.Add("");
  summary.Add("Folders:" + CreateFolder.Text);
  summary.Add("  ");
  // What the run is about to do, kept in the log: an unattended run has no other record of it.
  App().Log("ready page: install to " + Destination() + ", program folder \"" + CreateFolder.Text + "\", " +
            (min.Checked() ? "network workstation" : "full") + " installation");
}

void TZEV::nextClick() {
  // Page 6 is reached only through Install.
  if (InstallStarted || Page() >= kPageReady) return;
  if (Page() == kPageDestination) {
    // Caught here rather than half-way through the installation, which would leave a part of
    // it behind; the user stays on the page to choose again.
    if (const std::string problem = DestinationProblem(Destination()); !problem.empty()) {
      App().MessageBox(problem, "", platform::MsgKind::Error, platform::mbOK);
      return;
    }
    App().Log("destination " + Destination());
  }
  back.Enabled = true;
  next.Enabled = true;
  install.Visible = false;
  GoToPage(Page() + 1);
  switch (Page()) {
    case kPageLicense:
      if (LicensePresent())
        next.Enabled = false;  // Accept or Decline
      else
        GoToPage(kPageDestination);
      break;
    case kPageFolder:
      if (!config_.FolderName.empty()) break;
      if (config_.WorkStationPrompt) {
        GoToPage(kPageInstallType);
      } else {
        GoToPage(kPageReady);
        BuildSummary();
      }
      break;
    case kPageInstallType:
      if (config_.WorkStationPrompt) break;
      GoToPage(kPageReady);
      BuildSummary();
      break;
    case kPageReady:
      BuildSummary();
      break;
    default:
      break;
  }
  LogPage();
}

void TZEV::backClick() {
  // Once Install was pressed there is no way back: the ready page would offer Install again.
  if (InstallStarted || Page() <= kPageWelcome) return;
  back.Enabled = true;
  next.Enabled = true;
  install.Visible = false;
  GoToPage(Page() - 1);
  switch (Page()) {
    case kPageLicense:
      if (LicensePresent())
        next.Enabled = false;
      else
        GoToPage(kPageWelcome);
      break;
    case kPageFolder:
      if (config_.FolderName.empty()) GoToPage(kPageDestination);
      break;
    case kPageInstallType:
      if (config_.WorkStationPrompt) break;
      GoToPage(config_.FolderName.empty() ? kPageDestination : kPageFolder);
      break;
    default:
      break;
  }
  LogPage();
}

void TZEV::acceptClick() {
  if (InstallStarted) return;
  back.Enabled = true;
  next.Enabled = true;
  GoToPage(Page() + 1);
  LogPage();
}

void TZEV::declineClick() {
  if (InstallStarted) return;
  Declined = true;
  App().Log("licence declined");
  Close();
}

void TZEV::cancelClick() {
  // The worker still uses this form and its lists; it closes the wizard itself when done.
  if (installing_) {
    App().Log("Cancel ignored: the installation is running");
    return;
  }
  if (!InstallCompleted) Cancelled = true;
  Close();
}

void TZEV::browseClick() {
  if (InstallStarted) return;
  form3_.SetPath(Destination());
  if (App().ShowModal(form3_) == platform::ModalResult::OK) SetDestination(form3_.Path());
}

void TZEV::FoldersDblClick() {
  if (Folders.ItemIndex < 0 || static_cast<std::size_t>(Folders.ItemIndex) >= Folders.Items.Count()) return;
  CreateFolder.SetText(Folders.SelectedText());
}

void TZEV::installClick() {
  // The worker runs once: a second click while it runs (it lets messages through) or after it
  // stopped on an error does nothing.
  if (InstallStarted) return;
  InstallStarted = true;
  Shortcuts1.Folder = CreateFolder.Text;
  Shortcuts1.FolderStartMenu = StartMenuBox().Checked;
  Shortcuts1.FolderDesktop = DesktopBox().Checked;
  GoToPage(kPageInstall);
  LogPage();
  installing_ = true;
  try {
    RunInstall();
  } catch (const std::exception& e) {
    // What the application's default handling does with an error that ends an event: show its
    // text. The wizard stays on the install page with everything done so far kept.
    installing_ = false;
    InstallError = e.what();
    App().Log("error: " + InstallError);
    // Back and Install do nothing from here on; only Cancel leaves.
    back.Enabled = next.Enabled = install.Enabled = false;
    cancel.SetFocus();
    App().MessageBox(InstallError, "", platform::MsgKind::Error, platform::mbOK);
  }
  installing_ = false;
}

}  // namespace zev::setup
