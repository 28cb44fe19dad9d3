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

bool TControl::EnabledChain() const {
  for (const TControl* c = this; c; c = c->parent_)
    if (!c->Enabled) return false;
  return true;
}

bool TControl::CanFocus() const { return TabStop && Reachable(); }

bool TControl::Focused() const {
  const TForm* form = const_cast<TControl*>(this)->OwnerForm();
  return form && form->ActiveControl() == this;
}

void TControl::SetFocus() {
  if (TForm* form = OwnerForm(); form && CanFocus()) form->SetActiveControl(this);
}

int TControl::TabOrder() const {
  if (!parent_) return -1;
  const auto& list = parent_->tabList_;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TControl::SetTabOrder(int order) {
  if (!parent_) return;
  auto& list = parent_->tabList_;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  const auto at = static_cast<std::size_t>(std::clamp(order, 0, static_cast<int>(list.size())));
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), this);
}

void TControl::Click() {
  if (Reachable() && OnClick) OnClick();
}

void TControl::DblClick() {
  if (Reachable() && OnDblClick) OnDblClick();
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
  tabList_.push_back(&child);
  child.parent_ = this;
  if (child.Align != TAlign::alNone) AlignControls();
}

void TWinControl::AlignControls() {
  const TRect client = ClientRect();
  const int left = client.left, width = std::max(0, client.right - client.left);
  int top = client.top, bottom = client.bottom;
  for (TControl* child : children_) {
    if (child->Align == TAlign::alTop) {
      child->SetBounds(left, top, width, child->Height);
      top += child->Height;
    } else if (child->Align == TAlign::alBottom) {
      bottom -= child->Height;
      child->SetBounds(left, bottom, width, child->Height);
    }
  }
  for (TControl* child : children_)
    if (child->Align == TAlign::alClient) child->SetBounds(left, top, width, std::max(0, bottom - top));
}

void TWinControl::RemoveControl(TControl& child) {
  children_.erase(std::remove(children_.begin(), children_.end(), &child), children_.end());
  tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), &child), tabList_.end());
  if (child.parent_ == this) {
    child.parent_ = nullptr;
    // A control that leaves the form leaves its focus too; the form must not point at it.
    for (TControl* c = this; c; c = c->parent_)
      if (auto* form = dynamic_cast<TForm*>(c)) form->ControlRemoved(child);
  }
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
