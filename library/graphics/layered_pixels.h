// The pixels of a layered window: the screen image turned into 32-bit
// premultiplied ARGB, with the transparent colour made fully transparent.
#ifndef OMBREL_GRAPHICS_LAYERED_PIXELS_H
#define OMBREL_GRAPHICS_LAYERED_PIXELS_H

#include <stdint.h>

#include "Ombrel.h"

// dest: image->height rows of image->width pixels, destPitch bytes apart.
// transColor 0x00RRGGBB. useAlpha takes the image's alpha; otherwise
// perPixelAlpha (systems from Vista on) gives every other pixel alpha 255,
// and without it the bitmap is a colour-keyed picture.
void FillLayeredPixels(uint8_t* dest, int destPitch, const GraphImage& image, uint32_t transColor,
                       int useAlpha, int perPixelAlpha);

#endif
