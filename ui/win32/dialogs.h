// The modal boxes of the Win32 backend: the system's message box, and the one-line input box,
// a small window of its own. Both are modal to the window given (nullptr: none).
#pragma once

#include "ui/win32/windows_api.h"

#include <string>

#include "ui/backend.h"

namespace zev::ui::win32 {

// Shows the box with MessageBoxA's buttons and sign for the request and waits for a button.
// A set of buttons the system has no box for shows the nearest one that has them all in the
// same order (Yes, No, OK, Cancel, Abort, Retry, Ignore); an answer that is not among the
// requested buttons counts as the last of them, the safe choice.
platform::ModalResult RunMessageBox(HWND owner, const BoxRequest& box);
// Shows caption, prompt and value in an input box; true on OK with value replaced by the text.
bool RunInputQuery(HWND owner, const std::string& caption, const std::string& prompt, std::string& value);

}  // namespace zev::ui::win32
