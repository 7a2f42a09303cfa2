// The pixel rules of the software triangle. They are the blit's rules of
// blend_rules.h except in two places, written here: a source with alpha
// always weighs by its alpha unless the transparent flag is set, and 16-bit
// mode 1 weighted by the parameter alone goes through the truncating
// difference table.
#ifndef OMBREL_SOFTWARE_RENDERER_TRIANGLE_RULES_H
#define OMBREL_SOFTWARE_RENDERER_TRIANGLE_RULES_H

#include <stdint.h>

#include "software_renderer/blend_rules.h"

namespace triangle {

template <class C>
constexpr bool kParamOnlyMix16 =
    !C::kIs32 && C::kMode == 1 && !C::kGraph && !C::kBright && !C::kAlpha;

// Combines the colour s (texel after the palette, or the solid colour) with
// the destination pixel at dp; a the texel's alpha, w the blend-graph weight.
template <class C, bool AlphaWeighs>
OMBREL_ALWAYS_INLINE void CombineColour(const blend::BlitRows& r, uint32_t s, uint32_t a,
                                       uint32_t w, uint8_t* dp) {
  if constexpr (kParamOnlyMix16<C>) {
    using L = blend::Layout<false>;
    const uint32_t d = blend::Load16(dp);
    uint32_t out = 0;
    blend::ForChannels([&](auto ch) {
      const uint32_t source = (s >> L::kShift[ch]) & L::kMax[ch];
      const uint32_t dest = (d >> L::kShift[ch]) & L::kMax[ch];
      const int32_t moved = r.diffParam[static_cast<int32_t>(source - dest)];
      out |= (dest + static_cast<uint32_t>(moved)) << L::kShift[ch];
    });
    blend::Store16(dp, out);
  } else {
    blend::CombinePixel<C, AlphaWeighs>(r, s, a, w, dp);
  }
}

// Reads the texel at sp (and the blend-graph byte at gp) and combines it with
// the destination pixel at dp, or leaves the pixel when the texel is skipped.
template <class C>
OMBREL_ALWAYS_INLINE void ShadeTexel(const blend::BlitRows& r, const uint8_t* sp, uint8_t* dp,
                                     const uint8_t* gp) {
  if constexpr (C::kAlpha && !C::kTrans) {
    // Alpha 0 and 255 weigh too: without the transparent flag nothing is
    // copied whole or skipped.
    const uint32_t raw = blend::Load32(sp);
    const uint32_t weight = C::kGraph ? r.graphWeights[*gp] : 0;
    if constexpr (C::kIs32) {
      blend::CombinePixel<C, true>(r, raw, raw >> 24, weight, dp);
    } else {
      blend::CombinePixel<C, true>(r, raw & 0xFFFF, (raw >> 16) & 0xFF, weight, dp);
    }
  } else if constexpr (kParamOnlyMix16<C>) {
    const uint32_t key = C::kPalettised ? *sp : blend::Load16(sp);
    if constexpr (C::kTrans) {
      if (key == r.transColor) return;
    }
    const uint32_t s = C::kPalettised ? static_cast<const uint16_t*>(r.palette)[key] : key;
    CombineColour<C, false>(r, s, 255, 0, dp);
  } else {
    blend::BlendTexel<C>(r, sp, dp, gp);
  }
}

}  // namespace triangle

#endif
