#include "ui/form_view.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "ui/accelerator.h"
#include "ui/application.h"
#include "ui/file_controls.h"
#include "ui/form.h"
#include "ui/hash_canvas.h"
#include "ui/std_controls.h"

namespace zev::ui {
namespace {

TControl* Find(TControl& control, int left, int top, int x, int y) {
  if (!control.Visible) return nullptr;
  if (x < left || y < top || x >= left + control.Width || y >= top + control.Height) return nullptr;
  if (auto* container = dynamic_cast<TWinControl*>(&control)) {
    const auto& children = container->Controls();
    // Depth first, topmost child first.
    for (auto it = children.rbegin(); it != children.rend(); ++it)
      if (TControl* hit = Find(**it, left + (*it)->Left, top + (*it)->Top, x, y)) return hit;
  }
  return &control;
}

// How many entries of a directory list are levels of its path: the root and each folder.
int PathLevels(const std::string& directory) {
  if (directory.size() < 3) return 0;
  int levels = 1;
  bool inName = false;
  for (char c : directory.substr(3)) {
    if (c == '\\') {
      inName = false;
    } else if (!inName) {
      inName = true;
      ++levels;
    }
  }
  return levels;
}

}  // namespace

TControl* ControlAt(TForm& form, int x, int y) {
  TControl* hit = Find(form, 0, 0, x, y);
  return hit ? hit : &form;
}

void ClientPosition(const TControl& control, int& x, int& y) {
  x = y = 0;
  for (const TControl* c = &control; c && !dynamic_cast<const TForm*>(c); c = c->Parent()) {
    x += c->Left;
    y += c->Top;
  }
}

std::vector<std::string> IndentedEntries(const TDirectoryListBox& dirs) {
  const int levels = PathLevels(dirs.Directory());
  std::vector<std::string> entries;
  for (std::size_t i = 0; i < dirs.Items.Count(); ++i) {
    const int depth = std::min(static_cast<int>(i), levels);
    entries.push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') + dirs.Items[i]);
  }
  return entries;
}

int DriveIndex(const TDriveComboBox& drives) {
  int index = -1;
  for (std::size_t i = 0; i < drives.Items.Count(); ++i)
    if (!drives.Items[i].empty() &&
        std::toupper(static_cast<unsigned char>(drives.Items[i][0])) == static_cast<unsigned char>(drives.Drive()))
      index = static_cast<int>(i);
  return index;
}

void PaintWindow(TControl& control, Canvas& canvas, int x, int y, const WindowPaint& how) {
  if (!control.Visible || (how.isNative && how.isNative(control))) return;
  if (how.clipper) how.clipper->Push(x, y, control.Width, control.Height);
  canvas.SetOrigin(x, y);
  if (auto* button = dynamic_cast<TButton*>(&control)) PaintButtonFace(*button, canvas, how);
  else control.Paint(canvas);
  if (auto* container = dynamic_cast<TWinControl*>(&control))
    for (TControl* child : container->Controls()) PaintWindow(*child, canvas, x + child->Left, y + child->Top, how);
  if (how.clipper) how.clipper->Pop();
}

void PaintForm(TForm& form, Canvas& canvas, const WindowPaint& how) {
  const bool visible = form.Visible;
  form.Visible = true;
  PaintWindow(form, canvas, 0, 0, how);
  form.Visible = visible;
}

std::uint64_t FormPaintHash(TForm& form, const WindowPaint& how) {
  std::uint64_t state = 0xCBF29CE484222325ULL;
  HashCanvas canvas(&state);
  PaintForm(form, canvas, how);
  canvas.Add(reinterpret_cast<std::uintptr_t>(how.hover));
  canvas.Add(reinterpret_cast<std::uintptr_t>(how.pressed));
  return state;
}

void WindowMessages::PostWhileShown(std::function<void()> message) {
  std::weak_ptr<int> alive = alive_;
  form_.App().Post([alive, message = std::move(message)] {
    if (alive.lock()) message();
  });
}

void WindowMessages::Post(TControl* control, bool doubleClick) {
  PostWhileShown([control, doubleClick] {
    if (doubleClick) control->DblClick();
    else control->Click();
  });
}

void PaintButtonFace(TButton& button, Canvas& canvas, const WindowPaint& how) {
  const int w = button.Width, h = button.Height;
  const bool down = how.pressed == &button && how.hover == &button && button.Enabled;
  canvas.Brush.Style = TBrushStyle::bsSolid;
  canvas.Brush.Color = button.Color;
  canvas.FillRect(0, 0, w, h);
  if (!button.Flat) {
    // A raised bevel two pixels deep, pressed in while held down.
    if (down) {
      canvas.DrawFrame(0, 0, w, h, cl3DDkShadow, clBtnHighlight);
      canvas.DrawFrame(1, 1, w - 1, h - 1, clBtnShadow, clBtnFace);
    } else {
      canvas.DrawFrame(0, 0, w, h, clBtnHighlight, cl3DDkShadow);
      canvas.DrawFrame(1, 1, w - 1, h - 1, clBtnFace, clBtnShadow);
    }
  } else if (button.Enabled && (how.hover == &button || how.pressed == &button)) {
    // A flat button shows its edge only under the mouse.
    if (down) canvas.DrawFrame(0, 0, w, h, clBtnShadow, clBtnHighlight);
    else canvas.DrawFrame(0, 0, w, h, clBtnHighlight, clBtnShadow);
  }

  std::size_t underline;
  const std::string text = StripAccelerator(button.Caption, underline);
  canvas.Font = button.Font;
  const TextSize size = canvas.TextExtent(text);
  const bool glyph = button.Glyph && !button.Glyph->Empty();
  const int glyphWidth = glyph ? button.Glyph->Width + 4 : 0;
  const int shift = down ? 1 : 0;
  // Glyph and caption together, centred.
  int x = std::max(2, (w - glyphWidth - size.cx) / 2) + shift;
  if (glyph) {
    const int gy = (h - button.Glyph->Height) / 2 + shift;
    if (how.greyGlyph && !button.Enabled) how.greyGlyph(canvas, x, gy, *button.Glyph);
    else canvas.DrawPicture(x, gy, *button.Glyph);
    x += glyphWidth;
  }
  const int ty = (h - size.cy) / 2 + shift;
  auto drawText = [&](int dx, int dy, TColor color) {
    canvas.Font.Color = color;
    canvas.TextOut(x + dx, ty + dy, text);
    if (underline != std::string::npos) {
      const int left = canvas.TextExtent(text.substr(0, underline)).cx;
      const int right = canvas.TextExtent(text.substr(0, underline + 1)).cx;
      canvas.Brush.Color = color;
      canvas.FillRect(x + dx + left, ty + dy + size.cy - 2, x + dx + right, ty + dy + size.cy - 1);
    }
  };
  if (button.Enabled) {
    drawText(0, 0, button.Font.Color);
  } else {
    // Disabled text is engraved: white below right, grey on top.
    drawText(1, 1, clBtnHighlight);
    drawText(0, 0, clBtnShadow);
  }
  if (button.Focused() && button.CanFocus()) canvas.DrawFocusRect(3 + shift, 3 + shift, w - 3 + shift, h - 3 + shift, clWindowText);
  if (auto* hash = dynamic_cast<HashCanvas*>(&canvas)) hash->Add(button.Enabled ? 1 : 0);
}

}  // namespace zev::ui
