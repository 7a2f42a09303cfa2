// SSE2 forms of the 32-bit special members' rules, four pixels a step, and
// the per-call constants that the texel rules share. Each is an exact
// vectorisation of the scalar rule in blend_rules.h: the same products, the
// same floors, the same packed guard bits.
#ifndef OMBREL_SOFTWARE_RENDERER_BLEND_RULES_SSE2_H
#define OMBREL_SOFTWARE_RENDERER_BLEND_RULES_SSE2_H

#ifdef __SSE2__
#include <emmintrin.h>

#include "software_renderer/blend_rules.h"

namespace blend::sse2 {

// Per-call constants, in 16-bit lanes ordered blue, green, red, fourth byte.
struct Constants {
  __m128i paramHigh;     // 128 p for the colours, 0 for the fourth byte
  __m128i texelWeight;   // p for the colours, 0 for the fourth byte
  __m128i bright;        // bright bytes, 0 for the fourth byte
  __m128i transColor;    // the transparent colour in every 32-bit lane
  __m128i fourthByte;
};

OMBREL_ALWAYS_INLINE Constants MakeConstants(const BlitRows& r) {
  Constants k;
  const auto p = static_cast<int16_t>(r.param);
  const auto high = static_cast<int16_t>(128 * r.param);
  k.paramHigh = _mm_setr_epi16(high, high, high, 0, high, high, high, 0);
  k.texelWeight = _mm_setr_epi16(p, p, p, 0, p, p, p, 0);
  // Row n of the scale table holds floor(k * n / 255); its entry 255 is n.
  const auto b = static_cast<int16_t>(r.scaleBright[0][255]);
  const auto g = static_cast<int16_t>(r.scaleBright[1][255]);
  const auto rd = static_cast<int16_t>(r.scaleBright[2][255]);
  k.bright = _mm_setr_epi16(b, g, rd, 0, b, g, rd, 0);
  k.transColor = _mm_set1_epi32(static_cast<int>(r.transColor));
  k.fourthByte = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  return k;
}

// floor(x / 255) for the products of two bytes (x <= 65025).
OMBREL_ALWAYS_INLINE __m128i Div255(__m128i x) {
  const __m128i one = _mm_set1_epi16(1);
  return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(x, one), _mm_srli_epi16(x, 8)), 8);
}

