#include "software_renderer/blend_tables.h"

int32_t BlendScaleTable[256][256];
int32_t BlendDiffTable[256][512];
uint8_t BlendLerp6Table[64][64][64];
uint8_t BlendGraphWeightTable[256];

int InitSoftImgBlendTables() {
  for (int n = 0; n < 256; ++n)
    for (int d = -255; d <= 255; ++d) BlendDiffTable[n][256 + d] = d * n / 255;
  for (int n = 0; n < 256; ++n)
    for (int k = 0; k < 256; ++k) BlendScaleTable[n][k] = k * n / 255;
  for (int a = 0; a < 64; ++a)
    for (int i = 0; i < 64; ++i)
      for (int j = 0; j < 64; ++j)
        BlendLerp6Table[a][i][j] = static_cast<uint8_t>((a * i + (63 - a) * j) / 63);
  return 0;
}

void MakeBlendGraphWeightTable(int borderParam, int borderRange) {
  // The setters clamp both; clamping again keeps a direct caller inside the
  // table's arithmetic.
  int p = borderParam < 0 ? 0 : borderParam > 255 ? 255 : borderParam;
  int r = borderRange < 0 ? 0 : borderRange > 255 ? 255 : borderRange;
  int step = 65536 / (r + 1);
  int base = 256 - p * (step + 256) / 256;
  for (int g = 0; g < 256; ++g) {
    int w = 256 * g / (r + 1) + base;
    BlendGraphWeightTable[g] = static_cast<uint8_t>(w < 0 ? 0 : w > 255 ? 255 : w);
  }
}
