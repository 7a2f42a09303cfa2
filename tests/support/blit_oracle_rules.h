// The per-pixel rules of the blit reference models, shared by the plain,
// run-table and stretched models.
#ifndef OMBREL_TESTS_SUPPORT_BLIT_ORACLE_RULES_H
#define OMBREL_TESTS_SUPPORT_BLIT_ORACLE_RULES_H

#include <cstdint>

#include "support/blit_oracle.h"

namespace oracle {

// Where the paths part: the plain path alone mixes 16-bit parameter blends
// through the six-bit table and copies an unblended alpha source whole; the
// stretched path keys alpha-0 texels out of multiply too.
enum class BlitPath { kPlain, kRunTable, kStretched };

struct Texel {
  uint32_t raw;     // index, colour word or whole pixel, as the skip test sees it
  uint32_t colour;  // after the palette; 16-bit: the colour word
  int alpha;
};

struct Frame {
  bool is32, palettised, hasAlpha, trans, graph, brightOn;
  int mode, p;  // mode 1 at 255 already made mode 0
  int bright[3];
  uint32_t transColor;
  const SoftImgBody* srcBody;
  BlitPath path;
  int borderParam, borderRange;
};

// Fills the frame; false when the blit draws nothing at all (refused images,
// a mode that does not draw, a parameter test).
bool MakeFrame(Frame* f, const SOFTIMG* dest, const SOFTIMG* src, int transFlag,
               const SOFTIMG* blendGraph, const OracleSettings& settings, BlitPath path);
int SourceBytesPerPixel(const SoftImgBody* b);
Texel ReadTexel(const Frame& f, const uint8_t* sp);
// The per-pixel skip test of the plain and stretched paths.
bool Skipped(const Frame& f, const Texel& t);
// Whether the texel's alpha is one of the weights, on the plain and
// stretched paths.
bool AlphaWeighs(const Frame& f, const Texel& t);
// The general rule of one pixel.
uint32_t GeneralRule(const Frame& f, const Texel& t, bool alphaWeighs, int graphWeight,
                     uint32_t destValue);

}  // namespace oracle

#endif
