// Properties of the INI writer. The input is a starting file, then NUL-separated triples
// section, key, value. A write that is accepted reads back as written (less the blanks and
// quotes that reading removes), also after the file is written out and parsed again, and leaves
// every other line in its place; a refused write changes nothing; an erased section is gone.
// The first triple is also written through the profile functions, to a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ini_file.h"
#include "platform/machine.h"
#include "platform/profile.h"
#include "tests/fuzz/fuzz_support.h"

namespace zev::fuzz {

// The line texts of a model (without line ends), for comparing what a write kept.
inline std::vector<std::string> LineTexts(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r' && end != std::string::npos) line.pop_back();
    lines.push_back(line);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

// True when after is before with one line rewritten (replaced) or with one or two lines added
// (a new key, or a new section header and its key), every other line in its place.
inline bool OnlyTheWrittenLineChanged(const std::vector<std::string>& before, const std::vector<std::string>& after,
                                      bool replaced) {
  if (replaced) {
    if (after.size() != before.size()) return false;
    int differing = 0;
    for (std::size_t i = 0; i < before.size(); ++i) differing += before[i] != after[i];
    return differing <= 1;
  }
  if (after.size() < before.size() + 1 || after.size() > before.size() + 2) return false;
  std::size_t i = 0;
  for (std::size_t j = 0; j < after.size() && i < before.size(); ++j)
    if (after[j] == before[i]) ++i;
  return i == before.size();
}

// A value as the reading rule returns it: blanks around it trimmed, then one pair of enclosing
// single or double quotes removed. A writer may store any value without a line break; these are
// the only changes reading may make to it.
inline std::string AsRead(const std::string& value) {
  std::string_view v = platform::TrimProfileBlanks(value);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  return std::string(v);
}

// Needs a machine (ScopedMachine) for the writes through the profile functions.
inline Verdict CheckIniWriter(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> parts = SplitAtNul(data, size);
  platform::IniFile ini = platform::IniFile::Parse(parts[0]);
  for (std::size_t i = 1; i + 1 < parts.size(); i += 3) {
    const std::string& section = parts[i];
    const std::string& key = parts[i + 1];
    const std::string value = i + 2 < parts.size() ? parts[i + 2] : std::string();
    const std::string before = ini.Serialise();
    const bool existed = ini.Value(section, key).has_value();
    if (!ini.SetValue(section, key, value)) {
      if (ini.Serialise() != before) return "a refused write changed the file";
      continue;
    }
    const std::string expected = AsRead(value);
    const auto read = ini.Value(section, key);
    if (!read || *read != expected) return "written value \"" + value + "\" read back as \"" + read.value_or("<none>") + "\"";
    const std::string after = ini.Serialise();
    const auto reread = platform::IniFile::Parse(after).Value(section, key);
    if (!reread || *reread != expected) return "written value \"" + value + "\" did not survive writing the file";
    if (!OnlyTheWrittenLineChanged(LineTexts(before), LineTexts(after), existed)) return "writing [" + section + "] " + key + " lost or moved other lines (" +
             std::to_string(LineTexts(before).size()) + " lines before, " + std::to_string(LineTexts(after).size()) + " after)";
  }

  // The same first write through the profile functions, on a file.
  if (parts.size() >= 4) {
    const std::string file = "C:\\WINDOWS\\fuzz.ini";
    const auto host = platform::Machine::Current().ToHostPath(file);
    WriteHostFile(host, parts[0]);
    if (platform::WritePrivateProfileString(parts[1], parts[2], parts[3], file)) {
      std::string value;
      platform::GetPrivateProfileString(parts[1], parts[2], "<none>", value, 1 << 20, file);
      if (value != AsRead(parts[3])) return "profile write of \"" + parts[3] + "\" read back as \"" + value + "\"";
    }
  }

  // Erasing the section of the first triple leaves none of its keys.
  if (parts.size() >= 2) {
    ini.EraseSection(parts[1]);
    if (ini.HasSection(parts[1]) || !ini.KeyNames(parts[1]).empty()) return "an erased section is still there";
  }
  return {};
}

}  // namespace zev::fuzz
