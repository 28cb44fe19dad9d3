// Captions with accelerator marks: "&Next" shows "Next" with the N underlined, and Alt+N
// presses it. "&&" stands for a literal "&".
#pragma once

#include <string>

namespace zev::ui {

// The caption as shown, and in underline the position of the underlined letter (npos when
// there is none).
std::string StripAccelerator(const std::string& caption, std::size_t& underline);
// The accelerator letter of a caption, upper-cased; 0 when it has none.
char AcceleratorOf(const std::string& caption);

}  // namespace zev::ui
