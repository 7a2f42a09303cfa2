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

// The pixels [*first, *last) of a row of count pixels where f + i * step,
// taken modulo 2^32, lies below limit; with intersect, only those of the
// range already there. False when the values wrap along the row: they may
// then leave and re-enter the range, and the caller tests every pixel.
OMBREL_ALWAYS_INLINE bool InsideRun(uint32_t f, uint32_t step, uint32_t limit, int32_t count,
                                    int32_t* first, int32_t* last, bool intersect) {
  const int64_t start = f;
  const int64_t delta = static_cast<int32_t>(step);
  const int64_t end = start + delta * (count - 1);
  if (end < 0 || end > int64_t{UINT32_MAX}) return false;
  int64_t lo = 0, hi = count;
  if (delta > 0) {
    // start + i delta < limit: i below ceil((limit - start) / delta)
    const int64_t room = int64_t{limit} - start;
    hi = room <= 0 ? 0 : (room + delta - 1) / delta;
  } else if (delta < 0) {
    // start - i |delta| < limit: i above (start - limit) / |delta|
    const int64_t over = start - int64_t{limit};
    lo = over < 0 ? 0 : over / -delta + 1;
  } else if (start >= limit) {
    hi = 0;
  }
  if (intersect) {
    if (lo < *first) lo = *first;
    if (hi > *last) hi = *last;
  }
  *first = static_cast<int32_t>(lo < count ? lo : count);
  *last = static_cast<int32_t>(hi < *first ? *first : hi > count ? count : hi);
  return true;
}

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
    const blend::sse2::TexelCall<C> call(rules);
    const blend::sse2::TexelConstants& tk = call.tk;
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
      // Where the map does not wrap along the row, the pixels whose texel
      // lies in the source are one run; it is drawn in blocks without a
      // bounds test, and side by side texels (a row of the source, one
      // texel a pixel) as a plain span.
      int32_t first, last;
      if (InsideRun(u, stepU, uLimit, count, &first, &last, false) &&
          InsideRun(v, stepV, vLimit, count, &first, &last, true)) {
        if (first >= last) return;
        u += static_cast<uint32_t>(first) * stepU;
        v += static_cast<uint32_t>(first) * stepV;
        dp += first * C::kDestBytes;
        const int32_t n = last - first;
        auto texelAt = [&](uint32_t tu, uint32_t tv) {
          return src + (tv >> kFixed18Shift) * srcPitch + (tu >> kFixed18Shift) * C::kSourceBytes;
        };
        // The blend graph is indexed like the source, by the texel.
        auto graphAt = [&](uint32_t tu, uint32_t tv) -> const uint8_t* {
          if constexpr (C::kGraph) return graph + (tv >> kFixed18Shift) * graphPitch + (tu >> kFixed18Shift);
          else return nullptr;
        };
        using blend::sse2::Weighing;
        if (stepV == 0 && stepU == (1u << kFixed18Shift)) {
          blend::sse2::TexelSpan<C, Weighing::kPerTexel>(tk, rules, texelAt(u, v), dp, n, graphAt(u, v));
          return;
        }
        constexpr int kN = blend::sse2::kLanes<C>;
        const __m128i none = _mm_setzero_si128();
        int32_t i = 0;
        for (; i + kN <= n; i += kN, u += kN * stepU, v += kN * stepV, dp += kN * C::kDestBytes) {
          blend::sse2::DrawBlock<C, Weighing::kPerTexel, false, false>(
              tk, rules, [&](int lane) {
                return texelAt(u + static_cast<uint32_t>(lane) * stepU, v + static_cast<uint32_t>(lane) * stepV);
              }, dp, none, [&](int lane) {
                return *graphAt(u + static_cast<uint32_t>(lane) * stepU, v + static_cast<uint32_t>(lane) * stepV);
              });
        }
        for (; i < n; ++i, u += stepU, v += stepV, dp += C::kDestBytes) {
          const uint8_t* tp = texelAt(u, v);
          blend::sse2::DrawBlock<C, Weighing::kPerTexel, false, true>(
              tk, rules, [tp](int) { return tp; }, dp, none, graphAt(u, v));
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
