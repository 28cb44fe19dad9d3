// Writes the seed corpora of the fuzz targets with the project's own writers: archives from
// TCompress, codec streams from RunCodec, segment sets from TSegCompEZ, INI files from the
// profile functions. Usage: make_fuzz_seeds CORPUS_DIR (one sub-folder per target).
// The outputs are checked in under tests/fuzz/corpus/; run this again when a writer changes.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "compress/codec_frame.h"
#include "compress/compress.h"
#include "platform/fs_utils.h"
#include "platform/profile.h"
#include "segment/segment.h"
#include "tests/fuzz/archive_check.h"
#include "tests/fuzz/segment_check.h"
#include "tests/fuzz/uninstall_records_check.h"
#include "tests/fuzz/uninstall_writer_check.h"
#include "tests/support/host_files.h"
#include "tests/support/scoped_machine.h"
#include "tests/support/test_inputs.h"

namespace fs = std::filesystem;
using zev::testing::Bytes;
using zev::testing::InputKind;
using zev::testing::MakeInput;
using zev::testing::ReadHostBytes;
using zev::testing::WriteHostFile;

namespace {

fs::path corpus;

void Put(const std::string& target, const std::string& name, const Bytes& data) {
  WriteHostFile(corpus / target / name, data);
}

Bytes WithSize(std::uint32_t size, const Bytes& stream) {
  Bytes out = {static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
               static_cast<std::uint8_t>(size >> 16), static_cast<std::uint8_t>(size >> 24)};
  out.insert(out.end(), stream.begin(), stream.end());
  return out;
}

void CodecSeeds() {
  zev::compress::CodecSettings settings;
  settings.limitOutputToInput = false;
  const struct {
    const char* name;
    Bytes data;
  } inputs[] = {{"empty", {}},
                {"one", {0x41}},
                {"text", MakeInput(InputKind::Text, 700, 3)},
                {"runs", MakeInput(InputKind::Runs, 900, 4)},
                {"binary", MakeInput(InputKind::Binary, 600, 5)},
                {"random", MakeInput(InputKind::Random, 200, 6)}};
  for (const auto& input : inputs) {
    const auto size = static_cast<std::uint32_t>(input.data.size());
    Put("lzh5", input.name, WithSize(size, zev::compress::RunCodecInMemory(settings, input.data, 0, zev::compress::coLZH5, false)));
    Put("lzh", input.name, WithSize(size, zev::compress::RunCodecInMemory(settings, input.data, 0, zev::compress::coLZH, false)));
    Put("rle", input.name, zev::compress::RunCodecInMemory(settings, input.data, 0, zev::compress::coRLE, false));
  }
}

// Files of every kind in C:\src, packed with each method, open and locked.
void ArchiveSeeds(zev::platform::ScopedMachine& machine) {
  WriteHostFile(machine.DriveC() / "src" / "readme.txt", MakeInput(InputKind::Text, 400, 7));
  WriteHostFile(machine.DriveC() / "src" / "sub" / "runs.bin", MakeInput(InputKind::Runs, 600, 8));
  WriteHostFile(machine.DriveC() / "src" / "noise.bin", MakeInput(InputKind::Random, 64, 9));
  WriteHostFile(machine.DriveC() / "src" / "empty", Bytes{});
  const std::vector<zev::compress::ArchiveSource> sources = {{"C:\\src\\readme.txt", "readme.txt"},
                                                             {"C:\\src\\sub\\runs.bin", "sub\\runs.bin"},
                                                             {"C:\\src\\noise.bin", "noise.bin"},
                                                             {"C:\\src\\empty", "empty"}};
  const struct {
    const char* name;
    zev::compress::TCompressionMethod method;
  } methods[] = {{"none", zev::compress::coNone}, {"rle", zev::compress::coRLE}, {"lzh", zev::compress::coLZH}, {"lh5", zev::compress::coLZH5}};
  for (const auto& m : methods) {
    for (std::int32_t key : {0, zev::fuzz::kFuzzKey}) {
      zev::compress::TCompress writer;
      writer.Key = key;
      zev::platform::MemoryStream archive;
      writer.CompressToStream(archive, sources, m.method);
      Bytes bytes = archive.Data();
      const std::string name = std::string(m.name) + (key ? "-locked" : "");
      // The reserved field selects the check's options: a locked archive is expanded with its key.
      if (key) bytes[13] = 1;
      Put("archive", name, bytes);
    }
  }
}

// Two sets: one segment with two archives, and one archive cut over two 16 KiB segments.
void SegmentSeeds(zev::platform::ScopedMachine& machine) {
  auto makeArchive = [&](const std::string& folder, const std::vector<std::pair<std::string, Bytes>>& files,
                         zev::compress::TCompressionMethod method) {
    std::vector<zev::compress::ArchiveSource> sources;
    std::vector<std::string> names;
    for (const auto& [name, data] : files) {
      WriteHostFile(machine.DriveC() / folder / name, data);
      sources.push_back({"C:\\" + folder + "\\" + name, name});
      names.push_back(name);
    }
    const std::string file = "C:\\" + folder + ".arc";
    zev::compress::TCompress().CompressFiles(file, sources, method);
    return zev::segment::TSegBuildArc{"C:\\APP\\" + folder + "\\*.*", file, names};
  };
  const std::vector<std::vector<zev::segment::TSegBuildArc>> sets = {
      {makeArchive("a", {{"license.txt", MakeInput(InputKind::Text, 300, 10)}, {"app.exe", MakeInput(InputKind::Binary, 300, 11)}},
                   zev::compress::coLZH5),
       makeArchive("b", {{"data.bin", MakeInput(InputKind::Runs, 200, 12)}}, zev::compress::coRLE)},
      {makeArchive("c", {{"big.bin", MakeInput(InputKind::Random, 20000, 13)}}, zev::compress::coNone)}};
  int n = 0;
  for (const auto& arcs : sets) {
    fs::remove_all(machine.DriveC() / "set");
    zev::segment::TSegCompEZ writer;
    writer.SetSegBaseName("zevsetup");
    writer.SetSegDir("C:\\set");
    writer.SetSegTmpDir("C:\\tmp");
    writer.SetSegSize(16384);
    Bytes joined;
    bool first = true;
    for (const std::string& segment : writer.SegBuildArcs(arcs)) {
      if (!first) joined.insert(joined.end(), zev::fuzz::kSegmentMarker.begin(), zev::fuzz::kSegmentMarker.end());
      first = false;
      const Bytes bytes = ReadHostBytes(machine.Host(segment));
      joined.insert(joined.end(), bytes.begin(), bytes.end());
    }
    Put("segment", "set" + std::to_string(++n), joined);
  }
}

// An install.cfg with every setting and list section, written through the profile functions.
void IniSeeds(zev::platform::ScopedMachine& machine) {
  const std::string cfg = "C:\\cfg\\install.cfg";
  zev::platform::MakeDirPath("C:\\cfg");
  const char* const entries[][3] = {
      {"Setup - Main", "Install Disks", "2"},        {"Setup - Main", "Install Dir", "MyApp"},
      {"Setup - Main", "INI File", "myapp.ini"},     {"Setup - Main", "Launch", "<INSTALLDIR>app.exe"},
      {"Setup - Main", "Folder", "My App"},          {"Setup - Main", "Add to Program Files", "1"},
      {"Setup - Main", "Work Station Prompt", "0"}, {"Setup - Main", "Dither From", "0xFF0000"},
      {"Setup - Main", "Dither To", "$00"},          {"Setup - Main", "Header", "My App Setup"},
      {"Setup - Main", "Header Font Size", "26"},    {"Directories", "D1", "<INSTALLDIR>~"},
      {"Directories", "D2", "<SUB1>~Data"},          {"Files", "F1", "app.exe~<INSTALLDIR>"},
      {"Files", "F2", "data.bin~<SUB1>"},            {"Files - OverWrite", "File #1", "1"},
      {"Desktop", "S1", "My App~<INSTALLDIR>app.exe~X~X"},
      {"INI - Setup", "I1", "Paths~Home~<INSTALLDIR>data"},
      {"WorkStation", "W1", "app.exe~<INSTALLDIR>~X"}};
  for (const auto& e : entries) zev::platform::WritePrivateProfileString(e[0], e[1], e[2], cfg);
  const Bytes text = ReadHostBytes(machine.Host(cfg));
  Put("ini_reader", "install.cfg", text);
  Put("ini_reader", "empty", {});

  // Writer seeds: the same file, then section, key and value triples separated by NULs.
  auto triples = [&](const std::vector<std::string>& parts) {
    Bytes out = text;
    out.push_back(0);
    const Bytes fields = zev::fuzz::JoinAtNul(parts);
    out.insert(out.end(), fields.begin(), fields.end());
    return out;
  };
  Put("ini_writer", "new-key", triples({"Files", "F3", "extra.dll~<WINDOWS_SYSTEM>"}));
  Put("ini_writer", "rewrite", triples({"Setup - Main", "install dir", "Other", "UNINS", "C:\\MyApp\\*.*", ""}));
  Put("ini_writer", "new-section", triples({"Name", "Name", "My App", "Folders", "C:\\WINDOWS\\Start Menu\\My App", ""}));
}

// The worker's lists as the INI seed has them; the second seed re-uses the uninstall.cfg that the
// worker wrote for the first, as a second installation into the same folder finds it.
void UninstallSeeds(zev::platform::ScopedMachine& machine) {
  const std::vector<std::string> lists = {"C:\\Program Files\\MyApp", "My App", "SD",
                                          "D<INSTALLDIR>~", "D<SUB1>~Data", "D<ALT1>~Alt", "D<WINDOWS>~",
                                          "Fapp.exe~<INSTALLDIR>~X", "Fbin\\data.bin~<SUB1>", "Fextra.dat~<ALT1>~X",
                                          "Fsys.dll~<WINDOWS>~X", "LMy App~<INSTALLDIR>app.exe~X~X",
                                          "LRead Me~<SUB1>readme.txt"};
  const Bytes fresh = zev::fuzz::JoinAtNul(lists);
  Put("uninstall_writer", "fresh", fresh);
  const zev::fuzz::Verdict verdict = zev::fuzz::CheckUninstallWriter(machine, fresh.data(), fresh.size());
  if (!verdict.empty()) std::fprintf(stderr, "make_fuzz_seeds: the fresh seed fails its check: %s\n", verdict.c_str());
  const Bytes written = ReadHostBytes(machine.Host("C:\\Program Files\\MyApp\\uninstall.cfg"));
  std::vector<std::string> again = lists;
  again[2] = "O";
  again.push_back("U" + std::string(written.begin(), written.end()));
  Put("uninstall_writer", "reused", zev::fuzz::JoinAtNul(again));
  Put("uninstall_writer", "no-installdir", zev::fuzz::JoinAtNul({"C:\\App", "Tools", "", "D<SUB1>~Data", "Fa.txt~<SUB1>",
                                                  "LA~<SUB1>a.txt~X"}));
}

// Records as an installation into C:\App writes them, with and without the manifest, and with
// hostile keys and records beside the true ones.
void UninstallRecordsSeeds() {
  const std::string list =
      "[UNINS]\r\nC:\\App\\*.*=\r\nC:\\App\\sub\\b.txt=\r\nC:\\WINDOWS\\Desktop\\A.*=\r\n"
      "C:\\WINDOWS\\Start Menu\\Programs\\Tools\\A.*=\r\n[Name]\r\nName=Tools\r\n[Folders]\r\n"
      "C:\\WINDOWS\\Start Menu\\Programs\\Tools=\r\n";
  const std::string stamp = "\t1\t" + std::to_string(zev::fuzz::kRecordsFileTime) + "\t";
  const std::string manifest = std::string(zev::setup::kManifestHeader) + "\r\nfolder\tC:\\App\\sub\r\nfile" + stamp +
                               "C:\\App\\a.txt\r\nfile" + stamp + "C:\\WINDOWS\\System\\s.dll\r\nlink" + stamp +
                               "C:\\WINDOWS\\Desktop\\A.lnk\r\nfolder\tC:\\WINDOWS\\System\r\n";
  const std::string hostileKeys = "[UNINS]\r\nC:\\*.*=\r\nC:\\WINDOWS\\win.ini=\r\nC:\\App\\..\\Other\\v.*=\r\n"
                                  "C:\\App\\lnk\\victim.txt=\r\n[Folders]\r\nC:\\WINDOWS=\r\nC:\\Other=\r\n"
                                  "C:\\WINDOWS\\Start Menu\\Programs\\=\r\n";
  const std::string hostileRecords = manifest + "file" + stamp + "C:\\Other\\victim.txt\r\nfile" + stamp +
                                     "C:\\App\\lnk\\victim.txt\r\nlink" + stamp + "C:\\App\\..\\Other\\v.lnk\r\n" +
                                     "folder\tC:\\App\\lnk\r\nfolder\tC:\\WINDOWS\\Desktop\r\n";
  auto bytes = [](const std::string& text) { return Bytes(text.begin(), text.end()); };
  Put("uninstall_records", "list-alone", bytes(list));
  Put("uninstall_records", "with-manifest", bytes(list + std::string(1, '\0') + manifest));
  Put("uninstall_records", "hostile-keys", bytes(hostileKeys));
  Put("uninstall_records", "hostile-records", bytes(hostileKeys + std::string(1, '\0') + hostileRecords));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_seeds CORPUS_DIR\n");
    return 2;
  }
  corpus = fs::absolute(argv[1]);
  zev::platform::ScopedMachine machine;
  CodecSeeds();
  ArchiveSeeds(machine);
  SegmentSeeds(machine);
  IniSeeds(machine);
  UninstallSeeds(machine);
  UninstallRecordsSeeds();
  return 0;
}
