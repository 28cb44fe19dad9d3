// The program's icon: a 32 by 32 picture of an installation disk, drawn in code.
#pragma once

#include <memory>

#include "ui/picture.h"

namespace zev::setup {

std::shared_ptr<const ui::TPicture> SetupIcon();

}  // namespace zev::setup
