#include "platform/fs_utils.h"

#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/file_stream.h"
#include "platform/files.h"
#include "platform/machine.h"
#include "platform/path_names.h"
#include "platform/process.h"

namespace zev::platform {
bool IsDirectory(const std::string& path) {
  const std::uint32_t attributes = GetFileAttributes(path);
  return attributes != kInvalidAttributes && (attributes & faDirectory);
}

void ForceDirectories(const std::string& dir) {
  if (dir.empty()) throw Exception("Unable to create directory");
  std::string path = dir;
  if (IsPathSeparator(path.back())) path.pop_back();
  // A drive root, or a name too short to be more than one, has nothing to create.
  if (path.size() < 3 || FolderPart(path) == path) return;
  Machine::Current().CreateDirectories(path);
}

void MakeDirPath(const std::string& dir) {
  try {
    ForceDirectories(dir);
  } catch (const Exception&) {
    // Failures are not reported here: the caller notices when it writes into the folder.
    if (dir.empty()) throw;
  }
}

bool HasAttributes(const std::string& path, std::uint16_t bits) {
  return (GetFileAttributes(path) & bits) == bits;
}

namespace {

// A name beside target for the copy in progress, not taken by any file.
std::string StagingNameBeside(const std::string& target) {
  static unsigned counter = 0;
  for (;;) {
    std::string name = FolderPart(target) + "~zevcopy" + std::to_string(ProcessId()) + "_" +
                       std::to_string(++counter) + ".tmp";
    if (GetFileAttributes(name) == kInvalidAttributes) return name;
  }
}

}  // namespace

void CopyOneFile(const std::string& source, const std::string& dest) {
  std::string target = Machine::Current().ExpandFileName(dest);
  if (HasAttributes(target, faDirectory)) {
    if (!IsPathSeparator(target.back())) target += '\\';
    target += FileNamePart(source);
  }
  FileStream input(source, fmOpenRead | fmShareDenyWrite);
  // A target that could not be replaced (read-only, or held open by someone) fails before any
  // byte is copied, as creating it would.
  if (FileExists(target)) {
    try {
      FileStream probe(target, fmOpenReadWrite | fmShareExclusive);
    } catch (const EStreamError&) {
      throw EFCreateError(target);
    }
  }
  // The copy is written beside the target and takes its place only when it is whole: a full disk
  // or a failed read leaves the file that was there.
  const std::string staged = StagingNameBeside(target);
  try {
    FileStream output(staged, fmCreate);
    output.GatherWrites();
    std::vector<char> buffer(8192);
    for (;;) {
      const std::size_t n = input.Read(buffer.data(), buffer.size());
      // A short write (a full disk) must not pass for a finished copy.
      if (n > 0) output.WriteBuffer(buffer.data(), n);
      if (n < buffer.size()) break;
    }
    output.Flush();
  } catch (const EFCreateError&) {
    throw EFCreateError(target);
  } catch (...) {
    DeleteFile(staged);
    throw;
  }
  if (!ReplaceFile(staged, target)) {
    DeleteFile(staged);
    throw EFCreateError(target);
  }
}

void SplitField(std::string& text, char delimiter, std::string& head) {
  const std::size_t p = text.find(delimiter);
  if (p == std::string::npos) {
    head = text;
    return;
  }
  head = text.substr(0, p);
  text.erase(0, p + 1);
}

std::string WindowsDirectory() { return Machine::Current().WindowsDirectory(); }

}  // namespace zev::platform
