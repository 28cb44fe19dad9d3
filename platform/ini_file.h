// The content of one INI file as the profile functions see it: parsed for look-ups, edited in
// place, and written back with every untouched line exactly as it stood.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zev::platform {

// Compares two names without regard to case, folding letters by Windows-1252 rules (so "É" and
// "é" match as well as "E" and "e"). Blanks are not trimmed here.
bool ProfileNamesEqual(std::string_view a, std::string_view b);

// Removes blanks (space, tab, vertical tab, form feed, carriage return) from both ends.
std::string_view TrimProfileBlanks(std::string_view text);

class IniFile {
 public:
  IniFile() = default;

  // Splits the text into lines; LF and CRLF line ends are both accepted and kept per line.
  static IniFile Parse(std::string_view text);
  // The file text: every line and its own line end, in order.
  std::string Serialise() const;

  // The value of the first key of that name in the first section of that name, trimmed and with
  // one pair of enclosing single or double quotes removed; nothing when either is missing.
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;
  // The names of every key line of the first section of that name, in file order (repeated
  // names included); empty when the section is missing.
  std::vector<std::string> KeyNames(std::string_view section) const;
  bool HasSection(std::string_view section) const;

  // Sets a key: the first key of that name in the first section of that name is rewritten in
  // place; a new key goes after the last key line of the section (after its header when it has
  // none); a new section goes at the end of the file. Written lines end in CRLF. Returns false
  // and changes nothing when the line would not parse back into the same section, key and value
  // line (a line break anywhere, an empty name, "=" in the key, "]" in the section, a key
  // beginning with ";" or "["). A value is written as given; reading trims its blanks and one
  // pair of enclosing quotes, as Windows does.
  bool SetValue(std::string_view section, std::string_view key, std::string_view value);

  // Removes every section of that name: its header and the lines up to the next section header.
  // Returns whether anything was removed.
  bool EraseSection(std::string_view section);

  static bool IsValidSectionName(std::string_view section);
  static bool IsValidKeyName(std::string_view key);
  static bool IsValidValue(std::string_view value);

 private:
  enum class LineKind : std::uint8_t { Other, Section, Key };

  struct Line {
    std::string text;    // without its line end
    std::string ending;  // "\r\n", "\n", or empty for a last line without one
    LineKind kind = LineKind::Other;
    std::string name;    // section or key name, trimmed, as written in the file
    std::string value;   // key value, trimmed, quotes still in place
  };

  // A section header with the lines up to the next header; the first block holds the lines
  // before any header and has none. Each block knows where its keys are, so that reading and
  // setting a key costs the same however long the file is (a list of thousands of keys is
  // written key by key).
  struct Block {
    std::optional<Line> header;
    std::vector<Line> lines;
    std::unordered_map<std::string, std::size_t> firstKey;  // folded name -> index in lines
    std::size_t lastKey = std::string::npos;                // index of the last key line
  };

  static Line MakeLine(std::string text, std::string ending);
  // The block of the first section of that name, or nullptr.
  const Block* FindSection(std::string_view section) const;
  Block* FindSection(std::string_view section);
  // Appends a line to the last block (a header starts a new block), keeping the indexes.
  void Append(Line line);
  // The line written last in the file, or nullptr for an empty file.
  Line* LastLine();
  void IndexSections();

  std::vector<Block> blocks_{Block{}};
  std::unordered_map<std::string, std::size_t> firstSection_;  // folded name -> block index
};

}  // namespace zev::platform
