// Takes and checks screenshots of an X display for the window test:
//   screen_shot grab OUT.png                      the whole screen as a PNG
//   screen_shot pixel PNG X Y                     prints the pixel as RRGGBB
//   screen_shot uniform PNG Y X0 X1 RRGGBB        every pixel of the row span has that colour
//   screen_shot bands PNG X FROM TO STEPS         every row of column X has the colour of its
//                                                 horizontal gradient band (colours RRGGBB)
//   screen_shot shadow PNG X0 Y0 X1 Y1 TEXT SHADOW
//                                                 text drawn over its shadow one pixel up-left
//   screen_shot fill PNG X Y W H RRGGBB           prints how many pixels of the bar's middle row,
//                                                 from its left edge inside the frame, have the
//                                                 fill colour
//   screen_shot dotted PNG X Y W H                a dotted line (a focus rectangle's edge) lies in
//                                                 the area: twelve pixels or more alternating
//                                                 between two colours along a row
//   screen_shot origin WINDOW                     prints "X Y", where the window's client area
//                                                 lies on the screen
//   screen_shot wm                                a window manager runs: prints its name
//   screen_shot actions WINDOW                    prints what the window manager lets the user do
//                                                 with the window (_NET_WM_ALLOWED_ACTIONS), as
//                                                 lower-case words: close minimize move ...
// Exit status 0 when the check holds, 1 when it does not, 2 on bad usage.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "setup/fountain_fill.h"
#include "ui/mul_div.h"
#include "ui/png_io.h"

// X11 defines None, which the model uses as a name.
#undef None

namespace {

using zev::ui::RasterImage;
using zev::ui::TColor;

// RRGGBB as written by people to the model's 0x00BBGGRR.
TColor ParseRgb(const std::string& text) {
  const unsigned long v = std::stoul(text, nullptr, 16);
  return zev::ui::MakeRGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

std::string FormatRgb(TColor c) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X%02X%02X", zev::ui::RedOf(c), zev::ui::GreenOf(c), zev::ui::BlueOf(c));
  return text;
}

bool Near(TColor a, TColor b, int tolerance) {
  return std::abs(zev::ui::RedOf(a) - zev::ui::RedOf(b)) <= tolerance &&
         std::abs(zev::ui::GreenOf(a) - zev::ui::GreenOf(b)) <= tolerance &&
         std::abs(zev::ui::BlueOf(a) - zev::ui::BlueOf(b)) <= tolerance;
}

int Grab(const std::string& out) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::cerr << "screen_shot: cannot open the display\n";
    return 1;
  }
  const Window root = DefaultRootWindow(display);
  XWindowAttributes attributes;
  XGetWindowAttributes(display, root, &attributes);
  XImage* image = XGetImage(display, root, 0, 0, static_cast<unsigned>(attributes.width),
                            static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
  if (!image) {
    XCloseDisplay(display);
    std::cerr << "screen_shot: cannot read the screen\n";
    return 1;
  }
  RasterImage raster(attributes.width, attributes.height);
  auto shiftOf = [](unsigned long mask) {
    int shift = 0;
    while (mask && !(mask & 1)) mask >>= 1, ++shift;
    return shift;
  };
  const int rs = shiftOf(image->red_mask), gs = shiftOf(image->green_mask), bs = shiftOf(image->blue_mask);
  for (int y = 0; y < attributes.height; ++y)
    for (int x = 0; x < attributes.width; ++x) {
      const unsigned long p = XGetPixel(image, x, y);
      raster.SetPixel(x, y,
                      zev::ui::MakeRGB(static_cast<unsigned>((p & image->red_mask) >> rs),
                                       static_cast<unsigned>((p & image->green_mask) >> gs),
                                       static_cast<unsigned>((p & image->blue_mask) >> bs)));
    }
  XDestroyImage(image);
  XCloseDisplay(display);
  zev::ui::WritePng(out, raster);
  return 0;
}

