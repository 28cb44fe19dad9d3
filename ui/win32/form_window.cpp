#include "ui/win32/form_window.h"

#include <windowsx.h>

#include <algorithm>

#include "ui/application.h"
#include "ui/gdi_font.h"
#include "ui/std_controls.h"
#include "ui/win32/gdi_canvas.h"

namespace zev::ui::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"ZevSetupForm";

void RegisterWindowClass(WNDPROC procedure) {
  static const bool registered = [procedure] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    // Double clicks are told apart from two clicks: a list opens its entry on one.
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    windowClass.lpszClassName = kWindowClass;
    // No class cursor and no background brush: WM_SETCURSOR and the paint do both.
    return RegisterClassExW(&windowClass) != 0;
  }();
  (void)registered;
}

// The window styles of a border style. The setup's windows have a fixed size, so they offer
// neither minimise nor maximise; a form without border icons has no close box either.
void StylesOf(const TForm& form, DWORD& style, DWORD& exStyle) {
  const DWORD closeBox = form.BorderIcons ? WS_SYSMENU : 0;
  style = WS_CLIPCHILDREN;
  exStyle = 0;
  switch (form.BorderStyle) {
    case TBorderStyle::bsNone:
      style |= WS_POPUP;
      break;
    case TBorderStyle::bsSizeable:
      style |= WS_OVERLAPPEDWINDOW;
      break;
    case TBorderStyle::bsDialog:
      style |= WS_CAPTION | closeBox;
      exStyle |= WS_EX_DLGMODALFRAME;
      break;
    case TBorderStyle::bsToolWindow:
      style |= WS_CAPTION | closeBox;
      exStyle |= WS_EX_TOOLWINDOW;
      break;
    case TBorderStyle::bsSingle:
      style |= WS_CAPTION | closeBox;
      break;
  }
}

// The key a form sees for a virtual key, with the state of Shift, Alt and Ctrl; none for keys
// the forms never take. The forms' key codes are the system's virtual keys.
std::optional<TKeyPress> KeyOf(WPARAM virtualKey, const BYTE* keyboard) {
  const auto key = static_cast<TKey>(virtualKey);
  const bool named = key == vkTab || key == vkReturn || key == vkEscape || (key >= vkSpace && key <= vkDown);
  const bool letter = (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9');
  if (!named && !letter) return std::nullopt;
  unsigned shift = ssNone;
  if (keyboard[VK_SHIFT] & 0x80) shift |= ssShift;
  if (keyboard[VK_MENU] & 0x80) shift |= ssAlt;
  if (keyboard[VK_CONTROL] & 0x80) shift |= ssCtrl;
  return TKeyPress{key, shift};
}

std::wstring CaptionOf(const TForm& form) { return WideText(form.Caption.empty() ? form.App().Title : form.Caption); }

}  // namespace

FormWindow::FormWindow(TForm& form, HWND owner) : form_(form) {
  RegisterWindowClass(&FormWindow::Procedure);
  DWORD style, exStyle;
  StylesOf(form, style, exStyle);
  caption_ = form.Caption.empty() ? form.App().Title : form.Caption;
  handle_ = CreateWindowExW(exStyle, kWindowClass, CaptionOf(form).c_str(), style, 0, 0, 1, 1, owner, nullptr,
                            GetModuleHandleW(nullptr), this);
  if (!handle_) return;
  AddNatives(form);
  modelLeft_ = form.Left, modelTop_ = form.Top, modelWidth_ = form.Width, modelHeight_ = form.Height;
  Place();
  Sync();
}

FormWindow::~FormWindow() {
  messages_.Cut();
  natives_.clear();
  if (handle_) {
    SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
    DestroyWindow(handle_);
  }
}

void FormWindow::Place() {
  DWORD style, exStyle;
  StylesOf(form_, style, exStyle);
  RECT rect{modelLeft_, modelTop_, modelLeft_ + std::max(1, modelWidth_), modelTop_ + std::max(1, modelHeight_)};
  AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  // The frame goes around the client area, but never above or left of the screen, where its
  // caption could not be taken hold of.
  const int left = rect.left < 0 && modelLeft_ >= 0 ? 0 : rect.left;
  const int top = rect.top < 0 && modelTop_ >= 0 ? 0 : rect.top;
  SetWindowPos(handle_, nullptr, left, top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::Show() {
  if (!handle_) return;
  ShowWindow(handle_, SW_SHOW);
  SetForegroundWindow(handle_);
  UpdateWindow(handle_);
}

void FormWindow::SetAppCursor(platform::Cursor shape) {
  appCursor_ = shape;
  POINT mouse;
  GetCursorPos(&mouse);
  if (WindowFromPoint(mouse) == handle_ || IsChild(handle_, WindowFromPoint(mouse)))
    SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(shape == platform::Cursor::HourGlass ? IDC_WAIT : IDC_ARROW)));
}

void FormWindow::AddNatives(TWinControl& parent) {
  for (TControl* control : parent.Controls()) {
    if (auto native = CreateNative(*control, *this, handle_)) natives_.push_back(std::move(native));
    if (auto* container = dynamic_cast<TWinControl*>(control)) AddNatives(*container);
  }
}

