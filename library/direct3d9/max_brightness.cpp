#include "direct3d9/max_brightness.h"

void ComputeMaxBrightnessColor(int red, int green, int blue, uint8_t* redOut, uint8_t* greenOut,
                               uint8_t* blueOut) {
  if (red + green + blue == 0) {
    *redOut = *greenOut = *blueOut = 255;
    return;
  }
  int c[3] = {red > 255 ? 255 : red, green > 255 ? 255 : green, blue > 255 ? 255 : blue};
  int largest = c[0], smallest = c[0];
  for (int v : c) {
    if (v > largest) largest = v;
    if (v < smallest) smallest = v;
  }
  if (largest == smallest) {
    *redOut = *greenOut = *blueOut = 255;
    return;
  }
  int d = (largest - smallest) * 255 / largest;
  uint8_t out[3];
  for (int i = 0; i < 3; ++i) {
    // Ties with the largest give 255 and ties with the smallest 255 - d, so
    // equal channels always come out equal.
    if (c[i] == largest) {
      out[i] = 255;
    } else if (c[i] == smallest) {
      out[i] = static_cast<uint8_t>(255 - d);
    } else {
      int ratio = (smallest - c[i]) * 255 / (largest - smallest) + 255;
      out[i] = static_cast<uint8_t>(255 - d * ratio / 255);
    }
  }
  *redOut = out[0], *greenOut = out[1], *blueOut = out[2];
}

void FillMaxBrightnessTable(uint8_t* bits, int rowPitch, int slicePitch) {
  for (int z = 0; z < kMaxBrightnessSize; ++z)
    for (int y = 0; y < kMaxBrightnessSize; ++y)
      for (int x = 0; x < kMaxBrightnessSize; ++x) {
        uint8_t* texel = bits + z * slicePitch + y * rowPitch + 4 * x;
        uint8_t red = 255, green = 255, blue = 255;
        // The darkest corner is taken as white rather than as a hue.
        if (x >= 8 || y >= 8 || z >= 8) ComputeMaxBrightnessColor(2 * x, 2 * y, 2 * z, &red, &green, &blue);
        texel[0] = blue, texel[1] = green, texel[2] = red, texel[3] = 255;
      }
}
