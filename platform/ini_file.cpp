#include "platform/ini_file.h"

#include "platform/text.h"

namespace zev::platform {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r'; }

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

std::string StripQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

}  // namespace

bool ProfileNamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowCase1252(static_cast<unsigned char>(a[i])) != LowCase1252(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

std::string_view TrimProfileBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

IniFile::Line IniFile::MakeLine(std::string text, std::string ending) {
  Line line;
  line.text = std::move(text);
  line.ending = std::move(ending);
  const std::string_view trimmed = TrimProfileBlanks(line.text);
  if (trimmed.empty() || trimmed.front() == ';') return line;
  if (trimmed.front() == '[') {
    // The name runs to the last "]"; a "[" line without one is no header and, like any other
    // stray line, leaves the current section as it is.
    const std::size_t close = trimmed.rfind(']');
    if (close != std::string_view::npos) {
      line.kind = LineKind::Section;
      line.name = std::string(TrimProfileBlanks(trimmed.substr(1, close - 1)));
    }
    return line;
  }
  const std::size_t equals = trimmed.find('=');
  if (equals == std::string_view::npos) return line;
  const std::string_view name = TrimProfileBlanks(trimmed.substr(0, equals));
  // A line such as "=value" names no key that anyone could ask for; it is kept but not listed.
  if (name.empty()) return line;
  line.kind = LineKind::Key;
  line.name = std::string(name);
  line.value = std::string(TrimProfileBlanks(trimmed.substr(equals + 1)));
  return line;
}

IniFile IniFile::Parse(std::string_view text) {
  IniFile file;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t newline = text.find('\n', start);
    if (newline == std::string_view::npos) {
      file.lines_.push_back(MakeLine(std::string(text.substr(start)), std::string()));
      break;
    }
    std::size_t end = newline;
    std::string ending = "\n";
    if (end > start && text[end - 1] == '\r') {
      --end;
      ending = "\r\n";
    }
    file.lines_.push_back(MakeLine(std::string(text.substr(start, end - start)), std::move(ending)));
    start = newline + 1;
  }
  return file;
}

std::string IniFile::Serialise() const {
  std::string text;
  std::size_t size = 0;
  for (const Line& line : lines_) size += line.text.size() + line.ending.size();
  text.reserve(size);
  for (const Line& line : lines_) {
    text += line.text;
    text += line.ending;
  }
  return text;
}

std::size_t IniFile::FindSection(std::string_view section) const {
  section = TrimProfileBlanks(section);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind == LineKind::Section && ProfileNamesEqual(lines_[i].name, section)) return i;
  }
  return std::string::npos;
}

std::size_t IniFile::SectionEnd(std::size_t header) const {
  std::size_t i = header + 1;
  while (i < lines_.size() && lines_[i].kind != LineKind::Section) ++i;
  return i;
}

bool IniFile::HasSection(std::string_view section) const { return FindSection(section) != std::string::npos; }

std::optional<std::string> IniFile::Value(std::string_view section, std::string_view key) const {
  const std::size_t header = FindSection(section);
  if (header == std::string::npos) return std::nullopt;
  key = TrimProfileBlanks(key);
  const std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    if (lines_[i].kind == LineKind::Key && ProfileNamesEqual(lines_[i].name, key)) return StripQuotes(lines_[i].value);
  }
  return std::nullopt;
}

std::vector<std::string> IniFile::KeyNames(std::string_view section) const {
  std::vector<std::string> names;
  const std::size_t header = FindSection(section);
  if (header == std::string::npos) return names;
  const std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    if (lines_[i].kind == LineKind::Key) names.push_back(lines_[i].name);
  }
  return names;
}

bool IniFile::IsValidSectionName(std::string_view section) {
  section = TrimProfileBlanks(section);
  return !section.empty() && !HasLineBreak(section) && section.find(']') == std::string_view::npos;
}

bool IniFile::IsValidKeyName(std::string_view key) {
  key = TrimProfileBlanks(key);
  return !key.empty() && !HasLineBreak(key) && key.find('=') == std::string_view::npos && key.front() != ';' &&
         key.front() != '[';
}

bool IniFile::IsValidValue(std::string_view value) { return !HasLineBreak(value); }

void IniFile::InsertLine(std::size_t index, Line line) {
  if (index > 0 && lines_[index - 1].ending.empty()) lines_[index - 1].ending = std::string(kLineEnd);
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index), std::move(line));
}

bool IniFile::SetValue(std::string_view section, std::string_view key, std::string_view value) {
  if (!IsValidSectionName(section) || !IsValidKeyName(key) || !IsValidValue(value)) return false;
  section = TrimProfileBlanks(section);
  key = TrimProfileBlanks(key);

  std::size_t header = FindSection(section);
  if (header == std::string::npos) {
    InsertLine(lines_.size(), MakeLine("[" + std::string(section) + "]", std::string(kLineEnd)));
    header = lines_.size() - 1;
  }
  const std::size_t end = SectionEnd(header);
  std::size_t lastKey = header;
  for (std::size_t i = header + 1; i < end; ++i) {
    if (lines_[i].kind != LineKind::Key) continue;
    if (ProfileNamesEqual(lines_[i].name, key)) {
      // The key keeps its place and the spelling it has in the file.
      const std::string name = lines_[i].name;
      lines_[i] = MakeLine(name + "=" + std::string(value), std::string(kLineEnd));
      return true;
    }
    lastKey = i;
  }
  InsertLine(lastKey + 1, MakeLine(std::string(key) + "=" + std::string(value), std::string(kLineEnd)));
  return true;
}

bool IniFile::EraseSection(std::string_view section) {
  bool erased = false;
  for (std::size_t header = FindSection(section); header != std::string::npos; header = FindSection(section)) {
    const std::size_t end = SectionEnd(header);
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header), lines_.begin() + static_cast<std::ptrdiff_t>(end));
    erased = true;
  }
  return erased;
}

}  // namespace zev::platform
