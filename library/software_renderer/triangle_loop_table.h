// The loops of the software triangle as templates, instantiated once per
// colour type (triangle_loops_32.cpp, triangle_loops_16.cpp) so that the two
// halves compile side by side.
#ifndef OMBREL_SOFTWARE_RENDERER_TRIANGLE_LOOP_TABLE_H
#define OMBREL_SOFTWARE_RENDERER_TRIANGLE_LOOP_TABLE_H

#include <array>
#include <cstddef>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "software_renderer/triangle_loops.h"
#include "software_renderer/triangle_rules.h"

namespace triangle {

// Every rule, and every lambda inside the rules, is inlined into the loop: a
// pixel that calls out costs several times what it computes.
#define OMBREL_FLATTEN __attribute__((flatten))

template <class C>
OMBREL_FLATTEN void TexturedLoop(const TriangleJob& job) {
  // Local copies: the pixel stores go through byte pointers, which may alias
  // anything the job points to, so fields read through it would be read
  // again for every pixel.
  const TriangleSetup t = job.setup;
  const blend::BlitRows rules = job.rules;
  uint8_t* const dest = job.dest;
  const int32_t destPitch = job.destPitch;
  const uint8_t* const src = job.src;
  const int32_t srcPitch = job.srcPitch;
  const uint8_t* const graph = job.graph;
  const int32_t graphPitch = job.graphPitch;
  const uint32_t uLimit = job.uLimit;
  const uint32_t vLimit = job.vLimit;
  WalkTriangleRows(t, job.area, [&](int32_t y, int32_t x, int32_t count) {
    // Unsigned wrapping arithmetic: the map is affine modulo 2^32, and a
    // texel outside the source fails the bounds test whatever the wrap.
    const uint32_t dx = static_cast<uint32_t>(x - t.refX);
    const uint32_t dy = static_cast<uint32_t>(y - t.refY);
    uint32_t u = static_cast<uint32_t>(t.refU) + dx * static_cast<uint32_t>(t.dudx) +
                 dy * static_cast<uint32_t>(t.dudy);
    uint32_t v = static_cast<uint32_t>(t.refV) + dx * static_cast<uint32_t>(t.dvdx) +
                 dy * static_cast<uint32_t>(t.dvdy);
    const uint32_t stepU = static_cast<uint32_t>(t.dudx);
    const uint32_t stepV = static_cast<uint32_t>(t.dvdx);
    uint8_t* dp = dest + y * destPitch + x * C::kDestBytes;
    do {
      if (u < uLimit && v < vLimit) {
        const uint32_t tu = u >> kFixed18Shift;
        const uint32_t tv = v >> kFixed18Shift;
        const uint8_t* gp = nullptr;
        if constexpr (C::kGraph) gp = graph + tv * graphPitch + tu;
        ShadeTexel<C>(rules, src + tv * srcPitch + tu * C::kSourceBytes, dp, gp);
      }
      u += stepU;
      v += stepV;
      dp += C::kDestBytes;
    } while (--count > 0);
  });
}

// Writes count pixels of one value, sixteen bytes a store where it can.
template <int Bytes>
OMBREL_ALWAYS_INLINE void FillRow(uint8_t* dp, int32_t count, uint32_t pixel) {
  const uint32_t pattern = Bytes == 4 ? pixel : (pixel & 0xFFFF) * 0x10001u;
  size_t left = static_cast<size_t>(count) * Bytes;
#ifdef __SSE2__
  const __m128i wide = _mm_set1_epi32(static_cast<int>(pattern));
  for (; left >= 16; left -= 16, dp += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(dp), wide);
#endif
  for (; left >= 4; left -= 4, dp += 4) blend::Store32(dp, pattern);
  if (left) blend::Store16(dp, pattern);
}

template <class C>
OMBREL_FLATTEN void SolidLoop(const TriangleJob& job) {
  const blend::BlitRows rules = job.rules;
  uint8_t* const dest = job.dest;
  const int32_t destPitch = job.destPitch;
  const uint32_t colour = job.colour;
  WalkTriangleRows(job.setup, job.area, [&](int32_t y, int32_t x, int32_t count) {
    uint8_t* dp = dest + y * destPitch + x * C::kDestBytes;
    if constexpr (C::kMode == 0) {
      FillRow<C::kDestBytes>(dp, count, colour);
    } else {
      do {
        CombineColour<C, false>(rules, colour, 255, 0, dp);
        dp += C::kDestBytes;
      } while (--count > 0);
    }
  });
}

// Textured loops of one colour type and source kind, indexed by
// ((((mode * 2 + graph) * 2 + bright) * alphaCases + alpha) * 2 + trans).
template <bool Is32, bool Palettised>
struct TexturedLoops {
  static constexpr size_t kAlphaCases = Palettised ? 1 : 2;
  static constexpr size_t kCount = 7 * 2 * 2 * kAlphaCases * 2;

  template <size_t I>
  using At = blend::Settings<Is32, Palettised, kTriangleModes[I / (8 * kAlphaCases)],
                             (I / (4 * kAlphaCases)) % 2 == 1, (I / (2 * kAlphaCases)) % 2 == 1,
                             (I / 2) % kAlphaCases == 1, I % 2 == 1>;

  template <size_t... I>
  static constexpr std::array<TriangleLoop, kCount> Make(std::index_sequence<I...>) {
    return {{&TexturedLoop<At<I>>...}};
  }
  static constexpr std::array<TriangleLoop, kCount> kTable =
      Make(std::make_index_sequence<kCount>{});

  static TriangleLoop Find(size_t modeIndex, const TriangleLoopKey& key) {
    size_t i = modeIndex;
    i = i * 2 + key.graph;
    i = i * 2 + key.bright;
    i = i * kAlphaCases + (kAlphaCases == 2 && key.alpha);
    i = i * 2 + key.trans;
    return kTable[i];
  }
};

// Solid loops by mode; the bright is applied to the colour beforehand.
template <bool Is32>
struct SolidLoops {
  template <size_t I>
  using At = blend::Settings<Is32, false, kTriangleModes[I], false, false, false, false>;

  template <size_t... I>
  static constexpr std::array<TriangleLoop, 7> Make(std::index_sequence<I...>) {
    return {{&SolidLoop<At<I>>...}};
  }
  static constexpr std::array<TriangleLoop, 7> kTable = Make(std::make_index_sequence<7>{});
};

template <bool Is32>
TriangleLoop FindLoop(const TriangleLoopKey& key) {
  static_assert(TexturedLoops<Is32, true>::kCount == 56);
  static_assert(TexturedLoops<Is32, false>::kCount == 112);
  static_assert(SolidLoops<Is32>::kTable.size() == 7);
  const size_t modeIndex = static_cast<size_t>(key.modeIndex);
  if (!key.textured) return SolidLoops<Is32>::kTable[modeIndex];
  if (key.palettised) return TexturedLoops<Is32, true>::Find(modeIndex, key);
  return TexturedLoops<Is32, false>::Find(modeIndex, key);
}

}  // namespace triangle

#endif
