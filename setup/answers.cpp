#include "setup/answers.h"

#include <fstream>
#include <sstream>
#include <vector>

#include "platform/ini_file.h"
#include "platform/text.h"

namespace zev::setup {
namespace {

using platform::ModalResult;

// The answers each kind of box may be given.
struct KindRule {
  const char* kind;
  std::vector<ModalResult> allowed;
};

const std::vector<KindRule>& Rules() {
  static const std::vector<KindRule> rules = {
      {"InsertDisk", {ModalResult::OK}},
      {"MissingSegment", {ModalResult::OK, ModalResult::Cancel}},
  };
  return rules;
}

bool StartsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

[[noreturn]] void Fail(int line, const std::string& message) {
  throw EAnswersError("line " + std::to_string(line) + ": " + message);
}

}  // namespace

std::string BoxKind(const ui::BoxRequest& box) {
  if (StartsWith(box.text, "Please Insert Disk #")) return "InsertDisk";
  if (StartsWith(box.text, "Unable to locate ")) return "MissingSegment";
  if (box.text == "Abort Setup Process ?") return "AbortSetup";
  if (box.text == "Error Expanding Files!!") return "ExpandError";
  return {};
}

TAnswers TAnswers::Parse(const std::string& text) {
  TAnswers answers;
  std::istringstream in(text);
  std::string raw, section;
  int lineNumber = 0;
  while (std::getline(in, raw)) {
    ++lineNumber;
    const std::string line(platform::TrimProfileBlanks(raw));
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      if (line.back() != ']') Fail(lineNumber, "a section line must end with \"]\"");
      section = std::string(platform::TrimProfileBlanks(std::string_view(line).substr(1, line.size() - 2)));
      if (!SameText(section, "Options") && !SameText(section, "Answers"))
        Fail(lineNumber, "unknown section [" + section + "]; known are [Options] and [Answers]");
      continue;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) Fail(lineNumber, "expected Key=Value");
    const std::string key(platform::TrimProfileBlanks(std::string_view(line).substr(0, eq)));
    const std::string value(platform::TrimProfileBlanks(std::string_view(line).substr(eq + 1)));
    if (section.empty()) Fail(lineNumber, "\"" + key + "\" stands before any section");
    if (SameText(section, "Options")) {
      if (!SameText(key, "Default")) Fail(lineNumber, "unknown option \"" + key + "\"; known is Default");
      if (SameText(value, "first")) answers.defaultFirst_ = true;
      else if (SameText(value, "last")) answers.defaultFirst_ = false;
      else Fail(lineNumber, "Default must be \"first\" or \"last\", not \"" + value + "\" (comments go on lines of their own)");
      continue;
    }
    const KindRule* rule = nullptr;
    for (const KindRule& r : Rules())
      if (SameText(key, r.kind)) rule = &r;
    if (!rule) Fail(lineNumber, "unknown answer \"" + key + "\"; known are InsertDisk and MissingSegment");
    const ModalResult answer = ui::ButtonFromName(value);
    bool allowed = false;
    std::string names;
    for (ModalResult a : rule->allowed) {
      allowed = allowed || a == answer;
      names += (names.empty() ? "" : " or ") + ui::ButtonName(a);
    }
    if (!allowed)
      Fail(lineNumber, std::string(rule->kind) + " must be " + names + ", not \"" + value +
                           "\" (comments go on lines of their own)");
    answers.byKind_[rule->kind] = answer;
  }
  return answers;
}

TAnswers TAnswers::Load(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  if (!in) throw EAnswersError("cannot read the answers file");
  std::ostringstream text;
  text << in.rdbuf();
  return Parse(text.str());
}

ModalResult TAnswers::Answer(const ui::BoxRequest& box) {
  const int shown = ++shown_[box.text + '\n' + box.title + '\n' + std::to_string(box.buttons)];
  if (shown > 3) return ui::LastButton(box.buttons);
  const auto found = byKind_.find(BoxKind(box));
  if (found != byKind_.end() && ui::HasButton(box.buttons, found->second)) return found->second;
  return defaultFirst_ ? ui::FirstButton(box.buttons) : ui::LastButton(box.buttons);
}

}  // namespace zev::setup