int Uniform(const RasterImage& image, int y, int x0, int x1, TColor want) {
  int bad = 0;
  for (int x = x0; x <= x1; ++x)
    if (image.Pixel(x, y) != want) {
      if (bad++ < 5) std::cerr << "row " << y << " x " << x << ": " << FormatRgb(image.Pixel(x, y)) << " not " << FormatRgb(want) << '\n';
    }
  std::cout << "row " << y << ": " << (x1 - x0 + 1 - bad) << " of " << (x1 - x0 + 1) << " pixels " << FormatRgb(want) << '\n';
  return bad == 0 ? 0 : 1;
}

int Bands(const RasterImage& image, int x, TColor from, TColor to, int steps) {
  int bad = 0;
  for (int i = 0; i < steps; ++i) {
    const int top = zev::ui::MulDiv(i, image.height, steps), bottom = zev::ui::MulDiv(i + 1, image.height, steps);
    const TColor want = zev::setup::FillBandColor(from, to, steps, i);
    for (int y = top; y < bottom; ++y)
      if (image.Pixel(x, y) != want && bad++ < 5)
        std::cerr << "band " << i << " row " << y << ": " << FormatRgb(image.Pixel(x, y)) << " not " << FormatRgb(want) << '\n';
  }
  std::cout << "column " << x << ": " << steps << " bands, " << bad << " rows off\n";
  return bad == 0 ? 0 : 1;
}

int Shadow(const RasterImage& image, int x0, int y0, int x1, int y1, TColor text, TColor shadow) {
  // Text pixels with shadow up-left of them against those with shadow down-right: a shadow drawn
  // one pixel up-left shows along the upper-left edges of every stroke.
  const int tolerance = 40;
  long upLeft = 0, downRight = 0;
  int textLeft = x1, textTop = y1, shadowLeft = x1, shadowTop = y1;
  for (int y = y0 + 1; y < y1 - 1; ++y)
    for (int x = x0 + 1; x < x1 - 1; ++x) {
      const bool isText = Near(image.Pixel(x, y), text, tolerance);
      if (Near(image.Pixel(x, y), shadow, tolerance)) {
        shadowLeft = std::min(shadowLeft, x);
        shadowTop = std::min(shadowTop, y);
      }
      if (!isText) continue;
      textLeft = std::min(textLeft, x);
      textTop = std::min(textTop, y);
      if (Near(image.Pixel(x - 1, y - 1), shadow, tolerance)) ++upLeft;
      if (Near(image.Pixel(x + 1, y + 1), shadow, tolerance)) ++downRight;
    }
  std::cout << "text pixels with shadow up-left: " << upLeft << ", down-right: " << downRight
            << "; text starts at (" << textLeft << "," << textTop << "), shadow at (" << shadowLeft << "," << shadowTop
            << ")\n";
  const bool ok = upLeft >= 20 && upLeft > 3 * downRight && textLeft - shadowLeft == 1 && textTop - shadowTop == 1;
  return ok ? 0 : 1;
}

int Fill(const RasterImage& image, int x, int y, int w, int h, TColor color) {
  const int row = y + h / 2;
  int filled = 0;
  while (x + 1 + filled < x + w - 1 && image.Pixel(x + 1 + filled, row) == color) ++filled;
  std::cout << filled << '\n';
  return 0;
}

int Dotted(const RasterImage& image, int x0, int y0, int w, int h) {
  const int x1 = std::min(image.width, x0 + w), y1 = std::min(image.height, y0 + h);
  for (int y = std::max(0, y0); y < y1; ++y) {
    int run = 0;
    for (int x = std::max(0, x0); x + 2 < x1; ++x) {
      const bool alternates = image.Pixel(x, y) == image.Pixel(x + 2, y) && image.Pixel(x, y) != image.Pixel(x + 1, y);
      run = alternates ? run + 1 : 0;
      if (run >= 10) {  // pixels x-9 .. x+2: twelve in a row
        std::cout << "dotted line at (" << x - 9 << "," << y << ")\n";
        return 0;
      }
    }
  }
  std::cout << "no dotted line in " << w << "x" << h << " at (" << x0 << "," << y0 << ")\n";
  return 1;
}

