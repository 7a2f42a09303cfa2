#include <gtest/gtest.h>

#include <emmintrin.h>

#include <cstdint>

#include "software_renderer/blend16_rules_sse2.h"
#include "software_renderer/blend_rules_sse2.h"
#include "software_renderer/blend_tables.h"

namespace {

using blend::BlitRows;
using blend::Path;
namespace sse2 = blend::sse2;

uint32_t Word(uint32_t red, uint32_t green, uint32_t blue) { return red << 11 | green << 5 | blue; }

// The word of eight lanes after f, lane i from words[i].
template <class F>
void Lanes(const uint16_t (&words)[8], F f, uint16_t (&out)[8]) {
  const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(words));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), f(in));
}

// The rule's own words: each field f := L(p >> 2, t_f, d_f). Every weight
// (p from 0 to 255), every pair of field values: blue and red take t and d
// modulo 32 and halved, green takes them whole.
TEST(Blend16RulesSse2Test, Lerp6WordsAreTheTableOnEveryPairOfFields) {
  InitSoftImgBlendTables();
  using C = blend::Settings<false, false, 1, false, false, false, false>;
  int failures = 0;
  for (uint32_t p = 0; p < 256; ++p) {
    BlitRows rows{};
    rows.param = p;
    const sse2::Words16Constants k = sse2::MakeWords16Constants<C>(rows);
    for (uint32_t t = 0; t < 64; ++t) {
      for (uint32_t d0 = 0; d0 < 64; d0 += 8) {
        uint16_t texels[8], dests[8], out[8];
        for (int i = 0; i < 8; ++i) {
          const uint32_t d = d0 + i;
          texels[i] = static_cast<uint16_t>(Word(t >> 1, t, t & 31));
          dests[i] = static_cast<uint16_t>(Word(d >> 1, d, d & 31));
        }
        const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dests));
        Lanes(texels, [&](__m128i tv) {
          return k.otherForm ? sse2::Lerp6Words<sse2::OtherForm<C>>(k, tv, dv) : sse2::Lerp6Words<C>(k, tv, dv);
        }, out);
        for (int i = 0; i < 8; ++i) {
          const uint32_t d = d0 + i;
          const auto& block = BlendLerp6Table[p >> 2];
          const uint32_t want = Word(block[t >> 1][d >> 1], block[t][d], block[t & 31][d & 31]);
          if (out[i] != want && ++failures <= 10) {
            ADD_FAILURE() << "p " << p << " t " << t << " d " << d << ": " << out[i] << ", want " << want;
          }
        }
      }
    }
  }
  EXPECT_EQ(0, failures);
}

// The 16-bit add and subtract with the parameter as the only weight: the
// term u_f := S(p, s_f) for each field, then the packed add with the OR-step
// or the packed subtract. Every colour word at every parameter, over
// destination words that vary with both.
TEST(Blend16RulesSse2Test, ScaledTermWordsAddAndSubtractByTheRule) {
  InitSoftImgBlendTables();
  using Add = blend::Settings<false, false, 2, false, false, false, false>;
  using Subtract = blend::Settings<false, false, 3, false, false, false, false>;
  int failures = 0;
  uint32_t state = 1;
  for (uint32_t p = 0; p < 256; ++p) {
    BlitRows rows{};
    rows.param = p;
    const sse2::Words16Constants k = sse2::MakeWords16Constants<Add>(rows);
    const int32_t* scale = BlendScaleTable[p];
    for (uint32_t s0 = 0; s0 < 65536; s0 += 8) {
      uint16_t texels[8], dests[8], added[8], subtracted[8];
      for (int i = 0; i < 8; ++i) {
        texels[i] = static_cast<uint16_t>(s0 + i);
        state = state * 1664525u + 1013904223u;
        dests[i] = static_cast<uint16_t>(state >> 16);
      }
      const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dests));
      Lanes(texels, [&](__m128i sv) {
        return k.otherForm ? sse2::AddScaledTermWords<sse2::OtherForm<Add>>(k, sv, dv)
                           : sse2::AddScaledTermWords<Add>(k, sv, dv);
      }, added);
      Lanes(texels, [&](__m128i sv) {
        return k.otherForm ? sse2::SubtractScaledTermWords<sse2::OtherForm<Subtract>>(k, sv, dv)
                           : sse2::SubtractScaledTermWords<Subtract>(k, sv, dv);
      }, subtracted);
      for (int i = 0; i < 8; ++i) {
        const uint32_t s = s0 + i, d = dests[i];
        const uint32_t u = Word(scale[s >> 11], scale[(s >> 5) & 63], scale[s & 31]);
        if ((added[i] != blend::PackedAdd16<true>(d, u) || subtracted[i] != blend::PackedSub16(d, u)) &&
            ++failures <= 10) {
          ADD_FAILURE() << "p " << p << " s " << s << " d " << d << ": " << added[i] << " " << subtracted[i];
        }
      }
    }
  }
  EXPECT_EQ(0, failures);
}

// The packed add (with and without the OR-step) and subtract on eight lanes
// against the scalar rule: every destination word with a spread of terms
// (every 61st word, and the extremes of each field).
TEST(Blend16RulesSse2Test, PackedLanesAreThePackedRule) {
  uint32_t terms[1200];
  int termCount = 0;
  for (uint32_t u = 0; u < 65536; u += 61) terms[termCount++] = u;
  for (uint32_t red : {0u, 1u, 30u, 31u}) {
    for (uint32_t green : {0u, 1u, 62u, 63u}) {
      for (uint32_t blue : {0u, 1u, 30u, 31u}) terms[termCount++] = Word(red, green, blue);
    }
  }
  int failures = 0;
  for (int ti = 0; ti < termCount; ++ti) {
    const uint32_t u = terms[ti];
    const __m128i uv = _mm_set1_epi16(static_cast<int16_t>(u));
    for (uint32_t d0 = 0; d0 < 65536; d0 += 8) {
      uint16_t dests[8], add[8], addPlain[8], sub[8];
      for (int i = 0; i < 8; ++i) dests[i] = static_cast<uint16_t>(d0 + i);
      Lanes(dests, [&](__m128i d) { return sse2::PackedAdd16Lanes<true>(d, uv); }, add);
      Lanes(dests, [&](__m128i d) { return sse2::PackedAdd16Lanes<false>(d, uv); }, addPlain);
      Lanes(dests, [&](__m128i d) { return sse2::PackedSub16Lanes(d, uv); }, sub);
      for (int i = 0; i < 8; ++i) {
        const uint32_t d = d0 + i;
        const bool same = add[i] == blend::PackedAdd16<true>(d, u) &&
                          addPlain[i] == blend::PackedAdd16<false>(d, u) && sub[i] == blend::PackedSub16(d, u);
        if (!same && ++failures <= 10) ADD_FAILURE() << "d " << d << " u " << u;
      }
    }
  }
  EXPECT_EQ(0, failures);
}

}  // namespace
