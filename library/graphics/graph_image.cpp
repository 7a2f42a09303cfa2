#include "graphics/graph_image.h"

#include <cstring>

#include "graphics/color_format.h"
#include "graphics/image_size.h"
#include "graphics/pixel_access.h"
#include "system/tracked_memory.h"

namespace {

int AllocWithFormat(int width, int height, const ColorFormat& format, int alignment,
                    GraphImage* image) {
  *image = GraphImage{};
  int pitch;
  size_t bytes;
  if (!ComputeImagePitch(width, format.bytesPerPixel, alignment, &pitch) ||
      !ComputeImageBytes(pitch, height, &bytes)) {
    return -1;
  }
  void* pixels = AllocGraphImageMemory(bytes);
  if (!pixels) return -1;
  image->format = format;
  image->width = width;
  image->height = height;
  image->pitch = pitch;
  image->pixels = pixels;
  image->mipLevels = 0;
  return 0;
}

// The address of pixel (x, y) after the image was made uncompressed and the
// point checked; null when either fails. The coordinates are compared
// unsigned, so negative ones fail too.
uint8_t* CheckedPixelAddress(GraphImage* image, int x, int y) {
  if (DecompressDxtGraphImage(image) != 0 || !image->pixels) return nullptr;
  if (static_cast<unsigned>(x) >= static_cast<unsigned>(image->width) ||
      static_cast<unsigned>(y) >= static_cast<unsigned>(image->height)) {
    return nullptr;
  }
  int bytes = image->format.bytesPerPixel;
  if (bytes < 1 || bytes > 4) return nullptr;
  return static_cast<uint8_t*>(image->pixels) + static_cast<ptrdiff_t>(y) * image->pitch +
         static_cast<ptrdiff_t>(x) * bytes;
}

// A channel moved to the top of its byte: its top 8 bits for wide channels,
// low bits 0 for narrow ones.
uint32_t ChannelToTopOfByte(uint32_t pixel, uint32_t mask, int shift, int width) {
  if (width == 0) return 0;
  uint32_t v = (pixel & mask) >> shift;
  return width >= 8 ? v >> (width - 8) : v << (8 - width);
}

}  // namespace

void* AllocGraphImageMemory(size_t bytes) { return AllocTrackedMemory(bytes, nullptr, 0); }

ImageBuffer::ImageBuffer(size_t bytes, bool zeroed)
    : pixels_(static_cast<uint8_t*>(AllocGraphImageMemory(bytes))) {
  if (pixels_ && zeroed) std::memset(pixels_, 0, bytes);
}

ImageBuffer& ImageBuffer::operator=(ImageBuffer&& other) noexcept {
  if (this != &other) {
    Reset();
    pixels_ = other.Release();
  }
  return *this;
}

uint8_t* ImageBuffer::Release() {
  uint8_t* p = pixels_;
  pixels_ = nullptr;
  return p;
}

void ImageBuffer::Reset() {
  if (pixels_) FreeTrackedMemory(pixels_);
  pixels_ = nullptr;
}

void SetLoadedGraphImage(GraphImage* image, const ColorFormat& format, int width, int height,
                         int pitch, ImageBuffer& pixels, int mipLevels) {
  *image = GraphImage{};
  image->format = format;
  image->width = width;
  image->height = height;
  image->pitch = pitch;
  image->pixels = pixels.Release();
  image->mipLevels = mipLevels;
}

int AllocGraphImage(int width, int height, const ColorFormat* format, GraphImage* image) {
  // The format is copied first: a caller may pass the image's own format.
  ColorFormat copy = *format;
  return AllocWithFormat(width, height, copy, 4, image);
}

int AllocGraphImageARGB8(int width, int height, GraphImage* image) {
  ColorFormat format{};
  SetColorFormatARGB8(&format);
  return AllocWithFormat(width, height, format, 1, image);
}

int AllocGraphImageXRGB8(int width, int height, GraphImage* image) {
  ColorFormat format{};
  SetColorFormatXRGB8(&format);
  return AllocWithFormat(width, height, format, 4, image);
}

int FreeGraphImage(GraphImage* image) {
  if (image->pixels) FreeTrackedMemory(image->pixels);
  *image = GraphImage{};
  return 0;
}

