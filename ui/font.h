// The font of a control: a Windows face name, a height in pixels, a colour and a weight.
#pragma once

#include <cstdint>
#include <string>

#include "ui/color.h"

namespace zev::ui {

// Screen resolution that point sizes convert at.
constexpr int kPixelsPerInch = 96;

struct TFont {
  std::string Name = "MS Sans Serif";
  int Height = 11;  // character height in pixels
  TColor Color = clWindowText;
  bool Bold = false;

  // Point size from the pixel height, rounded as the system's MulDiv does.
  int Size() const;
  // Sets the pixel height from a point size (26 points -> 35 pixels at 96 pixels per inch).
  void SetSize(int points);
};

}  // namespace zev::ui
