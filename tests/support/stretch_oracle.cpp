#include <algorithm>
#include <cstdint>
#include <utility>

#include "support/blit_oracle.h"
#include "support/blit_oracle_rules.h"
#include "support/oracle_pixels.h"

using namespace oracle;

namespace {

// The texel of destination column (or row) j, counted from the rectangle's
// near edge, for a Fixed16 scale. first is the first visible j. The general
// members take floor(j * 65536 / scale); the whole-pixel members, when
// reducing, take the texel before it wherever j * 65536 is an exact multiple
// of the scale, except at the first visible pixel.
int64_t TexelOf(int64_t j, int64_t scale, int64_t first, bool wholePixel) {
  const int64_t k = j * 65536 / scale;
  if (wholePixel && scale < 65536 && j != first && (j * 65536) % scale == 0) return k - 1;
  return k;
}

}  // namespace

void OracleDrawStretchedImage(SOFTIMG* dest, const SOFTIMG* src, const IntRect* rect,
                              int transFlag, const SOFTIMG* blendGraph,
                              const OracleSettings& settings) {
  if (!rect) return;
  Frame f;
  if (!MakeFrame(&f, dest, src, transFlag, blendGraph, settings, BlitPath::kStretched)) {
    // Refused images and modes draw nothing here either; the one case that
    // can still draw is the hand-over to the plain blit, which refuses alike.
    return;
  }
  const int64_t sw = src->width, sh = src->height;
  int64_t l = rect->left, t = rect->top, r = rect->right, b = rect->bottom;
  const bool mirrorX = l > r, mirrorY = t > b;
  if (mirrorX) std::swap(l, r);
  if (mirrorY) std::swap(t, b);
  const int64_t dw = r - l, dh = b - t;
  if (dw == 0 || dh == 0) return;
  if (dw == sw && dh == sh && !mirrorX && !mirrorY) {
    OracleDrawImage(dest, src, static_cast<int>(l), static_cast<int>(t), transFlag, blendGraph, settings);
    return;
  }
  if (sw >= 65536 || sh >= 65536) return;
  const int64_t colScale = dw * 65536 / sw, rowScale = dh * 65536 / sh;
  if (colScale > INT32_MAX || rowScale > INT32_MAX) return;

  const IntRect& a = settings.drawArea;
  const int64_t left = std::max<int64_t>({l, a.left, 0});
  const int64_t top = std::max<int64_t>({t, a.top, 0});
  const int64_t right = std::min<int64_t>({r, a.right, dest->width});
  const int64_t bottom = std::min<int64_t>({b, a.bottom, dest->height});
  if (right <= left || bottom <= top) return;

  const bool fullSubtract = f.mode == 3 && f.p == 255 && !f.graph && !f.brightOn && !f.hasAlpha;
  const bool wholePixel = fullSubtract || (f.mode == 0 && !f.graph && !f.brightOn && !f.hasAlpha);
  const bool wholeBytes = fullSubtract && f.is32 && settings.mmxFlag == 1;

  const SoftImgBody* sb = src->body;
  const int sbpp = SourceBytesPerPixel(sb);
  const int dbpp = f.is32 ? 4 : 2;
  for (int64_t y = top; y < bottom; ++y) {
    int64_t row = TexelOf(y - t, rowScale, top - t, wholePixel);
    if (mirrorY) row = sh - 1 - row;
    for (int64_t x = left; x < right; ++x) {
      int64_t col = TexelOf(x - l, colScale, left - l, wholePixel);
      if (mirrorX) col = sw - 1 - col;
      const Texel texel = ReadTexel(f, src->pixels + row * sb->pitch + col * sbpp);
      if (Skipped(f, texel)) continue;
      uint8_t* dp = dest->pixels + y * dest->body->pitch + x * dbpp;
      const uint32_t dv = ReadBytes(dp, dbpp);
      uint32_t result;
      if (wholeBytes) {
        result = 0;
        for (int i = 0; i < 4; ++i) {
          const int dc = (dv >> (8 * i)) & 0xFF, sc = (texel.colour >> (8 * i)) & 0xFF;
          result |= uint32_t(std::max(0, dc - sc)) << (8 * i);
        }
      } else {
        int weight = 0;
        if (blendGraph) {
          weight = GraphWeight(blendGraph->pixels[row * blendGraph->body->pitch + col],
                               settings.borderParam, settings.borderRange);
        }
        result = GeneralRule(f, texel, AlphaWeighs(f, texel), weight, dv);
      }
      WriteBytes(dp, dbpp, result);
    }
  }
}
