// What a window asks of the window manager for its frame: its type (an ordinary window, a
// dialog, a tool window: the floating toolbar of the window manager's terms, whose frame has
// no minimise or maximise button) and which of the border functions it offers. The setup's windows have
// a fixed size, so they never offer minimise, maximise or resize; a form without border icons
// offers no close box either (a window manager that draws one anyway gets a close request,
// which the form takes as a click on itself).
#pragma once

class Fl_Window;

namespace zev::ui::fltk {

enum class FrameKind { Normal, Dialog, Tool };

// Sets the window's type and Motif hints. Window managers read the type only when they take a
// window on, so a new window is shown and asked for its frame while a WindowManagerHold lives.
// Call it again when FLTK has rewritten the hints (it does on a change of the size range).
void AskForFrame(Fl_Window& window, FrameKind kind, bool closeBox);

// Holds the X server for this program alone while it lives: the window manager handles a map
// request only after the window's properties are set.
class WindowManagerHold {
 public:
  WindowManagerHold();
  ~WindowManagerHold();
  WindowManagerHold(const WindowManagerHold&) = delete;
  WindowManagerHold& operator=(const WindowManagerHold&) = delete;
};

}  // namespace zev::ui::fltk