NativeControl* FormWindow::NativeOf(const TControl* control) const {
  for (const auto& native : natives_)
    if (&native->Control() == control) return native.get();
  return nullptr;
}

NativeControl* FormWindow::NativeWithHandle(HWND handle) const {
  for (const auto& native : natives_)
    if (native->Handle() == handle) return native.get();
  return nullptr;
}

void FormWindow::Sync() {
  if (!handle_) return;
  if (form_.Left != modelLeft_ || form_.Top != modelTop_ || form_.Width != modelWidth_ ||
      form_.Height != modelHeight_) {
    modelLeft_ = form_.Left, modelTop_ = form_.Top, modelWidth_ = form_.Width, modelHeight_ = form_.Height;
    Place();
  }
  const std::string caption = form_.Caption.empty() ? form_.App().Title : form_.Caption;
  if (caption != caption_) {
    caption_ = caption;
    SetWindowTextW(handle_, CaptionOf(form_).c_str());
  }
  for (const auto& native : natives_) native->Sync();
  ApplyFocus(false);
  const std::uint64_t hash = PaintHash();
  if (!everSynced_ || hash != painted_) {
    everSynced_ = true;
    painted_ = hash;
    InvalidateRect(handle_, nullptr, FALSE);
  }
}

WindowPaint FormWindow::HowToPaint() const {
  WindowPaint how;
  how.isNative = [this](const TControl& control) { return NativeOf(&control) != nullptr; };
  how.hover = hover_;
  how.pressed = pressed_;
  how.greyGlyph = [](Canvas& canvas, int x, int y, const TPicture& glyph) {
    if (auto* gdi = dynamic_cast<GdiCanvas*>(&canvas)) gdi->DrawPictureGreyed(x, y, glyph);
    else canvas.DrawPicture(x, y, glyph);
  };
  return how;
}

std::uint64_t FormWindow::PaintHash() { return FormPaintHash(form_, HowToPaint()); }

void FormWindow::Paint() {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(handle_, &paint);
  RECT client;
  GetClientRect(handle_, &client);
  {
    BufferedPaint buffer(dc, client.right, client.bottom);
    GdiCanvas& canvas = buffer.Surface();
    // Each control paints within its own rectangle.
    struct GdiClipper : Clipper {
      explicit GdiClipper(HDC dc) : dc(dc) {}
      void Push(int x, int y, int width, int height) override {
        SaveDC(dc);
        IntersectClipRect(dc, x, y, x + width, y + height);
      }
      void Pop() override { RestoreDC(dc, -1); }
      HDC dc;
    } clipper(canvas.DC());
    WindowPaint how = HowToPaint();
    how.clipper = &clipper;
    PaintForm(form_, canvas, how);
  }
  EndPaint(handle_, &paint);
}

