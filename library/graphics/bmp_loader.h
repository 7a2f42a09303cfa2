// The BMP loader's pieces: the run-length decoder and the route through GDI
// for the layouts the loader does not decode itself.
#ifndef OMBREL_GRAPHICS_BMP_LOADER_H
#define OMBREL_GRAPHICS_BMP_LOADER_H

#include <stddef.h>
#include <stdint.h>

#include "Ombrel.h"

// Decodes RLE8 (or RLE4 when fourBit) data into one index byte per pixel of
// a zero-filled width x height image whose rows are pitch bytes apart. The
// first line is the bottom row unless topDown. Pixels outside the image are
// dropped, and decoding ends at the end-of-image code or the end of the data.
void DecodeBmpRunLength(const uint8_t* data, size_t size, bool fourBit, int width, int height,
                        bool topDown, uint8_t* out, int pitch);

// Has GDI draw the file's pixels into a 24-bit DIB section and copies them
// out as an R8G8B8 image. bitmapInfo is the file's info header followed by
// its palette or masks; bits hold what GDI will read. 0, or -1 when GDI made
// nothing or drew no line.
int DrawBmpThroughDibSection(const void* bitmapInfo, const uint8_t* bits, int width, int height,
                             GraphImage* image);

#endif
