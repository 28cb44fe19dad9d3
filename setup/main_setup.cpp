#include "setup/main_setup.h"

#include "platform/files.h"
#include "platform/fs_utils.h"
#include "platform/machine.h"
#include "setup/setup_icon.h"
#include "setup/temp_folder.h"
#include "setup/unzip.h"

namespace zev::setup {

const char* const kHeader2DesignText = "Installation prepared with ZEV Setup";
const char* const kCopyrightText = "ZEV Setup - installs from floppy disks or from a folder of disk copies";

namespace {

constexpr const char* kMain = "Setup - Main";

}  // namespace

TMainSetup::TMainSetup(ui::Application& application) : ui::TForm(application, "MainSetup"), Timer1(application, "Timer1") {
  BorderStyle = ui::TBorderStyle::bsNone;
  WindowState = ui::TWindowState::wsMaximized;
  SetClientSize(536, 348);

  MainScreen.Align = ui::TAlign::alClient;
  InsertControl(MainScreen);
  MainScreen.SetFromColor(ui::clBlue);
  MainScreen.SetSteps(255);

  InsertControl(Setup_Header);
  Setup_Header.Transparent = true;
  Setup_Header.Font = {"Impact", 35, ui::clBlack, false};
  Setup_Header.ShadowColor = ui::clWhite;
  Setup_Header.Left = 8;
  Setup_Header.Top = 1;
  Setup_Header.SetCaption("ZEV - Brindle 32Bit");

  InsertControl(Setup_Header2);
  Setup_Header2.Transparent = true;
  Setup_Header2.Font = {"Times New Roman", 13, ui::clBlack, false};
  Setup_Header2.ShadowColor = ui::clWhite;
  Setup_Header2.Left = 18;
  Setup_Header2.Top = 32;
  Setup_Header2.SetCaption(kHeader2DesignText);

  InsertControl(Image1);
  Image1.Transparent = true;
  Image1.Picture = SetupIcon();
  Image1.SetBounds(488, 8, 32, 32);

  InsertControl(Setup_Copyright);
  Setup_Copyright.Transparent = true;
  Setup_Copyright.Alignment = ui::TAlignment::taCenter;
  Setup_Copyright.Cursor = ui::TCursor::crHandPoint;
  Setup_Copyright.Font = {"MS Sans Serif", 11, ui::clWhite, false};
  Setup_Copyright.SetCaption(kCopyrightText);
  Setup_Copyright.AutoSize = false;

  Timer1.SetEnabled(false);
  Timer1.SetInterval(3000);

  OnCreate = [this] { FormCreate(); };
  OnShow = [this] { FormShow(); };
  OnResize = [this] { FormResize(); };
  OnClose = [this](ui::TCloseAction& action) { FormClose(action); };
  Timer1.OnTimer = [this] { Timer1Timer(); };
  Image1.OnDblClick = [this] { Image1DblClick(); };
}

void TMainSetup::FormCreate() {
  platform::Machine& machine = platform::Machine::Current();
  Config.StartDir = machine.CurrentDirectory();
  if (Config.StartDir.size() > 3) Config.StartDir += '\\';
  const std::string windows = platform::WindowsDirectory();
  Config.WinDrive = windows.substr(0, 3);
  Config.TempDir = windows + "\\Temp\\z";
  TempFolderProblem = MakePrivateTempFolder(Config.TempDir);
}

void TMainSetup::FormShow() {
  App().ProcessMessages();
  ReadInstallConfig();
  // The header fonts may have changed size: lay the lines out again so the second follows the
  // first at its gap.
  FormResize();
  ClearTempFolder();
  Timer1.SetEnabled(true);
}

void TMainSetup::Timer1Timer() {
  Timer1.SetEnabled(false);
  // The user quit (the icon double-clicked) while the timer came due: nothing more is started.
  if (App().Terminated()) return;
  if (!Unzip) {
    Close();
    return;
  }
  App().Log("expansion stage");
  App().ShowModal(*Unzip);
  ExpansionFailed = Unzip->SetupAborted;
  ExpansionCancelled = Unzip->UserAborted;
  if (ExpansionFailed) {
    ExpansionFailure = Unzip->FailureCause();
    if (!ExpansionCancelled && Unzip->FailureMessage == segment::kOperationAborted)
      ExpansionMissingSegment = Unzip->MissingSegment;
  }
  App().FreeForm(*Unzip);
  Unzip = nullptr;
  if (ExpansionFailed || !ZEV) {
    Close();
    return;
  }
  App().Log("wizard");
  App().ShowModal(*ZEV);
}

void TMainSetup::FormResize() {
  Image1.Left = Width - (Image1.Width + Image1.Width / 2);
  Image1.Top = 8;
  Setup_Copyright.SetBounds(0, MainScreen.Height - Setup_Copyright.Height - 10, MainScreen.Width,
                            Setup_Copyright.Height);
  Setup_Header.Top = 1;
  Setup_Header2.Top = Setup_Header.Top + Setup_Header.Height + 2;
}

void TMainSetup::FormClose(ui::TCloseAction&) {
  Config.ClearLists();
  ClearTempFolder();
}

void TMainSetup::Image1DblClick() { Close(); }

void TMainSetup::ClearTempFolder() {
  // Never through a link or in someone else's folder: that would delete files elsewhere.
  if (Config.TempDir.empty() || !CheckTempFolder(Config.TempDir).empty()) return;
  for (const platform::SearchRec& entry : platform::FindFiles(Config.TempDir + "\\*.*", platform::faAnyFile)) {
    const std::string path = Config.TempDir + "\\" + entry.Name;
    // Files expanded read-only would refuse deletion and keep the folder alive.
    if ((entry.Attr & platform::faReadOnly) && !(entry.Attr & platform::faDirectory))
      platform::SetFileAttributes(path, entry.Attr & ~platform::faReadOnly);
    platform::DeleteFile(path);
  }
  platform::RemoveDirectory(Config.TempDir);
}

void TMainSetup::ReadInstallConfig() {
  const std::string file = ConfigFileName();
  const TConfigFile cfg(file);
  Config.ClearLists();

  Config.InstallDisks = cfg.Int(kMain, "Install Disks", 0);
  Config.InstallDir = cfg.String(kMain, "Install Dir", "");
  Config.IniFileName = cfg.String(kMain, "INI File", "");
  Config.LaunchProgram = cfg.String(kMain, "Launch", "");
  Config.FolderName = cfg.String(kMain, "Folder", "Accessories");
  Config.AddToProgramFiles = cfg.Int(kMain, "Add to Program Files", 0) != 0;
  Config.WorkStationPrompt = cfg.Int(kMain, "Work Station Prompt", 0) != 0;

  MainScreen.SetFromColor(static_cast<ui::TColor>(
      cfg.Int(kMain, "Dither From", static_cast<std::int32_t>(MainScreen.FromColor()))));
  MainScreen.SetToColor(static_cast<ui::TColor>(
      cfg.Int(kMain, "Dither To", static_cast<std::int32_t>(MainScreen.ToColor()))));

  auto readHeader = [&](ui::TShadowLabel& label, const std::string& prefix) {
    label.Caption = cfg.String(kMain, prefix, label.Caption);
    label.Font.Name = cfg.String(kMain, prefix + " Font Name", label.Font.Name);
    label.Font.SetSize(cfg.Int(kMain, prefix + " Font Size", label.Font.Size()));
    label.Font.Color = static_cast<ui::TColor>(
        cfg.Int(kMain, prefix + " Font Color", static_cast<std::int32_t>(label.Font.Color)));
    label.ShadowColor = static_cast<ui::TColor>(
        cfg.Int(kMain, prefix + " Font Shadow", static_cast<std::int32_t>(label.ShadowColor)));
    label.AdjustSize();
  };
  readHeader(Setup_Header, "Header");
  readHeader(Setup_Header2, "Header2");

  auto readList = [&](const std::string& section, TStringList& list) {
    for (const std::string& key : ReadSectionKeys(file, section)) list.Add(cfg.String(section, key, ""));
  };
  readList("Directories", Config.DirectoryEntries);
  const std::vector<std::string> fileKeys = ReadSectionKeys(file, "Files");
  for (std::size_t n = 0; n < fileKeys.size(); ++n) {
    const std::string entry = cfg.String("Files", fileKeys[n], "");
    const bool overwrite = cfg.Int("Files - OverWrite", "File #" + std::to_string(n), 0) != 0;
    Config.FileEntries.Add(entry + (overwrite ? "~X" : "~"));
  }
  readList("Desktop", Config.DesktopEntries);
  readList("INI - Setup", Config.IniSetupEntries);
  readList("WorkStation", Config.WorkStationEntries);

  if (Config.LaunchChoiceOffered()) {
    if (RadioButton1) RadioButton1->SetChecked(true);
  } else {
    if (RadioButton2) RadioButton2->SetChecked(true);
    if (RadioButton1) RadioButton1->Enabled = false;
  }
}

}  // namespace zev::setup
