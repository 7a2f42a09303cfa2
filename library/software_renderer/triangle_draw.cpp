#include "software_renderer/triangle_draw.h"

#include "software_renderer/blend_tables.h"
#include "software_renderer/blit_frame.h"
#include "software_renderer/triangle_loops.h"

namespace {

// The solid colour through the bright rows, always: row 255 leaves a channel
// as it is. 32-bit keeps the colour's fourth byte; 16-bit keeps the fields.
uint32_t BrightenColor(uint32_t color, bool is32, uint32_t bright) {
  const int32_t* blue = BlendScaleTable[bright & 0xFF];
  const int32_t* green = BlendScaleTable[(bright >> 8) & 0xFF];
  const int32_t* red = BlendScaleTable[(bright >> 16) & 0xFF];
  if (is32) {
    return (color & 0xFF000000u) | static_cast<uint32_t>(blue[color & 0xFF]) |
           static_cast<uint32_t>(green[(color >> 8) & 0xFF]) << 8 |
           static_cast<uint32_t>(red[(color >> 16) & 0xFF]) << 16;
  }
  return static_cast<uint32_t>(blue[color & 31]) |
         static_cast<uint32_t>(green[(color >> 5) & 63]) << 5 |
         static_cast<uint32_t>(red[(color >> 11) & 31]) << 11;
}

// Width or height in 14.18 fixed point; sources past 16383 pixels accept
// every unsigned coordinate, which still addresses a texel inside them.
uint32_t TexelLimit(int32_t size) {
  return size >= 16384 ? 0xFFFFFFFFu : static_cast<uint32_t>(size) << kFixed18Shift;
}

}  // namespace

void DrawTriangleOnSoftImg(SOFTIMG* dest, const SOFTIMG* src, const TriangleVertex vertices[3],
                           int transFlag, const SOFTIMG* blendGraph, uint32_t color) {
  if (vertices == nullptr) return;
  const bool textured = src != nullptr;
  if (textured) {
    if (!AcceptsBlitImages(dest, src, blendGraph)) return;
  } else {
    if (!IsSoftImgValid(dest) || dest->body->palettised || dest->body->alpha) return;
    const int type = dest->body->colorType;
    if (type != kSoftImgColor16 && type != kSoftImgColor32) return;
    blendGraph = nullptr;
  }

  const SoftDrawSettings& settings = GetSoftDrawSettings();
  const DrawInputs in = ReadDrawInputs(settings);
  // Mode 1 at full strength is the copy; modes 1, 2 and 3 at zero draw
  // nothing, for every source.
  const int modeIndex =
      blend::SelectModeIndex(static_cast<uint32_t>(settings.blendMode), in.param, false);
  if (modeIndex < 0) return;

  TriangleJob job{};
  job.area = TargetDrawArea(dest, settings);
  if (job.area.left >= job.area.right || job.area.top >= job.area.bottom) return;
  if (!SetUpTriangle(vertices, textured, &job.setup)) return;
  job.dest = dest->pixels;
  job.destPitch = dest->body->pitch;
  const bool is32 = dest->body->colorType == kSoftImgColor32;

  TriangleLoopKey key{};
  key.textured = textured;
  key.modeIndex = modeIndex;
  if (textured) {
    const SoftImgBody& srcBody = *src->body;
    key.palettised = srcBody.palettised == 1;
    key.alpha = !key.palettised && srcBody.alpha == 1;
    key.graph = blendGraph != nullptr;
    key.bright = in.brightOn;
    key.trans = transFlag != 0;
    job.src = src->pixels;
    job.srcPitch = srcBody.pitch;
    job.uLimit = TexelLimit(src->width);
    job.vLimit = TexelLimit(src->height);
    if (blendGraph) {
      job.graph = blendGraph->pixels;
      job.graphPitch = blendGraph->body->pitch;
    }
    PrepareBlitTables(&job.rules, srcBody, in);
    job.rules.transColor = srcBody.transparentColor;
  } else {
    const uint32_t brightened = BrightenColor(color, is32, in.bright);
    job.color = is32 ? blend::PrepareSolidColor<true>(brightened, 0xFFFFFF, false, in.param)
                     : blend::PrepareSolidColor<false>(brightened, 0xFFFFFF, false, in.param);
  }
  const TriangleLoop loop = is32 ? FindTriangleLoop32(key) : FindTriangleLoop16(key);
  loop(job);
}