RasterImage FormWindow::Capture() {
  RECT client{0, 0, 0, 0};
  if (handle_) {
    RedrawWindow(handle_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    GetClientRect(handle_, &client);
  }
  RasterImage image(std::max(0L, client.right), std::max(0L, client.bottom));
  if (image.width == 0 || image.height == 0) return image;
  void* bits = nullptr;
  const HDC window = GetDC(handle_);
  const HDC memory = CreateCompatibleDC(window);
  const HBITMAP bitmap = TopDownBitmap(window, image.width, image.height, &bits);
  if (memory && bitmap) {
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, image.width, image.height, window, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    for (int y = 0; y < image.height; ++y)
      for (int x = 0; x < image.width; ++x) {
        const std::uint32_t p = pixels[static_cast<std::size_t>(y) * image.width + x];
        image.SetPixel(x, y, MakeRGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
      }
    SelectObject(memory, old);
  }
  if (bitmap) DeleteObject(bitmap);
  if (memory) DeleteDC(memory);
  ReleaseDC(handle_, window);
  return image;
}

void FormWindow::PostWhileShown(std::function<void()> message) { messages_.PostWhileShown(std::move(message)); }

void FormWindow::Post(TControl* control, bool doubleClick) { messages_.Post(control, doubleClick); }

bool FormWindow::QueueKey(const MSG& message) {
  if (!handle_) return false;
  if (const NativeControl* native = NativeWithHandle(message.hwnd); native && native->KeepsKeys()) return false;
  // Every key waits its turn behind the clicks and keys before it, as window messages do: what
  // it means depends on what they did (where the focus went, which page shows).
  PendingKey key;
  key.message = message;
  GetKeyboardState(key.keyboard);
  key.press = KeyOf(message.wParam, key.keyboard);
  PostWhileShown([this, key] { RunKey(key); });
  return true;
}

void FormWindow::RunKey(const PendingKey& key) {
  if (key.press && form_.KeyDown(*key.press)) {
    Sync();
    return;
  }
  // A system key (with Alt, or F10) the form leaves goes to the window itself: Alt+F4 closes it.
  if (key.message.message == WM_SYSKEYDOWN) {
    SendMessageW(handle_, key.message.message, key.message.wParam, key.message.lParam);
    return;
  }
  // Any other key the form leaves to its focused control: a text field types it, a memo
  // scrolls. It is handed over as the system would have, the characters it types included.
  TControl* focus = form_.ActiveControl();
  NativeControl* native = focus && focus->CanFocus() ? NativeOf(focus) : nullptr;
  if (!native) return;
  const HWND target = native->Handle();
  SendMessageW(target, WM_KEYDOWN, key.message.wParam, key.message.lParam);
  wchar_t typed[8];
  const int count = ToUnicode(static_cast<UINT>(key.message.wParam), (static_cast<UINT>(key.message.lParam) >> 16) & 0xFF,
                              key.keyboard, typed, 8, 0);
  for (int i = 0; i < count; ++i) SendMessageW(target, WM_CHAR, typed[i], key.message.lParam);
}

void FormWindow::NativeFocused(TControl& control) {
  if (control.CanFocus()) form_.SetActiveControl(&control);
}

void FormWindow::ApplyFocus(bool force) {
  const HWND focus = GetFocus();
  if (!force && focus != handle_ && !IsChild(handle_, focus)) return;  // the keyboard is elsewhere
  TControl* active = form_.ActiveControl();
  NativeControl* native = active && active->CanFocus() ? NativeOf(active) : nullptr;
  const HWND want = native ? native->Handle() : handle_;
  if (focus != want) SetFocus(want);
}

void FormWindow::UpdateHover(int x, int y) {
  TControl* hit = ControlAt(form_, x, y);
  if (NativeOf(hit)) hit = nullptr;
  hover_ = hit;
  if (!tracking_) {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, handle_, 0};
    tracking_ = TrackMouseEvent(&track) != FALSE;
  }
}

void FormWindow::Press(int x, int y, bool doubleClick) {
  TControl* hit = ControlAt(form_, x, y);
  pressed_ = hover_ = hit;
  pressedDouble_ = false;
  SetCapture(handle_);
  // A control that takes the focus takes it with the press, as a button does.
  if (hit->CanFocus()) {
    form_.SetActiveControl(hit);
    SetFocus(handle_);
  }
  // A button takes a quick second press as another click; other controls see a double click.
  if (doubleClick && !dynamic_cast<TButton*>(hit)) {
    pressedDouble_ = true;
    Post(hit, true);
  }
  Sync();
}

void FormWindow::Release(int x, int y) {
  if (!pressed_) return;
  TControl* target = pressed_;
  pressed_ = nullptr;
  ReleaseCapture();
  UpdateHover(x, y);
  if (!pressedDouble_ && ControlAt(form_, x, y) == target) Post(target, false);
  Sync();
}

LRESULT CALLBACK FormWindow::Procedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->handle_ = handle;
    SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(handle, GWLP_USERDATA));
  return self ? self->Message(message, wParam, lParam) : DefWindowProcW(handle, message, wParam, lParam);
}

LRESULT FormWindow::Message(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // the paint covers every pixel
    case WM_PAINT:
      Paint();
      return 0;
    case WM_SETFOCUS:
      // The window got the keyboard: it goes where the form has its focus.
      ApplyFocus(true);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      Press(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), message == WM_LBUTTONDBLCLK);
      return 0;
    case WM_LBUTTONUP:
      Release(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != handle_ && pressed_) {
        pressed_ = nullptr;
        Sync();
      }
      return 0;
    case WM_MOUSEMOVE:
      UpdateHover(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      Sync();
      return 0;
    case WM_MOUSELEAVE:
      tracking_ = false;
      hover_ = nullptr;
      Sync();
      return 0;
    case WM_SETCURSOR: {
      if (LOWORD(lParam) != HTCLIENT) break;
      const bool busy = appCursor_ == platform::Cursor::HourGlass;
      const bool hand = !busy && hover_ && hover_->Cursor == TCursor::crHandPoint &&
                        reinterpret_cast<HWND>(wParam) == handle_;
      // Over a native control, only the hour glass is this window's business.
      if (!busy && reinterpret_cast<HWND>(wParam) != handle_) break;
      SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(busy ? IDC_WAIT : hand ? IDC_HAND : IDC_ARROW)));
      return TRUE;
    }
    case WM_COMMAND:
      if (NativeControl* native = NativeWithHandle(reinterpret_cast<HWND>(lParam))) native->Command(HIWORD(wParam));
      return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
      if (NativeControl* native = NativeWithHandle(reinterpret_cast<HWND>(lParam)))
        return reinterpret_cast<LRESULT>(native->Colors(reinterpret_cast<HDC>(wParam)));
      break;
    case WM_CLOSE: {
      // The close box (or Alt+F4) closes a form with border icons, as the system's close
      // command would; on one without, it can only have come from elsewhere, and acts as a
      // click on the form. Escape is the cancel button's business, not the window's.
      if (form_.BorderStyle == TBorderStyle::bsNone) return 0;
      TForm* form = &form_;
      const bool closes = form->BorderIcons;
      PostWhileShown([form, closes] {
        if (closes) form->Close();
        else form->Click();
      });
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(handle_, message, wParam, lParam);
}

}  // namespace zev::ui::win32
