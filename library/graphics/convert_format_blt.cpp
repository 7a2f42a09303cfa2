#include "graphics/convert_format_blt.h"

#include <cstring>

#include "graphics/color_format.h"

namespace {

bool HasAlpha(const ColorFormat& f) { return f.alphaWidth != 0; }

bool UsablePixelFormat(const ColorFormat& f) {
  return f.compression == kCompressionNone && f.bytesPerPixel >= 1 && f.bytesPerPixel <= 4;
}

uint32_t RgbMask(const ColorFormat& f) { return f.redMask | f.greenMask | f.blueMask; }

uint32_t PixelSizeMask(int bytes) { return bytes >= 4 ? 0xFFFFFFFFu : (1u << (8 * bytes)) - 1; }

// Case 1: between two palettes, each source index becomes the destination
// palette's nearest colour.
int RemapPalette(const ConvertJob& job) {
  uint8_t table[256];
  for (int i = 0; i < 256; ++i) {
    uint32_t e = job.sourcePalette[i];
    table[i] = static_cast<uint8_t>(
        PackColorCode(job.destFormat, (e >> 16) & 0xFF, (e >> 8) & 0xFF, e & 0xFF, 0));
  }
  auto rule = [&](uint32_t p, int, int, uint32_t& out) {
    out = table[p];
    return true;
  };
  WalkConvertPixels<1, 1>(job, rule);
  return 0;
}

// Case 2: true colour into a palette, by nearest colour. Narrow channels are
// scaled to 8 bits first, so a 5-bit white still finds the palette's white.
int QuantizeToPalette(const ConvertJob& job) {
  const ColorFormat& s = *job.sourceFormat;
  if (s.colorBits != 16 && s.colorBits != 24 && s.colorBits != 32) return 0;
  uint32_t lastPixel = 0;
  uint32_t lastIndex = 0;
  bool haveLast = false;
  auto rule = [&](uint32_t p, int, int, uint32_t& out) {
    if (!haveLast || p != lastPixel) {
      int r = ExpandChannelTo8((p & s.redMask) >> s.redShift, s.redWidth);
      int g = ExpandChannelTo8((p & s.greenMask) >> s.greenShift, s.greenWidth);
      int b = ExpandChannelTo8((p & s.blueMask) >> s.blueShift, s.blueWidth);
      int a = ExpandChannelTo8((p & s.alphaMask) >> s.alphaShift, s.alphaWidth);
      lastIndex = PackColorCode(job.destFormat, r, g, b, a);
      lastPixel = p;
      haveLast = true;
    }
    out = lastIndex;
    return true;
  };
  DispatchPixelSize(s.bytesPerPixel, [&](auto size) {
    WalkConvertPixels<decltype(size)::value, 1>(job, rule);
  });
  return 0;
}

// Case 3: indices copied as they are; the result is the largest one, which
// tells the caller how much of the palette is in use.
int CopyIndices(const ConvertJob& job) {
  uint32_t largest = 0;
  auto rule = [&](uint32_t p, int, int, uint32_t& out) {
    if (p > largest) largest = p;
    out = p;
    return true;
  };
  WalkConvertPixels<1, 1>(job, rule);
  return static_cast<int>(largest);
}

// Case 4: the same layout on both sides.
int CopySameLayout(const ConvertJob& job) {
  const int bytes = job.sourceFormat->bytesPerPixel;
  if (!job.mirror && !job.skipTransparent) {
    const size_t rowBytes = static_cast<size_t>(job.width) * bytes;
    for (int y = 0; y < job.height; ++y) {
      std::memmove(job.dest + y * job.destPitch, job.source + y * job.sourcePitch, rowBytes);
    }
    return 0;
  }
  const uint32_t key = job.transColor & PixelSizeMask(bytes);
  const bool skip = job.skipTransparent;
  auto rule = [&](uint32_t p, int, int, uint32_t& out) {
    out = p;
    return !(skip && p == key);
  };
  DispatchPixelSize(bytes, [&](auto size) {
    constexpr int kBytes = decltype(size)::value;
    WalkConvertPixels<kBytes, kBytes>(job, rule);
  });
  return 0;
}

bool IsXrgb8(const ColorFormat& f) {
  return f.colorBits == 32 && f.redMask == 0x00FF0000 && f.greenMask == 0x0000FF00 &&
         f.blueMask == 0x000000FF && f.alphaMask == 0;
}

bool IsArgb8(const ColorFormat& f) {
  return f.colorBits == 32 && f.redMask == 0x00FF0000 && f.greenMask == 0x0000FF00 &&
         f.blueMask == 0x000000FF && f.alphaMask == 0xFF000000;
}

// Case 5: an opaque 32-bit image into an alpha one, leaving the transparent
// colour's pixels untouched.
int CopyOpaqueSkippingKey(const ConvertJob& job) {
  const uint32_t key = job.transColor & 0x00FFFFFF;
  auto rule = [&](uint32_t p, int, int, uint32_t& out) {
    out = p | 0xFF000000;
    return (p & 0x00FFFFFF) != key;
  };
  WalkConvertPixels<4, 4>(job, rule);
  return 0;
}

// Case 6: the same colour layout, alpha made from the transparent colour.
// Pixels are compared under the colour masks only, so stray bits in unused
// positions (the top bit of X1R5G5B5) cannot defeat the key.
int KeyToAlphaSameColors(const ConvertJob& job) {
  const ColorFormat& d = *job.destFormat;
  const uint32_t t = job.transColor;
  const uint32_t colorMask = RgbMask(*job.sourceFormat);
  const uint32_t key =
      PackColorCode(&d, (t >> 16) & 0xFF, (t >> 8) & 0xFF, t & 0xFF, 255) & colorMask;
  auto rule = [&](uint32_t p, int, int, uint32_t& out) {
    out = (p & colorMask) == key ? p & ~d.alphaMask : p | d.alphaMask;
    return true;
  };
  DispatchPixelSize(d.bytesPerPixel, [&](auto size) {
    constexpr int kBytes = decltype(size)::value;
    WalkConvertPixels<kBytes, kBytes>(job, rule);
  });
  return 0;
}

}  // namespace

