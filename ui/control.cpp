#include "ui/control.h"

#include <algorithm>

#include "ui/form.h"

namespace zev::ui {

TControl::~TControl() {
  if (parent_) parent_->RemoveControl(*this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  const bool resized = width != Width || height != Height;
  Left = left;
  Top = top;
  Width = width;
  Height = height;
  if (resized) Resized();
}

TForm* TControl::OwnerForm() {
  for (TControl* c = this; c; c = c->parent_)
    if (auto* form = dynamic_cast<TForm*>(c)) return form;
  return nullptr;
}

bool TControl::Showing() const {
  for (const TControl* c = this; c; c = c->parent_)
    if (!c->Visible) return false;
  return true;
}

void TControl::Click() {
  if (Showing() && Enabled && OnClick) OnClick();
}

void TControl::DblClick() {
  if (Showing() && Enabled && OnDblClick) OnDblClick();
}

void TControl::Paint(Canvas& canvas) {
  if (Transparent) return;
  canvas.Brush.Color = Color;
  canvas.Brush.Style = TBrushStyle::bsSolid;
  canvas.FillRect(0, 0, Width, Height);
}

TWinControl::~TWinControl() {
  for (TControl* child : children_) child->parent_ = nullptr;
}

void TWinControl::InsertControl(TControl& child) {
  if (child.parent_) child.parent_->RemoveControl(child);
  children_.push_back(&child);
  child.parent_ = this;
  if (child.Align != TAlign::alNone) AlignControls();
}

void TWinControl::AlignControls() {
  int top = 0, bottom = Height;
  for (TControl* child : children_) {
    if (child->Align == TAlign::alTop) {
      child->SetBounds(0, top, Width, child->Height);
      top += child->Height;
    } else if (child->Align == TAlign::alBottom) {
      bottom -= child->Height;
      child->SetBounds(0, bottom, Width, child->Height);
    }
  }
  for (TControl* child : children_)
    if (child->Align == TAlign::alClient) child->SetBounds(0, top, Width, std::max(0, bottom - top));
}

void TWinControl::RemoveControl(TControl& child) {
  children_.erase(std::remove(children_.begin(), children_.end(), &child), children_.end());
  if (child.parent_ == this) child.parent_ = nullptr;
}

void TWinControl::Paint(Canvas& canvas) { TControl::Paint(canvas); }

void PaintTree(TControl& control, Canvas& canvas, int originX, int originY) {
  if (!control.Visible) return;
  canvas.SetOrigin(originX, originY);
  control.Paint(canvas);
  if (auto* container = dynamic_cast<TWinControl*>(&control))
    for (TControl* child : container->Controls())
      PaintTree(*child, canvas, originX + child->Left, originY + child->Top);
}

}  // namespace zev::ui
