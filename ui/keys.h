// Keys as the forms see them: Windows virtual-key codes with the state of Shift, Alt and Ctrl.
// Backends translate their own key events into these, so every backend and the tests share the
// forms' keyboard rules.
#pragma once

namespace zev::ui {

using TKey = unsigned short;

constexpr TKey vkTab = 0x09;
constexpr TKey vkReturn = 0x0D;
constexpr TKey vkEscape = 0x1B;
constexpr TKey vkSpace = 0x20;
constexpr TKey vkPrior = 0x21;  // Page Up
constexpr TKey vkNext = 0x22;   // Page Down
constexpr TKey vkEnd = 0x23;
constexpr TKey vkHome = 0x24;
constexpr TKey vkLeft = 0x25;
constexpr TKey vkUp = 0x26;
constexpr TKey vkRight = 0x27;
constexpr TKey vkDown = 0x28;
// Letters are their upper-case ASCII codes ('A' = 0x41), digits theirs ('0' = 0x30).

enum TShiftState : unsigned { ssNone = 0, ssShift = 1u << 0, ssAlt = 1u << 1, ssCtrl = 1u << 2 };

struct TKeyPress {
  TKey key = 0;
  unsigned shift = ssNone;

  bool Shift() const { return (shift & ssShift) != 0; }
  bool Alt() const { return (shift & ssAlt) != 0; }
  bool Ctrl() const { return (shift & ssCtrl) != 0; }
};

}  // namespace zev::ui
