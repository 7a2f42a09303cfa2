#include "graphics/graph_bitmap_source.h"

#include <windows.h>

int DescribeBitmapImage(HBITMAP__* bitmap, const ColorFormat* format, GraphImage* out) {
  BITMAP info = {};
  if (!bitmap || !format || GetObjectA(bitmap, sizeof info, &info) == 0 || !info.bmBits ||
      format->bytesPerPixel == 0) {
    return -1;
  }
  *out = GraphImage{};
  out->format = *format;
  out->width = info.bmWidth;
  out->height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
  out->pitch = (info.bmWidth * format->bytesPerPixel + 3) & ~3;
  // The bitmap's own row size bounds what may be read.
  if (out->pitch > info.bmWidthBytes) return -1;
  out->pitch = info.bmWidthBytes;
  out->pixels = info.bmBits;
  return 0;
}
