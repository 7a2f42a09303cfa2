// Slow, plainly written models of how the software primitives combine
// pixels, kept apart from the library's templates so that the two can be
// compared.
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

// Draws src at (x, y) into dest the way the plain blit must, through the run
// table where the source has a valid one and is drawn whole with transFlag 1.
void OracleDrawImage(SOFTIMG* dest, const SOFTIMG* src, int x, int y, int transFlag,
                     const SOFTIMG* blendGraph, const OracleSettings& settings);

// Draws src scaled into the rectangle (corners as given, reversed ones
// mirror) the way the stretched blit must.
void OracleDrawStretchedImage(SOFTIMG* dest, const SOFTIMG* src, const IntRect* rect,
                              int transFlag, const SOFTIMG* blendGraph,
                              const OracleSettings& settings);

// The filled rectangle and the line.
void OracleFillRect(SOFTIMG* target, const IntRect* rect, uint32_t color,
                    const OracleSettings& settings);
void OracleDrawLine(SOFTIMG* target, int x1, int y1, int x2, int y2, uint32_t color,
                    const OracleSettings& settings);

#endif
