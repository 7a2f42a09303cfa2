// A slow, plainly written model of how the software blit combines pixels, kept
// apart from the library's templates so that the two can be compared.
#ifndef OMBREL_TESTS_SUPPORT_BLIT_ORACLE_H
#define OMBREL_TESTS_SUPPORT_BLIT_ORACLE_H

#include "software_renderer/soft_image.h"

struct OracleSettings {
  IntRect drawArea;
  int mode;
  int param;
  int brightRed, brightGreen, brightBlue;
  int mmxFlag;
  int borderParam;  // blend-graph weights
  int borderRange;
};

// Draws src at (x, y) into dest the way the plain blit must.
void OracleDrawImage(SOFTIMG* dest, const SOFTIMG* src, int x, int y, int transFlag,
                     const SOFTIMG* blendGraph, const OracleSettings& settings);

#endif
