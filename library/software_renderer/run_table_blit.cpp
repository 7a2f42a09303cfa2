#include "software_renderer/run_table_blit.h"

#include "software_renderer/blend_rules_sse2.h"
#include "software_renderer/member_grid.h"
#include "software_renderer/soft_image_convert.h"
#include "software_renderer/texel_rules_sse2.h"

namespace {

using blend::BlitRows;

// The per-call state of the SSE2 rules.
#ifdef __SSE2__
template <class C>
using VectorState = blend::sse2::TexelCall<C>;
#else
template <class C>
struct VectorState {
  explicit VectorState(const BlitRows&) {}
};
#endif

// n pixels of one run. The run's kind replaces the per-pixel tests: an opaque
// run of an alpha source draws each texel as fully opaque, a translucent run
// weighs each by its own alpha; sources without alpha draw both kinds alike.
template <class C, bool Translucent>
OMBREL_ALWAYS_INLINE void DrawRun(const BlitRows& r, const VectorState<C>& v, const uint8_t* sp,
                                  uint8_t* dp, const uint8_t* gp, int32_t n) {
  constexpr bool kAlphaWeighs = C::kAlpha && Translucent;
  constexpr bool kWholeCopy = C::kMode == 0 && !C::kGraph && !C::kBright && !kAlphaWeighs &&
                              !C::kPalettised && C::kSourceBytes == C::kDestBytes;
  if constexpr (kWholeCopy) {
    // Runs are short (64 pixels at most), too short for a call to memcpy.
    int32_t bytes = n * C::kDestBytes;
#ifdef __SSE2__
    if (bytes >= 16) {
      // A copy may go over bytes it has copied already: the run's last 16
      // bytes are copied whole, from its end.
      auto copy16 = [sp, dp](int32_t at) OMBREL_INLINE_LAMBDA {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dp + at),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(sp + at)));
      };
      for (int32_t at = 0; at < bytes - 16; at += 16) copy16(at);
      copy16(bytes - 16);
      return;
    }
#endif
    for (; bytes >= 4; bytes -= 4, sp += 4, dp += 4) blend::Store32(dp, blend::Load32(sp));
    if (bytes) blend::Store16(dp, blend::Load16(sp));
  } else {
#ifdef __SSE2__
    using blend::sse2::Weighing;
    blend::sse2::TexelSpan<C, Translucent ? Weighing::kTranslucentRun : Weighing::kOpaqueRun>(
        v.tk, r, sp, dp, n, gp);
#else
    for (; n > 0; --n) {
      uint32_t texel, a;
      blend::FetchTexel<C>(r, sp, &texel, &a);
      uint32_t w = 0;
      if constexpr (C::kGraph) w = r.graphWeights[*gp];
      blend::CombinePixel<C, kAlphaWeighs>(r, texel, a, w, dp);
      sp += C::kSourceBytes;
      dp += C::kDestBytes;
      if constexpr (C::kGraph) ++gp;
    }
#endif
  }
}

template <class C>
struct RunTableLoop {
  static void Run(const BlitRows& r) {
    const VectorState<C> v(r);
    const uint8_t* code = r.runTable;
    const uint8_t* const end = r.runTableEnd;
    const uint8_t* srcRow = r.src;
    uint8_t* dstRow = r.dst;
    const uint8_t* graphRow = r.graph;
    for (int32_t j = r.height; j > 0; --j) {
      // A row ends at its end code. Runs are cut at the row's last pixel and
      // the codes stop at the end of the buffer, so a table that does not
      // match the image still draws only inside it.
      const uint8_t* sp = srcRow;
      uint8_t* dp = dstRow;
      const uint8_t* gp = graphRow;
      int32_t left = r.width;
      while (code < end) {
        const uint32_t c = *code++;
        if ((c & kTransRunRowEnd) == kTransRunRowEnd) break;
        int32_t n = static_cast<int32_t>(c & 0x3F) + 1;
        if (n > left) n = left;
        if (c >> 6 == kTransRunOpaque) {
          DrawRun<C, false>(r, v, sp, dp, gp, n);
        } else if (c >> 6 == kTransRunTranslucent) {
          DrawRun<C, true>(r, v, sp, dp, gp, n);
        }
        left -= n;
        sp += n * C::kSourceBytes;
        dp += n * C::kDestBytes;
        if constexpr (C::kGraph) gp += n;
      }
      srcRow += r.width * C::kSourceBytes + r.srcSkip;
      dstRow += r.width * C::kDestBytes + r.dstSkip;
      if constexpr (C::kGraph) graphRow += r.width + r.graphSkip;
    }
  }
};

template <bool Is32, bool Palettised>
using RunTableMembers =
    blend::MemberGrid<Is32, Palettised, false, blend::Path::kRunTable, RunTableLoop>;

// 168 members on the run-table path.
static_assert(blend::MemberCountsAre<RunTableMembers>(28, 56, 28, 56));

}  // namespace

blend::BlitMember SelectRunTableMember(bool is32, bool palettised, int modeIndex, bool graph,
                                       bool bright, bool alpha) {
  return blend::FindForSource<RunTableMembers>(is32, palettised, modeIndex, graph, bright, alpha,
                                               false);
}
