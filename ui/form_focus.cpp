// The keyboard side of a form: which control has the focus, the order Tab visits them in, the
// default and cancel buttons, and what each key does, as dialogs on Windows behave.
#include <algorithm>
#include <cctype>

#include "ui/accelerator.h"
#include "ui/file_controls.h"
#include "ui/form.h"
#include "ui/std_controls.h"

namespace zev::ui {
namespace {

// Every control of the tree, depth first through the tab lists.
void InTabOrder(const TWinControl& parent, std::vector<TControl*>& out) {
  for (TControl* control : parent.TabList()) {
    out.push_back(control);
    if (auto* container = dynamic_cast<TWinControl*>(control)) InTabOrder(*container, out);
  }
}

std::vector<TControl*> InTabOrder(const TWinControl& root) {
  std::vector<TControl*> all;
  InTabOrder(root, all);
  return all;
}

bool Inside(const TControl* control, const TControl& part) {
  for (const TControl* c = control; c; c = c->Parent())
    if (c == &part) return true;
  return false;
}

// The radio buttons of the control's group (its parent's) that can take the focus, in tab order.
std::vector<TRadioButton*> RadioGroup(const TRadioButton& radio) {
  std::vector<TRadioButton*> group;
  if (!radio.Parent()) return group;
  for (TControl* sibling : radio.Parent()->TabList())
    if (auto* other = dynamic_cast<TRadioButton*>(sibling); other && other->CanFocus()) group.push_back(other);
  return group;
}

// Of a radio group, Tab stops at the checked button only, or at the first when none is checked.
bool IsGroupTabStop(const TRadioButton& radio) {
  const std::vector<TRadioButton*> group = RadioGroup(radio);
  const auto checked = std::find_if(group.begin(), group.end(), [](TRadioButton* r) { return r->Checked(); });
  if (checked != group.end()) return *checked == &radio;
  return !group.empty() && group.front() == &radio;
}

TButton* MarkedButton(const TWinControl& root, bool TButton::*mark) {
  for (TControl* control : InTabOrder(root))
    if (auto* button = dynamic_cast<TButton*>(control); button && button->*mark && button->Showing() && button->EnabledChain())
      return button;
  return nullptr;
}

// The selected entry of a list the keys move through, and how many entries it has.
bool ListState(TControl& control, int& index, int& count) {
  if (auto* list = dynamic_cast<TListBox*>(&control)) {
    index = list->ItemIndex, count = static_cast<int>(list->Items.Count());
    return true;
  }
  if (auto* dirs = dynamic_cast<TDirectoryListBox*>(&control)) {
    index = dirs->ItemIndex, count = static_cast<int>(dirs->Items.Count());
    return true;
  }
  if (auto* drives = dynamic_cast<TDriveComboBox*>(&control)) {
    count = static_cast<int>(drives->Items.Count());
    index = -1;
    for (int i = 0; i < count; ++i)
      if (std::toupper(static_cast<unsigned char>(drives->Items[static_cast<std::size_t>(i)][0])) ==
          static_cast<unsigned char>(drives->Drive()))
        index = i;
    return true;
  }
  return false;
}

}  // namespace

void TForm::SetActiveControl(TControl* control) {
  if (control && control->OwnerForm() != this) return;
  activeControl_ = control;
}

void TForm::ControlRemoved(TControl& control) {
  if (Inside(activeControl_, control)) activeControl_ = nullptr;
}

std::vector<TControl*> TForm::TabStops() const {
  std::vector<TControl*> stops;
  for (TControl* control : InTabOrder(*this)) {
    if (!control->CanFocus()) continue;
    if (auto* radio = dynamic_cast<TRadioButton*>(control); radio && !IsGroupTabStop(*radio)) continue;
    stops.push_back(control);
  }
  return stops;
}

void TForm::SelectNext(bool forward) {
  const std::vector<TControl*> stops = TabStops();
  if (stops.empty()) return;
  // Found in the order of all controls, so that a focused control that has become hidden or
  // disabled still gives the place to move on from.
  const std::vector<TControl*> all = InTabOrder(*this);
  const auto at = std::find(all.begin(), all.end(), activeControl_);
  if (at == all.end()) {
    SetActiveControl(forward ? stops.front() : stops.back());
    return;
  }
  const std::size_t n = all.size(), start = static_cast<std::size_t>(at - all.begin());
  for (std::size_t step = 1; step <= n; ++step) {
    TControl* candidate = all[(forward ? start + step : start + n - step) % n];
    if (std::find(stops.begin(), stops.end(), candidate) != stops.end()) {
      SetActiveControl(candidate);
      return;
    }
  }
}

void TForm::FocusFirstIn(TWinControl& part) {
  for (TControl* stop : TabStops())
    if (Inside(stop, part)) {
      SetActiveControl(stop);
      return;
    }
  if (TButton* button = DefaultButton(); button && button->CanFocus()) SetActiveControl(button);
}

TButton* TForm::DefaultButton() const { return MarkedButton(*this, &TButton::Default); }
TButton* TForm::CancelButton() const { return MarkedButton(*this, &TButton::Cancel); }

TForm::TKeyCommand TForm::ArrowCommand(TControl& focus, TKey key) {
  const bool back = key == vkUp || key == vkLeft;
  if (auto* radio = dynamic_cast<TRadioButton*>(&focus)) {
    if (key == vkHome || key == vkEnd) return {};
    const std::vector<TRadioButton*> group = RadioGroup(*radio);
    const auto at = std::find(group.begin(), group.end(), radio);
    if (at == group.end() || group.size() < 2) return {};
    const std::size_t n = group.size(), i = static_cast<std::size_t>(at - group.begin());
    return {TKeyCommand::kFocusAndClick, group[back ? (i + n - 1) % n : (i + 1) % n]};
  }
  int index = -1, count = 0;
  if (!ListState(focus, index, count) || count == 0) return {};
  int target = index;
  if (key == vkHome) target = 0;
  else if (key == vkEnd) target = count - 1;
  else if (index < 0) target = 0;
  else target = std::clamp(index + (back ? -1 : 1), 0, count - 1);
  return {TKeyCommand::kSelect, &focus, target};
}

TForm::TKeyCommand TForm::KeyCommandFor(const TKeyPress& key) {
  if (!Visible) return {};
  TControl* focus = activeControl_ && activeControl_->CanFocus() ? activeControl_ : nullptr;
  if (key.Alt()) {
    if (key.Ctrl() || key.key < '0' || key.key > 'Z') return {};
    for (TControl* control : InTabOrder(*this)) {
      const bool button = dynamic_cast<TButton*>(control) != nullptr;
      const bool check = dynamic_cast<TCheckBox*>(control) || dynamic_cast<TRadioButton*>(control);
      if ((button || check) && control->Showing() && control->EnabledChain() &&
          AcceleratorOf(control->Caption) == static_cast<char>(key.key))
        return {button ? TKeyCommand::kClick : TKeyCommand::kFocusAndClick, control};
    }
    return {};
  }
  if (key.Ctrl()) return {};
  switch (key.key) {
    case vkTab: {
      if (TabStops().empty()) return {};
      // The target is worked out when the command runs: SelectNext.
      return {TKeyCommand::kFocus, nullptr, key.Shift() ? -1 : 1};
    }
    case vkReturn: {
      int index = -1, count = 0;
      if (focus && !dynamic_cast<TDriveComboBox*>(focus) && ListState(*focus, index, count) && index >= 0 &&
          index < count)
        return {TKeyCommand::kDblClick, focus};
      if (dynamic_cast<TButton*>(focus)) return {TKeyCommand::kClick, focus};
      if (TButton* button = DefaultButton()) return {TKeyCommand::kClick, button};
      return {};
    }
    case vkEscape:
      if (TButton* button = CancelButton()) return {TKeyCommand::kClick, button};
      return {};
    case vkSpace:
      if (dynamic_cast<TButton*>(focus) || dynamic_cast<TCheckBox*>(focus) || dynamic_cast<TRadioButton*>(focus))
        return {TKeyCommand::kClick, focus};
      return {};
    case vkUp:
    case vkDown:
    case vkLeft:
    case vkRight:
    case vkHome:
    case vkEnd:
      // Left and Right belong to a text field's cursor, and to a list only as Windows lists
      // ignore them; they move radio buttons and the drive box.
      if (!focus) return {};
      if ((key.key == vkLeft || key.key == vkRight) && !dynamic_cast<TRadioButton*>(focus) &&
          !dynamic_cast<TDriveComboBox*>(focus))
        return {};
      return ArrowCommand(*focus, key.key);
    default:
      return {};
  }
}

bool TForm::KeyDown(const TKeyPress& key) {
  const TKeyCommand command = KeyCommandFor(key);
  switch (command.kind) {
    case TKeyCommand::kNone:
      return false;
    case TKeyCommand::kFocus:
      SelectNext(command.item > 0);
      break;
    case TKeyCommand::kClick:
      command.control->Click();
      break;
    case TKeyCommand::kFocusAndClick:
      command.control->SetFocus();
      command.control->Click();
      break;
    case TKeyCommand::kDblClick:
      command.control->DblClick();
      break;
    case TKeyCommand::kSelect:
      if (auto* list = dynamic_cast<TListBox*>(command.control)) {
        // A list reports a new selection as a click, whichever way it was made.
        if (list->ItemIndex == command.item) break;
        list->ItemIndex = command.item;
        list->Click();
      } else if (auto* dirs = dynamic_cast<TDirectoryListBox*>(command.control)) {
        dirs->ItemIndex = command.item;
      } else if (auto* drives = dynamic_cast<TDriveComboBox*>(command.control)) {
        const char letter = drives->Items[static_cast<std::size_t>(command.item)][0];
        // An arrow at either end keeps the drive; only a drive chosen again refreshes the list.
        if (std::toupper(static_cast<unsigned char>(letter)) != static_cast<unsigned char>(drives->Drive()))
          drives->SetDrive(letter);
      }
      break;
  }
  return true;
}

}  // namespace zev::ui
