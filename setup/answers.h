// Answers for an unattended run: an INI file that says how each kind of box is answered, so
// that the run never waits on a person.
//
//   [Options]
//   Default=last            ; or first: how boxes without an answer are answered
//   [Answers]
//   InsertDisk=OK
//   MissingSegment=Cancel   ; or OK (try again)
//   Overwrite=No            ; the worker's questions, Yes or No: by kind and name first
//   Overwrite:app.exe=Yes   ;   (Overwrite:<file name>, Desktop:<shortcut name>,
//   Desktop=Yes             ;   StartMenu:<shortcut name>), then by kind, then the default
//   StartMenu=No
//   [Wizard]
//   License=accept          ; the wizard's pages: see setup/unattended.h
//
// Comments stand on lines of their own (";" or "#" first).
#pragma once

#include <map>
#include <string>

#include "platform/error.h"
#include "setup/unattended.h"
#include "ui/backend.h"

namespace zev::setup {

class EAnswersError : public Exception {
  using Exception::Exception;
};

// The kind of a box of the setup program, by its text: "InsertDisk", "MissingSegment",
// "AbortSetup", "ExpandError"; empty for any other box.
std::string BoxKind(const ui::BoxRequest& box);

class TAnswers {
 public:
  // Parses the file's text; throws EAnswersError naming the line for anything it does not know
  // (a section, a key, a value, a comment after a value).
  static TAnswers Parse(const std::string& text);
  // Reads and parses a host file; throws EAnswersError when it cannot be read.
  static TAnswers Load(const std::string& hostPath);

  // The answer for a box: a worker question's answer by kind and name, else its kind's answer
  // when listed, otherwise the default button (the last, unless Default=first). A box shown for the fourth time with the same text gets its
  // last button, since answering it like before would only bring it back again.
  platform::ModalResult Answer(const ui::BoxRequest& box);

  bool DefaultFirst() const { return defaultFirst_; }
  const std::map<std::string, platform::ModalResult>& ByKind() const { return byKind_; }
  const TWizardAnswers& Wizard() const { return wizard_; }

 private:
  bool defaultFirst_ = false;
  std::map<std::string, platform::ModalResult> byKind_;
  // "Overwrite:APP.EXE" ...: kind, ":", the name upper-cased (names compare without case).
  std::map<std::string, platform::ModalResult> byName_;
  TWizardAnswers wizard_;
  std::map<std::string, int> shown_;
};

}  // namespace zev::setup
