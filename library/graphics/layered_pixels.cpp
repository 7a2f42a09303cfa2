#include "graphics/layered_pixels.h"

#include <cstring>

namespace {

bool IsArgb8(const ColorFormat& f) {
  return f.bytesPerPixel == 4 && f.alphaMask == 0xFF000000 && f.redMask == 0x00FF0000 &&
         f.greenMask == 0x0000FF00 && f.blueMask == 0x000000FF;
}

bool IsXrgb8(const ColorFormat& f) {
  return f.bytesPerPixel == 4 && f.alphaWidth == 0 && f.redMask == 0x00FF0000 &&
         f.greenMask == 0x0000FF00 && f.blueMask == 0x000000FF;
}

bool IsR5G6B5(const ColorFormat& f) {
  return f.bytesPerPixel == 2 && f.alphaWidth == 0 && f.redMask == 0xF800 &&
         f.greenMask == 0x07E0 && f.blueMask == 0x001F;
}

uint32_t Premultiply(uint32_t pixel) {
  const uint32_t alpha = pixel >> 24;
  if (alpha == 0) return 0;
  if (alpha == 255) return pixel;
  const uint32_t r = ((pixel >> 16) & 0xFF) * alpha >> 8;
  const uint32_t g = ((pixel >> 8) & 0xFF) * alpha >> 8;
  const uint32_t b = (pixel & 0xFF) * alpha >> 8;
  return alpha << 24 | r << 16 | g << 8 | b;
}

template <class Pixel>
void ForEachPixel(uint8_t* dest, int destPitch, const GraphImage& image, Pixel pixel) {
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* row = static_cast<const uint8_t*>(image.pixels) + y * image.pitch;
    auto* out = reinterpret_cast<uint32_t*>(dest + y * destPitch);
    for (int x = 0; x < image.width; ++x) out[x] = pixel(row, x);
  }
}

// Converts the image into the bitmap in the given 32-bit layout.
void ConvertInto(uint8_t* dest, int destPitch, const GraphImage& image, bool withAlpha) {
  ColorFormat format = {};
  if (withAlpha) {
    SetColorFormatARGB8(&format);
  } else {
    SetColorFormatXRGB8(&format);
  }
  const IntRect all = {0, 0, image.width, image.height};
  ConvertFormatBlt(dest, destPitch, &format, image.pixels, image.pitch, &image.format, nullptr, 0,
                   nullptr, 0, 0, &all, 0, 0, 0, 0, 0, 0, 0, 0);
}

// After a conversion: the transparent colour becomes a hole, every other
// pixel opaque.
void KeyConverted(uint8_t* dest, int destPitch, const GraphImage& image, uint32_t key) {
  for (int y = 0; y < image.height; ++y) {
    auto* out = reinterpret_cast<uint32_t*>(dest + y * destPitch);
    for (int x = 0; x < image.width; ++x) {
      const uint32_t c = out[x] & 0x00FFFFFF;
      out[x] = c == key ? 0 : (c | 0xFF000000);
    }
  }
}

}  // namespace

void FillLayeredPixels(uint8_t* dest, int destPitch, const GraphImage& image, uint32_t transColor,
                       int useAlpha, int perPixelAlpha) {
  const uint32_t key = transColor & 0x00FFFFFF;
  const ColorFormat& format = image.format;
  if (useAlpha) {
    if (IsArgb8(format)) {
      ForEachPixel(dest, destPitch, image, [key](const uint8_t* row, int x) {
        uint32_t p;
        std::memcpy(&p, row + 4 * x, 4);
        if ((p & 0x00FFFFFF) == key) return 0u;
        return Premultiply(p);
      });
      return;
    }
    ConvertInto(dest, destPitch, image, true);
    for (int y = 0; y < image.height; ++y) {
      auto* out = reinterpret_cast<uint32_t*>(dest + y * destPitch);
      for (int x = 0; x < image.width; ++x) out[x] = Premultiply(out[x]);
    }
    return;
  }
  if (perPixelAlpha) {
    if (IsXrgb8(format)) {
      ForEachPixel(dest, destPitch, image, [key](const uint8_t* row, int x) {
        uint32_t p;
        std::memcpy(&p, row + 4 * x, 4);
        p &= 0x00FFFFFF;
        return p == key ? 0u : (p | 0xFF000000);
      });
    } else if (IsR5G6B5(format)) {
      const uint32_t key16 = (key >> 8 & 0xF800) | (key >> 5 & 0x07E0) | (key >> 3 & 0x001F);
      ForEachPixel(dest, destPitch, image, [key16](const uint8_t* row, int x) {
        uint16_t p;
        std::memcpy(&p, row + 2 * x, 2);
        if (p == key16) return 0u;
        return 0xFF000000u | (p & 0xF800u) << 8 | (p & 0x07E0u) << 5 | (p & 0x001Fu) << 3;
      });
    } else {
      ConvertInto(dest, destPitch, image, false);
      KeyConverted(dest, destPitch, image, key);
    }
    return;
  }
  for (int y = 0; y < image.height; ++y) {
    auto* out = reinterpret_cast<uint32_t*>(dest + y * destPitch);
    for (int x = 0; x < image.width; ++x) out[x] = key;
  }
  ConvertInto(dest, destPitch, image, false);
}
