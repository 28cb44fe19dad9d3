// A canvas that draws nothing and folds every operation into a hash: equal hashes mean the model
// would paint the same picture, so a window repaints only when its hash changes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ui/canvas.h"

namespace zev::ui {

class HashCanvas : public Canvas {
 public:
  explicit HashCanvas(std::uint64_t* state) : state_(state) {}

  int Width() const override { return 1 << 16; }
  int Height() const override { return 1 << 16; }
  void FillRect(int left, int top, int right, int bottom) override;
  void Ellipse(int left, int top, int right, int bottom) override;
  void TextOut(int x, int y, const std::string& text) override;
  TextSize TextExtent(const std::string& text) override;
  void DrawPicture(int x, int y, const TPicture& picture) override;
  std::unique_ptr<Canvas> CreateBitmap(int width, int height) override;
  void Draw(int x, int y, Canvas& bitmap) override;

  void Add(std::uint64_t value);
  void Add(const std::string& text);

 private:
  std::uint64_t* state_;
};

}  // namespace zev::ui
