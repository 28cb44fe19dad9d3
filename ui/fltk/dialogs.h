// The modal boxes of the FLTK backend: a message box with the buttons asked for, and the
// one-line input box.
#pragma once

#include <string>

#include "ui/backend.h"

namespace zev::ui::fltk {

// Shows the box and waits for a button; closing the box answers Cancel when it has one, OK when
// OK is its only button, and is refused otherwise.
platform::ModalResult RunMessageBox(const BoxRequest& box);
// Shows caption, prompt and value in an input box; true on OK with value replaced by the text.
bool RunInputQuery(const std::string& caption, const std::string& prompt, std::string& value);

}  // namespace zev::ui::fltk
