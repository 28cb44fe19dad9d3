// TUnzip: the small modal window of the expansion stage. It reads the segment set from the start
// directory disk by disk, writes every file flat into the main screen's temporary folder, shows
// per-file and overall progress, and tells the main screen whether setup may go on.
//
// The controls keep the form's fixed names; what the numbered ones are:
//   Label2         the name of the file being expanded
//   Label1         "Current File Progress....", over ProgressBar1: the file's progress
//   Label3         "Decompression Progress....", over ProgressBar2: the files done of all
//   Image6         the setup icon
//   Timer1         starts the expansion once the window shows
//   SegCompEZ1     the segment set reader
// The logic reads and writes them through the named accessors below.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/disk_folders.h"
#include "segment/segment.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/std_controls.h"
#include "ui/timer.h"

namespace zev::setup {

class TMainSetup;

class TUnzip : public ui::TForm {
 public:
  TUnzip(ui::Application& application, TMainSetup& mainSetup);
  ~TUnzip() override;

  ui::TLabel Label2{"Label2"};
  ui::TLabel Label1{"Label1"};
  ui::TProgressBar ProgressBar1{"ProgressBar1"};
  ui::TLabel Label3{"Label3"};
  ui::TProgressBar ProgressBar2{"ProgressBar2"};
  ui::TImage Image6{"Image6"};
  ui::TTimer Timer1;
  segment::TSegCompEZ SegCompEZ1;

  // The named accessors of the numbered controls.
  ui::TLabel& FileName() { return Label2; }
  ui::TProgressBar& FileProgress() { return ProgressBar1; }
  ui::TProgressBar& OverallProgress() { return ProgressBar2; }
  ui::TTimer& StartTimer() { return Timer1; }
  segment::TSegCompEZ& Reader() { return SegCompEZ1; }

  bool SetupAborted = false;
  std::string DiskFile;

  // What the program reports when the stage failed: the failure's own text, the segment file
  // that never turned up, and whether the user chose Abort.
  std::string FailureMessage;
  std::string MissingSegment;
  bool UserAborted = false;
  // Members the stage refused to write (no usable file name), as stored.
  std::vector<std::string> SkippedMembers;

  // The real reason the expansion failed, in a sentence: the missing segment file by name when
  // that was it, otherwise the failure's own text.
  std::string FailureCause() const;

  void FormShow();
  void Timer1Timer();
  void FormClick();
  void ExpandFiles();
  void SegCompEZ1CheckFile(std::string& filePath, compress::TCProcessMode mode);
  void SegCompEZ1ShowProgress(std::int32_t& percentageDone);
  void SegCompEZ1SegBefore(segment::TSegMode segMode, const std::string& segName, std::uint16_t segNumber);

 private:
  // Disks copied into side-by-side folders (disk1, disk2 ... beside the start folder): makes the
  // folder that holds segment n the one read, as if that disk had been inserted. False when there
  // is no such folder.
  bool InsertDiskFolder(std::uint16_t segNumber);
  void RestoreStartDrive();

  TMainSetup& mainSetup_;
  std::unique_ptr<platform::DiskFolderChange> diskChange_;  // while the set is read
};

}  // namespace zev::setup
