// Controls as plain state: what a form's logic reads and writes, and what a backend shows.
// Nothing here knows how it is displayed; Paint describes the look on a Canvas for backends
// that draw it themselves.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/canvas.h"
#include "ui/color.h"
#include "ui/font.h"

namespace zev::ui {

using TNotifyEvent = std::function<void()>;

enum class TCursor { crDefault, crArrow, crHandPoint, crHourGlass };
// How a control follows its parent's size: not at all, along an edge, or filling what is left.
enum class TAlign { alNone, alTop, alBottom, alClient };

class TWinControl;
class TForm;

class TControl {
 public:
  explicit TControl(std::string name) : Name(std::move(name)) {}
  virtual ~TControl();
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  std::string Name;
  std::string Caption;  // the text of labels, buttons, check boxes, group boxes and forms
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  bool Visible = true;
  bool Enabled = true;
  bool Transparent = false;
  TColor Color = clBtnFace;
  TFont Font;
  TCursor Cursor = TCursor::crDefault;
  TAlign Align = TAlign::alNone;
  // Whether Tab stops at the control. The kinds that take the keyboard set it; a form may clear
  // it on a control that only shows text.
  bool TabStop = false;

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;

  // Moves and sizes the control; a change of size calls Resized.
  void SetBounds(int left, int top, int width, int height);

  TWinControl* Parent() const { return parent_; }
  // The form the control lies on (itself for a form), or nullptr.
  TForm* OwnerForm();

  // Visible on screen: itself and every parent visible.
  bool Showing() const;
  // Itself and every parent enabled: a disabled panel disables what it holds.
  bool EnabledChain() const;
  // Whether a click can reach it: showing and enabled along its whole chain, as on Windows.
  bool Reachable() const { return Showing() && EnabledChain(); }
  // Whether the control may have the focus now: a tab stop, showing and enabled.
  bool CanFocus() const;
  // Whether it is its form's focused control.
  bool Focused() const;
  // Makes it its form's focused control when it can take the focus.
  void SetFocus();
  // The place in its parent's tab order (0 first); setting it moves the others along.
  int TabOrder() const;
  void SetTabOrder(int order);

  // A click or double-click from the user: runs the handler when the control is showing and
  // enabled, as a real click would. Derived controls add their own reaction (a check box
  // toggles, a button may close its modal form).
  virtual void Click();
  virtual void DblClick();

  // Draws the control at the canvas's origin (its own top left corner).
  virtual void Paint(Canvas& canvas);

 protected:
  virtual void Resized() {}

 private:
  friend class TWinControl;
  TWinControl* parent_ = nullptr;
};

// A control that holds others: forms, panels, group boxes, notebook pages.
class TWinControl : public TControl {
 public:
  using TControl::TControl;
  ~TWinControl() override;

  // Adds child (a member of the same form) as the last, topmost child. A control has one
  // parent; inserting it elsewhere moves it.
  void InsertControl(TControl& child);
  void RemoveControl(TControl& child);
  const std::vector<TControl*>& Controls() const { return children_; }
  // The children in tab order: creation order unless a tab order was set.
  const std::vector<TControl*>& TabList() const { return tabList_; }

  void Paint(Canvas& canvas) override;
  // Places the aligned children within the client area: top and bottom ones along its edges
  // at its full width, then client ones over the rest.
  void AlignControls();

 protected:
  void Resized() override { AlignControls(); }
  // The part of the control that aligned children fill: all of it, unless a frame takes some.
  struct TRect {
    int left, top, right, bottom;
  };
  virtual TRect ClientRect() const { return {0, 0, Width, Height}; }

 private:
  friend class TControl;
  std::vector<TControl*> children_;
  std::vector<TControl*> tabList_;
};

// Paints a control and its children, back to front, each at its own position.
void PaintTree(TControl& control, Canvas& canvas, int originX, int originY);

}  // namespace zev::ui
