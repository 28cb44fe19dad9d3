#include "platform/host.h"

namespace zev::platform {

ModalResult DefaultButton(unsigned buttons) {
  if (buttons & mbYes) return ModalResult::Yes;
  if (buttons & mbOK) return ModalResult::OK;
  if (buttons & mbAbort) return ModalResult::Abort;
  if (buttons & mbRetry) return ModalResult::Retry;
  if (buttons & mbIgnore) return ModalResult::Ignore;
  if (buttons & mbNo) return ModalResult::No;
  if (buttons & mbCancel) return ModalResult::Cancel;
  return ModalResult::OK;
}

namespace {

// The host of a program that has no user interface installed.
class SilentHost : public Host {
 public:
  void ProcessMessages() override {}
  ModalResult MessageBox(const std::string&, const std::string&, MsgKind, unsigned buttons) override {
    return DefaultButton(buttons);
  }
  bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
  void Repaint() override {}
  Cursor GetCursor() override { return cursor_; }
  void SetCursor(Cursor cursor) override { cursor_ = cursor; }

 private:
  Cursor cursor_ = Cursor::Default;
};

SilentHost silentHost;
Host* currentHost = &silentHost;

}  // namespace

Host& CurrentHost() { return *currentHost; }

Host* SetHost(Host* host) {
  Host* previous = currentHost == &silentHost ? nullptr : currentHost;
  currentHost = host ? host : &silentHost;
  return previous;
}

}  // namespace zev::platform
