// What the FLTK backend decides without a display: when a form must be repainted (the hash of
// what it paints), and that controls paint the same whatever the canvas held before.
#include <gtest/gtest.h>

#include "ui/fltk/fltk_canvas.h"
#include "ui/headless_backend.h"
#include "ui/std_controls.h"

namespace zev::ui::fltk {
namespace {

std::uint64_t HashOf(TControl& control) {
  std::uint64_t state = 0xCBF29CE484222325ULL;
  HashCanvas canvas(&state);
  PaintTree(control, canvas, 0, 0);
  return state;
}

TEST(PaintHashTest, ChangesExactlyWhenThePictureChanges) {
  TPanel panel("Panel");
  panel.SetBounds(0, 0, 200, 100);
  TProgressBar bar("Bar");
  TLabel label("Label");
  TCheckBox check("Check");
  for (TControl* c : {static_cast<TControl*>(&bar), static_cast<TControl*>(&label), static_cast<TControl*>(&check)})
    panel.InsertControl(*c);
  bar.SetBounds(4, 4, 100, 16);
  label.SetBounds(4, 30, 100, 14);
  label.Caption = "Copy Source";
  check.SetBounds(4, 50, 100, 17);

  const std::uint64_t start = HashOf(panel);
  EXPECT_EQ(start, HashOf(panel)) << "painting twice gives the same hash";

  bar.SetPosition(30);
  const std::uint64_t moved = HashOf(panel);
  EXPECT_NE(start, moved) << "a progress bar that moved";
  bar.SetPosition(30);
  EXPECT_EQ(moved, HashOf(panel)) << "the same position again";

  label.Caption = "Copy Sourcf";
  const std::uint64_t renamed = HashOf(panel);
  EXPECT_NE(moved, renamed) << "one letter of a caption";

  check.Checked = true;
  EXPECT_NE(renamed, HashOf(panel)) << "a check mark";
  check.Checked = false;
  EXPECT_EQ(renamed, HashOf(panel));

  label.Font.Color = clRed;
  EXPECT_NE(renamed, HashOf(panel)) << "a font colour";
  label.Font.Color = clWindowText;
  label.Visible = false;
  EXPECT_NE(renamed, HashOf(panel)) << "a control hidden";
}

TEST(PaintHashTest, BitmapContentsCount) {
  // A control that paints into an offscreen bitmap and copies it (the gradient does) changes the
  // hash through what it painted into the bitmap.
  struct Banded : TControl {
    TColor band = clBlue;
    Banded() : TControl("Banded") { SetBounds(0, 0, 10, 10); }
    void Paint(Canvas& canvas) override {
      auto bitmap = canvas.CreateBitmap(Width, Height);
      bitmap->Brush.Color = band;
      bitmap->FillRect(0, 0, Width, Height);
      canvas.Draw(0, 0, *bitmap);
    }
  } banded;
  const std::uint64_t blue = HashOf(banded);
  banded.band = clNavy;
  EXPECT_NE(blue, HashOf(banded));
}

TEST(CaptionPaintTest, CheckAndRadioCaptionsDoNotDependOnTheCanvasFontBefore) {
  TCheckBox check("Check");
  check.SetBounds(0, 0, 160, 17);
  check.Caption = "Add Folder to Start Menu";
  TRadioButton radio("Radio");
  radio.SetBounds(0, 0, 160, 17);
  radio.Caption = "Full Install";
  for (TControl* control : {static_cast<TControl*>(&check), static_cast<TControl*>(&radio)}) {
    RasterCanvas fresh(160, 17, clBtnFace);
    control->Paint(fresh);
    RasterCanvas used(160, 17, clBtnFace);
    used.Font = {"Times New Roman", 21, clWindowText, false};  // a heading painted before it
    control->Paint(used);
    EXPECT_EQ(fresh.Image().rgb, used.Image().rgb) << control->Name;
  }
}

}  // namespace
}  // namespace zev::ui::fltk
