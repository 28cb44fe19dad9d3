// PNG files on Windows, where there is no libpng to link: the header-only stb coders, written
// and read through the standard streams so that any path the system takes works.
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <limits>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/error.h"
#include "ui/png_io.h"

#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace zev::ui {
namespace {

[[noreturn]] void Fail(const std::filesystem::path& file, const std::string& what) {
  throw Exception(file.string() + ": " + what);
}

void AppendTo(void* context, void* data, int size) {
  auto& out = *static_cast<std::vector<unsigned char>*>(context);
  const auto* bytes = static_cast<const unsigned char*>(data);
  out.insert(out.end(), bytes, bytes + size);
}

std::uint32_t BigEndian(const unsigned char* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
         static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
}

struct ImageRelease {
  void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};

}  // namespace

void WritePng(const std::filesystem::path& file, const RasterImage& image) {
  if (image.width <= 0 || image.height <= 0) Fail(file, "cannot write an empty image");
  std::vector<unsigned char> encoded;
  if (!stbi_write_png_to_func(AppendTo, &encoded, image.width, image.height, 3, image.rgb.data(), image.width * 3))
    Fail(file, "out of memory");
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out) Fail(file, "cannot create the file");
  out.write(reinterpret_cast<const char*>(encoded.data()), static_cast<std::streamsize>(encoded.size()));
  out.flush();
  if (!out) Fail(file, "write error");
}

RasterImage ReadPng(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) Fail(file, "cannot open the file");
  static constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  char signature[8];
  if (!in.read(signature, 8) || !std::equal(signature, signature + 8, reinterpret_cast<const char*>(kSignature)))
    Fail(file, "not a PNG file");
  // The file is read whole (the decoder works from memory). Even stored without compression, at
  // 16 bits a channel, the largest raster taken fits in eight bytes a pixel; a larger file is
  // refused unread.
  in.seekg(0, std::ios::end);
  const std::streamoff length = in.tellg();
  if (length < 0 || length > std::min<std::streamoff>(kMaxBitmapPixels * 8, std::numeric_limits<int>::max()))
    Fail(file, "image too large");
  in.seekg(0);
  std::vector<unsigned char> data(static_cast<std::size_t>(length));
  if (!in.read(reinterpret_cast<char*>(data.data()), length)) Fail(file, "cannot read the file");
  // The size comes from the header chunk, which must come first, before anything is decoded:
  // a file cannot make the decoder allocate more than the largest raster taken.
  if (data.size() < 24 || std::string_view(reinterpret_cast<const char*>(data.data()) + 12, 4) != "IHDR")
    Fail(file, "damaged PNG data");
  const std::uint64_t claimedWidth = BigEndian(data.data() + 16), claimedHeight = BigEndian(data.data() + 20);
  if (claimedWidth == 0 || claimedHeight == 0 || claimedWidth * claimedHeight > static_cast<std::uint64_t>(kMaxBitmapPixels))
    Fail(file, "image too large");
  int width = 0, height = 0, channels = 0;
  const std::unique_ptr<stbi_uc, ImageRelease> pixels(
      stbi_load_from_memory(data.data(), static_cast<int>(data.size()), &width, &height, &channels, 3));
  if (!pixels) Fail(file, "damaged PNG data");
  RasterImage image;
  image.width = width;
  image.height = height;
  image.rgb.assign(pixels.get(), pixels.get() + static_cast<std::size_t>(width) * height * 3);
  return image;
}

}  // namespace zev::ui
