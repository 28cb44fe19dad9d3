#include "ui/font.h"

#include "ui/mul_div.h"

namespace zev::ui {

int TFont::Size() const { return MulDiv(Height, 72, kPixelsPerInch); }

void TFont::SetSize(int points) { Height = MulDiv(points, kPixelsPerInch, 72); }

}  // namespace zev::ui
