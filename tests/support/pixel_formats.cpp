#include "support/pixel_formats.h"

#include <cstring>

ColorFormat MaskFormat(int bits, uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha) {
  ColorFormat f{};
  SetColorFormatFromMasks(&f, bits, red, green, blue, alpha);
  return f;
}

ColorFormat R5G6B5Format() { return MaskFormat(16, 0xF800, 0x07E0, 0x001F, 0); }
ColorFormat X1R5G5B5Format() { return MaskFormat(16, 0x7C00, 0x03E0, 0x001F, 0); }
ColorFormat A1R5G5B5Format() { return MaskFormat(16, 0x7C00, 0x03E0, 0x001F, 0x8000); }
ColorFormat A4R4G4B4Format() { return MaskFormat(16, 0x0F00, 0x00F0, 0x000F, 0xF000); }

ColorFormat R8G8B8Format() {
  ColorFormat f{};
  SetColorFormatRGB24(&f);
  return f;
}

ColorFormat X8R8G8B8Format() {
  ColorFormat f{};
  SetColorFormatXRGB8(&f);
  return f;
}

ColorFormat A8R8G8B8Format() {
  ColorFormat f{};
  SetColorFormatARGB8(&f);
  return f;
}

ColorFormat GrayFormat() {
  ColorFormat f{};
  SetColorFormatGray8(&f);
  return f;
}

ColorFormat PaletteFormat(const std::vector<uint32_t>& colors) {
  ColorFormat f{};
  SetColorFormatPalette8(&f);
  for (size_t i = 0; i < colors.size() && i < 256; ++i) {
    uint32_t c = colors[i];
    f.palette[i] = ColorPaletteEntry{static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8),
                                     static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 24)};
  }
  return f;
}

PixelBuffer::PixelBuffer(int w, int h, int bytes, int rowPitch)
    : width(w), height(h), pixelBytes(bytes), pitch(rowPitch ? rowPitch : w * bytes),
      bytes_(static_cast<size_t>(pitch) * h, 0) {}

uint32_t PixelBuffer::Get(int x, int y) const {
  uint32_t v = 0;
  std::memcpy(&v, bytes_.data() + y * pitch + x * pixelBytes, pixelBytes);
  return v;
}

void PixelBuffer::Set(int x, int y, uint32_t value) {
  std::memcpy(bytes_.data() + y * pitch + x * pixelBytes, &value, pixelBytes);
}

void PixelBuffer::Fill(uint32_t value) {
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) Set(x, y, value);
  }
}