int ConvertFormatBlt(void* destPixels, int destPitch, const ColorFormat* destFormat,
                     const void* sourcePixels, int sourcePitch, const ColorFormat* sourceFormat,
                     const void* alphaPixels, int alphaPitch, const ColorFormat* alphaFormat,
                     int destX, int destY, const IntRect* sourceRect, int mirror, int keyToAlpha,
                     uint32_t transColor, int ditherMode, int alphaOnly, int alphaFromRed,
                     int skipTransparent, int paletteRemap) {
  if (!sourceRect || !destFormat || !sourceFormat) return -1;
  const int64_t width = static_cast<int64_t>(sourceRect->right) - sourceRect->left;
  const int64_t height = static_cast<int64_t>(sourceRect->bottom) - sourceRect->top;
  if (width == 0 || height == 0) return -1;
  if (width < 0 || height < 0) return 0;
  const ColorFormat& s = *sourceFormat;
  const ColorFormat& d = *destFormat;
  const bool hasAlphaImage = alphaPixels && alphaFormat;
  // Compressed or odd-sized pixels cannot be walked; refusing them keeps a
  // DXT image that was not decompressed from being read as plain pixels.
  if (!UsablePixelFormat(s) || !UsablePixelFormat(d) ||
      (hasAlphaImage && !UsablePixelFormat(*alphaFormat)) || !destPixels || !sourcePixels) {
    return -1;
  }

  ConvertJob storage{};
  ConvertJob* job = &storage;
  job->dest = static_cast<uint8_t*>(destPixels) + static_cast<ptrdiff_t>(destY) * destPitch +
              static_cast<ptrdiff_t>(destX) * d.bytesPerPixel;
  job->destPitch = destPitch;
  job->destFormat = destFormat;
  job->source = static_cast<const uint8_t*>(sourcePixels) +
                static_cast<ptrdiff_t>(sourceRect->top) * sourcePitch +
                static_cast<ptrdiff_t>(sourceRect->left) * s.bytesPerPixel;
  job->sourcePitch = sourcePitch;
  job->sourceFormat = sourceFormat;
  if (hasAlphaImage) {
    job->alpha = static_cast<const uint8_t*>(alphaPixels) +
                 static_cast<ptrdiff_t>(sourceRect->top) * alphaPitch +
                 static_cast<ptrdiff_t>(sourceRect->left) * alphaFormat->bytesPerPixel;
    job->alphaPitch = alphaPitch;
    job->alphaFormat = alphaFormat;
  }
  job->width = static_cast<int>(width);
  job->height = static_cast<int>(height);
  job->transColor = transColor;
  job->ditherMode = ditherMode;
  job->alphaOnly = alphaOnly != 0;
  job->alphaFromRed = alphaFromRed != 0;
  job->mirror = mirror != 0;
  if (s.bytesPerPixel == 1) {
    for (int i = 0; i < 256; ++i) job->sourcePalette[i] = PaletteEntryValue(s.palette[i]);
  }

  const bool alphaWritten = HasAlpha(d) && (hasAlphaImage || HasAlpha(s));
  job->alphaFromImage = HasAlpha(d) && hasAlphaImage && !HasAlpha(s);
  job->keyToAlpha = keyToAlpha != 0 && !alphaWritten && HasAlpha(d) && !job->alphaFromRed;
  job->skipTransparent = skipTransparent != 0 && !job->mirror;

  if (paletteRemap != 0 && s.bytesPerPixel == 1 && d.bytesPerPixel == 1 &&
      std::memcmp(s.palette, d.palette, sizeof s.palette) != 0) {
    return RemapPalette(*job);
  }
  if (d.colorBits == 8 && s.colorBits != 8 && !job->alphaFromRed) return QuantizeToPalette(*job);
  if (d.colorBits == 8 && s.colorBits == 8 && !job->alphaOnly && !job->skipTransparent &&
      !job->alphaFromRed && d.bytesPerPixel == 1 && s.bytesPerPixel == 1) {
    return CopyIndices(*job);
  }
  if (!job->keyToAlpha && !job->alphaFromImage && !job->alphaOnly && !job->alphaFromRed &&
      s.colorBits == d.colorBits && s.bytesPerPixel == d.bytesPerPixel &&
      s.redMask == d.redMask && s.greenMask == d.greenMask && s.blueMask == d.blueMask &&
      s.alphaMask == d.alphaMask) {
    return CopySameLayout(*job);
  }
  if (job->skipTransparent) {
    if (IsXrgb8(s) && IsArgb8(d) && job->ditherMode == 0 && !job->alphaOnly &&
        !job->alphaFromRed && !job->keyToAlpha && !job->mirror && !alphaWritten &&
        !job->alphaFromImage) {
      return CopyOpaqueSkippingKey(*job);
    }
    RunGeneralConversion(*job);
    return 0;
  }
  if (job->keyToAlpha && s.redMask == d.redMask && s.greenMask == d.greenMask &&
      s.blueMask == d.blueMask && s.colorBits == d.colorBits &&
      s.bytesPerPixel == d.bytesPerPixel && !job->alphaOnly) {
    return KeyToAlphaSameColors(*job);
  }
  if (!RunFixedPairConversion(*job)) RunGeneralConversion(*job);
  return 0;
}
