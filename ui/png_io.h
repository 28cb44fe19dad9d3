// PNG files of RGB rasters (libpng): the preview of a form, and reading one back for checks.
#pragma once

#include <filesystem>

#include "ui/canvas.h"

namespace zev::ui {

// Writes an 8-bit RGB PNG. Throws zev::Exception naming the file when it cannot be written.
void WritePng(const std::filesystem::path& file, const RasterImage& image);
// Reads a PNG of any colour type as 8-bit RGB (alpha dropped). Throws zev::Exception naming
// the file when it is missing, not a PNG, damaged, or larger than kMaxBitmapPixels.
RasterImage ReadPng(const std::filesystem::path& file);

}  // namespace zev::ui
