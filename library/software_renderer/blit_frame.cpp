#include "software_renderer/blit_frame.h"

#include "software_renderer/blend_tables.h"

DrawInputs ReadDrawInputs(const SoftDrawSettings& settings) {
  DrawInputs in;
  const int32_t p = settings.blendParam;
  in.param = static_cast<uint32_t>(p < 0 ? 0 : p > 255 ? 255 : p);
  in.bright = settings.drawBright & 0xFFFFFF;
  in.brightOn = in.bright != 0xFFFFFF;
  return in;
}

BlitChoice ReadBlitChoice(const SoftImgBody& srcBody, int transFlag, const SOFTIMG* blendGraph,
                          const SoftDrawSettings& settings) {
  BlitChoice c;
  c.is32 = srcBody.colorType == kSoftImgColor32;
  c.palettised = srcBody.palettised == 1;
  c.alpha = !c.palettised && srcBody.alpha == 1;
  c.trans = transFlag != 0;
  c.graph = blendGraph != nullptr;
  c.in = ReadDrawInputs(settings);
  // A palettised source still subtracts a zero term, which moves low bits.
  c.modeIndex =
      blend::SelectModeIndex(static_cast<uint32_t>(settings.blendMode), c.in.param, c.palettised);
  return c;
}

bool AcceptsBlitImages(const SOFTIMG* dest, const SOFTIMG* src, const SOFTIMG* blendGraph) {
  if (!IsSoftImgValid(dest) || !IsSoftImgValid(src)) return false;
  const SoftImgBody& destBody = *dest->body;
  const SoftImgBody& srcBody = *src->body;
  if (srcBody.colorType != destBody.colorType || destBody.palettised || destBody.alpha)
    return false;
  if (srcBody.colorType != kSoftImgColor16 && srcBody.colorType != kSoftImgColor32) return false;
  if (src->width <= 0 || src->height <= 0) return false;
  if (blendGraph && (!IsSoftImgValid(blendGraph) || blendGraph->width < src->width ||
                     blendGraph->height < src->height)) {
    return false;
  }
  return true;
}

void PrepareBlitTables(blend::BlitRows* rows, const SoftImgBody& srcBody, const DrawInputs& in) {
  const uint32_t p = in.param;
  rows->param = p;
  // Every member reads the image's own 256-entry palette, so an index at or
  // above the palette count reads one of its own (black) entries.
  rows->palette = srcBody.paletteBlock;
  rows->scaleParam = BlendScaleTable[p];
  rows->scaleBright[0] = BlendScaleTable[in.bright & 0xFF];
  rows->scaleBright[1] = BlendScaleTable[(in.bright >> 8) & 0xFF];
  rows->scaleBright[2] = BlendScaleTable[(in.bright >> 16) & 0xFF];
  rows->diffParam = &BlendDiffTable[p][256];
  rows->lerp6 = &BlendLerp6Table[p >> 2][0][0];
  rows->graphWeights = BlendGraphWeightTable;
}

IntRect TargetDrawArea(const SOFTIMG* target, const SoftDrawSettings& settings) {
  IntRect area = settings.drawArea;
  const IntRect bounds{0, 0, target->width, target->height};
  ClipRectToBounds(&area, &bounds);
  return area;
}
