// The BMP loader's edge to GDI: layouts that GDI can draw but the loader does
// not decode itself (1, 2 and 16 bits, bit fields) come back as 24-bit rows.
#include <windows.h>

#include <cstring>

#include "graphics/bmp_loader.h"
#include "graphics/graph_image.h"
#include "graphics/image_size.h"
#include "system/log.h"

namespace {

struct DcDeleter {
  HDC dc;
  ~DcDeleter() {
    if (dc) DeleteDC(dc);
  }
};

struct BitmapDeleter {
  HBITMAP bitmap;
  ~BitmapDeleter() {
    if (bitmap) DeleteObject(bitmap);
  }
};

}  // namespace

int DrawBmpThroughDibSection(const void* bitmapInfo, const uint8_t* bits, int width, int height,
                             GraphImage* image) {
  DcDeleter dc{CreateCompatibleDC(nullptr)};
  BITMAPINFO section{};
  section.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  section.bmiHeader.biWidth = width;
  section.bmiHeader.biHeight = -height;
  section.bmiHeader.biPlanes = 1;
  section.bmiHeader.biBitCount = 24;
  section.bmiHeader.biCompression = BI_RGB;
  void* sectionBits = nullptr;
  BitmapDeleter bitmap{dc.dc ? CreateDIBSection(dc.dc, &section, DIB_RGB_COLORS, &sectionBits,
                                                nullptr, 0)
                             : nullptr};
  if (!bitmap.bitmap || !sectionBits) {
    AppendLog("ＤＩＢの作成に失敗しました3\n");
    return -1;
  }
  BITMAP described{};
  GetObjectA(bitmap.bitmap, sizeof described, &described);
  const int pitch = (described.bmWidthBytes + 3) & ~3;

  HGDIOBJ previous = SelectObject(dc.dc, bitmap.bitmap);
  const int lines = SetDIBitsToDevice(dc.dc, 0, 0, width, height, 0, 0, 0, height, bits,
                                      static_cast<const BITMAPINFO*>(bitmapInfo), DIB_RGB_COLORS);
  SelectObject(dc.dc, previous);
  GdiFlush();
  // A layout GDI cannot draw leaves the section black; that is no image.
  if (lines <= 0) return -1;

  size_t bytes;
  if (!ComputeImageBytes(pitch, height, &bytes)) return -1;
  ImageBuffer pixels(bytes);
  if (!pixels) {
    AppendLog("２４ビットカラー化したグラフィックを格納するメモリ領域の確保に失敗しました\n");
    return -1;
  }
  std::memcpy(pixels.Get(), sectionBits, bytes);
  ColorFormat format{};
  SetColorFormatRGB24(&format);
  SetLoadedGraphImage(image, format, width, height, pitch, pixels);
  return 0;
}
