// The writing side of TCompress: files into archives that its readers accept.
#include <algorithm>
#include <limits>
#include <memory>

#include "compress/codec_frame.h"
#include "compress/compress.h"
#include "compress/errors.h"
#include "compress/ordered_workers.h"
#include "compress/spill_stream.h"
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

// What the members compressed ahead of their turn keep in memory together; the rest of them goes
// to temporary files.
constexpr std::size_t kWaitingMemory = 64u << 20;

}  // namespace

std::unique_ptr<Stream> TCompress::OpenMemberSource(const ArchiveSource& source, TCompressionMethod method,
                                                    TMemberHeader& member) const {
  auto input = std::make_unique<FileStream>(source.path, platform::fmOpenRead | platform::fmShareDenyWrite);
  std::int64_t size = input->Size();
  if (size > kLargestMember) throw Exception("File too large for an archive: " + source.path);
  if (source.storedName.size() > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max()))
    throw Exception("Name too long for an archive: " + source.storedName);

  member = TMemberHeader{};
  member.NameLength = static_cast<std::int16_t>(source.storedName.size());
  member.FileDate = platform::FileAge(source.path);
  member.Attributes = static_cast<std::int16_t>(platform::GetFileAttributes(source.path) & ~platform::faDirectory);
  member.UncompressedSize = static_cast<std::int32_t>(size);
  member.MethodNumber = method;
  return input;
}

void TCompress::EncodeMemberData(Stream& out, Stream& input, TMemberHeader& member, std::string& identifier,
                                 const CodecSettings& settings) {
  const std::int64_t dataPosition = out.Position();
  const auto method = static_cast<TCompressionMethod>(member.MethodNumber);
  std::int32_t checksum = 0;
  bool stored = method == coNone || (method == coCustom && !OnCompress);
  if (Scrambles(method)) {
    try {
      member.CompressedSize = RunCodec(settings, out, input, member.UncompressedSize, member.UncompressedSize,
                                       method, checksum, false, false);
    } catch (const EUnableToCompress&) {
      // The method would grow this file: keep it as it is. Whatever the codec wrote is at most
      // as long as the file, so the stored copy overwrites all of it.
      stored = true;
      input.SetPosition(0);
      out.SetPosition(dataPosition);
    }
  } else if (!stored) {
    std::int32_t outputSize = 0;
    OnCompress(out, input, identifier, outputSize, checksum);
    member.CompressedSize = outputSize;
  }
  if (stored) {
    member.MethodNumber = coNone;
    member.CompressedSize = member.UncompressedSize;
    checksum = static_cast<std::int32_t>(CopyWithSum(out, input, member.UncompressedSize));
  }

  if (Key != 0) {
    member.LockMode = Scrambles(member.MethodNumber) ? 2 : 1;
    checksum = static_cast<std::int32_t>(static_cast<std::uint32_t>(checksum) + static_cast<std::uint32_t>(Key));
  }
  member.Checksum = checksum;
}

std::int32_t TCompress::WriteMember(Stream& archive, const ArchiveSource& source, TCompressionMethod method,
                                    std::string& identifier) {
  if (OnCheckFile) {
    std::string path = source.path;
    OnCheckFile(path, cmCompressing);
  }
  TMemberHeader member;
  const std::unique_ptr<Stream> input = OpenMemberSource(source, method, member);
  const std::int64_t headerPosition = archive.Position();
  archive.WriteBuffer(EncodeMemberHeader(member).data(), kMemberHeaderSize);
  archive.WriteBuffer(source.storedName.data(), source.storedName.size());
  EncodeMemberData(archive, *input, member, identifier, CodecSettingsForRun());
  WriteAt(archive, headerPosition, EncodeMemberHeader(member).data(), kMemberHeaderSize);
  return member.UncompressedSize;
}

void TCompress::WriteMembersAtOnce(Stream& archive, const std::vector<ArchiveSource>& sources,
                                   TCompressionMethod method, const std::string& spillBeside,
                                   const std::function<void(std::int32_t)>& addSize) {
  // A member compressed ahead of its turn: its header, and its data until it is written.
  struct Prepared {
    TMemberHeader header;
    std::unique_ptr<SpillStream> data;
  };
  std::vector<Prepared> members(sources.size());
  const CodecSettings shared = CodecSettingsForRun();
  const auto threads = static_cast<unsigned>(std::min<std::size_t>(static_cast<std::size_t>(Threads), sources.size()));
  // Up to two members per thread wait ahead of the one being written.
  const std::size_t window = 2 * std::size_t{threads};
  const std::size_t memoryLimit = kWaitingMemory / (window + 1);
  OrderedWorkers workers(sources.size(), threads, window, [&](std::size_t i, const ShowProgressHandler& progress) {
    Prepared& member = members[i];
    const std::unique_ptr<Stream> input = OpenMemberSource(sources[i], method, member.header);
    member.data = std::make_unique<SpillStream>(spillBeside + "." + std::to_string(i), memoryLimit);
    CodecSettings settings = shared;
    settings.onShowProgress = progress;
    // Only a custom method names the archive's method.
    std::string unchanged;
    EncodeMemberData(*member.data, *input, member.header, unchanged, settings);
  });
  for (std::size_t i = 0; i < sources.size(); ++i) {
    if (OnCheckFile) {
      std::string path = sources[i].path;
      OnCheckFile(path, cmCompressing);
    }
    workers.Wait(i, OnShowProgress);
    const Prepared member = std::move(members[i]);
    archive.WriteBuffer(EncodeMemberHeader(member.header).data(), kMemberHeaderSize);
    archive.WriteBuffer(sources[i].storedName.data(), sources[i].storedName.size());
    member.data->SetPosition(0);
    archive.CopyFrom(*member.data, member.data->Size());
    addSize(member.header.UncompressedSize);
  }
}

void TCompress::WriteArchive(Stream& archive, const std::vector<ArchiveSource>& sources, TCompressionMethod method,
                             const std::string& spillBeside) {
  TArchiveHeader header;
  InitArchiveHeader(header);
  std::string identifier = MethodIDs[method];
  const std::int64_t headerPosition = archive.Position();
  archive.WriteBuffer(EncodeArchiveHeader(header).data(), kArchiveHeaderSize);

  std::int64_t total = 0;
  auto addSize = [&total](std::int32_t size) {
    total += size;
    if (total > kLargestMember) throw Exception("Archive too large: its files exceed 2 GiB in all");
  };
  if (Threads > 1 && Scrambles(method) && !spillBeside.empty() && sources.size() > 1) {
    WriteMembersAtOnce(archive, sources, method, spillBeside, addSize);
  } else {
    for (const ArchiveSource& source : sources) addSize(WriteMember(archive, source, method, identifier));
  }
  header.TotalSize = static_cast<std::int32_t>(total);
  // A custom compressor may name the archive's method itself; only three characters are kept.
  identifier.resize(3, ' ');
  std::copy(identifier.begin(), identifier.end(), header.identifier.begin());
  WriteAt(archive, headerPosition, EncodeArchiveHeader(header).data(), kArchiveHeaderSize);
}

void TCompress::CompressToStream(Stream& archive, const std::vector<ArchiveSource>& sources,
                                 TCompressionMethod method) {
  WriteArchive(archive, sources, method, "");
}

void TCompress::CompressFiles(const std::string& archiveFile, const std::vector<ArchiveSource>& sources,
                              TCompressionMethod method) {
  auto archive = std::make_unique<FileStream>(archiveFile, platform::fmCreate);
  try {
    WriteArchive(*archive, sources, method, archiveFile);
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
