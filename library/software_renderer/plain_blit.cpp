#include "software_renderer/plain_blit.h"

#include <array>
#include <climits>
#include <cstring>
#include <utility>

#include "software_renderer/blend_rules.h"
#include "software_renderer/blend_rules_sse2.h"
#include "software_renderer/blit_frame.h"
#include "software_renderer/member_grid.h"
#include "software_renderer/run_table_blit.h"
#include "software_renderer/texel_rules_sse2.h"
#include "software_renderer/soft_draw_settings.h"

namespace {

using blend::BlitRows;

using blend::Special;
using MemberFn = blend::BlitMember;

// The one loop shape of the plain blit: rows of pixels, each pointer moved by
// one pixel and by its row skip at the end of a row.
template <class C, class PixelOp>
OMBREL_ALWAYS_INLINE void WalkPixels(const BlitRows& r, PixelOp op) {
  const uint8_t* sp = r.src;
  uint8_t* dp = r.dst;
  const uint8_t* gp = r.graph;
  for (int32_t j = r.height; j > 0; --j) {
    for (int32_t i = r.width; i > 0; --i) {
      op(sp, dp, gp);
      sp += C::kSourceBytes;
      dp += C::kDestBytes;
      if constexpr (C::kGraph) ++gp;
    }
    sp += r.srcSkip;
    dp += r.dstSkip;
    if constexpr (C::kGraph) gp += r.graphSkip;
  }
}

// Rows of a whole-texel copy are block moves.
template <class C>
void CopyRows(const BlitRows& r) {
  const uint8_t* sp = r.src;
  uint8_t* dp = r.dst;
  const size_t rowBytes = static_cast<size_t>(r.width) * C::kDestBytes;
  for (int32_t j = r.height; j > 0; --j) {
    std::memcpy(dp, sp, rowBytes);
    sp += r.width * C::kSourceBytes + r.srcSkip;
    dp += rowBytes + r.dstSkip;
  }
}

// Rows of the drawn width: rowOp(sp, dp, gp) draws one, gp the row's first
// blend-graph pixel for members with a blend graph.
template <class C, class RowOp>
OMBREL_ALWAYS_INLINE void WalkRows(const BlitRows& r, RowOp rowOp) {
  const uint8_t* sp = r.src;
  uint8_t* dp = r.dst;
  const uint8_t* gp = r.graph;
  for (int32_t j = r.height; j > 0; --j) {
    rowOp(sp, dp, gp);
    sp += r.width * C::kSourceBytes + r.srcSkip;
    dp += r.width * C::kDestBytes + r.dstSkip;
    if constexpr (C::kGraph) gp += r.width + r.graphSkip;
  }
}

template <class C, Special Kind>
void RunMember(const BlitRows& r) {
  if constexpr (Kind == Special::kNone) {
    constexpr bool kWholeTexel = C::kMode == 0 && !C::kGraph && !C::kBright;
    if constexpr (kWholeTexel && !C::kPalettised && !C::kTrans &&
                  C::kSourceBytes == C::kDestBytes) {
      CopyRows<C>(r);
    } else {
#ifdef __SSE2__
      // A block whose texels are all transparent is passed over whole.
      const blend::sse2::TexelCall<C> call(r);
      WalkRows<C>(r, [&](const uint8_t* sp, uint8_t* dp, const uint8_t* gp) OMBREL_INLINE_LAMBDA {
        blend::sse2::TexelSpan<C, blend::sse2::Weighing::kPerTexel>(call.tk, r, sp, dp, r.width, gp);
      });
#else
      WalkPixels<C>(r, [&r](const uint8_t* sp, uint8_t* dp, const uint8_t* gp) {
        blend::BlendTexel<C>(r, sp, dp, gp);
      });
#endif
    }
  } else {
#ifdef __SSE2__
    const blend::sse2::TexelConstants tk = blend::sse2::MakeTexelConstants<C>(r);
    WalkRows<C>(r, [&](const uint8_t* sp, uint8_t* dp, const uint8_t*) OMBREL_INLINE_LAMBDA {
      blend::sse2::TexelSpan<C, blend::sse2::Weighing::kPerTexel, Kind>(tk, r, sp, dp, r.width);
    });
#else
    WalkRows<C>(r, [&](const uint8_t* sp, uint8_t* dp, const uint8_t*) { blend::SpecialRow<C, Kind>(r, sp, dp, r.width); });
#endif
  }
}

template <class C>
struct GeneralLoop {
  static void Run(const BlitRows& r) { RunMember<C, Special::kNone>(r); }
};

template <bool Is32, bool Palettised>
using GeneralMembers = blend::MemberGrid<Is32, Palettised, true, blend::Path::kPlain, GeneralLoop>;

// Special members, for transFlag off and on. The whole-byte twins exist for
// 32-bit colour only, and the palettised halving member has none.
template <bool Is32, bool Palettised>
struct SpecialMembers {
  template <int Mode, bool Trans>
  using At = blend::Settings<Is32, Palettised, Mode, false, false, false, Trans>;

  static constexpr bool kHalvingTwin = Is32 && !Palettised;
  static constexpr bool kFullTwins = Is32;

  static constexpr std::array<MemberFn, 2> kHalving{
      {&RunMember<At<1, false>, Special::kHalving>, &RunMember<At<1, true>, Special::kHalving>}};
  static constexpr std::array<MemberFn, 2> kFullAdd{
      {&RunMember<At<2, false>, Special::kFullAdd>, &RunMember<At<2, true>, Special::kFullAdd>}};
  static constexpr std::array<MemberFn, 2> kFullSub{
      {&RunMember<At<3, false>, Special::kFullSub>, &RunMember<At<3, true>, Special::kFullSub>}};

