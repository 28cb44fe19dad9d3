#include "setup/unzip.h"

#include <cstdio>

#include "platform/disk_folders.h"
#include "platform/files.h"
#include "platform/fs_utils.h"
#include "platform/machine.h"
#include "platform/path_names.h"
#include "platform/text.h"
#include "setup/main_setup.h"
#include "setup/setup_icon.h"
#include "setup/temp_folder.h"

namespace zev::setup {
namespace {

using platform::ModalResult;

std::string ThreeDigits(std::uint16_t n) {
  char text[8];
  std::snprintf(text, sizeof text, "%03u", static_cast<unsigned>(n));
  return text;
}

}  // namespace

TUnzip::TUnzip(ui::Application& application, TMainSetup& mainSetup)
    : ui::TForm(application, "Unzip"), Timer1(application, "Timer1"), mainSetup_(mainSetup) {
  Caption = "Preparing Setup    ";
  BorderStyle = ui::TBorderStyle::bsToolWindow;
  BorderIcons = false;
  Position = ui::TPosition::poScreenCenter;
  SetClientSize(383, 113);
  Font = {"MS Sans Serif", 13, ui::clWindowText, true};  // the system font

  for (ui::TLabel* label : {&Label2, &Label1, &Label3}) {
    InsertControl(*label);
    label->Font = Font;
  }
  Label2.Left = 6, Label2.Top = 4;
  Label2.SetCaption("");
  Label1.Left = 6, Label1.Top = 28;
  Label1.SetCaption("Current File Progress....");
  Label3.Left = 6, Label3.Top = 72;
  Label3.SetCaption("Decompression Progress....");
  InsertControl(ProgressBar1);
  ProgressBar1.SetBounds(6, 42, 369, 15);
  InsertControl(ProgressBar2);
  ProgressBar2.SetBounds(6, 86, 367, 15);
  InsertControl(Image6);
  Image6.SetBounds(342, 4, 32, 32);
  Image6.Picture = SetupIcon();
  Image6.Transparent = true;

  Timer1.SetEnabled(false);
  Timer1.SetInterval(2000);

  SegCompEZ1.SetSegBaseName("segdata");
  SegCompEZ1.SetSegDir("a:\\");
  SegCompEZ1.SegPopUp = false;
  SegCompEZ1.SetSegSize(1440000);
  SegCompEZ1.SegBuildMode = segment::bmRecursive;
  SegCompEZ1.SegCompType = compress::coLZH5;
  SegCompEZ1.SegMultiArc = true;
  SegCompEZ1.MakeDirectories = false;
  SegCompEZ1.ExceptionOnFileError = false;
  SegCompEZ1.Key = 0;
  // A member may declare up to 2 GiB of the private folder's disk: the set as a whole before
  // anything is written, and each member before it is, must fit on it.
  SegCompEZ1.CheckSpaceBeforeExpand = true;
  SegCompEZ1.CheckTotalSpaceBeforeExpand = true;
  SegCompEZ1.OnCheckFile = [this](std::string& path, compress::TCProcessMode mode) { SegCompEZ1CheckFile(path, mode); };
  SegCompEZ1.OnShowProgress = [this](std::int32_t& percent) { SegCompEZ1ShowProgress(percent); };
  SegCompEZ1.OnSegBefore = [this](segment::TSegMode mode, const std::string& name, std::uint16_t number) {
    SegCompEZ1SegBefore(mode, name, number);
  };

  OnShow = [this] { FormShow(); };
  OnClick = [this] { FormClick(); };
  Timer1.OnTimer = [this] { Timer1Timer(); };
}

TUnzip::~TUnzip() { RestoreStartDrive(); }

void TUnzip::FormShow() {
  SetupAborted = false;
  App().ProcessMessages();
  Timer1.SetEnabled(true);
}

void TUnzip::Timer1Timer() {
  Timer1.SetEnabled(false);
  SetupAborted = false;
  ExpandFiles();
}

void TUnzip::ExpandFiles() {
  SegCompEZ1.SetSegBaseName("zevsetup");
  SegCompEZ1.SetSegDir(mainSetup_.Config.StartDir);
  SegCompEZ1.SetSegTmpDir(platform::WindowsDirectory() + "\\temp");
  SegCompEZ1.SetTargetPath(mainSetup_.Config.TempDir);
  SegCompEZ1.SegArcList().Clear();
  SegCompEZ1.SetSegSource(TStringList());
  ProgressBar2.SetMax(static_cast<int>(mainSetup_.Config.FileEntries.Count()));
  ProgressBar2.SetPosition(0);

  diskChange_ = std::make_unique<platform::DiskFolderChange>(mainSetup_.Config.StartDir);
  try {
    const ui::TBusyCursor busy(App());
    // The folder was removed when the main screen cleared it; made again here so that it is
    // private from the first file on, and checked once more in case someone slipped a link in.
    if (std::string problem = MakePrivateTempFolder(mainSetup_.Config.TempDir); !problem.empty()) throw Exception(problem);
    SegCompEZ1.SegExpand();
  } catch (const std::exception& e) {
    FailureMessage = e.what();
    // The box says only that it failed; the log says why.
    App().Log("expansion failed: " + FailureCause());
    App().MessageBox("Error Expanding Files!!", "", platform::MsgKind::Information, platform::mbOK);
    SetupAborted = true;
  }
  // The later copies of "install.exe" and install.cfg look for them on the first disk.
  RestoreStartDrive();
  Close();
}

void TUnzip::SegCompEZ1CheckFile(std::string& filePath, compress::TCProcessMode) {
  // The stored name is what follows the archive's own target folder; only its file name is kept,
  // cut at the same "\", "/" and ":" as everywhere else, so that no folder part ("x/../../..")
  // can lead out of the private folder.
  const std::string& prefix = SegCompEZ1.TargetPath();
  const std::string stored = filePath.compare(0, prefix.size(), prefix) == 0 ? filePath.substr(prefix.size()) : filePath;
  const std::string name = platform::FileNamePart(stored);
  if (const std::string problem = platform::FileNameProblem(stored); !problem.empty()) {
    App().Log("member skipped, " + problem + ": " + filePath);
    SkippedMembers.push_back(filePath);
    filePath.clear();
    return;
  }
  filePath = mainSetup_.Config.TempDir + "\\" + name;
  Label2.SetCaption(name);
  ProgressBar2.StepBy(1);
  App().Log("expanding " + name);
  App().ProcessMessages();
}

void TUnzip::SegCompEZ1ShowProgress(std::int32_t& percentageDone) {
  ProgressBar1.SetPosition(0);
  App().ProcessMessages();
  ProgressBar1.SetPosition(percentageDone);
  App().ProcessMessages();
  if (SetupAborted) percentageDone = -1;
}

void TUnzip::SegCompEZ1SegBefore(segment::TSegMode, const std::string&, std::uint16_t segNumber) {
  const std::string digits = ThreeDigits(segNumber);
  App().ProcessMessages();
  DiskFile = mainSetup_.Config.StartDir + "ZEVSetup." + digits;
  if (platform::FileExists(DiskFile)) {
    // Read from the start directory again should an earlier disk have come from a folder beside it.
    SegCompEZ1.SetSegDir(mainSetup_.Config.StartDir);
    return;
  }
  if (InsertDiskFolder(segNumber)) return;
  // The box speaks of a floppy drive; the person at this host also learns where A: is.
  const auto folder = platform::Machine::Current().DriveFolder('A');
  App().Notice("disk #" + std::to_string(segNumber) + " is missing: " + DiskFile + " was not found" +
               (folder ? "; A: is the folder " + folder->string() : std::string()));
  for (int attempt = 0; attempt < 2; ++attempt) {
    App().MessageBox("Please Insert Disk #" + std::to_string(segNumber) + " into Floppy Drive.", "",
                     platform::MsgKind::Information, platform::mbOK);
    if (platform::FileExists(DiskFile)) break;
  }
  if (!platform::FileExists(DiskFile)) MissingSegment = "zevsetup." + digits;
  else MissingSegment.clear();
  App().ProcessMessages();
}

bool TUnzip::InsertDiskFolder(std::uint16_t segNumber) {
  if (!diskChange_) return false;
  std::string moved;
  const std::optional<std::string> folder = diskChange_->Insert(segNumber, "zevsetup." + ThreeDigits(segNumber), moved);
  if (!folder) return false;
  // The reader builds the segment's path after this handler, from the directory it is given here.
  SegCompEZ1.SetSegDir(*folder);
  DiskFile = *folder + "ZEVSetup." + ThreeDigits(segNumber);
  App().Log(moved);
  return true;
}

void TUnzip::RestoreStartDrive() {
  if (!diskChange_) return;
  if (const std::string restored = diskChange_->Restore(); !restored.empty()) App().Log(restored);
}

std::string TUnzip::FailureCause() const {
  if (UserAborted) return "setup was aborted by the user";
  if (!MissingSegment.empty() && FailureMessage == segment::kOperationAborted)
    return "the segment file " + MissingSegment + " was not found in " + mainSetup_.Config.StartDir +
           (diskChange_ && diskChange_->LooksBeside() ? " nor in a disk folder beside it" : "");
  return FailureMessage;
}

void TUnzip::FormClick() {
  if (App().MessageBox("Abort Setup Process ?", "", platform::MsgKind::Warning, platform::mbNo | platform::mbAbort) !=
      ModalResult::Abort)
    return;
  SetupAborted = true;
  UserAborted = true;
  mainSetup_.ClearTempFolder();
  App().Terminate();
}

}  // namespace zev::setup