// A window property of 32-bit items, as Xlib hands it over (in longs).
std::vector<unsigned long> Property(Display* display, Window window, const char* name, Atom type) {
  Atom actualType;
  int format;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<unsigned long> items;
  if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1024, False, type, &actualType, &format,
                         &count, &after, &data) == Success &&
      data && format == 32) {
    const auto* longs = reinterpret_cast<const unsigned long*>(data);
    items.assign(longs, longs + count);
  }
  if (data) XFree(data);
  return items;
}

int Origin(Window window) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  int x = 0, y = 0;
  Window child;
  const bool ok = XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
  XCloseDisplay(display);
  if (!ok) return 1;
  std::cout << x << ' ' << y << '\n';
  return 0;
}

int WindowManager() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  const Window root = DefaultRootWindow(display);
  const std::vector<unsigned long> check = Property(display, root, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
  int status = 1;
  if (!check.empty()) {
    Atom type;
    int format;
    unsigned long count = 0, after = 0;
    unsigned char* name = nullptr;
    XGetWindowProperty(display, static_cast<Window>(check[0]), XInternAtom(display, "_NET_WM_NAME", False), 0, 256,
                       False, AnyPropertyType, &type, &format, &count, &after, &name);
    std::cout << (name ? reinterpret_cast<const char*>(name) : "a window manager") << '\n';
    if (name) XFree(name);
    status = 0;
  }
  XCloseDisplay(display);
  return status;
}

int Actions(Window window) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  std::vector<std::string> names;
  for (unsigned long atom : Property(display, window, "_NET_WM_ALLOWED_ACTIONS", XA_ATOM)) {
    char* text = XGetAtomName(display, static_cast<Atom>(atom));
    if (!text) continue;
    std::string name = text;
    XFree(text);
    for (const char* prefix : {"_NET_WM_ACTION_", "_OB_WM_ACTION_"})
      if (name.rfind(prefix, 0) == 0) name = name.substr(std::string(prefix).size());
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    names.push_back(name);
  }
  XCloseDisplay(display);
  std::sort(names.begin(), names.end());
  for (std::size_t i = 0; i < names.size(); ++i) std::cout << (i ? " " : "") << names[i];
  std::cout << '\n';
  return names.empty() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (args.size() == 2 && args[0] == "grab") return Grab(args[1]);
    if (args.size() == 1 && args[0] == "wm") return WindowManager();
    if (args.size() == 2 && args[0] == "origin") return Origin(static_cast<Window>(std::stoul(args[1])));
    if (args.size() == 2 && args[0] == "actions") return Actions(static_cast<Window>(std::stoul(args[1])));
    if (args.size() < 2) throw std::invalid_argument("missing arguments");
    const RasterImage image = zev::ui::ReadPng(args[1]);
    auto n = [&](std::size_t i) { return std::stoi(args.at(i)); };
    if (args[0] == "pixel" && args.size() == 4) {
      std::cout << FormatRgb(image.Pixel(n(2), n(3))) << '\n';
      return 0;
    }
    if (args[0] == "uniform" && args.size() == 6) return Uniform(image, n(2), n(3), n(4), ParseRgb(args[5]));
    if (args[0] == "bands" && args.size() == 6) return Bands(image, n(2), ParseRgb(args[3]), ParseRgb(args[4]), n(5));
    if (args[0] == "shadow" && args.size() == 8)
      return Shadow(image, n(2), n(3), n(4), n(5), ParseRgb(args[6]), ParseRgb(args[7]));
    if (args[0] == "fill" && args.size() == 7) return Fill(image, n(2), n(3), n(4), n(5), ParseRgb(args[6]));
    if (args[0] == "dotted" && args.size() == 6) return Dotted(image, n(2), n(3), n(4), n(5));
  } catch (const std::exception& e) {
    std::cerr << "screen_shot: " << e.what() << '\n';
    return 2;
  }
  std::cerr << "screen_shot: bad usage\n";
  return 2;
}