  template <Special Kind, int Mode, bool Present>
  static constexpr std::array<MemberFn, Present ? 2 : 0> MakeTwins() {
    if constexpr (Present) {
      return {{&RunMember<At<Mode, false>, Kind>, &RunMember<At<Mode, true>, Kind>}};
    } else {
      return {};
    }
  }
  static constexpr auto kHalvingMmx = MakeTwins<Special::kHalvingMmx, 1, kHalvingTwin>();
  static constexpr auto kFullAddMmx = MakeTwins<Special::kFullAddMmx, 2, kFullTwins>();
  static constexpr auto kFullSubMmx = MakeTwins<Special::kFullSubMmx, 3, kFullTwins>();

  static constexpr size_t kCount = kHalving.size() + kFullAdd.size() + kFullSub.size() +
                                   kHalvingMmx.size() + kFullAddMmx.size() + kFullSubMmx.size();

  static MemberFn Find(Special kind, bool trans, bool mmx) {
    switch (kind) {
      case Special::kHalving:
        if constexpr (kHalvingTwin) {
          if (mmx) return kHalvingMmx[trans];
        }
        return kHalving[trans];
      case Special::kFullAdd:
        if constexpr (kFullTwins) {
          if (mmx) return kFullAddMmx[trans];
        }
        return kFullAdd[trans];
      case Special::kFullSub:
        if constexpr (kFullTwins) {
          if (mmx) return kFullSubMmx[trans];
        }
        return kFullSub[trans];
      default:
        return nullptr;
    }
  }
};

template <bool Is32, bool Palettised>
using PlainMembers =
    blend::WithSpecials<GeneralMembers<Is32, Palettised>, SpecialMembers<Is32, Palettised>>;

// 370 members on the plain path.
static_assert(blend::MemberCountsAre<PlainMembers>(66, 124, 62, 118));

int32_t SaturatingEnd(int32_t origin, int32_t extent) {
  const int64_t end = int64_t{origin} + extent;
  return end > INT32_MAX ? INT32_MAX : static_cast<int32_t>(end);
}

}  // namespace

void DrawImageOnSoftImg(SOFTIMG* dest, const SOFTIMG* src, int x, int y, int transFlag,
                        const SOFTIMG* blendGraph) {
  if (!AcceptsBlitImages(dest, src, blendGraph)) return;
  const SoftImgBody& destBody = *dest->body;
  const SoftImgBody& srcBody = *src->body;

  const SoftDrawSettings& settings = GetSoftDrawSettings();
  IntRect r{x, y, SaturatingEnd(x, src->width), SaturatingEnd(y, src->height)};
  ClipRectToBounds(&r, &settings.drawArea);
  // The draw area is meant to lie within the destination; clipping to the
  // destination too keeps a wider area from writing past the image.
  const IntRect destBounds{0, 0, dest->width, dest->height};
  ClipRectToBounds(&r, &destBounds);
  const int32_t w = r.right - r.left;
  const int32_t h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;

  const BlitChoice c = ReadBlitChoice(srcBody, transFlag, blendGraph, settings);
  if (c.modeIndex < 0) return;
  const int mode = blend::kDrawnModes[c.modeIndex];
  const uint32_t p = c.in.param;

  // A source drawn whole with transparency exactly 1 and a run table that
  // matches its pixels is drawn run by run.
  const bool runTablePath = transFlag == 1 && srcBody.runTableValid == 1 && srcBody.runTable &&
                            w == src->width && h == src->height;
  MemberFn member;
  if (runTablePath) {
    member =
        SelectRunTableMember(c.is32, c.palettised, c.modeIndex, c.graph, c.in.brightOn, c.alpha);
  } else {
    Special special = Special::kNone;
    if (!c.graph && !c.in.brightOn && !c.alpha) {
      if (mode == 1 && p == 128) special = Special::kHalving;
      if (mode == 2 && p == 255) special = Special::kFullAdd;
      if (mode == 3 && p == 255) special = Special::kFullSub;
    }
    member = blend::FindForSource<PlainMembers>(c.is32, c.palettised, c.modeIndex, special,
                                                c.graph, c.in.brightOn, c.alpha, c.trans,
                                                settings.mmxFlag == 1);
  }

  const int srcBytes = SoftImgBytesPerPixel(srcBody.colorType, srcBody.palettised, srcBody.alpha);
  const int destBytes = c.is32 ? 4 : 2;
  const int32_t offsetX = r.left - x;
  const int32_t offsetY = r.top - y;
  BlitRows rows{};
  rows.src = src->pixels + offsetY * srcBody.pitch + offsetX * srcBytes;
  rows.srcSkip = srcBody.pitch - w * srcBytes;
  rows.dst = dest->pixels + r.top * destBody.pitch + r.left * destBytes;
  rows.dstSkip = destBody.pitch - w * destBytes;
  if (c.graph) {
    rows.graph = blendGraph->pixels + offsetY * blendGraph->body->pitch + offsetX;
    rows.graphSkip = blendGraph->body->pitch - w;
  }
  rows.width = w;
  rows.height = h;
  rows.transColor = srcBody.transparentColor;
  PrepareBlitTables(&rows, srcBody, c.in);
  if (runTablePath) {
    rows.runTable = srcBody.runTable;
    rows.runTableEnd = srcBody.runTable + srcBody.runTableSize;
  }
  member(rows);
}
