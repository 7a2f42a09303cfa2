// The drawing settings that the software primitives read at each call. The
// drawing-state setters keep this record up to date; the primitives never
// write it.
#ifndef OMBREL_SOFTWARE_RENDERER_SOFT_DRAW_SETTINGS_H
#define OMBREL_SOFTWARE_RENDERER_SOFT_DRAW_SETTINGS_H

#include <stdint.h>

#include "Ombrel.h"

struct SoftDrawSettings {
  IntRect drawArea;     // right and bottom exclusive, inside the draw target
  int32_t blendMode;    // BlendMode; the software renderer draws 0-4, 10 and 11
  int32_t blendParam;   // 0..255
  uint32_t drawBright;  // bytes blue, green, red; off when the low 24 bits are all set
  int32_t mmxFlag;      // SoftImgMmxFlag: 1 selects the whole-byte twins of some members
};

SoftDrawSettings& GetSoftDrawSettings();

#endif
