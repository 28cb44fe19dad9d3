// The writing side of TCompress: files into archives that its readers accept.
#include <algorithm>
#include <limits>
#include <memory>

#include "compress/codec_frame.h"
#include "compress/compress.h"
#include "compress/errors.h"
#include "platform/files.h"

namespace zev::compress {

using platform::FileStream;
using platform::Stream;

namespace {

constexpr std::int64_t kLargestMember = std::numeric_limits<std::int32_t>::max();

// Copies count bytes and returns their byte sum.
std::uint32_t CopyWithSum(Stream& dest, Stream& source, std::int64_t count) {
  std::vector<std::uint8_t> block(static_cast<std::size_t>(kCodecBlockSize));
  std::uint32_t sum = 0;
  while (count > 0) {
    auto n = static_cast<std::size_t>(std::min<std::int64_t>(count, kCodecBlockSize));
    source.ReadBuffer(block.data(), n);
    dest.WriteBuffer(block.data(), n);
    sum = ByteSum(block.data(), n, sum);
    count -= static_cast<std::int64_t>(n);
  }
  return sum;
}

void WriteAt(Stream& stream, std::int64_t position, const std::uint8_t* bytes, std::size_t size) {
  std::int64_t resume = stream.Position();
  stream.SetPosition(position);
  stream.WriteBuffer(bytes, size);
  stream.SetPosition(resume);
}

// The methods the codec frame runs, which scramble their data under a key.
bool Scrambles(std::uint8_t method) { return FindCodec(method) != nullptr; }

}  // namespace

std::int32_t TCompress::WriteMember(Stream& archive, const ArchiveSource& source, TCompressionMethod method,
                                    std::string& identifier) {
  if (OnCheckFile) {
    std::string path = source.path;
    OnCheckFile(path, cmCompressing);
  }
  FileStream input(source.path, platform::fmOpenRead | platform::fmShareDenyWrite);
  std::int64_t size = input.Size();
  if (size > kLargestMember) throw Exception("File too large for an archive: " + source.path);
  if (source.storedName.size() > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max()))
    throw Exception("Name too long for an archive: " + source.storedName);

  TMemberHeader member;
  member.NameLength = static_cast<std::int16_t>(source.storedName.size());
  member.FileDate = platform::FileAge(source.path);
  member.Attributes = static_cast<std::int16_t>(platform::GetFileAttributes(source.path) & ~platform::faDirectory);
  member.UncompressedSize = static_cast<std::int32_t>(size);
  member.MethodNumber = method;

  const std::int64_t headerPosition = archive.Position();
  archive.WriteBuffer(EncodeMemberHeader(member).data(), kMemberHeaderSize);
  archive.WriteBuffer(source.storedName.data(), source.storedName.size());
  const std::int64_t dataPosition = archive.Position();

  std::int32_t checksum = 0;
  bool stored = method == coNone || (method == coCustom && !OnCompress);
  if (Scrambles(method)) {
    try {
      member.CompressedSize = RunCodec(CodecSettingsForRun(), archive, input, member.UncompressedSize,
                                       member.UncompressedSize, method, checksum, false, false);
    } catch (const EUnableToCompress&) {
      // The method would grow this file: keep it as it is. Whatever the codec wrote is at most
      // as long as the file, so the stored copy overwrites all of it.
      stored = true;
      input.SetPosition(0);
      archive.SetPosition(dataPosition);
    }
  } else if (!stored) {
    std::int32_t outputSize = 0;
    OnCompress(archive, input, identifier, outputSize, checksum);
    member.CompressedSize = outputSize;
  }
  if (stored) {
    member.MethodNumber = coNone;
    member.CompressedSize = member.UncompressedSize;
    checksum = static_cast<std::int32_t>(CopyWithSum(archive, input, size));
  }

  if (Key != 0) {
    member.LockMode = Scrambles(member.MethodNumber) ? 2 : 1;
    checksum = static_cast<std::int32_t>(static_cast<std::uint32_t>(checksum) + static_cast<std::uint32_t>(Key));
  }
  member.Checksum = checksum;
  WriteAt(archive, headerPosition, EncodeMemberHeader(member).data(), kMemberHeaderSize);
  return member.UncompressedSize;
}

void TCompress::CompressToStream(Stream& archive, const std::vector<ArchiveSource>& sources,
                                 TCompressionMethod method) {
  TArchiveHeader header;
  InitArchiveHeader(header);
  std::string identifier = MethodIDs[method];
  const std::int64_t headerPosition = archive.Position();
  archive.WriteBuffer(EncodeArchiveHeader(header).data(), kArchiveHeaderSize);

  std::int64_t total = 0;
  for (const ArchiveSource& source : sources) {
    total += WriteMember(archive, source, method, identifier);
    if (total > kLargestMember) throw Exception("Archive too large: its files exceed 2 GiB in all");
  }
  header.TotalSize = static_cast<std::int32_t>(total);
  // A custom compressor may name the archive's method itself; only three characters are kept.
  identifier.resize(3, ' ');
  std::copy(identifier.begin(), identifier.end(), header.identifier.begin());
  WriteAt(archive, headerPosition, EncodeArchiveHeader(header).data(), kArchiveHeaderSize);
}

void TCompress::CompressFiles(const std::string& archiveFile, const std::vector<ArchiveSource>& sources,
                              TCompressionMethod method) {
  auto archive = std::make_unique<FileStream>(archiveFile, platform::fmCreate);
  try {
    CompressToStream(*archive, sources, method);
  } catch (...) {
    // A half-written archive is of no use to anyone.
    archive.reset();
    platform::DeleteFile(archiveFile);
    throw;
  }
}

std::vector<ArchiveSource> TCompress::CollectFolder(const std::string& folder, const std::string& prefix) {
  std::vector<ArchiveSource> sources;
  std::string base = folder;
  if (!base.empty() && base.back() != '\\') base += '\\';
  for (const platform::SearchRec& entry : platform::FindFiles(base + "*.*", platform::faAnyFile)) {
    if (entry.Name == "." || entry.Name == "..") continue;
    if (entry.Attr & platform::faDirectory) {
      auto inner = CollectFolder(base + entry.Name, prefix + entry.Name + "\\");
      sources.insert(sources.end(), inner.begin(), inner.end());
    } else {
      sources.push_back({base + entry.Name, prefix + entry.Name});
    }
  }
  std::sort(sources.begin(), sources.end(),
            [](const ArchiveSource& a, const ArchiveSource& b) { return a.storedName < b.storedName; });
  return sources;
}

}  // namespace zev::compress
