// The small pictures on the buttons of the wizard and the directory chooser, drawn in code.
#pragma once

#include <memory>

#include "ui/picture.h"

namespace zev::setup {

enum class TGlyphKind { gkOK, gkCancel, gkBack, gkNext, gkInstall, gkBrowse };

// A 16 by 16 glyph with a transparent background; the same picture is shared by every caller.
std::shared_ptr<const ui::TPicture> WizardGlyph(TGlyphKind kind);

}  // namespace zev::setup
