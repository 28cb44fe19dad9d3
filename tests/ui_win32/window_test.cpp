// The Win32 backend with real windows (under Wine, on an X server of the test's own): keys and
// clicks go through the system's message queue to the form's keyboard rules, the system's
// focus follows the form's, a modal form keeps the others from input, and a screenshot of a
// window shows what the model paints.
#include <gtest/gtest.h>

#include "ui/application.h"
#include "ui/form_view.h"
#include "ui/headless_backend.h"
#include "ui/std_controls.h"
#include "ui/win32/form_window.h"
#include "ui/win32/win32_backend.h"

namespace zev::ui::win32 {
namespace {

// An edit, a check box, a list, a progress bar, then OK (default) and Cancel (cancel), in that
// tab order. Every click and change is recorded by name.
class KeysForm {
 public:
  explicit KeysForm(Application& app) : form(app.CreateForm<TForm>("KeysForm")) {
    form.BorderStyle = TBorderStyle::bsDialog;
    form.Caption = "Keys";
    form.SetBounds(40, 40, 320, 200);
    for (TControl* c : std::initializer_list<TControl*>{&edit, &check, &list, &bar, &ok, &cancel}) form.InsertControl(*c);
    edit.SetBounds(10, 10, 150, 21);
    check.SetBounds(10, 40, 150, 17);
    check.Caption = "&Check";
    list.SetBounds(170, 10, 140, 80);
    for (const char* item : {"one", "two", "three"}) list.Items.Add(item);
    bar.SetBounds(10, 100, 300, 16);
    bar.SetPosition(40);
    ok.SetBounds(150, 160, 75, 25);
    ok.Caption = "&OK";
    ok.Default = true;
    cancel.SetBounds(235, 160, 75, 25);
    cancel.Caption = "Cancel";
    cancel.Cancel = true;
    for (TControl* c : std::initializer_list<TControl*>{&check, &list, &ok, &cancel}) {
      c->OnClick = [this, c] { events += c->Name + " "; };
      c->OnDblClick = [this, c] { events += "dbl:" + c->Name + " "; };
    }
    edit.OnChange = [this] { events += "change:" + edit.Text + " "; };
  }

  TForm& form;
  TEdit edit{"edit"};
  TCheckBox check{"check"};
  TListBox list{"list"};
  TProgressBar bar{"bar"};
  TButton ok{"ok"}, cancel{"cancel"};
  std::string events;
};

class WindowTest : public ::testing::Test {
 protected:
  Win32Backend backend;
  Application app{backend};
  KeysForm f{app};

  void SetUp() override {
    f.form.Show();
    Pump();
    ASSERT_NE(Window(), nullptr);
  }

  FormWindow* Window() { return backend.WindowOf(f.form); }
  HWND Handle() { return Window()->Handle(); }
  std::string Focus() const { return f.form.ActiveControl() ? f.form.ActiveControl()->Name : "-"; }
  // The native control of a control: the child window at its place.
  HWND ChildAt(const TControl& control) {
    int x, y;
    ClientPosition(control, x, y);
    return ChildWindowFromPointEx(Handle(), POINT{x + 2, y + 2}, CWP_SKIPINVISIBLE);
  }

  // Lets every message through: the system's queue, then what the application posted.
  void Pump() {
    for (int i = 0; i < 4; ++i) {
      backend.Wait(backend.Now());
      app.ProcessMessages();
    }
  }

  // A key pressed where the keyboard is, with Shift or Alt held as given.
  void Press(TKey key, unsigned shift = ssNone) {
    BYTE keyboard[256] = {};
    if (shift & ssShift) keyboard[VK_SHIFT] = keyboard[VK_LSHIFT] = 0x80;
    if (shift & ssAlt) keyboard[VK_MENU] = keyboard[VK_LMENU] = 0x80;
    SetKeyboardState(keyboard);
    const LPARAM lParam = 1 | static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16 | (shift & ssAlt ? 1 << 29 : 0);
    HWND target = GetFocus() ? GetFocus() : Handle();
    PostMessageW(target, shift & ssAlt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, lParam);
    Pump();
    const BYTE none[256] = {};
    SetKeyboardState(const_cast<BYTE*>(none));
  }

