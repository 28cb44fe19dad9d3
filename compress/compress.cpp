#include "compress/compress.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "compress/codec_frame.h"
#include "compress/errors.h"
#include "platform/files.h"
#include "platform/fs_utils.h"
#include "platform/text.h"

namespace zev::compress {

using platform::FileStream;
using platform::Stream;

namespace {

// The folder part of a path: everything up to and including its last "\" or ":".
std::string FolderOf(const std::string& path) {
  auto cut = path.find_last_of("\\:");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

}  // namespace

void TCompress::SetTargetPath(const std::string& path) {
  targetPath_ = path;
  if (!targetPath_.empty() && targetPath_.back() != '\\') targetPath_ += '\\';
}

CodecSettings TCompress::CodecSettingsForRun() const {
  CodecSettings settings;
  settings.onShowProgress = OnShowProgress;
  settings.key = Key;
  settings.level = Level;
  settings.limitOutputToDeclaredSize = true;
  return settings;
}

void TCompress::InitArchiveHeader(TArchiveHeader& header) const {
  header = TArchiveHeader{};
  header.LockMode = Key > 0 ? 2 : 0;
}

TCompressionMethod TCompress::RecognizeMethod(const std::string& identifier) {
  for (std::size_t i = 0; i < MethodIDs.size(); ++i)
    if (identifier == MethodIDs[i]) return static_cast<TCompressionMethod>(i);
  if (OnRecognize) {
    bool recognized = false;
    OnRecognize(identifier, recognized);
    if (recognized) return coCustom;
  }
  throw EUnrecognizedCompressionMethod(identifier);
}

std::string TCompress::ReadArchiveHeader(Stream& stream, TArchiveHeader& header) {
  if (stream.Remaining() < static_cast<std::int64_t>(kArchiveHeaderSize)) {
    InitArchiveHeader(header);
    return header.Identifier();
  }
  std::array<std::uint8_t, kArchiveHeaderSize> bytes;
  stream.ReadBuffer(bytes.data(), bytes.size());
  header = DecodeArchiveHeader(bytes.data());
  if (header.magic != kArchiveMagic) throw EInvalidHeader();
  if (header.ArchiveType != caMulti) throw EInvalidHeaderArchiveType();
  std::string identifier = header.Identifier();
  RecognizeMethod(identifier);
  return identifier;
}

void TCompress::ScanCompressedFile(const std::string& fileName, TStringList& list) {
  FileStream stream(fileName, platform::fmOpenRead | platform::fmShareExclusive);
  ScanCompressedStream(stream, list);
}

void TCompress::ScanCompressedStream(Stream& stream, TStringList& list) {
  if (stream.Remaining() < kSmallestListableArchive) return;
  TArchiveHeader archive;
  ReadArchiveHeader(stream, archive);
  TMemberHeader member;
  std::string name;
  while (ReadMemberHeader(stream, member, name)) {
    auto info = std::make_shared<TCompressedFileInfo>();
    info->FileDate = member.FileDate;
    info->Attributes = member.Attributes;
    info->UncompressedSize = member.UncompressedSize;
    info->CompressedSize = member.CompressedSize;
    info->MethodNumber = member.MethodNumber;
    info->Checksum = member.Checksum;
    info->HeaderOffset = static_cast<std::int32_t>(stream.Position() - static_cast<std::int64_t>(kMemberHeaderSize) -
                                                   member.NameLength);
    info->Locked = member.LockMode > 0;
    list.Add(name, std::move(info));
    stream.Seek(member.CompressedSize, platform::SeekOrigin::Current);
  }
}

void TCompress::ExpandCompressedFile(const std::string& fileName, TStringList* list) {
  FileStream stream(fileName, platform::fmOpenRead | platform::fmShareExclusive);
  stream.ReadAhead();
  ExpandCompressedStream(stream, list);
}

void TCompress::ExpandCompressedStream(Stream& stream, TStringList* list) {
  TStringList written;
  TArchiveHeader archive;
  std::string identifier = ReadArchiveHeader(stream, archive);
  // Kept in 64 bits: member sizes of a damaged archive may add up past 2^31.
  std::int64_t runningTotal = 0;
  TMemberHeader member;
  std::string name;
  auto skipData = [&] { stream.Seek(member.CompressedSize, platform::SeekOrigin::Current); };

  bool totalChecked = !CheckTotalSpaceBeforeExpand;

  while (ReadMemberHeader(stream, member, name) && runningTotal < archive.TotalSize) {
    const std::int64_t dataStart = stream.Position();
    if (list && !FileInList(*list, name)) {
      skipData();
      runningTotal += member.UncompressedSize;
      continue;
    }
    std::string path = !name.empty() && name[0] == '\\' ? name : targetPath_ + name;
    if (OnCheckFile) {
      OnCheckFile(path, cmExpanding);
      if (path.empty()) {
        skipData();
        continue;
      }
      if (path == "*") break;
    }
    if (FreeSpaceFor(path) < member.UncompressedSize) throw EInsufficientDiskSpace(path);
    if (!totalChecked) {
      totalChecked = true;
      if (FreeSpaceAt(path) < archive.TotalSize - runningTotal) throw EInsufficientDiskSpace(FolderOf(path));
    }
    if (MakeDirectories) ForcePath(FolderOf(path));

    std::unique_ptr<FileStream> output;
    try {
      output = std::make_unique<FileStream>(path, platform::fmCreate);
    } catch (const platform::EStreamError&) {
      if (ExceptionOnFileError) throw;
      skipData();
      continue;
    }
    output->GatherWrites();
    try {
      ExpandMember(*output, stream, member, identifier);
      output->Flush();
    } catch (const EInvalidKey&) {
      output.reset();
      platform::DeleteFile(path);
      throw;
    } catch (...) {
      output.reset();
      platform::SetFileAttributes(path, static_cast<std::uint16_t>(member.Attributes));
      throw;
    }
    // The next header follows this member's data, whatever its method consumed of it: a method
    // this reader does not know reads nothing, and a damaged stream may end early. Reading on
    // from there would take data for headers.
    stream.SetPosition(dataStart + member.CompressedSize);
    output->SetDosDateTime(member.FileDate);
    written.Add(path);
    output.reset();
    platform::SetFileAttributes(path, static_cast<std::uint16_t>(member.Attributes));
    runningTotal += member.UncompressedSize;
  }
  if (list) {
    list->Clear();
    for (const std::string& path : written.Strings()) list->Add(path);
  }
}

void TCompress::ExpandMember(Stream& dest, Stream& source, const TMemberHeader& member,
                             const std::string& identifier) {
  const bool locked = member.LockMode > 0;
  if (member.MethodNumber != coNone && locked && Key == 0) throw EInvalidKey();
  std::int32_t checksum = 0;
  if (member.MethodNumber == coNone) {
    if (member.CompressedSize > 0) dest.CopyFrom(source, member.CompressedSize);
    return;
  }
  if (FindCodec(member.MethodNumber) != nullptr) {
    try {
      RunCodec(CodecSettingsForRun(), dest, source, member.CompressedSize, member.UncompressedSize,
               member.MethodNumber, checksum, true, member.LockMode == 2);
    } catch (const ELZHBadDecodeTable&) {
      if (locked) throw EInvalidKey();
      throw;
    } catch (const ETruncatedData&) {
      // Unscrambled with the wrong key, a locked member's data is noise that may well run out,
      // or run on past its size.
      if (locked) throw EInvalidKey();
      throw;
    } catch (const EDataOverrun&) {
      if (locked) throw EInvalidKey();
      throw;
    }
  } else if (member.MethodNumber == coCustom && OnExpand) {
    OnExpand(dest, source, member.CompressedSize, member.UncompressedSize, identifier, checksum);
  }
  if (checksum == member.Checksum) return;
  if (!locked) throw EBadChecksum();
  if (static_cast<std::int32_t>(static_cast<std::uint32_t>(Key) + static_cast<std::uint32_t>(checksum)) !=
      member.Checksum)
    throw EInvalidKey();
}

std::int32_t TCompress::FreeSpaceFor(const std::string& path) const {
  constexpr std::int64_t kUnlimited = 2147483647;
  if (!CheckSpaceBeforeExpand) return kUnlimited;
  return static_cast<std::int32_t>(std::min(FreeSpaceAt(path), kUnlimited));
}

std::int64_t TCompress::FreeSpaceAt(const std::string& path) {
  // The file system of the folder the file goes into, not that of its drive's root: a target
  // folder may be a mount of its own.
  std::int64_t space = platform::DiskFreeAt(path);
  if (space < 0) return std::numeric_limits<std::int64_t>::max();
  std::int64_t existing = platform::FileSize(path);
  if (existing > 0 && space <= std::numeric_limits<std::int64_t>::max() - existing) space += existing;
  return space;
}

void TCompress::ForcePath(const std::string& folder) {
  if (folder.empty()) return;
  // One walk down from the drive's root creates every missing level, however deep.
  platform::ForceDirectories(folder);
}

bool TCompress::FileInList(const TStringList& list, const std::string& name) { return list.IndexOf(name) >= 0; }

}  // namespace zev::compress
