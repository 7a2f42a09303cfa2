// A GDI DIB section seen as an image, for pixel transfers from bitmaps.
#ifndef OMBREL_GRAPHICS_GRAPH_BITMAP_SOURCE_H
#define OMBREL_GRAPHICS_GRAPH_BITMAP_SOURCE_H

#include "Ombrel.h"

struct HBITMAP__;

// A view of the bitmap's bits in the given format, rows padded to four
// bytes; -1 for a bitmap without bits of its own (not a DIB section).
int DescribeBitmapImage(HBITMAP__* bitmap, const ColorFormat* format, GraphImage* out);

#endif
