#include "software_renderer/soft_image_convert.h"

#include <cstring>

namespace {

bool RectInside(int64_t x, int64_t y, int64_t w, int64_t h, int64_t boundW, int64_t boundH) {
  return x >= 0 && y >= 0 && w >= 0 && h >= 0 && x + w <= boundW && y + h <= boundH;
}

void ConvertPalette(const GraphImage* image, SoftImgBody* body) {
  const bool is32 = body->colorType == kSoftImgColor32;
  for (int i = 0; i < 256; ++i) {
    const ColorPaletteEntry& e = image->format.palette[i];
    if (is32) {
      const uint32_t v = uint32_t{e.red} << 16 | uint32_t{e.green} << 8 | e.blue;
      std::memcpy(body->paletteBlock + 4 * i, &v, 4);
    } else {
      const auto v = static_cast<uint16_t>((e.red >> 3) << 11 | (e.green >> 2) << 5 | (e.blue >> 3));
      std::memcpy(body->paletteBlock + 2 * i, &v, 2);
    }
  }
  std::memcpy(body->paletteCopy, body->paletteBlock, is32 ? 1024 : 512);
}

void BuildPremultiplied(const SOFTIMG* view) {
  const SoftImgBody* body = view->body;
  for (int y = 0; y < view->height; ++y) {
    const uint8_t* s = view->pixels + y * body->pitch;
    uint8_t* d = view->premultipliedPixels + y * body->pitch;
    for (int x = 0; x < view->width; ++x, s += 4, d += 4) {
      uint32_t v;
      std::memcpy(&v, s, 4);
      uint32_t out;
      if (body->colorType == kSoftImgColor32) {
        const uint32_t a = v >> 24;
        out = a << 24 | ((v >> 16 & 0xFF) * a / 256) << 16 | ((v >> 8 & 0xFF) * a / 256) << 8 |
              (v & 0xFF) * a / 256;
      } else {
        const uint32_t a = v >> 16 & 0xFF;
        out = a << 16 | ((v >> 11 & 31) * a / 256) << 11 | ((v >> 5 & 63) * a / 256) << 5 |
              (v & 31) * a / 256;
      }
      std::memcpy(d, &out, 4);
    }
  }
}

uint8_t ClassOf(const SoftImgBody* body, const uint8_t* p) {
  if (body->palettised) {
    return *p == body->transparentColor ? kTransRunTransparent : kTransRunOpaque;
  }
  uint32_t v = 0;
  std::memcpy(&v, p, body->alpha || body->colorType == kSoftImgColor32 ? 4 : 2);
  if (body->alpha) {
    const uint32_t a = body->colorType == kSoftImgColor32 ? v >> 24 : (v >> 16) & 0xFF;
    return a == 0 ? kTransRunTransparent : a == 255 ? kTransRunOpaque : kTransRunTranslucent;
  }
  return v == body->transparentColor ? kTransRunTransparent : kTransRunOpaque;
}

void BuildRunTable(const SOFTIMG* view) {
  const SoftImgBody* body = view->body;
  const int bpp = SoftImgBytesPerPixel(body->colorType, body->palettised, body->alpha);
  uint8_t* out = body->runTable;
  for (int y = 0; y < view->height; ++y) {
    const uint8_t* row = view->pixels + y * body->pitch;
    int x = 0;
    while (x < view->width) {
      const uint8_t kind = ClassOf(body, row + x * bpp);
      int length = 1;
      while (x + length < view->width && length < 64 && ClassOf(body, row + (x + length) * bpp) == kind) {
        ++length;
      }
      *out++ = static_cast<uint8_t>(kind << 6 | (length - 1));
      x += length;
    }
    *out++ = kTransRunRowEnd;
  }
}

}  // namespace

int ConvertGraphImageToSoftImg(const GraphImage* image, const GraphImage* alphaImage,
                               SOFTIMG* view, int srcX, int srcY, int width, int height,
                               int destX, int destY, int transFlag) {
  // The conversion neither clips nor decompresses: a rectangle that leaves an
  // image, or block-compressed pixels, are refused before any pixel moves.
  if (!image || !image->pixels || image->format.compression != kCompressionNone ||
      !IsSoftImgValid(view)) {
    return -1;
  }
  if (!RectInside(srcX, srcY, width, height, image->width, image->height) ||
      !RectInside(destX, destY, width, height, view->width, view->height)) {
    return -1;
  }
  if (alphaImage && (!alphaImage->pixels || alphaImage->format.compression != kCompressionNone ||
                     !RectInside(srcX, srcY, width, height, alphaImage->width, alphaImage->height))) {
    return -1;
  }
  SoftImgBody* body = view->body;
  const IntRect rect{srcX, srcY, srcX + width, srcY + height};
  const bool singleChannel =
      body->colorType == kSoftImgSingle8 || body->colorType == kSoftImgSingle16;
  int result;
  if (singleChannel) {
    result = ConvertFormatBlt(view->pixels, body->pitch, body->format, image->pixels, image->pitch,
                              &image->format, nullptr, 0, nullptr, destX, destY, &rect, 0, 0, 0, 0,
                              1, 1, 0, 0);
  } else {
    result = ConvertFormatBlt(
        view->pixels, body->pitch, body->format, image->pixels, image->pitch, &image->format,
        alphaImage ? alphaImage->pixels : nullptr, alphaImage ? alphaImage->pitch : 0,
        alphaImage ? &alphaImage->format : nullptr, destX, destY, &rect, 0, transFlag ? 1 : 0,
        body->transparentColor, 0, 0, 0, 0, 0);
  }
  // A failed conversion is reported for every colour type, single channel too.
  if (result < 0) return result;
  if (body->palettised && !alphaImage) body->paletteCount = result + 1;
  if (body->palettised) ConvertPalette(image, body);

  body->premultipliedValid = 0;
  body->runTableValid = 0;
  if (width != view->width || height != view->height || singleChannel || !body->runTable) {
    return result;
  }
  body->runTableValid = 1;
  if (body->alpha && body->premultipliedCopy) {
    body->premultipliedValid = 1;
    BuildPremultiplied(view);
  }
  BuildRunTable(view);
  return result;
}
