// The colour of the same hue and saturation at full brightness, as a table
// the device holds in a volume texture.
#ifndef OMBREL_DIRECT3D9_MAX_BRIGHTNESS_H
#define OMBREL_DIRECT3D9_MAX_BRIGHTNESS_H

#include <stdint.h>

constexpr int kMaxBrightnessSize = 128;

void ComputeMaxBrightnessColor(int red, int green, int blue, uint8_t* redOut, uint8_t* greenOut,
                               uint8_t* blueOut);
// Writes the 128 x 128 x 128 table in X8R8G8B8 byte order (blue, green,
// red, 255) with the given pitches.
void FillMaxBrightnessTable(uint8_t* bits, int rowPitch, int slicePitch);

#endif
