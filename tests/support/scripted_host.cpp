#include "tests/support/scripted_host.h"

#include <utility>

namespace zev::platform {

ModalResult ScriptedHost::MessageBox(const std::string& text, const std::string& title, MsgKind kind,
                                     unsigned buttons) {
  boxes.push_back({text, title, kind, buttons});
  if (boxAnswers.empty()) return DefaultButton(buttons);
  ModalResult answer = boxAnswers.front();
  boxAnswers.pop_front();
  return answer;
}

bool ScriptedHost::InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  queries.push_back({caption, prompt, value});
  if (inputAnswers.empty()) return false;
  InputAnswer answer = std::move(inputAnswers.front());
  inputAnswers.pop_front();
  if (answer.ok) value = answer.text;
  return answer.ok;
}

}  // namespace zev::platform
