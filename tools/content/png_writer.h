// Pictures as the content generator builds them, and a PNG writer for them
// (8-bit RGB, no filter, deflated by zlib) so that the output depends only on
// the pixels and zlib.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

struct Rgb {
  uint8_t r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
  bool operator!=(const Rgb& o) const { return !(*this == o); }
};

// The game loads every picture with (0, 117, 117) as its transparent colour.
constexpr Rgb kClear = {0, 117, 117};

struct Picture {
  int width = 0, height = 0;
  std::vector<Rgb> pixels;

  Picture() = default;
  Picture(int w, int h, Rgb fill = kClear) : width(w), height(h), pixels(size_t(w) * h, fill) {}
  Rgb& At(int x, int y) { return pixels[size_t(y) * width + x]; }
  const Rgb& At(int x, int y) const { return pixels[size_t(y) * width + x]; }
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

bool WritePng(const std::string& path, const Picture& picture);
