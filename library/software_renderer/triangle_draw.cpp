#include "software_renderer/triangle_draw.h"

#include "software_renderer/blend_tables.h"
#include "software_renderer/soft_draw_settings.h"
#include "software_renderer/triangle_loops.h"

namespace {

// The solid colour through the bright rows, always: row 255 leaves a channel
// as it is. 32-bit keeps the colour's fourth byte; 16-bit keeps the fields.
uint32_t BrightenColour(uint32_t colour, bool is32, const int32_t* const rows[3]) {
  if (is32) {
    return (colour & 0xFF000000u) | static_cast<uint32_t>(rows[0][colour & 0xFF]) |
           static_cast<uint32_t>(rows[1][(colour >> 8) & 0xFF]) << 8 |
           static_cast<uint32_t>(rows[2][(colour >> 16) & 0xFF]) << 16;
  }
  return static_cast<uint32_t>(rows[0][colour & 31]) |
         static_cast<uint32_t>(rows[1][(colour >> 5) & 63]) << 5 |
         static_cast<uint32_t>(rows[2][(colour >> 11) & 31]) << 11;
}

// Width or height in 14.18 fixed point; sources past 16383 pixels accept
// every unsigned coordinate, which still addresses a texel inside them.
uint32_t TexelLimit(int32_t size) {
  return size >= 16384 ? 0xFFFFFFFFu : static_cast<uint32_t>(size) << kFixed18Shift;
}

}  // namespace

void DrawTriangleOnSoftImg(SOFTIMG* dest, const SOFTIMG* src, const TriangleVertex vertices[3],
                           int transFlag, const SOFTIMG* blendGraph, uint32_t colour) {
  if (!IsSoftImgValid(dest) || vertices == nullptr) return;
  const SoftImgBody& destBody = *dest->body;
  const bool textured = src != nullptr;
  if (textured && (!IsSoftImgValid(src) || src->body->colorType != destBody.colorType)) return;
  if (destBody.palettised || destBody.alpha) return;
  if (destBody.colorType != kSoftImgColor16 && destBody.colorType != kSoftImgColor32) return;
  if (!textured) blendGraph = nullptr;
  if (textured && (src->width <= 0 || src->height <= 0)) return;
  // The blend graph is read at the texel's position, so it must cover the source.
  if (blendGraph && (!IsSoftImgValid(blendGraph) || blendGraph->width < src->width ||
                     blendGraph->height < src->height)) {
    return;
  }

  const SoftDrawSettings& settings = GetSoftDrawSettings();
  const uint32_t p = static_cast<uint32_t>(
      settings.blendParam < 0 ? 0 : settings.blendParam > 255 ? 255 : settings.blendParam);
  // Mode 1 at full strength is the copy; modes 1, 2 and 3 at zero draw nothing.
  int mode = settings.blendMode;
  if (mode == 1 && p == 255) mode = 0;
  if ((mode == 1 || mode == 2 || mode == 3) && p == 0) return;
  const uint32_t bright = settings.drawBright & 0xFFFFFF;
  const bool is32 = destBody.colorType == kSoftImgColor32;
  const SoftImgBody* srcBody = textured ? src->body : nullptr;
  const bool palettised = textured && srcBody->palettised == 1;
  int modeIndex = 0;
  while (modeIndex < 7 && kTriangleModes[modeIndex] != mode) ++modeIndex;
  if (modeIndex == 7) return;
  const TriangleLoopKey key{textured,
                            palettised,
                            modeIndex,
                            blendGraph != nullptr,
                            bright != 0xFFFFFF,
                            textured && !palettised && srcBody->alpha == 1,
                            transFlag != 0};
  const TriangleLoop loop = is32 ? FindTriangleLoop32(key) : FindTriangleLoop16(key);

  TriangleJob job{};
  // The area is meant to lie inside the destination; clipping to the image as
  // well keeps a wider one from writing past it.
  job.area = settings.drawArea;
  const IntRect destBounds{0, 0, dest->width, dest->height};
  ClipRectToBounds(&job.area, &destBounds);
  if (job.area.left >= job.area.right || job.area.top >= job.area.bottom) return;
  if (!SetUpTriangle(vertices, textured, &job.setup)) return;

  job.dest = dest->pixels;
  job.destPitch = destBody.pitch;
  blend::BlitRows& rules = job.rules;
  rules.param = p;
  rules.scaleParam = BlendScaleTable[p];
  rules.diffParam = &BlendDiffTable[p][256];
  rules.scaleBright[0] = BlendScaleTable[bright & 0xFF];
  rules.scaleBright[1] = BlendScaleTable[(bright >> 8) & 0xFF];
  rules.scaleBright[2] = BlendScaleTable[(bright >> 16) & 0xFF];
  rules.graphWeights = BlendGraphWeightTable;
  if (textured) {
    job.src = src->pixels;
    job.srcPitch = srcBody->pitch;
    job.uLimit = TexelLimit(src->width);
    job.vLimit = TexelLimit(src->height);
    rules.transColor = srcBody->transparentColor;
    rules.palette = srcBody->paletteBlock;
    if (blendGraph) {
      job.graph = blendGraph->pixels;
      job.graphPitch = blendGraph->body->pitch;
    }
  } else {
    job.colour = BrightenColour(colour, is32, rules.scaleBright);
  }
  loop(job);
}
