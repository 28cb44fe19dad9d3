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
      {"Overwrite", {ModalResult::Yes, ModalResult::No}},
      {"Desktop", {ModalResult::Yes, ModalResult::No}},
      {"StartMenu", {ModalResult::Yes, ModalResult::No}},
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
      if (!SameText(section, "Options") && !SameText(section, "Answers") && !SameText(section, "Wizard"))
        Fail(lineNumber, "unknown section [" + section + "]; known are [Options], [Answers] and [Wizard]");
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
    if (SameText(section, "Wizard")) {
      const std::string problem = answers.wizard_.Set(key, value);
      if (!problem.empty()) Fail(lineNumber, problem);
      continue;
    }
    // The worker's questions may be answered one by one: "Overwrite:<file name>".
    const std::size_t colon = key.find(':');
    const std::string kind = key.substr(0, colon);
    const KindRule* rule = nullptr;
    for (const KindRule& r : Rules())
      if (SameText(kind, r.kind)) rule = &r;
    const bool named = colon != std::string::npos;
    if (!rule || (named && (std::string(rule->kind) == "InsertDisk" || std::string(rule->kind) == "MissingSegment")))
      Fail(lineNumber, "unknown answer \"" + key +
                           "\"; known are InsertDisk, MissingSegment, Overwrite, Desktop and StartMenu, the last "
                           "three also as Overwrite:<file name>, Desktop:<shortcut name>, StartMenu:<shortcut name>");
    if (named && colon + 1 == key.size()) Fail(lineNumber, "\"" + key + "\" names nothing after the \":\"");
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
    if (named)
      answers.byName_[std::string(rule->kind) + ":" + UpperCase(key.substr(colon + 1))] = answer;
    else
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
  const TQuestion question = WorkerQuestion(box);
  if (!question.kind.empty()) {
    const auto named = byName_.find(question.kind + ":" + UpperCase(question.name));
    if (named != byName_.end() && ui::HasButton(box.buttons, named->second)) return named->second;
  }
  const auto found = byKind_.find(question.kind.empty() ? BoxKind(box) : question.kind);
  if (found != byKind_.end() && ui::HasButton(box.buttons, found->second)) return found->second;
  return defaultFirst_ ? ui::FirstButton(box.buttons) : ui::LastButton(box.buttons);
}

}  // namespace zev::setup
