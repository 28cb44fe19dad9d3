// TCompress: lists archives, expands their members into a target folder, and (the writing
// side) compresses files into archives of the same format.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "compress/archive_format.h"
#include "compress/codec_settings.h"
#include "compress/method.h"
#include "platform/stream.h"
#include "platform/string_list.h"

namespace zev::compress {

// Why a file path is being checked: expansion asks before writing each member (the handler may
// send it elsewhere, or clear the path to skip it); the writing side tells which file it is
// about to read (the path is for looking at only).
enum TCProcessMode : std::int32_t { cmCompressing = 0, cmExpanding = 1 };

using TCompressEvent = std::function<void(platform::Stream& dest, platform::Stream& source,
                                          std::string& compressID, std::int32_t& outputSize,
                                          std::int32_t& checksum)>;
using TExpandEvent = std::function<void(platform::Stream& dest, platform::Stream& source,
                                        std::int32_t sourceSize, std::int32_t destSize,
                                        const std::string& compressID, std::int32_t& checksum)>;
using TFilenameCheckEvent = std::function<void(std::string& filepath, TCProcessMode mode)>;
using TRecognizeEvent = std::function<void(const std::string& compressID, bool& recognized)>;
using TShowProgressEvent = ShowProgressHandler;

// What the lister attaches to each member name.
class TCompressedFileInfo : public TObject {
 public:
  std::int32_t FileDate = 0;
  std::int16_t Attributes = 0;
  std::int32_t UncompressedSize = 0;
  std::int32_t CompressedSize = 0;
  std::uint8_t MethodNumber = 0;
  std::int32_t Checksum = 0;
  std::int32_t HeaderOffset = 0;
  bool Locked = false;
};

// One file to put into an archive: where to read it (a Windows path) and the name to store.
struct ArchiveSource {
  std::string path;
  std::string storedName;
};

class TCompress {
 public:
  virtual ~TCompress() = default;

  TCompressEvent OnCompress;
  TExpandEvent OnExpand;
  TFilenameCheckEvent OnCheckFile;
  TRecognizeEvent OnRecognize;
  TShowProgressEvent OnShowProgress;

  const std::string& TargetPath() const { return targetPath_; }
  // Stores the folder with a trailing "\" (an empty value stays empty).
  void SetTargetPath(const std::string& path);

  bool MakeDirectories = false;
  bool ExceptionOnFileError = false;
  std::int32_t Key = 0;
  // The LZH5 encoder used when compressing; the archive says LH5 whatever it is.
  CompressionLevel Level = CompressionLevel::Exact;
  // How many members CompressFiles compresses at once with RLE, LZH or LZH5, each on a thread of
  // its own; the archive holds the same bytes whatever the number. Members are still written in
  // order, on the calling thread: OnCheckFile names each as its turn comes, and OnShowProgress
  // (called on the calling thread too) follows that member, its abort ending the member's input
  // at the next block the member's thread reads.
  std::int32_t Threads = 1;
  bool CheckSpaceBeforeExpand = false;
  // Before the first member of an archive is written, compare what its header's total size leaves
  // to expand with the free space where that member goes: the expansion stops at that total, so
  // an archive that cannot fit is refused before anything of it is written.
  bool CheckTotalSpaceBeforeExpand = false;

  // Appends each member's name, with a TCompressedFileInfo, to list.
  void ScanCompressedFile(const std::string& fileName, TStringList& list);
  void ScanCompressedStream(platform::Stream& stream, TStringList& list);
  // Expands every member, or with a list only the members it names (ignoring case); on return
  // the list then holds the full paths of the files written, in archive order.
  void ExpandCompressedFile(const std::string& fileName, TStringList* list);
  void ExpandCompressedStream(platform::Stream& stream, TStringList* list);

  // The writing side. Members are stored in the order given, with the method asked for, or
  // with coNone where the method would not make the file smaller. The stream must be seekable:
  // sizes and checksums are patched in after each member's data. CompressFiles keeps the members
  // compressed ahead of their turn in memory up to 64 MiB in all, the rest of them in temporary
  // files beside the archive; CompressToStream has no such place and compresses one member at a
  // time.
  void CompressFiles(const std::string& archiveFile, const std::vector<ArchiveSource>& sources,
                     TCompressionMethod method);
  void CompressToStream(platform::Stream& archive, const std::vector<ArchiveSource>& sources,
                        TCompressionMethod method);
  // Every file below folder, stored by its path relative to folder (prefixed by prefix, which
  // is empty or ends in "\"), in sorted order of the stored names.
  static std::vector<ArchiveSource> CollectFolder(const std::string& folder, const std::string& prefix);

 protected:
  // Reads the archive header from the stream's position, or pretends an empty archive when
  // fewer than 21 bytes remain. Returns the identifier.
  std::string ReadArchiveHeader(platform::Stream& stream, TArchiveHeader& header);
  void InitArchiveHeader(TArchiveHeader& header) const;
  TCompressionMethod RecognizeMethod(const std::string& identifier);
  void ExpandMember(platform::Stream& dest, platform::Stream& source, const TMemberHeader& member,
                    const std::string& identifier);
  std::int32_t FreeSpaceFor(const std::string& path) const;
  // The free space of the file system that will hold path, plus the size of a file it replaces;
  // INT64_MAX when that cannot be known.
  static std::int64_t FreeSpaceAt(const std::string& path);
  static void ForcePath(const std::string& folder);
  static bool FileInList(const TStringList& list, const std::string& name);

 private:
  CodecSettings CodecSettingsForRun() const;
  // Writes the archive; with spillBeside (the archive's name) members may be compressed at once.
  void WriteArchive(platform::Stream& archive, const std::vector<ArchiveSource>& sources,
                    TCompressionMethod method, const std::string& spillBeside);
  // Writes one member at the stream's position; returns its uncompressed size.
  std::int32_t WriteMember(platform::Stream& archive, const ArchiveSource& source,
                           TCompressionMethod method, std::string& identifier);
  // Writes every member, Threads of them compressed at once; adds each one's uncompressed size
  // with addSize as it is written.
  void WriteMembersAtOnce(platform::Stream& archive, const std::vector<ArchiveSource>& sources,
                          TCompressionMethod method, const std::string& spillBeside,
                          const std::function<void(std::int32_t)>& addSize);
  // Opens a file to store and fills in the member's header but for its data's size and checksum.
  std::unique_ptr<platform::Stream> OpenMemberSource(const ArchiveSource& source, TCompressionMethod method,
                                                     TMemberHeader& member) const;
  // Compresses (or stores) input to out from out's position, and completes the member's header.
  void EncodeMemberData(platform::Stream& out, platform::Stream& input, TMemberHeader& member,
                        std::string& identifier, const CodecSettings& settings);

  std::string targetPath_;
};

}  // namespace zev::compress
