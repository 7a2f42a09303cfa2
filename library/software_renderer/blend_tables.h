// Lookup tables that spare the software pixel loops their multiplications and
// divisions. Built once at graphics start-up; the blend-graph weights follow
// the blend-graph settings.
#ifndef OMBREL_SOFTWARE_RENDERER_BLEND_TABLES_H
#define OMBREL_SOFTWARE_RENDERER_BLEND_TABLES_H

#include <stdint.h>

// Row n, entry k: floor(k * n / 255).
extern int32_t BlendScaleTable[256][256];
// Row n, entry 256 + d: d * n / 255 rounded toward zero, d = -255..255.
// Entry 0 is never written.
extern int32_t BlendDiffTable[256][512];
// [a][i][j]: floor((a * i + (63 - a) * j) / 63), six-bit mixes.
extern uint8_t BlendLerp6Table[64][64][64];
// Weight 0..255 for each blend-graph pixel value.
extern uint8_t BlendGraphWeightTable[256];

int InitSoftImgBlendTables();
void MakeBlendGraphWeightTable(int borderParam, int borderRange);

#endif
