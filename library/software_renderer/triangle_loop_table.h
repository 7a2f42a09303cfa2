// The loops of the software triangle as templates, instantiated once per
// colour type (triangle_loops_32.cpp, triangle_loops_16.cpp) so that the two
// halves compile side by side.
#ifndef OMBREL_SOFTWARE_RENDERER_TRIANGLE_LOOP_TABLE_H
#define OMBREL_SOFTWARE_RENDERER_TRIANGLE_LOOP_TABLE_H

#include <stddef.h>

#include "software_renderer/member_grid.h"
#include "software_renderer/texel_rules_sse2.h"
#include "software_renderer/triangle_loops.h"

// Every rule, and every lambda inside the rules, is inlined into the loop: a
// pixel that calls out costs several times what it computes.
#define OMBREL_FLATTEN __attribute__((flatten))

namespace triangle {

template <class C>
struct TexturedLoop {
  static OMBREL_FLATTEN void Run(const TriangleJob& job) {
    // Local copies: the pixel stores go through byte pointers, which may
    // alias anything the job points to, so fields read through it would be
    // read again for every pixel.
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
#ifdef __SSE2__
    [[maybe_unused]] blend::sse2::TexelConstants tk;
    if constexpr (blend::sse2::kHasTexelForm<C>) tk = blend::sse2::MakeTexelConstants<C>(rules);
#endif
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
#ifdef __SSE2__
      if constexpr (blend::sse2::kHasTexelForm<C>) {
        // A block's texels are gathered, those outside the source replaced
        // by a stand-in whose lane draws nothing.
        using blend::sse2::Weighing;
        constexpr int kN = blend::sse2::kLanes<C>;
        const uint32_t standIn = 0;
        const auto* const none = reinterpret_cast<const uint8_t*>(&standIn);
        const uint8_t* texel[kN];
        int16_t absent[kN];
        for (; count >= kN; count -= kN, dp += kN * C::kDestBytes) {
          for (int i = 0; i < kN; ++i, u += stepU, v += stepV) {
            const bool inside = u < uLimit && v < vLimit;
            texel[i] = inside ? src + (v >> kFixed18Shift) * srcPitch +
                                    (u >> kFixed18Shift) * C::kSourceBytes
                              : none;
            absent[i] = inside ? 0 : -1;
          }
          const __m128i absentLanes =
              C::kIs32 ? _mm_setr_epi32(absent[0], absent[1], absent[2], absent[3])
                       : _mm_loadu_si128(reinterpret_cast<const __m128i*>(absent));
          blend::sse2::DrawBlock<C, Weighing::kPerTexel, false, false>(
              tk, rules, [&texel](int i) { return texel[i]; }, dp, absentLanes);
        }
        for (; count > 0; --count, u += stepU, v += stepV, dp += C::kDestBytes) {
          if (u < uLimit && v < vLimit) {
            const uint8_t* tp = src + (v >> kFixed18Shift) * srcPitch + (u >> kFixed18Shift) * C::kSourceBytes;
            blend::sse2::DrawBlock<C, Weighing::kPerTexel, false, true>(
                tk, rules, [tp](int) { return tp; }, dp, _mm_setzero_si128());
          }
        }
        return;
      }
#endif
      do {
        if (u < uLimit && v < vLimit) {
          const uint32_t tu = u >> kFixed18Shift;
          const uint32_t tv = v >> kFixed18Shift;
          const uint8_t* gp = nullptr;
          if constexpr (C::kGraph) gp = graph + tv * graphPitch + tu;
          blend::BlendTexel<C>(rules, src + tv * srcPitch + tu * C::kSourceBytes, dp, gp);
        }
        u += stepU;
        v += stepV;
        dp += C::kDestBytes;
      } while (--count > 0);
    });
  }
};

// The bright is applied to the colour beforehand, so the mode alone makes a
// solid loop.
template <bool Is32, int Mode>
struct SolidLoop {
  static OMBREL_FLATTEN void Run(const TriangleJob& job) {
    const blend::SolidSpan<Is32, Mode> span(job.color);
    uint8_t* const dest = job.dest;
    const int32_t destPitch = job.destPitch;
    WalkTriangleRows(job.setup, job.area, [&](int32_t y, int32_t x, int32_t count) {
      span(dest + y * destPitch + x * (Is32 ? 4 : 2), count);
    });
  }
};

template <bool Is32, bool Palettised>
using TexturedLoops =
    blend::MemberGrid<Is32, Palettised, true, blend::Path::kTriangle, TexturedLoop>;

template <bool Is32>
TriangleLoop FindLoop(const TriangleLoopKey& key) {
  // 56 palettised, 112 direct and 7 solid loops per colour type.
  static_assert(TexturedLoops<Is32, true>::kCount == 56);
  static_assert(TexturedLoops<Is32, false>::kCount == 112);
  static_assert(blend::SolidMembers<SolidLoop, Is32>::kTable.size() == 7);
  if (!key.textured) {
    return blend::SolidMembers<SolidLoop, Is32>::kTable[static_cast<size_t>(key.modeIndex)];
  }
  if (key.palettised) {
    return TexturedLoops<Is32, true>::Find(key.modeIndex, key.graph, key.bright, false, key.trans);
  }
  return TexturedLoops<Is32, false>::Find(key.modeIndex, key.graph, key.bright, key.alpha,
                                          key.trans);
}

}  // namespace triangle

#endif
