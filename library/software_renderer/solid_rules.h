// The pixel rules of the one-colour primitives (filled rectangles and
// lines). They follow the blend rules of the blits with the colour in place
// of the texel, except where a solid colour is treated differently: the
// bright scales the colour once with a shift by 8, mode 0 writes the whole
// colour, 16-bit blends always step through BlendDiffTable, and add always
// takes the scaled colour with the OR-step.
#ifndef OMBREL_SOFTWARE_RENDERER_SOLID_RULES_H
#define OMBREL_SOFTWARE_RENDERER_SOLID_RULES_H

#include <stddef.h>
#include <stdint.h>

#include <array>
#include <utility>

#include "software_renderer/blend_rules.h"
#include "software_renderer/blend_rules_sse2.h"
#include "software_renderer/blend_tables.h"
#include "software_renderer/blit_frame.h"

namespace blend {

// The colour of one call, prepared once.
struct SolidColor {
  uint32_t pixel;  // what mode 0 writes: 32-bit with the colour's top byte, 16-bit the low word
  uint32_t channel[3];   // blue, green, red (fields in 16-bit colour) after the bright
  uint32_t inverted[3];  // mode 10: the complement of each channel
  uint32_t scaled;       // modes 2 and 3: every channel scaled by the parameter, packed
  uint32_t param;
  const int32_t* diffParam;  // BlendDiffTable row of the parameter, at its centre
};

template <bool Is32>
inline SolidColor PrepareSolidColor(uint32_t color, uint32_t bright, bool brightOn,
                                    uint32_t param) {
  using L = Layout<Is32>;
  SolidColor c{};
  const uint32_t brights[3] = {bright & 0xFF, (bright >> 8) & 0xFF, (bright >> 16) & 0xFF};
  uint32_t pixel = Is32 ? (color & 0xFF000000u) : 0;
  for (int ch = 0; ch < 3; ++ch) {
    uint32_t v = (color >> L::kShift[ch]) & L::kMax[ch];
    // Divided by 256, not 255: a component of 255 still lowers 255 to 254.
    if (brightOn) v = v * brights[ch] >> 8;
    c.channel[ch] = v;
    c.inverted[ch] = L::kMax[ch] - v;
    c.scaled |= static_cast<uint32_t>(BlendScaleTable[param][v]) << L::kShift[ch];
    pixel |= v << L::kShift[ch];
  }
  c.pixel = pixel;
  c.param = param;
  c.diffParam = &BlendDiffTable[param][256];
  return c;
}

// The new value of destination pixel d under mode Mode.
template <bool Is32, int Mode>
OMBREL_ALWAYS_INLINE uint32_t SolidPixel(const SolidColor& c, uint32_t d) {
  using L = Layout<Is32>;
  if constexpr (Mode == 0) {
    return c.pixel;
  } else if constexpr (Mode == 2) {
    return Is32 ? PackedAdd32<true>(d, c.scaled) : PackedAdd16<true>(d, c.scaled);
  } else if constexpr (Mode == 3) {
    return Is32 ? PackedSub32(d, c.scaled) : PackedSub16(d, c.scaled);
  } else {
    uint32_t out = Is32 ? (d & 0xFF000000u) : 0;
    ForChannels([&](auto ch) {
      const uint32_t dc = (d >> L::kShift[ch]) & L::kMax[ch];
      uint32_t toward;  // the value that modes 1, 10 and 11 blend toward
      if constexpr (Mode == 4) {
        out |= ((dc * c.channel[ch]) >> L::kProductShift[ch]) << L::kShift[ch];
        return;
      } else if constexpr (Mode == 1) {
        toward = c.channel[ch];
      } else if constexpr (Mode == 10) {
        toward = c.inverted[ch];
      } else {
        toward = (dc * c.channel[ch]) >> L::kProductShift[ch];
      }
      uint32_t v;
      if constexpr (Is32)
        v = Blend<1>(dc, toward, c.param);
      else
        v = dc + static_cast<uint32_t>(c.diffParam[static_cast<int32_t>(toward - dc)]);
      out |= (v & L::kMax[ch]) << L::kShift[ch];
    });
    return out;
  }
}

// Combines the colour with the pixel at dp.
template <bool Is32, int Mode>
OMBREL_ALWAYS_INLINE void ApplySolid(const SolidColor& c, uint8_t* dp) {
  if constexpr (Is32)
    Store32(dp, SolidPixel<true, Mode>(c, Load32(dp)));
  else
    Store16(dp, SolidPixel<false, Mode>(c, Load16(dp)));
}

// One member per drawn mode, in the order of kDrawnModes: Loop<Is32, Mode>::Run.
template <template <bool, int> class Loop, bool Is32>
struct SolidMembers {
  template <size_t... I>
  static constexpr auto Make(std::index_sequence<I...>) {
    return std::array{&Loop<Is32, kDrawnModes[I]>::Run...};
  }
  static constexpr auto kTable = Make(std::make_index_sequence<7>{});
};

// Prepares the colour for the colour type into rows->color and runs the
// member of the mode on rows.
template <template <bool, int> class Loop, class Rows>
void RunSolid(bool is32, int modeIndex, uint32_t color, const DrawInputs& in, Rows* rows) {
  const auto i = static_cast<size_t>(modeIndex);
  if (is32) {
    rows->color = PrepareSolidColor<true>(color, in.bright, in.brightOn, in.param);
    SolidMembers<Loop, true>::kTable[i](*rows);
  } else {
    rows->color = PrepareSolidColor<false>(color, in.bright, in.brightOn, in.param);
    SolidMembers<Loop, false>::kTable[i](*rows);
  }
}

#ifdef __SSE2__
namespace sse2 {

// The colour of one call in SSE2 lanes.
struct SolidVectors {
  Constants k;
  __m128i color;     // the colour after the bright, four times
  __m128i inverted;  // its complement
  __m128i scaled;    // the scaled colour of modes 2 and 3
};

inline SolidVectors MakeSolidVectors(const SolidColor& c) {
  SolidVectors v{};
  const auto high = static_cast<int16_t>(128 * c.param);
  v.k.paramHigh = _mm_setr_epi16(high, high, high, 0, high, high, high, 0);
  v.k.fourthByte = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  v.color = _mm_set1_epi32(static_cast<int>(c.pixel));
  v.inverted = _mm_xor_si128(v.color, _mm_set1_epi32(-1));
  v.scaled = _mm_set1_epi32(static_cast<int>(c.scaled));
  return v;
}

// Four 32-bit pixels d under mode Mode: the exact SSE2 form of SolidPixel.
template <int Mode>
OMBREL_ALWAYS_INLINE __m128i SolidRule(const SolidVectors& v, __m128i d) {
  if constexpr (Mode == 0)
    return v.color;
  else if constexpr (Mode == 1)
    return BlendByParam(v.k, v.color, d);
  else if constexpr (Mode == 2)
    return PackedAdd<true>(d, v.scaled);
  else if constexpr (Mode == 3)
    return PackedSub(d, v.scaled);
  else if constexpr (Mode == 4)
    return Multiply(v.k, v.color, d);
  else if constexpr (Mode == 10)
    return BlendByParam(v.k, v.inverted, d);
  else
    return BlendByParam(v.k, Multiply(v.k, v.color, d), d);
}

// The colour of one call in 16-bit lanes, for 16-bit pixels.
struct SolidVectors16 {
  __m128i channel[3];   // blue, green and red fields after the bright
  __m128i inverted[3];  // their complements
  __m128i scaled;       // the scaled colour of modes 2 and 3
  __m128i scale16;      // the parameter as Scale63Lanes takes it
};

inline SolidVectors16 MakeSolidVectors16(const SolidColor& c) {
  SolidVectors16 v{};
  for (int ch = 0; ch < 3; ++ch) {
    v.channel[ch] = _mm_set1_epi16(static_cast<int16_t>(c.channel[ch]));
    v.inverted[ch] = _mm_set1_epi16(static_cast<int16_t>(c.inverted[ch]));
  }
  v.scaled = _mm_set1_epi16(static_cast<int16_t>(c.scaled));
  v.scale16 = _mm_set1_epi16(static_cast<int16_t>((c.param * 16384 + 254) / 255));
  return v;
}

// Eight 16-bit pixels d under mode Mode: the exact SSE2 form of SolidPixel.
template <int Mode>
OMBREL_ALWAYS_INLINE __m128i SolidRule16(const SolidVectors16& v, __m128i d) {
  if constexpr (Mode == 2) {
    return PackedAdd16Lanes<true>(d, v.scaled);
  } else if constexpr (Mode == 3) {
    return PackedSub16Lanes(d, v.scaled);
  } else {
    using L = Layout<false>;
    __m128i out = _mm_setzero_si128();
    ForChannels([&](auto ch) OMBREL_INLINE_LAMBDA {
      const __m128i shifted = _mm_srli_epi16(d, L::kShift[ch]);
      // Red is the top field: the shift alone extracts it.
      const __m128i dc =
          ch == 2 ? shifted : _mm_and_si128(shifted, _mm_set1_epi16(static_cast<int16_t>(L::kMax[ch])));
      __m128i f;
      if constexpr (Mode == 4) {
        f = _mm_srli_epi16(_mm_mullo_epi16(dc, v.channel[ch]), L::kProductShift[ch]);
      } else {
        __m128i toward;
        if constexpr (Mode == 1) toward = v.channel[ch];
        else if constexpr (Mode == 10) toward = v.inverted[ch];
        else toward = _mm_srli_epi16(_mm_mullo_epi16(dc, v.channel[ch]), L::kProductShift[ch]);
        // The blend stays between dc and toward, so within the field.
        f = _mm_add_epi16(dc, DiffLanes(v.scale16, _mm_sub_epi16(toward, dc)));
      }
      out = _mm_or_si128(out, _mm_slli_epi16(f, L::kShift[ch]));
    });
    return out;
  }
}

}  // namespace sse2
#endif

// Writes a repeating 32-bit pattern over bytes (a multiple of 2) bytes.
OMBREL_ALWAYS_INLINE void FillPattern(uint8_t* dp, size_t bytes, uint32_t pattern) {
#ifdef __SSE2__
  const __m128i wide = _mm_set1_epi32(static_cast<int>(pattern));
  for (; bytes >= 16; bytes -= 16, dp += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(dp), wide);
#endif
  for (; bytes >= 4; bytes -= 4, dp += 4) Store32(dp, pattern);
  if (bytes) Store16(dp, pattern);
}

// Runs of pixels under mode Mode, with what a call prepares once: mode 0
// fills, the others go four 32-bit or eight 16-bit pixels a step through
// SSE2.
template <bool Is32, int Mode>
struct SolidSpan {
  explicit SolidSpan(const SolidColor& c)
      // A 16-bit colour is stored twice per 32-bit word.
      : color(c), pattern(Is32 ? c.pixel : c.pixel * 0x10001u) {
#ifdef __SSE2__
    if constexpr (Is32) vectors = sse2::MakeSolidVectors(c);
    else vectors16 = sse2::MakeSolidVectors16(c);
#endif
  }

  OMBREL_ALWAYS_INLINE void operator()(uint8_t* dp, int32_t n) const {
    constexpr int kBytes = Is32 ? 4 : 2;
    if constexpr (Mode == 0) {
      FillPattern(dp, static_cast<size_t>(n) * kBytes, pattern);
      return;
    }
#ifdef __SSE2__
    if constexpr (Is32) {
      for (; n >= 4; n -= 4, dp += 16) {
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dp));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dp), sse2::SolidRule<Mode>(vectors, d));
      }
    } else {
      for (; n >= 8; n -= 8, dp += 16) {
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dp));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dp), sse2::SolidRule16<Mode>(vectors16, d));
      }
    }
#endif
    for (; n > 0; --n, dp += kBytes) ApplySolid<Is32, Mode>(color, dp);
  }

  SolidColor color;
  uint32_t pattern;
#ifdef __SSE2__
  sse2::SolidVectors vectors{};
  sse2::SolidVectors16 vectors16{};
#endif
};

}  // namespace blend

#endif
