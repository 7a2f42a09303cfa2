// DDS files: DXT1-DXT5 blocks, masked RGB layouts and the Direct3D format
// numbers a FourCC may carry, with their mip levels.
#include <cstring>
#include <utility>

#include "graphics/byte_order.h"
#include "graphics/color_format.h"
#include "graphics/dxt_decompress.h"
#include "graphics/graph_image.h"
#include "graphics/image_loaders.h"
#include "graphics/image_size.h"
#include "graphics/pixel_access.h"

namespace {

constexpr int kHeaderBytes = 124;
constexpr uint32_t kFlagPitch = 0x8;
constexpr uint32_t kFlagMipCount = 0x20000;
constexpr uint32_t kPixelFourCc = 0x4;
constexpr uint32_t kPixelRgb = 0x40;
constexpr uint32_t kCapsComplex = 0x8;
constexpr uint32_t kCapsMipMap = 0x400000;

struct DdsFormatEntry {
  int32_t d3dFormat;
  int colorBits;
  uint32_t red, green, blue, alpha;
};

const DdsFormatEntry kDdsFormatTable[] = {
    {20, 24, 0x00FF0000, 0x0000FF00, 0x000000FF, 0},
    {21, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000},
    {22, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0},
    {23, 16, 0xF800, 0x07E0, 0x001F, 0},
    {24, 16, 0x7C00, 0x03E0, 0x001F, 0},
    {25, 16, 0x7C00, 0x03E0, 0x001F, 0x8000},
    {26, 16, 0x0F00, 0x00F0, 0x000F, 0xF000},
    {27, 8, 0xE0, 0x1C, 0x03, 0},
    {29, 16, 0xE0, 0x1C, 0x03, 0xFF00},
    {30, 16, 0x0F00, 0x00F0, 0x000F, 0},
    {31, 32, 0x000003FF, 0x000FFC00, 0x3FF00000, 0xC0000000},
    {32, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000},
    {33, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0},
    {35, 32, 0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000},
    {-1, 0, 0, 0, 0, 0},
};

uint32_t FourCc(const char* text) { return ReadLe32(reinterpret_cast<const uint8_t*>(text)); }

const DdsFormatEntry* FindDdsFormat(uint32_t fourCc) {
  for (const DdsFormatEntry* e = kDdsFormatTable; e->d3dFormat != -1; ++e) {
    if (static_cast<uint32_t>(e->d3dFormat) == fourCc) return e;
  }
  return nullptr;
}

uint32_t DxtCompression(uint32_t fourCc) {
  const char* const names[] = {"DXT1", "DXT2", "DXT3", "DXT4", "DXT5"};
  for (uint32_t i = 0; i < 5; ++i) {
    if (FourCc(names[i]) == fourCc) return kCompressionDxt1 + i;
  }
  return kCompressionNone;
}

int FullMipChain(int width, int height) {
  int levels = 1;
  while (width > 1 || height > 1) {
    width = width > 1 ? width / 2 : 1;
    height = height > 1 ? height / 2 : 1;
    ++levels;
  }
  return levels;
}

// Levels after the top one are packed rows of their own width; each side
// halves per level and stays at least 1.
bool UncompressedDataSize(int width, int height, int topPitch, int bytesPerPixel, int levels,
                          size_t* bytes) {
  int64_t total = static_cast<int64_t>(topPitch) * height;
  int64_t w = width, h = height;
  for (int level = 1; level < levels; ++level) {
    w = w > 1 ? w / 2 : 1;
    h = h > 1 ? h / 2 : 1;
    total += w * bytesPerPixel * h;
  }
  if (total > 0x7FFFFFFF) return false;
  *bytes = static_cast<size_t>(total);
  return true;
}

// One-byte masked pixels would be taken for palette indices, so every level is
// widened to 32-bit pixels with each channel scaled to 8 bits.
bool WidenByteLayout(ColorFormat narrow, int width, int height, int topPitch, int levels,
                     ImageBuffer& pixels, ColorFormat* wide, int* widePitch) {
  size_t bytes;
  if (!UncompressedDataSize(width, height, width * 4, 4, levels, &bytes)) return false;
  ImageBuffer out(bytes);
  if (!out) return false;
  const uint8_t* source = pixels.Get();
  uint8_t* dest = out.Get();
  int w = width, h = height, pitch = topPitch;
  for (int level = 0; level < levels; ++level) {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        uint32_t p = source[static_cast<size_t>(y) * pitch + x];
        auto channel = [&](uint32_t mask, int shift, int bits) {
          return static_cast<uint32_t>(ExpandChannelTo8((p & mask) >> shift, bits));
        };
        uint32_t alpha = narrow.alphaWidth ? channel(narrow.alphaMask, narrow.alphaShift,
                                                     narrow.alphaWidth)
                                           : 0xFF;
        WritePixel<4>(dest + (static_cast<size_t>(y) * w + x) * 4,
                      alpha << 24 | channel(narrow.redMask, narrow.redShift, narrow.redWidth) << 16 |
                          channel(narrow.greenMask, narrow.greenShift, narrow.greenWidth) << 8 |
                          channel(narrow.blueMask, narrow.blueShift, narrow.blueWidth));
      }
    }
    source += static_cast<size_t>(pitch) * h;
    dest += static_cast<size_t>(w) * 4 * h;
    w = w > 1 ? w / 2 : 1;
    h = h > 1 ? h / 2 : 1;
    pitch = w;
  }
  if (narrow.alphaWidth) {
    SetColorFormatARGB8(wide);
  } else {
    SetColorFormatXRGB8(wide);
  }
  *widePitch = width * 4;
  pixels = std::move(out);
  return true;
}

}  // namespace

