#include "ui/win32/dialogs.h"

#include <algorithm>
#include <array>
#include <bit>
#include <utility>

#include "ui/font_renderer.h"
#include "ui/gdi_font.h"
#include "ui/win32/native_controls.h"

namespace zev::ui::win32 {
namespace {

using platform::ModalResult;

// The sets of buttons the system's box has, smallest first.
constexpr std::array<std::pair<UINT, unsigned>, 6> kSystemSets = {{
    {MB_OK, platform::mbOK},
    {MB_YESNO, platform::mbYes | platform::mbNo},
    {MB_OKCANCEL, platform::mbOK | platform::mbCancel},
    {MB_RETRYCANCEL, platform::mbRetry | platform::mbCancel},
    {MB_YESNOCANCEL, platform::mbYes | platform::mbNo | platform::mbCancel},
    {MB_ABORTRETRYIGNORE, platform::mbAbort | platform::mbRetry | platform::mbIgnore},
}};

// The system's box for a set of buttons: the smallest that has them all, else the one that has
// the most of them.
UINT SystemButtons(unsigned buttons) {
  if (buttons == 0) return MB_OK;
  UINT best = MB_OK;
  int bestShared = -1;
  for (const auto& [flags, set] : kSystemSets) {
    if ((set & buttons) == buttons) return flags;
    const int shared = std::popcount(set & buttons);
    if (shared > bestShared) best = flags, bestShared = shared;
  }
  return best;
}

UINT SignOf(platform::MsgKind kind) {
  switch (kind) {
    case platform::MsgKind::Confirmation: return MB_ICONQUESTION;
    case platform::MsgKind::Warning: return MB_ICONWARNING;
    case platform::MsgKind::Error: return MB_ICONERROR;
    default: return MB_ICONINFORMATION;
  }
}

ModalResult ResultOf(int answer) {
  switch (answer) {
    case IDOK: return ModalResult::OK;
    case IDCANCEL: return ModalResult::Cancel;
    case IDABORT: return ModalResult::Abort;
    case IDRETRY: return ModalResult::Retry;
    case IDIGNORE: return ModalResult::Ignore;
    case IDYES: return ModalResult::Yes;
    case IDNO: return ModalResult::No;
    default: return ModalResult::None;
  }
}

// The input box's state while it shows.
struct InputBox {
  HWND edit = nullptr;
  bool done = false;
  bool ok = false;
};

constexpr wchar_t kInputClass[] = L"ZevSetupInputBox";
const TFont kBoxFont{"MS Sans Serif", 12, clWindowText, false};
constexpr int kButtonWidth = 75, kButtonHeight = 23, kGap = 6, kMargin = 12, kWidth = 320, kEditHeight = 24;

LRESULT CALLBACK InputProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* box = reinterpret_cast<InputBox*>(GetWindowLongPtrW(handle, GWLP_USERDATA));
  if (box && message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    box->ok = LOWORD(wParam) == IDOK;
    box->done = true;
    return 0;
  }
  if (box && message == WM_CLOSE) {
    box->done = true;
    return 0;
  }
  return DefWindowProcW(handle, message, wParam, lParam);
}

HWND Child(HWND parent, const wchar_t* windowClass, const std::wstring& text, DWORD style, int id, int x, int y, int w,
           int h, DWORD exStyle = 0) {
  const HWND child = CreateWindowExW(exStyle, windowClass, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(GdiFont(kBoxFont)), FALSE);
  return child;
}

}  // namespace

ModalResult RunMessageBox(HWND owner, const BoxRequest& box) {
  // The wide call, so that the text shows as written whatever the system's ANSI code page.
  const int answer = MessageBoxW(owner, WideText(box.text).c_str(), WideText(box.title).c_str(),
                                 SystemButtons(box.buttons) | SignOf(box.kind) | MB_SETFOREGROUND);
  const ModalResult result = ResultOf(answer);
  if (result == ModalResult::None || (box.buttons != 0 && !HasButton(box.buttons, result))) return LastButton(box.buttons);
  return result;
}

bool RunInputQuery(HWND owner, const std::string& caption, const std::string& prompt, std::string& value) {
  static const bool registered = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = InputProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kInputClass;
    return RegisterClassExW(&windowClass) != 0;
  }();
  if (!registered) return false;

  const int promptHeight = FontRenderer::Instance().Measure(kBoxFont, prompt).cy;
  const int editTop = kMargin + promptHeight + 4;
  const int buttonsTop = editTop + kEditHeight + kMargin;
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU, exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  RECT frame{0, 0, kWidth, buttonsTop + kButtonHeight + kMargin};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  const HWND window = CreateWindowExW(exStyle, kInputClass, WideText(caption).c_str(), style,
                                      (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                      (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, owner, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
  if (!window) return false;
  InputBox box;
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&box));
  Child(window, L"STATIC", WideText(prompt), SS_LEFT | SS_NOPREFIX, -1, kMargin, kMargin, kWidth - 2 * kMargin,
        promptHeight);
  box.edit = Child(window, L"EDIT", WideText(value), WS_TABSTOP | ES_AUTOHSCROLL, 100, kMargin, editTop,
                   kWidth - 2 * kMargin, kEditHeight, WS_EX_CLIENTEDGE);
  const int okLeft = kWidth - kMargin - 2 * kButtonWidth - kGap;
  Child(window, L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, okLeft, buttonsTop, kButtonWidth, kButtonHeight);
  Child(window, L"BUTTON", L"Cancel", WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL, okLeft + kButtonWidth + kGap, buttonsTop,
        kButtonWidth, kButtonHeight);
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  SetFocus(box.edit);
  SendMessageW(box.edit, EM_SETSEL, 0, -1);

  MSG message;
  while (!box.done) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      // The program is being ended: the quit message belongs to the loop outside.
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (!IsDialogMessageW(window, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  const bool ok = box.ok;
  if (ok) value = WindowText(box.edit).value_or(value);
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  DestroyWindow(window);
  return ok;
}

}  // namespace zev::ui::win32
