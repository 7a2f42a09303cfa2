// The dedicated loops of the software triangle: one per combination of
// colour type, source kind, blend mode and the yes/no settings, each the
// edge walk with its pixel rule inlined.
#ifndef OMBREL_SOFTWARE_RENDERER_TRIANGLE_LOOPS_H
#define OMBREL_SOFTWARE_RENDERER_TRIANGLE_LOOPS_H

#include <stdint.h>

#include "software_renderer/blend_rules.h"
#include "software_renderer/solid_rules.h"
#include "software_renderer/triangle_setup.h"

// Everything a loop reads, prepared once per call.
struct TriangleJob {
  TriangleSetup setup;
  IntRect area;  // inside the destination
  uint8_t* dest;
  int32_t destPitch;
  const uint8_t* src;
  int32_t srcPitch;
  uint32_t uLimit;  // the source's width and height in 14.18 fixed point
  uint32_t vLimit;
  const uint8_t* graph;
  int32_t graphPitch;
  blend::SolidColor color;  // solid triangles: the colour after the bright
  blend::BlitRows rules;    // textured triangles: the rules' constants; its row fields are unused
};

using TriangleLoop = void (*)(const TriangleJob&);

struct TriangleLoopKey {
  bool textured;
  bool palettised;
  int modeIndex;  // in blend::kDrawnModes
  bool graph;
  bool bright;
  bool alpha;
  bool trans;
};

// The loop of a combination, for 32-bit and for 16-bit images.
TriangleLoop FindTriangleLoop32(const TriangleLoopKey& key);
TriangleLoop FindTriangleLoop16(const TriangleLoopKey& key);

#endif
