// Pixel layouts and the packing of 8-bit channels into pixel values.
#ifndef OMBREL_GRAPHICS_COLOR_FORMAT_H
#define OMBREL_GRAPHICS_COLOR_FORMAT_H

#include <stdint.h>

#include "Ombrel.h"

// Position and width of the run of set bits that begins at the mask's lowest
// set bit; both 0 for an empty mask.
void FindMaskRun(uint32_t mask, uint8_t* shift, uint8_t* width);

// Scales a width-bit channel value to 0..255 as v * 255 / (2^width - 1),
// truncating; a channel of width 0 gives 0.
int ExpandChannelTo8(uint32_t value, int width);

// The palette entry as the 32-bit value 0xAARRGGBB.
uint32_t PaletteEntryValue(const ColorPaletteEntry& entry);

// The index of the palette entry nearest to (red, green, blue) by squared
// distance; the lowest index wins a tie.
int FindNearestPaletteIndex(const ColorFormat* format, int red, int green, int blue);

#endif