int ClearGraphImageRect(GraphImage* image, int x, int y, int width, int height) {
  // Clipped to the image, so a rectangle reaching outside cannot overrun it.
  if (!image->pixels || image->format.compression != 0) return 0;
  int64_t left = x < 0 ? 0 : x, top = y < 0 ? 0 : y;
  int64_t right = static_cast<int64_t>(x) + width, bottom = static_cast<int64_t>(y) + height;
  if (right > image->width) right = image->width;
  if (bottom > image->height) bottom = image->height;
  if (left >= right || top >= bottom) return 0;
  int bytes = image->format.bytesPerPixel;
  size_t rowBytes = static_cast<size_t>(right - left) * bytes;
  auto* row = static_cast<uint8_t*>(image->pixels) + static_cast<ptrdiff_t>(top) * image->pitch +
              static_cast<ptrdiff_t>(left) * bytes;
  for (int64_t j = top; j < bottom; ++j, row += image->pitch) std::memset(row, 0, rowBytes);
  return 0;
}

int GetGraphImagePixel(GraphImage* image, int x, int y, int* red, int* green, int* blue,
                       int* alpha) {
  const uint8_t* p = CheckedPixelAddress(image, x, y);
  if (!p) return -1;
  int bytes = image->format.bytesPerPixel;
  if (bytes == 1) {
    const ColorPaletteEntry& e = image->format.palette[*p];
    if (red) *red = e.red;
    if (green) *green = e.green;
    if (blue) *blue = e.blue;
    if (alpha) *alpha = e.alpha;
    return 0;
  }
  return UnpackColorCode(&image->format, ReadPixelOfSize(p, bytes), red, green, blue, alpha);
}

int SetGraphImagePixel(GraphImage* image, int x, int y, int red, int green, int blue, int alpha) {
  uint8_t* p = CheckedPixelAddress(image, x, y);
  if (!p) return -1;
  WritePixelOfSize(p, image->format.bytesPerPixel,
                   PackColorCode(&image->format, red, green, blue, alpha));
  return 0;
}

uint32_t GetGraphImagePixelARGB(const GraphImage* image, int x, int y) {
  const ColorFormat& f = image->format;
  if (!image->pixels || f.compression != 0 || f.bytesPerPixel < 1 || f.bytesPerPixel > 4) return 0;
  if (static_cast<unsigned>(x) >= static_cast<unsigned>(image->width) ||
      static_cast<unsigned>(y) >= static_cast<unsigned>(image->height)) {
    return 0;
  }
  const uint8_t* p = static_cast<const uint8_t*>(image->pixels) +
                     static_cast<ptrdiff_t>(y) * image->pitch +
                     static_cast<ptrdiff_t>(x) * f.bytesPerPixel;
  if (f.bytesPerPixel == 1) return PaletteEntryValue(f.palette[*p]);
  uint32_t pixel = ReadPixelOfSize(p, f.bytesPerPixel);
  return ChannelToTopOfByte(pixel, f.alphaMask, f.alphaShift, f.alphaWidth) << 24 |
         ChannelToTopOfByte(pixel, f.redMask, f.redShift, f.redWidth) << 16 |
         ChannelToTopOfByte(pixel, f.greenMask, f.greenShift, f.greenWidth) << 8 |
         ChannelToTopOfByte(pixel, f.blueMask, f.blueShift, f.blueWidth);
}

int MirrorGraphImage(GraphImage* image) {
  if (image->width <= 0 || image->height <= 0 || !image->pixels) return -1;
  if (image->format.compression != 0) return -1;
  auto* base = static_cast<uint8_t*>(image->pixels);
  bool ok = DispatchPixelSize(image->format.bytesPerPixel, [&](auto size) {
    for (int y = 0; y < image->height; ++y) {
      ReverseRow<decltype(size)::value>(base + static_cast<ptrdiff_t>(y) * image->pitch,
                                        image->width);
    }
  });
  return ok ? 0 : -1;
}

int RotateGraphImage180(GraphImage* image) {
  if (image->format.compression != 0) return -1;
  if (image->width <= 0 || image->height <= 0 || !image->pixels) return -1;
  auto* base = static_cast<uint8_t*>(image->pixels);
  int width = image->width, height = image->height;
  ptrdiff_t pitch = image->pitch;
  bool ok = DispatchPixelSize(image->format.bytesPerPixel, [&](auto size) {
    constexpr int kBytes = decltype(size)::value;
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
      uint8_t* a = base + top * pitch;
      uint8_t* b = base + bottom * pitch + static_cast<ptrdiff_t>(width - 1) * kBytes;
      for (int x = 0; x < width; ++x, a += kBytes, b -= kBytes) {
        uint32_t t = ReadPixel<kBytes>(a);
        WritePixel<kBytes>(a, ReadPixel<kBytes>(b));
        WritePixel<kBytes>(b, t);
      }
    }
    if (height % 2 == 1) ReverseRow<kBytes>(base + (height / 2) * pitch, width);
  });
  return ok ? 0 : -1;
}
