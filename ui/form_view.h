// What every backend that shows a form in a real window does alike: find the control under the
// mouse, place a control in the form's client area, and paint the form's picture with the
// buttons as a window shows them (an edge under the mouse, sunk while held down). The controls a
// backend shows as native widgets are left out of the picture.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/canvas.h"
#include "ui/picture.h"

namespace zev::ui {

class TButton;
class TControl;
class TDirectoryListBox;
class TDriveComboBox;
class TForm;

// The control under a point of the form's client area: the topmost showing one, the form itself
// when no control is there.
TControl* ControlAt(TForm& form, int x, int y);
// Where a control lies in its form's client area.
void ClientPosition(const TControl& control, int& x, int& y);

// A directory list's entries as a list widget shows them: the path's levels step inwards one by
// one, its sub-folders sit one step further in.
std::vector<std::string> IndentedEntries(const TDirectoryListBox& dirs);
// The entry of a drive box that names its drive; -1 when none does.
int DriveIndex(const TDriveComboBox& drives);

// Keeps each control's painting inside its own rectangle (window coordinates).
class Clipper {
 public:
  virtual ~Clipper() = default;
  virtual void Push(int x, int y, int width, int height) = 0;
  virtual void Pop() = 0;
};

// How a window paints its form at the moment.
struct WindowPaint {
  // The controls shown as native widgets, which paint themselves.
  std::function<bool(const TControl&)> isNative;
  const TControl* hover = nullptr;    // under the mouse
  const TControl* pressed = nullptr;  // the mouse button went down on it and is still down
  // Draws a disabled button's glyph greyed; nullptr draws it as it is.
  void (*greyGlyph)(Canvas& canvas, int x, int y, const TPicture& glyph) = nullptr;
  Clipper* clipper = nullptr;  // none: no clipping (a canvas that only hashes)
};

// Paints the control and its children back to front at (x, y) of the window.
void PaintWindow(TControl& control, Canvas& canvas, int x, int y, const WindowPaint& how);
// Paints the form and its controls as its window shows them; the form is painted whatever its
// Visible flag (a window being shown or hidden still paints).
void PaintForm(TForm& form, Canvas& canvas, const WindowPaint& how);
// A hash of that picture, the button under the mouse and the one held down included: equal
// hashes, equal pictures, so a window repaints only when its hash changes.
std::uint64_t FormPaintHash(TForm& form, const WindowPaint& how);

// What a window posts to its form's application: each message runs on the next message pass,
// and only if the window still shows the form by then.
class WindowMessages {
 public:
  explicit WindowMessages(TForm& form) : form_(form) {}
  void PostWhileShown(std::function<void()> message);
  // A click or double click on a control.
  void Post(TControl* control, bool doubleClick);
  // The window no longer shows the form: what it posted does not run.
  void Cut() { alive_.reset(); }

 private:
  TForm& form_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

// Paints a button: flat buttons show an edge only under the mouse and sink while pressed, the
// others a two-pixel bevel; glyph and caption centred together with the accelerator letter
// underlined; disabled text engraved; the focus rectangle inside.
void PaintButtonFace(TButton& button, Canvas& canvas, const WindowPaint& how);

}  // namespace zev::ui