int DecodeDdsImage(const SourceStream* stream, GraphImage* image) {
  uint8_t magic[4];
  uint8_t h[kHeaderBytes];
  if (!ReadSourceBytes(*stream, magic, sizeof magic) || std::memcmp(magic, "DDS", 3) != 0 ||
      !ReadSourceBytes(*stream, h, sizeof h)) {
    return -1;
  }
  const uint32_t flags = ReadLe32(h + 4);
  const uint32_t height = ReadLe32(h + 8), width = ReadLe32(h + 12);
  const uint32_t headerPitch = ReadLe32(h + 16), mipCount = ReadLe32(h + 24);
  const uint32_t pixelFlags = ReadLe32(h + 76), fourCc = ReadLe32(h + 80);
  const uint32_t rgbBits = ReadLe32(h + 84);
  const uint32_t caps = ReadLe32(h + 104);
  if (!IsLoadableImageSize(width, height)) return -1;

  const DdsFormatEntry* entry = pixelFlags == kPixelFourCc ? FindDdsFormat(fourCc) : nullptr;
  uint32_t compression = kCompressionNone;
  ColorFormat format{};
  if (pixelFlags & kPixelFourCc) {
    compression = DxtCompression(fourCc);
    if (compression == kCompressionNone) {
      if (!entry) return -1;
      SetColorFormatFromMasks(&format, entry->colorBits, entry->red, entry->green, entry->blue,
                              entry->alpha);
    }
  } else if (pixelFlags & kPixelRgb) {
    if (rgbBits != 8 && rgbBits != 16 && rgbBits != 24 && rgbBits != 32) return -1;
    SetColorFormatFromMasks(&format, rgbBits, ReadLe32(h + 88), ReadLe32(h + 92),
                            ReadLe32(h + 96), ReadLe32(h + 100));
  } else {
    return -1;
  }

  int mipLevels = 0;
  if ((flags & kFlagMipCount) && (caps & kCapsMipMap) && (caps & kCapsComplex)) {
    if (mipCount > static_cast<uint32_t>(FullMipChain(width, height))) return -1;
    mipLevels = static_cast<int>(mipCount);
  }
  const int levels = mipLevels < 1 ? 1 : mipLevels;

  size_t bytes;
  int pitch = 0;
  if (compression != kCompressionNone) {
    SetColorFormatARGB8(&format);
    format.colorBits = compression == kCompressionDxt1 ? 4 : 8;
    format.compression = compression;
    if (!ComputeDxtDataSize(width, height, compression, mipLevels, &bytes)) return -1;
  } else {
    const int bytesPerPixel = format.bytesPerPixel;
    const int64_t rowBytes = static_cast<int64_t>(width) * bytesPerPixel;
    const int64_t declared = (flags & kFlagPitch) ? headerPitch : rowBytes;
    // A pitch shorter than a row would make rows overlap and run past the data.
    if (declared < rowBytes || declared > 0x7FFFFFFF) return -1;
    pitch = static_cast<int>(declared);
    if (!UncompressedDataSize(width, height, pitch, bytesPerPixel, levels, &bytes)) return -1;
  }

  int length;
  if (!CountSourceBytesLeft(*stream, &length) || static_cast<size_t>(length) < bytes) return -1;
  ImageBuffer pixels(bytes);
  if (!pixels || !ReadSourceBytes(*stream, pixels.Get(), bytes)) return -1;
  if (format.bytesPerPixel == 1 &&
      !WidenByteLayout(format, width, height, pitch, levels, pixels, &format, &pitch)) {
    return -1;
  }
  SetLoadedGraphImage(image, format, width, height, pitch, pixels, mipLevels);
  return 0;
}
