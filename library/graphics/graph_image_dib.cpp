// Base images handed to GDI as device-independent bitmaps. Only the
// BITMAPINFO layout is taken from the platform; nothing here calls it.
#include <windows.h>

#include <cstring>

#include "graphics/graph_image.h"
#include "graphics/image_loaders.h"
#include "graphics/image_size.h"
#include "system/tracked_memory.h"

namespace {

constexpr size_t kClearedHeaderBytes = 44;

// Copies `rowBytes` of every row into a buffer whose rows are `dibPitch` apart.
void* CopyRows(const GraphImage& image, int dibPitch, size_t rowBytes) {
  size_t total;
  if (!ComputeImageBytes(dibPitch, image.height, &total)) return nullptr;
  auto* out = static_cast<uint8_t*>(TRACKED_ALLOC(total));
  if (!out) return nullptr;
  const auto* source = static_cast<const uint8_t*>(image.pixels);
  for (int y = 0; y < image.height; ++y) {
    uint8_t* row = out + static_cast<ptrdiff_t>(y) * dibPitch;
    std::memcpy(row, source + static_cast<ptrdiff_t>(y) * image.pitch, rowBytes);
    std::memset(row + rowBytes, 0, dibPitch - rowBytes);
  }
  return out;
}

}  // namespace

int ConvertGraphImageToDib(const GraphImage* image, tagBITMAPINFO* bitmapInfo, void** bits,
                           int copy, int rgb24) {
  std::memset(bitmapInfo, 0, kClearedHeaderBytes);
  BITMAPINFOHEADER& header = bitmapInfo->bmiHeader;
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = image->width;
  header.biHeight = -image->height;  // top-down rows, as the image keeps them
  header.biPlanes = 1;
  header.biCompression = BI_RGB;

  const ColorFormat& format = image->format;
  const bool palette = format.colorBits == 8 && format.bytesPerPixel == 1 && !rgb24;
  const int bytesPerPixel = palette ? 1 : 3;
  int dibPitch;
  size_t total;
  if (!ComputeImagePitch(image->width, bytesPerPixel, 4, &dibPitch) ||
      !ComputeImageBytes(dibPitch, image->height, &total) || !image->pixels ||
      format.compression != kCompressionNone) {
    return -1;
  }
  header.biBitCount = static_cast<WORD>(bytesPerPixel * 8);
  if (palette) std::memcpy(bitmapInfo->bmiColors, format.palette, sizeof format.palette);

  const bool sameLayout =
      palette || (format.colorBits == 24 && format.bytesPerPixel == 3 &&
                  format.redMask == 0x00FF0000 && format.greenMask == 0x0000FF00 &&
                  format.blueMask == 0x000000FF && copy != 1);
  if (sameLayout) {
    if (copy != 1 && dibPitch == image->pitch) {
      *bits = image->pixels;
      return copy;
    }
    void* out = CopyRows(*image, dibPitch, static_cast<size_t>(image->width) * bytesPerPixel);
    if (!out) return -1;
    *bits = out;
    return 1;
  }

  auto* out = static_cast<uint8_t*>(TRACKED_ALLOC_ZEROED(total));
  if (!out) return -1;
  ColorFormat rgb{};
  SetColorFormatRGB24(&rgb);
  const IntRect whole{0, 0, image->width, image->height};
  if (ConvertFormatBlt(out, dibPitch, &rgb, image->pixels, image->pitch, &format, nullptr, 0,
                       nullptr, 0, 0, &whole, 0, 0, 0, 0, 0, 0, 0, 0) < 0) {
    FreeTrackedMemory(out);
    return -1;
  }
  *bits = out;
  return 1;
}
