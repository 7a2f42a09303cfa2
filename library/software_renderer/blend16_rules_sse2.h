// Whole-word SSE2 forms of the 16-bit rules that the plain path runs with the
// parameter as the only weight: the BlendLerp6Table mix of mode 1 and the
// source term S(p, f) of add and subtract. The per-field forms of
// texel_rules_sse2.h take each field out of its word, weigh it and put it
// back; these weigh the fields where they lie or add their results into a
// word mod 2^16, for fewer operations on the same bytes. The test
// (blend16_rules_sse2_test.cpp) checks the mix and the term on all their
// inputs, and the packed sums on every destination word.
#ifndef OMBREL_SOFTWARE_RENDERER_BLEND16_RULES_SSE2_H
#define OMBREL_SOFTWARE_RENDERER_BLEND16_RULES_SSE2_H

#ifdef __SSE2__
#include <emmintrin.h>

#include "software_renderer/blend_rules.h"
#include "software_renderer/blend_rules_sse2.h"

namespace blend::sse2 {

// The members whose rule has a whole-word form: 16-bit colour on the plain
// path, without bright or blend graph; the mix for sources without alpha (as
// the scalar rule reads BlendLerp6Table), the term wherever the parameter is
// the only weight.
template <class C>
constexpr bool kLerp6Words = !C::kIs32 && C::kMode == 1 && !C::kBright && !C::kAlpha && !C::kGraph &&
                             C::kPath == Path::kPlain;
template <class C>
constexpr bool kScaledTermWords = !C::kIs32 && (C::kMode == 2 || C::kMode == 3) && !C::kBright &&
                                  !C::kGraph && C::kPath == Path::kPlain;

// Each of them has a second form, chosen once per call: the mix takes the
// texel as its base where the texel weighs more than half, so that the other
// side's weight stays below 32; the term at parameter 255 is the texel itself.
// OtherForm<C> is the member C in that form.
template <class C>
struct OtherForm : C {
  static constexpr bool kOtherForm = true;
};
template <class C>
constexpr bool kIsOtherForm = requires { requires C::kOtherForm; };
template <class C>
constexpr bool kHasOtherForm = kLerp6Words<C> || kScaledTermWords<C>;

struct Words16Constants {
  __m128i factor;   // the mix: ceil(v 2^16 / 63) for the other side's weight v; the term: ceil(p 2^16 / 255)
  __m128i factor2;  // the mix: twice factor
  __m128i offset;   // the mix: v (1 + 32 + 2048), what the bias of the fields adds to the word
  bool otherForm;
};

template <class C>
OMBREL_ALWAYS_INLINE Words16Constants MakeWords16Constants(const BlitRows& r) {
  Words16Constants k{};
  if constexpr (kLerp6Words<C>) {
    const uint32_t w = r.param >> 2;  // the texel's weight in BlendLerp6Table
    k.otherForm = w > 31;
    const uint32_t v = k.otherForm ? 63 - w : w;
    const uint32_t factor = (v * 65536 + 62) / 63;
    k.factor = _mm_set1_epi16(static_cast<int16_t>(factor));
    k.factor2 = _mm_set1_epi16(static_cast<int16_t>(2 * factor));
    k.offset = _mm_set1_epi16(static_cast<int16_t>(v * 2081));
  } else if constexpr (kScaledTermWords<C>) {
    k.otherForm = r.param == 255;
    k.factor = _mm_set1_epi16(static_cast<int16_t>(k.otherForm ? 0 : (r.param * 65536 + 254) / 255));
  }
  return k;
}

// L(w, t, d) = floor((w t + (63 - w) d) / 63) on the three fields of eight
// words: b + floor(v (o - b) / 63), with the base b = d, the other side o = t
// and v = w, or in the other form b = t, o = d and v = 63 - w. With
// x = o - b + 63 (0..126) the floor is floor(v x / 63) - v, and floor(v x / 63)
// is the high product of x and ceil(v 2^16 / 63): the factor's error, below
// x / 2^16, stays under the 1 / 63 that a fraction of v x / 63 lies below the
// next whole number. Each field's floor is added to b's word where the field
// lies and the v's are taken off at the end, all mod 2^16: the sums of the
// fields stay within their fields.
template <class C>
OMBREL_ALWAYS_INLINE __m128i Lerp6Words(const Words16Constants& k, __m128i t, __m128i d) {
  constexpr bool kTexelBase = kIsOtherForm<C>;
  const __m128i b = kTexelBase ? t : d;
  const __m128i o = kTexelBase ? d : t;
  const __m128i blue = _mm_set1_epi16(0x001F);
  const __m128i green = _mm_set1_epi16(0x07E0);
  const __m128i bias = _mm_set1_epi16(63);
  const __m128i blueX = _mm_add_epi16(_mm_sub_epi16(_mm_and_si128(o, blue), _mm_and_si128(b, blue)), bias);
  __m128i out = _mm_add_epi16(b, _mm_mulhi_epu16(blueX, k.factor));
  // Green in place: the average of o's field and the complement of b's is
  // (o - b + 63) 2^5 / 2 = 16 x exactly, and its high product with twice the
  // factor is 32 floor(v x / 63) and bits below 32.
  const __m128i green16X = _mm_avg_epu16(_mm_and_si128(o, green), _mm_andnot_si128(b, green));
  out = _mm_add_epi16(out, _mm_and_si128(_mm_mulhi_epu16(green16X, k.factor2), _mm_set1_epi16(-32)));
  const __m128i redX = _mm_add_epi16(_mm_sub_epi16(_mm_srli_epi16(o, 11), _mm_srli_epi16(b, 11)), bias);
  out = _mm_add_epi16(out, _mm_slli_epi16(_mm_mulhi_epu16(redX, k.factor), 11));
  return _mm_sub_epi16(out, k.offset);
}

// The term u_f = S(p, f) = floor(f p / 255) of the three fields of eight
// texels, as the packed add and subtract take it. It is the high product of f
// and ceil(p 2^16 / 255) (an error below f / 2^16, under 1 / 255); a field
// left in place at bit n is f 2^n, whose high product is floor(f p / 255) 2^n
// with bits below it. Blue's term is exact; green's has leftovers in bits
// 0-4, which the packed rules mask off with the fields' low bits; red's is
// masked here. At p = 255, where the factor does not fit a lane, the other
// form takes the texel itself as the term.
struct ScaledTerm {
  __m128i blue;      // u_B
  __m128i greenRed;  // u_G and u_R in place, leftovers in bits 0-4
};

OMBREL_ALWAYS_INLINE ScaledTerm ScaledTermOf(const Words16Constants& k, __m128i s) {
  const __m128i blueMask = _mm_set1_epi16(0x001F);
  const __m128i greenMask = _mm_set1_epi16(0x07E0);
  const __m128i redMask = _mm_set1_epi16(static_cast<int16_t>(0xF800));
  const __m128i green = _mm_mulhi_epu16(_mm_and_si128(s, greenMask), k.factor);
  const __m128i red = _mm_and_si128(_mm_mulhi_epu16(_mm_and_si128(s, redMask), k.factor), redMask);
  return {_mm_mulhi_epu16(_mm_and_si128(s, blueMask), k.factor), _mm_or_si128(green, red)};
}

// PackedAdd16 of the term, with the OR-step. The sum of d's masked word and
// blue's term carries into bit 5, the green and red terms less their low bits
// (and green's leftovers) add the rest of a + b, and their low bits, bits 5
// and 11 of the pieces, go to the OR-step.
template <class C>
OMBREL_ALWAYS_INLINE __m128i AddScaledTermWords(const Words16Constants& k, __m128i s, __m128i d) {
  if constexpr (kIsOtherForm<C>) {
    return PackedAdd16Lanes(d, s);
  } else {
    const ScaledTerm u = ScaledTermOf(k, s);
    const __m128i keep = _mm_set1_epi16(static_cast<int16_t>(0xF7DF));
    const __m128i withBlue = _mm_add_epi16(_mm_and_si128(d, keep), u.blue);
    const __m128i greenRed = _mm_and_si128(u.greenRed, _mm_set1_epi16(static_cast<int16_t>(0xF7C0)));
    const __m128i pixel = SaturatedSum16(withBlue, greenRed);
    return _mm_or_si128(pixel, _mm_and_si128(_mm_or_si128(d, u.greenRed), _mm_set1_epi16(0x0820)));
  }
}

// PackedSub16 of the term, its pieces put together less the low bits of green
// and red.
template <class C>
OMBREL_ALWAYS_INLINE __m128i SubtractScaledTermWords(const Words16Constants& k, __m128i s, __m128i d) {
  if constexpr (kIsOtherForm<C>) {
    return PackedSub16Lanes(d, s);
  } else {
    const ScaledTerm u = ScaledTermOf(k, s);
    const __m128i greenRed = _mm_and_si128(u.greenRed, _mm_set1_epi16(static_cast<int16_t>(0xF7C0)));
    return PackedSub16Masked(d, _mm_or_si128(greenRed, u.blue));
  }
}

}  // namespace blend::sse2

#endif
#endif
