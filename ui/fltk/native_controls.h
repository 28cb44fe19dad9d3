// The controls a form window shows as real FLTK widgets, because they take typing, scroll or drop
// down: edits, memos, list boxes, the directory list and the drive combo. One adapter per kind
// keeps its widget in step with the control's state (Sync); CreateNative makes the adapter and
// its widget from a table with one row per kind. The window paints every other control itself.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

class Fl_Widget;

namespace zev::ui {
class TControl;
}

namespace zev::ui::fltk {

// What a native widget needs from the window it lies in. Its keys go to the form first (the
// window queues them and hands back those the form leaves to the widget), taking FLTK's focus
// gives the form's focus to its control, and clicks and changes reach the form as messages.
class NativeHost {
 public:
  virtual ~NativeHost() = default;
  // Queues the key being pressed for the form; false while a key is being handed back.
  virtual bool QueueKey() = 0;
  virtual void NativeFocused(TControl& control) = 0;
  // Posts a click or double click on a control.
  virtual void Post(TControl* control, bool doubleClick) = 0;
  // Posts a message that runs only if the window still shows its form by then.
  virtual void PostWhileShown(std::function<void()> message) = 0;
};

class NativeControl {
 public:
  virtual ~NativeControl();
  NativeControl(const NativeControl&) = delete;
  NativeControl& operator=(const NativeControl&) = delete;

  TControl& Control() const { return control_; }
  Fl_Widget& Widget() const { return widget_; }
  // Brings the widget in step with its control: place and size, visibility, enabled state, font
  // and colours, and what the kind shows.
  void Sync();

 protected:
  // The widget is new and belongs to the FLTK group being built.
  NativeControl(TControl& control, Fl_Widget& widget);
  // What the kind shows; restyle when the control's font or colours changed since the last sync.
  virtual void SyncContent(bool restyle) = 0;

 private:
  TControl& control_;
  Fl_Widget& widget_;
  std::uint64_t look_ = 0;  // the font and colours last given
};

// The adapter of a control that shows as a native widget, whose widget joins the FLTK group
// being built, hidden until the first Sync; nullptr for a control the window paints.
std::unique_ptr<NativeControl> CreateNative(TControl& control, NativeHost& host);

}  // namespace zev::ui::fltk
