#include "platform/ini_file.h"

#include <algorithm>

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

namespace {

// The form two names share when they are equal without regard to case (Windows-1252 rules).
std::string Folded(std::string_view name) { return LowerCase(std::string(name)); }

}  // namespace

void IniFile::Append(Line line) {
  if (line.kind == LineKind::Section) {
    firstSection_.emplace(Folded(line.name), blocks_.size());
    blocks_.push_back(Block{});
    blocks_.back().header = std::move(line);
    return;
  }
  Block& block = blocks_.back();
  if (line.kind == LineKind::Key) {
    block.firstKey.emplace(Folded(line.name), block.lines.size());
    block.lastKey = block.lines.size();
  }
  block.lines.push_back(std::move(line));
}

IniFile IniFile::Parse(std::string_view text) {
  IniFile file;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t newline = text.find('\n', start);
    if (newline == std::string_view::npos) {
      file.Append(MakeLine(std::string(text.substr(start)), std::string()));
      break;
    }
    std::size_t end = newline;
    std::string ending = "\n";
    if (end > start && text[end - 1] == '\r') {
      --end;
      ending = "\r\n";
    }
    file.Append(MakeLine(std::string(text.substr(start, end - start)), std::move(ending)));
    start = newline + 1;
  }
  return file;
}

std::string IniFile::Serialise() const {
  std::string text;
  std::size_t size = 0;
  for (const Block& block : blocks_) {
    if (block.header) size += block.header->text.size() + block.header->ending.size();
    for (const Line& line : block.lines) size += line.text.size() + line.ending.size();
  }
  text.reserve(size);
  for (const Block& block : blocks_) {
    if (block.header) text += block.header->text + block.header->ending;
    for (const Line& line : block.lines) {
      text += line.text;
      text += line.ending;
    }
  }
  return text;
}

const IniFile::Block* IniFile::FindSection(std::string_view section) const {
  auto it = firstSection_.find(Folded(TrimProfileBlanks(section)));
  return it == firstSection_.end() ? nullptr : &blocks_[it->second];
}

IniFile::Block* IniFile::FindSection(std::string_view section) {
  return const_cast<Block*>(static_cast<const IniFile*>(this)->FindSection(section));
}

bool IniFile::HasSection(std::string_view section) const { return FindSection(section) != nullptr; }

std::optional<std::string> IniFile::Value(std::string_view section, std::string_view key) const {
  const Block* block = FindSection(section);
  if (!block) return std::nullopt;
  auto it = block->firstKey.find(Folded(TrimProfileBlanks(key)));
  if (it == block->firstKey.end()) return std::nullopt;
  return StripQuotes(block->lines[it->second].value);
}

std::vector<std::string> IniFile::KeyNames(std::string_view section) const {
  std::vector<std::string> names;
  const Block* block = FindSection(section);
  if (!block) return names;
  for (const Line& line : block->lines) {
    if (line.kind == LineKind::Key) names.push_back(line.name);
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

IniFile::Line* IniFile::LastLine() {
  for (auto block = blocks_.rbegin(); block != blocks_.rend(); ++block) {
    if (!block->lines.empty()) return &block->lines.back();
    if (block->header) return &*block->header;
  }
  return nullptr;
}

bool IniFile::SetValue(std::string_view section, std::string_view key, std::string_view value) {
  if (!IsValidSectionName(section) || !IsValidKeyName(key) || !IsValidValue(value)) return false;
  section = TrimProfileBlanks(section);
  key = TrimProfileBlanks(key);

  Block* block = FindSection(section);
  if (!block) {
    // A new section goes at the end of the file; the line before it gets a line end if it had none.
    if (Line* last = LastLine(); last && last->ending.empty()) last->ending = std::string(kLineEnd);
    Append(MakeLine("[" + std::string(section) + "]", std::string(kLineEnd)));
    block = &blocks_.back();
  }
  const std::string folded = Folded(key);
  if (auto it = block->firstKey.find(folded); it != block->firstKey.end()) {
    // The key keeps its place and the spelling it has in the file.
    Line& line = block->lines[it->second];
    line = MakeLine(line.name + "=" + std::string(value), std::string(kLineEnd));
    return true;
  }
  // A new key goes after the last key line of its section (after its header when it has none).
  // Only lines that are no keys follow that place, so no key's index moves.
  const std::size_t at = block->lastKey == std::string::npos ? 0 : block->lastKey + 1;
  Line& before = at == 0 ? *block->header : block->lines[at - 1];
  if (before.ending.empty()) before.ending = std::string(kLineEnd);
  block->lines.insert(block->lines.begin() + static_cast<std::ptrdiff_t>(at),
                      MakeLine(std::string(key) + "=" + std::string(value), std::string(kLineEnd)));
  block->firstKey.emplace(folded, at);
  block->lastKey = at;
  return true;
}

void IniFile::IndexSections() {
  firstSection_.clear();
  for (std::size_t i = 1; i < blocks_.size(); ++i) firstSection_.emplace(Folded(blocks_[i].header->name), i);
}

bool IniFile::EraseSection(std::string_view section) {
  const std::string folded = Folded(TrimProfileBlanks(section));
  const std::size_t before = blocks_.size();
  blocks_.erase(std::remove_if(blocks_.begin() + 1, blocks_.end(),
                               [&](const Block& block) { return Folded(block.header->name) == folded; }),
                blocks_.end());
  if (blocks_.size() == before) return false;
  IndexSections();
  return true;
}

}  // namespace zev::platform
