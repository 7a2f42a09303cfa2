// What the frames of the software primitives share: the checks that refuse
// images, the drawing inputs as the loops use them and the table rows.
#ifndef OMBREL_SOFTWARE_RENDERER_BLIT_FRAME_H
#define OMBREL_SOFTWARE_RENDERER_BLIT_FRAME_H

#include <stdint.h>

#include "software_renderer/blend_rules.h"
#include "software_renderer/soft_draw_settings.h"
#include "software_renderer/soft_image.h"

// The blend parameter and the draw bright of the drawing settings.
struct DrawInputs {
  uint32_t param;   // 0..255
  uint32_t bright;  // bytes blue, green, red
  bool brightOn;    // the bright is off when all three bytes are 255
};

DrawInputs ReadDrawInputs(const SoftDrawSettings& settings);

// What the choice of a blit's member reads of the source and the settings.
struct BlitChoice {
  bool is32;  // 32-bit colour, else 16-bit
  bool palettised;
  bool alpha;  // a direct source with alpha
  bool trans;
  bool graph;
  DrawInputs in;
  int modeIndex;  // in blend::kDrawnModes, or -1 when the call draws nothing
};

BlitChoice ReadBlitChoice(const SoftImgBody& srcBody, int transFlag, const SOFTIMG* blendGraph,
                          const SoftDrawSettings& settings);

// False for images that no blit member can draw: an image that is not valid,
// differing colour types, a destination with a palette or alpha, a colour
// type other than 16- or 32-bit colour, an empty source, or a blend graph
// that does not cover the source.
bool AcceptsBlitImages(const SOFTIMG* dest, const SOFTIMG* src, const SOFTIMG* blendGraph);

// The table rows and palette of BlitRows for the parameter and the bright.
void PrepareBlitTables(blend::BlitRows* rows, const SoftImgBody& srcBody, const DrawInputs& in);

// The drawing area clipped to the target's own size: the primitives never
// write outside either.
IntRect TargetDrawArea(const SOFTIMG* target, const SoftDrawSettings& settings);

#endif
