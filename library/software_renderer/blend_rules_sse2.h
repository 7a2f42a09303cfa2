// SSE2 forms of the 32-bit special members' rules, four pixels a step, the
// 16-bit packed add and subtract, and the per-call constants that the texel
// rules share. Each gives the bytes of the scalar rule in blend_rules.h: the
// same products, the same floors, the same packed guard bits, or where a
// cheaper form stands in, one shown equal on every input.
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
  return PerHalf(s, s, [&](__m128i x, __m128i) OMBREL_INLINE_LAMBDA { return Div255(_mm_mullo_epi16(x, k.bright)); });
}

// d + floor((t - d) * p / 256), taken as the high half of the signed product
// 2 (t - d) * 128 p so that both factors fit 16-bit lanes; the fourth byte's
// factor is 0, so it keeps d.
OMBREL_ALWAYS_INLINE __m128i BlendByParam(const Constants& k, __m128i t, __m128i d) {
  return PerHalf(t, d, [&](__m128i tw, __m128i dw) OMBREL_INLINE_LAMBDA {
    const __m128i twice = _mm_slli_epi16(_mm_sub_epi16(tw, dw), 1);
    return _mm_add_epi16(dw, _mm_mulhi_epi16(twice, k.paramHigh));
  });
}

// (t * d) >> 8 for blue, green and red; the fourth byte keeps d.
OMBREL_ALWAYS_INLINE __m128i Multiply(const Constants& k, __m128i t, __m128i d) {
  const __m128i product =
      PerHalf(t, d, [](__m128i tw, __m128i dw) OMBREL_INLINE_LAMBDA { return _mm_srli_epi16(_mm_mullo_epi16(tw, dw), 8); });
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

// floor(x * p / 255) for 0 <= x <= 63, as BlendScaleTable holds it: the
// error of the rounded-up factor stays below 63 / 2^14, less than the 1 / 255
// that a fraction of x p / 255 can lie below the next whole number.
// scale16 holds ceil(p 2^14 / 255) in every lane.
OMBREL_ALWAYS_INLINE __m128i Scale63Lanes(__m128i scale16, __m128i x) {
  return _mm_mulhi_epu16(_mm_slli_epi16(x, 2), scale16);
}

// trunc(x * p / 255) for |x| <= 63, as BlendDiffTable holds it.
OMBREL_ALWAYS_INLINE __m128i DiffLanes(__m128i scale16, __m128i x) {
  const __m128i sign = _mm_srai_epi16(x, 15);
  const __m128i magnitude = _mm_sub_epi16(_mm_xor_si128(x, sign), sign);
  const __m128i q = Scale63Lanes(scale16, magnitude);
  return _mm_sub_epi16(_mm_xor_si128(q, sign), sign);
}

// PackedAdd16 and PackedSub16 on eight colour words. The red field's carry or
// borrow leaves the 16-bit lane, so it is found another way.
//
// Add: with a and b the words less the low bits of green and red, x = a + b
// holds blue's carry in bit 5 and green's in bit 11; the average of a and b,
// (a + b + 1) >> 1, holds green's carry in bit 10 and red's in bit 15 (the +1
// reaches neither: it would need a blue sum of 63). Its bit 4 is blue's carry
// too, except for a blue sum of exactly 31, where it is set wrongly; the fill
// that it then adds is blue's 31 again, so the result holds. Shifted down by
// four, the three carries sit at bits 0, 6 and 11, and 31 times them is the
// fill of their fields, 0x1F, 0x7C0 and 0xF800 (the last wrapping mod 2^16).
// p and q are any two words whose sum is a + b.
OMBREL_ALWAYS_INLINE __m128i SaturatedSum16(__m128i p, __m128i q) {
  const __m128i carries = _mm_and_si128(_mm_srli_epi16(_mm_avg_epu16(p, q), 4), _mm_set1_epi16(0x0841));
  // The compiler would make the multiply by 31 a shift and a subtract: two
  // operations on the ports that bound these loops instead of one.
  __m128i thirtyOne = _mm_set1_epi16(31);
  __asm__("" : "+x"(thirtyOne));
  return _mm_or_si128(_mm_add_epi16(p, q), _mm_mullo_epi16(carries, thirtyOne));
}
template <bool OrStep = true>
OMBREL_ALWAYS_INLINE __m128i PackedAdd16Lanes(__m128i d, __m128i u) {
  const __m128i keep = _mm_set1_epi16(static_cast<int16_t>(0xF7DF));
  const __m128i pixel = SaturatedSum16(_mm_and_si128(d, keep), _mm_and_si128(u, keep));
  if constexpr (!OrStep) return pixel;
  return _mm_or_si128(pixel, _mm_and_si128(_mm_or_si128(d, u), _mm_set1_epi16(0x0820)));
}
// Subtract, of b = u less the low bits of green and red: the guard bits 5 and
// 11 stay set where blue and green do not borrow, and 31/32 of them (the high
// product with 0xF800) is the mask of those fields. Red keeps its bits, the
// low one included, where the whole word does not borrow: the saturating
// difference is then x, else 0.
OMBREL_ALWAYS_INLINE __m128i PackedSub16Masked(__m128i d, __m128i b) {
  const __m128i a = _mm_or_si128(d, _mm_set1_epi16(0x0820));
  const __m128i x = _mm_sub_epi16(a, b);
  const __m128i fill = _mm_mulhi_epu16(_mm_and_si128(x, _mm_set1_epi16(0x0820)),
                                       _mm_set1_epi16(static_cast<int16_t>(0xF800)));
  const __m128i red = _mm_and_si128(_mm_subs_epu16(a, b), _mm_set1_epi16(static_cast<int16_t>(0xF800)));
  return _mm_or_si128(_mm_and_si128(x, fill), red);
}
OMBREL_ALWAYS_INLINE __m128i PackedSub16Lanes(__m128i d, __m128i u) {
  return PackedSub16Masked(d, _mm_and_si128(u, _mm_set1_epi16(static_cast<int16_t>(0xF7DF))));
}

// The SSE2 form of a 32-bit special member's rule on four texels s over four
// pixels d; SpecialBlock in texel_rules_sse2.h applies it and the 16-bit ones.
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

}  // namespace blend::sse2

#endif
#endif
