#include "ui/backend.h"

#include <array>
#include <utility>

#include "platform/text.h"

namespace zev::ui {
namespace {

using platform::ModalResult;

constexpr std::array<std::pair<unsigned, ModalResult>, 7> kDisplayOrder = {{
    {platform::mbYes, ModalResult::Yes},
    {platform::mbNo, ModalResult::No},
    {platform::mbOK, ModalResult::OK},
    {platform::mbCancel, ModalResult::Cancel},
    {platform::mbAbort, ModalResult::Abort},
    {platform::mbRetry, ModalResult::Retry},
    {platform::mbIgnore, ModalResult::Ignore},
}};

constexpr std::array<std::pair<ModalResult, const char*>, 7> kNames = {{
    {ModalResult::OK, "OK"},
    {ModalResult::Cancel, "Cancel"},
    {ModalResult::Abort, "Abort"},
    {ModalResult::Retry, "Retry"},
    {ModalResult::Ignore, "Ignore"},
    {ModalResult::Yes, "Yes"},
    {ModalResult::No, "No"},
}};

}  // namespace

ModalResult FirstButton(unsigned buttons) {
  for (const auto& [bit, result] : kDisplayOrder)
    if (buttons & bit) return result;
  return ModalResult::OK;  // a box without buttons still has its OK
}

ModalResult LastButton(unsigned buttons) {
  ModalResult last = ModalResult::OK;
  for (const auto& [bit, result] : kDisplayOrder)
    if (buttons & bit) last = result;
  return last;
}

bool HasButton(unsigned buttons, ModalResult result) {
  for (const auto& [bit, r] : kDisplayOrder)
    if (r == result) return (buttons & bit) != 0;
  return false;
}

std::string ButtonName(ModalResult result) {
  for (const auto& [r, name] : kNames)
    if (r == result) return name;
  return "None";
}

ModalResult ButtonFromName(const std::string& name) {
  for (const auto& [r, text] : kNames)
    if (SameText(name, text)) return r;
  return ModalResult::None;
}

}  // namespace zev::ui
