#include <stdint.h>

#include "graphics/graph_image.h"

namespace {

// Cuts a copy of `length` from `source` to `dest` so that both lie at or
// after 0 and the destination fits `destLimit` and the source `sourceLimit`.
// Computed in 64 bits so that large positions cannot wrap.
void ClipSpan(int64_t* source, int64_t* dest, int64_t* length, int64_t sourceLimit,
              int64_t destLimit) {
  if (*source < 0) {
    *dest -= *source;
    *length += *source;
    *source = 0;
  }
  if (*dest < 0) {
    *source -= *dest;
    *length += *dest;
    *dest = 0;
  }
  if (*dest + *length > destLimit) *length = destLimit - *dest;
  if (*source + *length > sourceLimit) *length = sourceLimit - *source;
}

bool RectInsideImage(int x1, int y1, int x2, int y2, const GraphImage* image) {
  return x1 < x2 && y1 < y2 && x1 >= 0 && x1 < image->width && y1 >= 0 && y1 < image->height &&
         x2 > 0 && x2 <= image->width && y2 > 0 && y2 <= image->height;
}

}  // namespace

int CopyGraphImageRect(int sourceX, int sourceY, int width, int height, int destX, int destY,
                       GraphImage* source, GraphImage* dest) {
  if (DecompressDxtGraphImage(source) != 0 || DecompressDxtGraphImage(dest) != 0) return -1;
  int64_t sx = sourceX, sy = sourceY, dx = destX, dy = destY, w = width, h = height;
  ClipSpan(&sx, &dx, &w, source->width, dest->width);
  ClipSpan(&sy, &dy, &h, source->height, dest->height);
  if (w <= 0 || h <= 0) return 0;
  if (!source->pixels || !dest->pixels) return -1;
  IntRect rect{static_cast<int32_t>(sx), static_cast<int32_t>(sy), static_cast<int32_t>(sx + w),
               static_cast<int32_t>(sy + h)};
  int result = ConvertFormatBlt(dest->pixels, dest->pitch, &dest->format, source->pixels,
                                source->pitch, &source->format, nullptr, 0, nullptr,
                                static_cast<int>(dx), static_cast<int>(dy), &rect, 0, 0, 0, 0, 0,
                                0, 0, 0);
  return result < 0 ? -1 : 0;
}

int StretchCopyGraphImage(int sourceX1, int sourceY1, int sourceX2, int sourceY2,
                          GraphImage* source, int destX1, int destY1, int destX2, int destY2,
                          GraphImage* dest, int mode) {
  if (!RectInsideImage(sourceX1, sourceY1, sourceX2, sourceY2, source) ||
      !RectInsideImage(destX1, destY1, destX2, destY2, dest)) {
    return -1;
  }
  int64_t sourceWidth = sourceX2 - sourceX1, sourceHeight = sourceY2 - sourceY1;
  int64_t destWidth = destX2 - destX1, destHeight = destY2 - destY1;
  if (sourceWidth == destWidth && sourceHeight == destHeight) {
    return CopyGraphImageRect(sourceX1, sourceY1, static_cast<int>(sourceWidth),
                              static_cast<int>(sourceHeight), destX1, destY1, source, dest);
  }
  if (DecompressDxtGraphImage(source) != 0 || DecompressDxtGraphImage(dest) != 0) return -1;

  // 16.16 fixed-point stepping through the source, one step per destination
  // pixel and row.
  int64_t stepX = (sourceWidth << 16) / destWidth;
  int64_t stepY = (sourceHeight << 16) / destHeight;
  int64_t v = static_cast<int64_t>(sourceY1) << 16;
  for (int y = destY1; y < destY2; ++y, v += stepY) {
    int64_t u = static_cast<int64_t>(sourceX1) << 16;
    for (int x = destX1; x < destX2; ++x, u += stepX) {
      int px = static_cast<int>(u >> 16), py = static_cast<int>(v >> 16);
      int c[4] = {0, 0, 0, 0};
      if (mode == 1) {
        uint32_t fx = static_cast<uint32_t>(u & 0xFFFF), fy = static_cast<uint32_t>(v & 0xFFFF);
        // The neighbours right of and below the last column and row are that
        // column and row again, so the edge never blends in pixels from
        // outside the source rectangle.
        int nx = px + 1 < sourceX2 ? px + 1 : px;
        int ny = py + 1 < sourceY2 ? py + 1 : py;
        int s[4][4] = {};
        GetGraphImagePixel(source, px, py, &s[0][0], &s[0][1], &s[0][2], &s[0][3]);
        GetGraphImagePixel(source, nx, py, &s[1][0], &s[1][1], &s[1][2], &s[1][3]);
        GetGraphImagePixel(source, px, ny, &s[2][0], &s[2][1], &s[2][2], &s[2][3]);
        GetGraphImagePixel(source, nx, ny, &s[3][0], &s[3][1], &s[3][2], &s[3][3]);
        // The complements are taken from 0xFFFF, so the weights sum to just
        // under 1.0 and a full channel comes out one short.
        uint32_t w00 = ((0xFFFF - fy) * (0xFFFF - fx)) >> 16;
        uint32_t w10 = ((0xFFFF - fy) * fx) >> 16;
        uint32_t w01 = ((0xFFFF - fx) * fy) >> 16;
        uint32_t w11 = (fy * fx) >> 16;
        for (int k = 0; k < 4; ++k) {
          c[k] = static_cast<int>((w00 * s[0][k] + w10 * s[1][k] + w01 * s[2][k] + w11 * s[3][k]) >>
                                  16);
        }
      } else {
        GetGraphImagePixel(source, px, py, &c[0], &c[1], &c[2], &c[3]);
      }
      SetGraphImagePixel(dest, x, y, c[0], c[1], c[2], c[3]);
    }
  }
  return 0;
}
