// Colour formats and small images for the pixel tests.
#ifndef OMBREL_TESTS_SUPPORT_PIXEL_FORMATS_H
#define OMBREL_TESTS_SUPPORT_PIXEL_FORMATS_H

#include <stdint.h>

#include <vector>

#include "Ombrel.h"

ColorFormat MaskFormat(int bits, uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha);
ColorFormat R5G6B5Format();
ColorFormat X1R5G5B5Format();
ColorFormat A1R5G5B5Format();
ColorFormat A4R4G4B4Format();
ColorFormat R8G8B8Format();
ColorFormat X8R8G8B8Format();
ColorFormat A8R8G8B8Format();
ColorFormat GrayFormat();
// An 8-bit palette format whose entries are the given 0x00RRGGBB colours,
// the rest black.
ColorFormat PaletteFormat(const std::vector<uint32_t>& colors);

// An image owned by the test: rows of `bytes`-byte pixels packed by pitch.
struct PixelBuffer {
  PixelBuffer(int width, int height, int bytes, int pitch = 0);
  uint32_t Get(int x, int y) const;
  void Set(int x, int y, uint32_t value);
  void Fill(uint32_t value);
  uint8_t* data() { return bytes_.data(); }
  const uint8_t* data() const { return bytes_.data(); }
  int width, height, pixelBytes, pitch;

 private:
  std::vector<uint8_t> bytes_;
};

#endif
