// Replays every input kept for a fuzz target through the target's own property check: the seeds
// in tests/fuzz/corpus/<target>/ and the inputs that once broke a reader, kept in
// tests/<module>/data/regressions/<target>/ beside the module they broke. Each file is a case of
// its own, named after the target, the folder and the file. Inputs of faults not mended yet wait
// in the regressions' open/ subfolder and replay only when disabled tests are asked for.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "tests/fuzz/archive_check.h"
#include "tests/fuzz/codec_check.h"
#include "tests/fuzz/ini_reader_check.h"
#include "tests/fuzz/ini_writer_check.h"
#include "tests/fuzz/segment_check.h"
#include "tests/fuzz/uninstall_records_check.h"
#include "tests/fuzz/uninstall_writer_check.h"
#include "tests/support/scoped_machine.h"

namespace zev::fuzz {
namespace {

namespace fs = std::filesystem;

using Replay = Verdict (*)(platform::ScopedMachine& machine, const std::uint8_t* data, std::size_t size);

template <Verdict (*Check)(const std::uint8_t*, std::size_t)>
Verdict WithoutMachine(platform::ScopedMachine&, const std::uint8_t* data, std::size_t size) {
  return Check(data, size);
}

struct Target {
  const char* name;
  const char* module;  // the folder below tests/ whose data/regressions/ keeps its findings
  Replay replay;
};

// Every fuzz target: adding one is one row.
const Target kTargets[] = {
    {"archive", "compress", WithoutMachine<CheckArchive>},
    {"lzh5", "compress", WithoutMachine<CheckLzh5>},
    {"lzh", "compress", WithoutMachine<CheckLzh>},
    {"rle", "compress", WithoutMachine<CheckRle>},
    {"segment", "segment", WithoutMachine<CheckSegmentSet>},
    {"ini_reader", "setup", WithoutMachine<CheckIniReader>},
    {"ini_writer", "platform", WithoutMachine<CheckIniWriter>},
    {"uninstall_writer", "setup", CheckUninstallWriter},
    {"uninstall_records", "setup", CheckUninstallRecords},
};

fs::path TestsFolder() { return fs::path(__FILE__).parent_path().parent_path(); }
fs::path SeedFolder(const Target& target) { return TestsFolder() / "fuzz" / "corpus" / target.name; }
fs::path RegressionFolder(const Target& target) {
  return TestsFolder() / target.module / "data" / "regressions" / target.name;
}

struct KeptInput {
  const Target* target;
  std::string kind;  // "seed", "regression" or "open"
  std::string file;
  Bytes bytes;
};

std::vector<KeptInput> KeptInputs(bool open) {
  std::vector<KeptInput> inputs;
  auto add = [&](const Target& target, const char* kind, const fs::path& folder) {
    for (auto& [name, bytes] : FilesIn(folder)) inputs.push_back({&target, kind, name, std::move(bytes)});
  };
  for (const Target& target : kTargets) {
    if (open) {
      add(target, "open", RegressionFolder(target) / "open");
    } else {
      add(target, "seed", SeedFolder(target));
      add(target, "regression", RegressionFolder(target));
    }
  }
  return inputs;
}

void PrintTo(const KeptInput& input, std::ostream* os) {
  *os << input.target->name << " " << input.kind << " " << input.file;
}

std::string CaseName(const ::testing::TestParamInfo<KeptInput>& info) {
  std::string name = std::string(info.param.target->name) + "_" + info.param.kind + "_" + info.param.file;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

void ExpectItPasses(const KeptInput& input) {
  platform::ScopedMachine machine;
  EXPECT_EQ(input.target->replay(machine, input.bytes.data(), input.bytes.size()), "");
}

class KeptInputTest : public ::testing::TestWithParam<KeptInput> {};
TEST_P(KeptInputTest, PassesItsTargetsCheck) { ExpectItPasses(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Fuzz, KeptInputTest, ::testing::ValuesIn(KeptInputs(false)), CaseName);

class OpenFaultTest : public ::testing::TestWithParam<KeptInput> {};
TEST_P(OpenFaultTest, DISABLED_PassesItsTargetsCheck) { ExpectItPasses(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Fuzz, OpenFaultTest, ::testing::ValuesIn(KeptInputs(true)), CaseName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(OpenFaultTest);  // while no fault is open

// A seed folder that went missing would take its cases with it unnoticed.
TEST(KeptInputs, EveryTargetHasSeeds) {
  for (const Target& target : kTargets) EXPECT_FALSE(FilesIn(SeedFolder(target)).empty()) << target.name;
}

}  // namespace
}  // namespace zev::fuzz
