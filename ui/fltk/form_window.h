// One real window for one shown form. The form's controls are painted from their state with
// FLTK's drawing calls; the few that take typing, scrolling or a drop-down (edits, memos, list
// boxes, the directory list, the drive combo) are real FLTK widgets kept in step with their
// control. Clicks and keys go back to the controls as posted window messages, so a handler never
// runs inside FLTK's own event dispatch.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <FL/Fl_Double_Window.H>

#include "ui/form.h"

class Fl_Widget;

namespace zev::ui {
class TButton;
}

namespace zev::ui::fltk {

class FormWindow : public Fl_Double_Window {
 public:
  explicit FormWindow(TForm& form);
  ~FormWindow() override;

  TForm& Form() const { return form_; }
  // Cuts the window off from its form, which may be freed now: FLTK deletes the window later and
  // may still send it events until then.
  void Detach();
  // Brings the window and its widgets in step with the form's state; repaints when the picture
  // the form would paint has changed.
  void Sync();
  // The hash of what the form paints now (natively shown controls excepted).
  std::uint64_t PaintHash();

  void draw() override;
  int handle(int event) override;

  // The control under a point of the client area: the topmost showing one, the form itself
  // when no control is there.
  TControl* ControlAt(int x, int y);

 private:
  struct Native {
    TControl* control = nullptr;
    Fl_Widget* widget = nullptr;
    std::vector<std::string> shown;  // lines or items last given to the widget
    std::string text;                // the edit text last given
    int index = -2;                  // the selection last given
    std::uint64_t look = 0;          // font and colour last given
  };

  void AddNatives(TWinControl& parent);
  void SyncNative(Native& native);
  void Post(TControl* control, bool doubleClick);
  void PaintControl(TControl& control, Canvas& canvas, int x, int y, bool clip);
  void PaintButton(TButton& button, Canvas& canvas);
  bool IsNative(const TControl* control) const;
  bool HandleAccelerator();
  void UpdateHover(int x, int y);
  static void WindowCallback(Fl_Widget* widget, void* data);

  TForm& form_;
  std::vector<Native> natives_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
  std::uint64_t painted_ = 0;
  bool everSynced_ = false;
  int modelLeft_ = 0, modelTop_ = 0, modelWidth_ = 0, modelHeight_ = 0;
  std::string label_;
  TControl* pressed_ = nullptr;
  TControl* hover_ = nullptr;
  bool pressedDouble_ = false;
  bool detached_ = false;
};

// Where a control lies in its form's client area.
void ClientPosition(const TControl& control, int& x, int& y);

}  // namespace zev::ui::fltk