// Applies f to the low and high two pixels widened to 16-bit lanes.
template <class F>
OMBREL_ALWAYS_INLINE __m128i PerHalf(__m128i a, __m128i b, F f) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i lo = f(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
  const __m128i hi = f(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
  return _mm_packus_epi16(lo, hi);
}

OMBREL_ALWAYS_INLINE __m128i ScaleByBright(const Constants& k, __m128i s) {
  return PerHalf(s, s, [&](__m128i x, __m128i) { return Div255(_mm_mullo_epi16(x, k.bright)); });
}

// d + floor((t - d) * p / 256), taken as the high half of the signed product
// 2 (t - d) * 128 p so that both factors fit 16-bit lanes; the fourth byte's
// factor is 0, so it keeps d.
OMBREL_ALWAYS_INLINE __m128i BlendByParam(const Constants& k, __m128i t, __m128i d) {
  return PerHalf(t, d, [&](__m128i tw, __m128i dw) {
    const __m128i twice = _mm_slli_epi16(_mm_sub_epi16(tw, dw), 1);
    return _mm_add_epi16(dw, _mm_mulhi_epi16(twice, k.paramHigh));
  });
}

// (t * d) >> 8 for blue, green and red; the fourth byte keeps d.
OMBREL_ALWAYS_INLINE __m128i Multiply(const Constants& k, __m128i t, __m128i d) {
  const __m128i product =
      PerHalf(t, d, [](__m128i tw, __m128i dw) { return _mm_srli_epi16(_mm_mullo_epi16(tw, dw), 8); });
  return _mm_or_si128(_mm_andnot_si128(k.fourthByte, product), _mm_and_si128(k.fourthByte, d));
}

template <bool OrStep>
OMBREL_ALWAYS_INLINE __m128i PackedAdd(__m128i d, __m128i u) {
  const __m128i keep = _mm_set1_epi32(0x00FEFEFF);
  const __m128i x = _mm_add_epi32(_mm_and_si128(d, keep), _mm_and_si128(u, keep));
  const __m128i m = _mm_and_si128(x, _mm_set1_epi32(0x01010100));
  __m128i pixel = _mm_or_si128(x, _mm_sub_epi32(m, _mm_srli_epi32(m, 8)));
  if constexpr (OrStep) {
    pixel = _mm_or_si128(pixel, _mm_and_si128(_mm_or_si128(d, u), _mm_set1_epi32(0x00010100)));
  }
  return pixel;
}

OMBREL_ALWAYS_INLINE __m128i PackedSub(__m128i d, __m128i u) {
  const __m128i x = _mm_sub_epi32(_mm_or_si128(d, _mm_set1_epi32(0x01010100)),
                                  _mm_and_si128(u, _mm_set1_epi32(0x00FEFEFF)));
  const __m128i m = _mm_and_si128(x, _mm_set1_epi32(0x01010100));
  return _mm_and_si128(x, _mm_sub_epi32(m, _mm_srli_epi32(m, 8)));
}

OMBREL_ALWAYS_INLINE __m128i Halve(__m128i s, __m128i d) {
  const __m128i mask = _mm_set1_epi32(0x7F7F7F);
  return _mm_add_epi32(_mm_and_si128(_mm_srli_epi32(s, 1), mask),
                       _mm_and_si128(_mm_srli_epi32(d, 1), mask));
}

// Special members (halving, full-parameter add and subtract) with SSE2
// forms: 32-bit direct sources without alpha and blend graph. The general
// members' forms are in texel_rules_sse2.h.
template <class C>
constexpr bool kVectorised = C::kIs32 && !C::kPalettised && !C::kAlpha && !C::kGraph;

// The SSE2 form of a special member's rule on four texels s over four pixels d.
template <class C, Special Kind>
OMBREL_ALWAYS_INLINE __m128i Rule(const Constants& k, __m128i s, __m128i d) {
  if constexpr (Kind == Special::kHalving || Kind == Special::kHalvingMmx) {
    return Halve(s, d);
  } else if constexpr (Kind == Special::kFullAdd) {
    return PackedAdd<false>(d, s);
  } else if constexpr (Kind == Special::kFullSub) {
    return PackedSub(d, s);
  } else if constexpr (Kind == Special::kFullAddMmx) {
    return _mm_adds_epu8(d, s);
  } else {
    static_assert(Kind == Special::kFullSubMmx, "the general members use texel_rules_sse2.h");
    return _mm_subs_epu8(d, s);
  }
}

// n pixels of one row, four a step through the SSE2 rule, the last ones by
// the scalar op (sp, dp). With C::kTrans a texel equal to the transparent
// colour keeps its destination pixel; four such texels skip the rule
// altogether, and four drawn ones skip the masking.
template <class C, Special Kind, class ScalarOp>
OMBREL_ALWAYS_INLINE void Span(const Constants& k, const uint8_t* sp, uint8_t* dp, int32_t n,
                               ScalarOp scalarOp) {
  const int32_t vectorBytes = (n & ~3) * 4;
  for (int32_t i = 0; i < vectorBytes; i += 16) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sp + i));
    if constexpr (C::kTrans) {
      const __m128i keep = _mm_cmpeq_epi32(s, k.transColor);
      const int kept = _mm_movemask_epi8(keep);
      if (kept == 0xFFFF) continue;
      const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dp + i));
      __m128i out = Rule<C, Kind>(k, s, d);
      if (kept != 0) out = _mm_or_si128(_mm_and_si128(keep, d), _mm_andnot_si128(keep, out));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dp + i), out);
    } else {
      const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dp + i));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dp + i), Rule<C, Kind>(k, s, d));
    }
  }
  sp += vectorBytes;
  dp += vectorBytes;
  for (n &= 3; n > 0; --n, sp += 4, dp += 4) scalarOp(sp, dp);
}

}  // namespace blend::sse2

#endif
#endif
