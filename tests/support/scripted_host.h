// A Host that answers from queues and records every box it was shown, for tests.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/host.h"

namespace zev::platform {

class ScriptedHost : public Host {
 public:
  struct Box {
    std::string text;
    std::string title;
    MsgKind kind;
    unsigned buttons;
  };
  struct Query {
    std::string caption;
    std::string prompt;
    std::string initial;
  };
  struct InputAnswer {
    bool ok;
    std::string text;
  };

  // Answers are taken in order; when a queue is empty, a box is answered with its first button
  // (see CurrentHost) and an input box with Cancel.
  std::deque<ModalResult> boxAnswers;
  std::deque<InputAnswer> inputAnswers;

  std::vector<Box> boxes;
  std::vector<Query> queries;
  int processMessagesCalls = 0;
  int repaintCalls = 0;

  void ProcessMessages() override { ++processMessagesCalls; }
  ModalResult MessageBox(const std::string& text, const std::string& title, MsgKind kind,
                         unsigned buttons) override;
  bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;
  void Repaint() override { ++repaintCalls; }
  Cursor GetCursor() override { return cursor_; }
  void SetCursor(Cursor cursor) override { cursor_ = cursor; }

 private:
  Cursor cursor_ = Cursor::Default;
};

}  // namespace zev::platform
