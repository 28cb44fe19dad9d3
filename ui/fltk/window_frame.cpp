#include "ui/fltk/window_frame.h"

#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace zev::ui::fltk {
namespace {

// The Motif window manager hints, five longs as window managers read them.
constexpr long kHintsFunctions = 1L << 0;
constexpr long kHintsDecorations = 1L << 1;
constexpr long kFuncMove = 1L << 2;
constexpr long kFuncClose = 1L << 5;
constexpr long kDecorBorder = 1L << 1;
constexpr long kDecorTitle = 1L << 3;
constexpr long kDecorMenu = 1L << 4;

}  // namespace

void AskForFrame(Fl_Window& window, FrameKind kind, bool closeBox) {
  const Window xid = fl_xid(&window);
  if (!xid) return;
  const char* type = kind == FrameKind::Tool     ? "_NET_WM_WINDOW_TYPE_TOOLBAR"
                     : kind == FrameKind::Dialog ? "_NET_WM_WINDOW_TYPE_DIALOG"
                                                 : "_NET_WM_WINDOW_TYPE_NORMAL";
  Atom typeAtom = XInternAtom(fl_display, type, False);
  XChangeProperty(fl_display, xid, XInternAtom(fl_display, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                  PropModeReplace, reinterpret_cast<unsigned char*>(&typeAtom), 1);
  long hints[5] = {kHintsFunctions | kHintsDecorations, kFuncMove | (closeBox ? kFuncClose : 0),
                   kDecorBorder | kDecorTitle | (closeBox ? kDecorMenu : 0), 0, 0};
  const Atom motif = XInternAtom(fl_display, "_MOTIF_WM_HINTS", False);
  XChangeProperty(fl_display, xid, motif, motif, 32, PropModeReplace, reinterpret_cast<unsigned char*>(hints), 5);
  XFlush(fl_display);
}

WindowManagerHold::WindowManagerHold() {
  fl_open_display();
  XGrabServer(fl_display);
}

WindowManagerHold::~WindowManagerHold() {
  XUngrabServer(fl_display);
  XFlush(fl_display);
}

}  // namespace zev::ui::fltk