  // A click of the left button at a point of a window's client area.
  void Click(HWND window, int x, int y, bool doubleClick = false) {
    const LPARAM at = MAKELPARAM(x, y);
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(window, WM_LBUTTONUP, 0, at);
    if (doubleClick) {
      PostMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
      PostMessageW(window, WM_LBUTTONUP, 0, at);
    }
    Pump();
  }
};

TEST_F(WindowTest, TabEnterEscapeAndAcceleratorsFollowTheFormsRules) {
  EXPECT_EQ(Focus(), "ok") << "a form opens with the focus on its default button";
  EXPECT_EQ(GetFocus(), Handle()) << "a painted control's keys come to the window itself";

  Press(vkTab);
  EXPECT_EQ(Focus(), "cancel");
  Press(vkReturn);
  EXPECT_EQ(f.events, "cancel ") << "a focused button takes Enter for itself";
  Press(vkTab);
  EXPECT_EQ(Focus(), "edit");
  EXPECT_EQ(GetFocus(), ChildAt(f.edit)) << "the system's focus follows the form's to a native control";

  f.events.clear();
  Press('A');
  Press('B', ssShift);
  EXPECT_EQ(f.edit.Text, "aB") << "keys the form leaves reach the edit, with the characters they type";
  EXPECT_EQ(f.events, "change:a change:aB ");

  f.events.clear();
  Press(vkReturn);
  EXPECT_EQ(f.events, "ok ") << "Enter in an edit presses the default button";
  Press(vkEscape);
  EXPECT_EQ(f.events, "ok cancel ") << "Escape presses the cancel button";
  Press('C', ssAlt);
  EXPECT_TRUE(f.check.Checked) << "Alt+C presses the control whose caption underlines C";
  EXPECT_EQ(Focus(), "check");

  Press(vkTab, ssShift);
  EXPECT_EQ(Focus(), "edit") << "Shift+Tab goes back";
  Press(vkTab);
  Press(vkTab);
  EXPECT_EQ(Focus(), "list");
  EXPECT_EQ(GetFocus(), ChildAt(f.list));
  Press(vkDown);
  EXPECT_EQ(f.list.ItemIndex, 0);
  Press(vkDown);
  EXPECT_EQ(f.list.ItemIndex, 1);
  EXPECT_EQ(SendMessageW(ChildAt(f.list), LB_GETCURSEL, 0, 0), 1) << "the list shows the model's selection";
}

TEST_F(WindowTest, ClicksReachPaintedAndNativeControls) {
  Click(Handle(), f.check.Left + 5, f.check.Top + 5);
  EXPECT_TRUE(f.check.Checked);
  EXPECT_EQ(Focus(), "check") << "a press focuses a control that takes the focus";

  const HWND list = ChildAt(f.list);
  const int itemHeight = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
  f.events.clear();
  Click(list, 5, itemHeight + itemHeight / 2);
  EXPECT_EQ(f.list.ItemIndex, 1);
  EXPECT_EQ(Focus(), "list");
  EXPECT_EQ(f.events, "list ");
  f.events.clear();
  Click(list, 5, itemHeight / 2, true);
  EXPECT_EQ(f.list.ItemIndex, 0);
  EXPECT_EQ(f.events, "list dbl:list ") << "the second click of a double click is a double click";

  f.events.clear();
  f.ok.Enabled = false;
  Click(Handle(), f.ok.Left + 10, f.ok.Top + 10);
  EXPECT_EQ(f.events, "") << "a disabled button takes no click";
}

TEST_F(WindowTest, AModalFormKeepsTheOthersFromInput) {
  TForm& dialog = app.CreateForm<TForm>("Dialog");
  dialog.BorderStyle = TBorderStyle::bsDialog;
  dialog.SetBounds(60, 60, 200, 100);
  TButton close("close");
  dialog.InsertControl(close);
  close.SetBounds(10, 10, 75, 25);
  close.ModalResult = platform::ModalResult::OK;
  bool blocked = false;
  // The loop of ShowModal runs this once the dialog shows; a click ends the loop.
  app.Post([&] {
    blocked = !IsWindowEnabled(Handle());
    Click(backend.WindowOf(dialog)->Handle(), 20, 20);
  });
  EXPECT_EQ(app.ShowModal(dialog), platform::ModalResult::OK);
  EXPECT_TRUE(blocked);
  EXPECT_TRUE(IsWindowEnabled(Handle())) << "the others take input again once it has gone";
  EXPECT_EQ(backend.WindowOf(dialog), nullptr);
}

TEST_F(WindowTest, AScreenshotShowsWhatTheModelPaints) {
  Press(vkTab);  // the focus rectangle goes to Cancel
  const RasterImage shot = backend.Capture(f.form);
  ASSERT_EQ(shot.width, f.form.Width);
  ASSERT_EQ(shot.height, f.form.Height);
  const RasterImage model = RenderForm(f.form);
  // The progress bar and the focus rectangle are rectangles and dots: GDI fills exactly the
  // pixels the model's raster does.
  int differ = 0;
  auto compare = [&](const TControl& c) {
    for (int y = c.Top; y < c.Top + c.Height; ++y)
      for (int x = c.Left; x < c.Left + c.Width; ++x) differ += shot.Pixel(x, y) != model.Pixel(x, y);
  };
  compare(f.bar);
  EXPECT_EQ(differ, 0) << "progress bar";
  EXPECT_EQ(shot.Pixel(f.cancel.Left + 3, f.cancel.Top + 3), ColorToRGB(clWindowText)) << "first dot of the focus rectangle";
  EXPECT_EQ(shot.Pixel(f.cancel.Left + 4, f.cancel.Top + 3), ColorToRGB(clBtnFace));
  EXPECT_EQ(shot.Pixel(f.edit.Left + 5, f.edit.Top + 10), ColorToRGB(clWhite)) << "the edit shows in the shot";
}

}  // namespace
}  // namespace zev::ui::win32
