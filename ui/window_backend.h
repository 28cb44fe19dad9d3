// The backend with real windows on this system: Win32 and GDI on Windows, FLTK on X11
// elsewhere. Each of the two backend libraries defines these for its own system, so a program
// picks the right one by what it links.
#pragma once

#include <memory>

#include "ui/backend.h"

namespace zev::ui {

// True when windows can be shown: a display that accepts a connection (always on Windows).
bool WindowsAvailable();
// The backend; throws zev::Exception when no display can be opened.
std::unique_ptr<Backend> MakeWindowBackend();

}  // namespace zev::ui
