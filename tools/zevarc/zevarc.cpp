// zevarc: create, list, extract, print and test archives.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/process.h"
#include "tools/tool_support.h"
#include "tools/zevarc/archive_tool.h"

namespace {

using namespace zev::tools;

constexpr const char* kUsage =
    "usage: zevarc c ARCHIVE FILE|DIR... [--method none|rle|lzh|lh5] [--level exact|fast|best]\n"
    "                [--key N] [-j N]\n"
    "       zevarc l ARCHIVE\n"
    "       zevarc x ARCHIVE [-C DIR] [--key N] [--absolute-names] [NAME...]\n"
    "       zevarc p ARCHIVE [--key N] [NAME...]\n"
    "       zevarc t ARCHIVE [--key N]\n"
    "       zevarc -h|--help|--version\n"
    "\n"
    "  c  create ARCHIVE from files and folders (folders recursively; names are stored\n"
    "     relative to each argument's parent folder); the default method is lh5; the lh5\n"
    "     level trades speed for size (fast, or best for the fewest bytes); exact, the\n"
    "     default, writes the same bytes as every earlier version; -j compresses N files\n"
    "     at once (default: one per core), writing the same archive\n"
    "  l  list the members: sizes, ratio, method, date, attributes, lock\n"
    "  x  extract all or the named members below DIR (default: the current folder);\n"
    "     names that are absolute or climb out of DIR are refused unless --absolute-names\n"
    "  p  write all or the named members' data to standard output, checking checksums\n"
    "  t  decode every member and check its checksum, writing nothing\n"
    "\n"
    "On a terminal c, x and t show a progress line (file, percent, throughput) on\n"
    "standard error; --quiet leaves it out, --verbose lists each file on standard output.\n"
    "Exit status: 0 success, 1 data or I/O error (a damaged archive included), 2 usage error.\n";

struct CommandLine {
  char command = 0;
  std::string archive;
  std::vector<std::string> operands;
  ArchiveToolOptions options;
  bool quiet = false;
};

CommandLine Parse(int argc, char** argv) {
  CommandLine line;
  std::vector<std::string> positional;
  line.options.jobs = DefaultJobCount();
  ArgumentReader args(argc, argv);
  while (args.Next()) {
    const std::string& arg = args.Word();
    if (!args.IsOption()) {
      positional.push_back(arg);
    } else if (arg == "--method") {
      line.options.method = ParseMethodName(args.Value());
    } else if (arg == "--level") {
      line.options.level = ParseLevelName(args.Value());
    } else if (arg == "-j") {
      line.options.jobs = ParseJobCount(args.Value());
    } else if (arg == "--key") {
      line.options.key = ParseInt32(args.Value(), "--key");
    } else if (arg == "-C") {
      line.options.targetFolder = args.Value();
    } else if (arg == "--absolute-names") {
      line.options.absoluteNames = true;
    } else if (arg == "--quiet") {
      line.quiet = true;
    } else if (arg == "--verbose") {
      line.options.progress.verbose = true;
    } else {
      throw UsageError("unknown option: " + arg);
    }
  }
  if (positional.size() < 2) throw UsageError("a command and an archive are needed");
  if (positional[0].size() != 1 || std::strchr("clxpt", positional[0][0]) == nullptr)
    throw UsageError("unknown command: " + positional[0]);
  line.command = positional[0][0];
  line.archive = positional[1];
  line.operands.assign(positional.begin() + 2, positional.end());
  if (line.command == 'c' && line.operands.empty()) throw UsageError("nothing to put into the archive");
  if ((line.command == 'l' || line.command == 't') && !line.operands.empty())
    throw UsageError("unexpected argument: " + line.operands[0]);
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  return RunTool("zevarc", "0.1.0", kUsage, argc, argv, [&]() -> std::function<int()> {
    CommandLine line = Parse(argc, argv);
    // Listing is quick, and printing writes the data itself to standard output.
    const bool longRunning = line.command == 'c' || line.command == 'x' || line.command == 't';
    line.options.progress.show = longRunning && !line.quiet && zev::platform::IsTerminal(stderr);
    // The test lists every member already.
    line.options.progress.verbose = line.options.progress.verbose && line.command != 't';
    return [line] {
      ArchiveTool tool(line.archive, line.options);
      switch (line.command) {
        case 'c': return tool.Create(std::vector<std::filesystem::path>(line.operands.begin(), line.operands.end()));
        case 'l': return tool.List();
        case 'x': return tool.Extract(line.operands);
        case 'p': return tool.Print(line.operands);
        default: return tool.Test();
      }
    };
  });
}
