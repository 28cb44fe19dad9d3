// zevpack: turns a package folder into a disk set, and lists or extracts a set.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/host_names.h"
#include "platform/path_names.h"
#include "platform/process.h"
#include "tools/tool_support.h"
#include "tools/zevpack/pack_tool.h"

namespace {

using namespace zev::tools;

constexpr const char* kUsage =
    "usage: zevpack build PACKAGE_DIR OUT_DIR [--size BYTES] [--method none|rle|lzh|lh5]\n"
    "                     [--level exact|fast|best] [--base NAME] [--disk-folders]\n"
    "                     [--setup-program PATH] [-j N]\n"
    "       zevpack list SET_DIR [--base NAME]\n"
    "       zevpack extract SET_DIR [-C DIR] [--base NAME]\n"
    "       zevpack -h|--help|--version\n"
    "\n"
    "  build    put every file of PACKAGE_DIR (but install.cfg and install.exe) into one\n"
    "           archive and cut it into segments NAME.001, NAME.002 ... of at most BYTES\n"
    "           bytes (default 1440000, at least 16384) beside install.cfg and install.exe;\n"
    "           with --disk-folders, OUT_DIR/disk1, OUT_DIR/disk2 ... hold one disk each;\n"
    "           -j compresses N files at once (default: one per core), making the same set\n"
    "  list     print each archive's template and the files it holds\n"
    "  extract  expand the whole set below DIR (default: the current folder), keeping\n"
    "           sub-folders; a missing segment is looked for in the side-by-side disk\n"
    "           folders, then asked for on the terminal (end of input cancels)\n"
    "\n"
    "The method defaults to lh5, its level to exact (best: fewest disks) and NAME to zevsetup.\n"
    "On a terminal build and extract show a progress line (file, percent, throughput) on\n"
    "standard error; --quiet leaves it out, --verbose lists each file on standard output.\n"
    "Exit status: 0 success, 1 data or I/O error, 2 usage error.\n";

std::string ParseBase(const std::string& name) {
  auto converted = zev::platform::WindowsText(name);
  if (!converted || !zev::platform::IsValidWindowsName(*converted))
    throw UsageError("--base must be a plain file name: " + name);
  return name;
}

struct CommandLine {
  std::string command;
  BuildOptions build;
  ReadOptions read;
};

CommandLine Parse(int argc, char** argv) {
  CommandLine line;
  std::vector<std::string> positional;
  bool sizeGiven = false, methodGiven = false, levelGiven = false, foldersGiven = false, setupGiven = false, targetGiven = false;
  bool jobsGiven = false;
  line.build.jobs = DefaultJobCount();
  bool quiet = false, verbose = false;
  std::string base = "zevsetup";
  ArgumentReader args(argc, argv);
  while (args.Next()) {
    const std::string& arg = args.Word();
    if (!args.IsOption()) {
      positional.push_back(arg);
    } else if (arg == "--size") {
      line.build.segSize = ParseInt32(args.Value(), "--size");
      if (line.build.segSize < 16384) throw UsageError("--size must be at least 16384");
      sizeGiven = true;
    } else if (arg == "--method") {
      line.build.method = ParseMethodName(args.Value());
      methodGiven = true;
    } else if (arg == "--level") {
      line.build.level = ParseLevelName(args.Value());
      levelGiven = true;
    } else if (arg == "-j") {
      line.build.jobs = ParseJobCount(args.Value());
      jobsGiven = true;
    } else if (arg == "--base") {
      base = ParseBase(args.Value());
    } else if (arg == "--disk-folders") {
      line.build.diskFolders = true;
      foldersGiven = true;
    } else if (arg == "--setup-program") {
      line.build.setupProgram = args.Value();
      setupGiven = true;
    } else if (arg == "-C") {
      line.read.targetDir = args.Value();
      targetGiven = true;
    } else if (arg == "--quiet") {
      quiet = true;
    } else if (arg == "--verbose") {
      verbose = true;
    } else {
      throw UsageError("unknown option: " + arg);
    }
  }
  if (positional.empty()) throw UsageError("a command is needed");
  line.command = positional[0];
  line.build.baseName = line.read.baseName = base;
  line.build.progress = line.read.progress = {!quiet && zev::platform::IsTerminal(stderr), verbose};
  if (line.command == "build") {
    if (positional.size() != 3) throw UsageError("build needs PACKAGE_DIR and OUT_DIR");
    if (targetGiven) throw UsageError("-C is for extract");
    line.build.packageDir = positional[1];
    line.build.outDir = positional[2];
  } else if (line.command == "list" || line.command == "extract") {
    if (positional.size() != 2) throw UsageError(line.command + " needs SET_DIR");
    if (sizeGiven || methodGiven || levelGiven || foldersGiven || setupGiven || jobsGiven)
      throw UsageError("build options given to " + line.command);
    if (line.command == "list" && targetGiven) throw UsageError("-C is for extract");
    line.read.setDir = positional[1];
    if (line.read.targetDir.empty()) line.read.targetDir = ".";
  } else {
    throw UsageError("unknown command: " + line.command);
  }
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  return RunTool("zevpack", "0.1.0", kUsage, argc, argv, [&]() -> std::function<int()> {
    CommandLine line = Parse(argc, argv);
    return [line] {
      if (line.command == "build") return BuildDiskSet(line.build);
      if (line.command == "list") return ListDiskSet(line.read);
      return ExtractDiskSet(line.read);
    };
  });
}
