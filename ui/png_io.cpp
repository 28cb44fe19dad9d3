#include "ui/png_io.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

#include "platform/error.h"

namespace zev::ui {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

[[noreturn]] void Fail(const std::filesystem::path& file, const std::string& what) {
  throw Exception(file.string() + ": " + what);
}

}  // namespace

void WritePng(const std::filesystem::path& file, const RasterImage& image) {
  if (image.width <= 0 || image.height <= 0) Fail(file, "cannot write an empty image");
  File out(std::fopen(file.c_str(), "wb"));
  if (!out) Fail(file, "cannot create the file");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    Fail(file, "out of memory");
  }
  std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
  for (int y = 0; y < image.height; ++y)
    rows[static_cast<std::size_t>(y)] =
        const_cast<png_bytep>(image.rgb.data() + static_cast<std::size_t>(y) * image.width * 3);
  // libpng reports errors by a long jump; nothing with a destructor is created past this point.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    Fail(file, "write error");
  }
  png_init_io(png, out.get());
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  if (std::fflush(out.get()) != 0 || std::ferror(out.get())) Fail(file, "write error");
}

RasterImage ReadPng(const std::filesystem::path& file) {
  File in(std::fopen(file.c_str(), "rb"));
  if (!in) Fail(file, "cannot open the file");
  unsigned char signature[8];
  if (std::fread(signature, 1, 8, in.get()) != 8 || png_sig_cmp(signature, 0, 8) != 0) Fail(file, "not a PNG file");
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    Fail(file, "out of memory");
  }
  // Allocated before the jump point so that a long jump leaks nothing: the unique_ptr lives on.
  auto image = std::make_unique<RasterImage>();
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    Fail(file, "damaged PNG data");
  }
  png_init_io(png, in.get());
  png_set_sig_bytes(png, 8);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
  if (static_cast<std::uint64_t>(width) * height > static_cast<std::uint64_t>(kMaxBitmapPixels) || width == 0 ||
      height == 0) {
    png_destroy_read_struct(&png, &info, nullptr);
    Fail(file, "image too large");
  }
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_strip_alpha(png);
  png_set_gray_to_rgb(png);
  png_read_update_info(png, info);
  image->width = static_cast<int>(width);
  image->height = static_cast<int>(height);
  image->rgb.assign(static_cast<std::size_t>(width) * height * 3, 0);
  rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = image->rgb.data() + static_cast<std::size_t>(y) * width * 3;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return std::move(*image);
}

}  // namespace zev::ui
