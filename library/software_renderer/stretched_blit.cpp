#include "software_renderer/stretched_blit.h"

#include <array>
#include <climits>
#include <cstring>
#include <utility>

#include "software_renderer/blend_rules.h"
#include "software_renderer/blend_rules_sse2.h"
#include "software_renderer/blit_frame.h"
#include "software_renderer/member_grid.h"
#include "software_renderer/plain_blit.h"
#include "software_renderer/texel_rules_sse2.h"

namespace {

using blend::BlitRows;
using blend::Special;

// Fixed16: 65536 is one destination pixel per texel.
constexpr int32_t kFixedOne = 65536;

// The frame's result. b.src, b.graph and b.dst are the first texel, blend-
// graph byte and destination pixel; b.width and b.height the clipped size.
struct StretchRows {
  BlitRows b;
  int32_t dirX;     // +1, or -1 when mirrored left to right
  int32_t srcDown;  // bytes from a source row to the next one drawn, with the mirror's sign
  int32_t graphDown;
  int32_t destPitch;
  int32_t colScale;  // Fixed16 destination pixels per texel
  int32_t rowScale;
  int32_t colStart;  // the column accumulator at the first drawn pixel of a row
  int32_t rowStart;  // the row accumulator at the first drawn row
  int32_t texelsRight;  // texels of a row from the first one drawn to the row's end, unmirrored
};

// After a destination pixel: the accumulator loses one pixel and, when it is
// spent, moves on by whole texels. The general members move on until it is
// positive again; the whole-pixel members stop once it is not negative, which
// when reducing takes a texel one step early wherever a pixel boundary falls
// exactly on a texel boundary.
template <bool WholeStep>
OMBREL_ALWAYS_INLINE int32_t StepsAfterPixel(int32_t* acc, int32_t scale) {
  *acc -= kFixedOne;
  int32_t steps = 0;
  if (*acc <= 0) {
    do {
      *acc += scale;
      ++steps;
    } while (WholeStep ? *acc < 0 : *acc <= 0);
  }
  return steps;
}

// Every row takes the same columns, so they are stepped once per call, a
// chunk of columns at a time, and each row of the chunk reads its texels
// from the table. A chunk as wide as most screens keeps each row in one pass.
constexpr int32_t kColumnChunk = 1024;

// How the texels of a block of pixels lie in the source row: anywhere, side
// by side, every other one, or each twice (c, c, c + 1, c + 1, ...).
enum class BlockShape : uint8_t { kGathered, kSideBySide, kEveryOther, kDoubled };

// Neighbouring blocks of one shape that go on where the one before ends, so
// that a row reads them with one pointer and no column lookups.
struct Span {
  int32_t first;   // pixel of the chunk at the span's start
  int32_t blocks;
  BlockShape shape;
};

struct Chunk {
  int32_t first;  // destination column of the chunk, from the clipped left edge
  int32_t count;
  int32_t column[kColumnChunk];  // texel of each pixel, from the first one, with the mirror's sign
  int32_t spans;                 // of the chunk's whole blocks, when asked for
  Span span[kColumnChunk / 4];
};

// The shape of the block of lanes pixels from column; the loads that a shape
// stands for stay within the row's texelsRight texels.
inline BlockShape ShapeOf(const int32_t* column, int lanes, int32_t texelsRight) {
  const int32_t c = column[0];
  auto follows = [&](auto at) {
    for (int i = 1; i < lanes; ++i) {
      if (column[i] != c + at(i)) return false;
    }
    return true;
  };
  if (follows([](int i) { return i; })) return BlockShape::kSideBySide;
  if (follows([](int i) { return i / 2; })) return BlockShape::kDoubled;
  if (c + 2 * lanes <= texelsRight && follows([](int i) { return 2 * i; }))
    return BlockShape::kEveryOther;
  return BlockShape::kGathered;
}

// Texels from one block's first texel to the next one's, for a regular shape.
constexpr int32_t BlockStride(BlockShape shape, int lanes) {
  return shape == BlockShape::kSideBySide ? lanes
         : shape == BlockShape::kEveryOther ? 2 * lanes
                                            : lanes / 2;
}

// Groups the chunk's whole blocks of lanes pixels into spans.
inline void FindSpans(Chunk* chunk, int lanes, bool mirrored, int32_t texelsRight) {
  chunk->spans = 0;
  for (int32_t i = 0; i + lanes <= chunk->count; i += lanes) {
    const BlockShape shape =
        mirrored ? BlockShape::kGathered : ShapeOf(chunk->column + i, lanes, texelsRight);
    if (chunk->spans > 0) {
      Span& last = chunk->span[chunk->spans - 1];
      const bool goesOn = shape == BlockShape::kGathered ||
                          chunk->column[i] == chunk->column[last.first] +
                                                  last.blocks * BlockStride(shape, lanes);
      if (last.shape == shape && goesOn) {
        ++last.blocks;
        continue;
      }
    }
    chunk->span[chunk->spans++] = Span{i, 1, shape};
  }
}

// Rows of one chunk. drawRow(srcRow, graphRow, dstRow) draws the chunk's
// pixels of one destination row; a row that takes the same source row as the
// one before is copied from it instead when CopyRepeats is set.
template <int DestBytes, bool WholeStep, bool CopyRepeats, class DrawRow>
OMBREL_ALWAYS_INLINE void WalkRows(const StretchRows& r, const Chunk& chunk, DrawRow drawRow) {
  int32_t srcOffset = 0;
  int32_t graphOffset = 0;
  int32_t acc = r.rowStart;
  uint8_t* dst = r.b.dst + DestBytes * chunk.first;
  const size_t chunkBytes = static_cast<size_t>(DestBytes) * chunk.count;
  bool repeat = false;
  for (int32_t j = r.b.height; j > 0; --j) {
    if (CopyRepeats && repeat) {
      std::memcpy(dst, dst - r.destPitch, chunkBytes);
    } else {
      drawRow(r.b.src + srcOffset, r.b.graph ? r.b.graph + graphOffset : nullptr, dst);
    }
    if (j == 1) break;
    dst += r.destPitch;
    const int32_t steps = StepsAfterPixel<WholeStep>(&acc, r.rowScale);
    repeat = steps == 0;
    srcOffset += steps * r.srcDown;
    graphOffset += steps * r.graphDown;
  }
}

// Draws the clipped rectangle chunk by chunk; drawRow(chunk, srcRow,
// graphRow, dstRow) draws one row of a chunk. With Lanes, the chunk's blocks
// of that many pixels are grouped into spans.
template <int DestBytes, bool WholeStep, bool CopyRepeats, int Lanes = 0, class DrawRow>
OMBREL_ALWAYS_INLINE void WalkStretched(const StretchRows& r, DrawRow drawRow) {
  Chunk chunk;
  int32_t acc = r.colStart;
  int32_t texel = 0;
  for (chunk.first = 0; chunk.first < r.b.width; chunk.first += kColumnChunk) {
    chunk.count = r.b.width - chunk.first < kColumnChunk ? r.b.width - chunk.first : kColumnChunk;
    for (int32_t i = 0; i < chunk.count; ++i) {
      chunk.column[i] = texel;
      if (chunk.first + i + 1 < r.b.width)
        texel += StepsAfterPixel<WholeStep>(&acc, r.colScale) * r.dirX;
    }
    if constexpr (Lanes > 0) FindSpans(&chunk, Lanes, r.dirX < 0, r.texelsRight);
    WalkRows<DestBytes, WholeStep, CopyRepeats>(
        r, chunk, [&](const uint8_t* srcRow, const uint8_t* graphRow, uint8_t* dst) {
          drawRow(chunk, srcRow, graphRow, dst);
        });
  }
}

// Reads the raw texels of a block of a regular shape from its first texel:
// four 32-bit or eight 16-bit ones.
template <BlockShape Shape, bool Is32>
struct ShapedLoad {
  static constexpr BlockShape kShape = Shape;
#ifdef __SSE2__
  OMBREL_ALWAYS_INLINE __m128i operator()(const __m128i* sp) const {
    if constexpr (Shape == BlockShape::kSideBySide) {
      return _mm_loadu_si128(sp);
    } else if constexpr (Shape == BlockShape::kDoubled) {
      const __m128i x = _mm_loadl_epi64(sp);
      return Is32 ? _mm_unpacklo_epi32(x, x) : _mm_unpacklo_epi16(x, x);
    } else {
      static_assert(Shape == BlockShape::kEveryOther);
      const __m128i lo = _mm_loadu_si128(sp);
      const __m128i hi = _mm_loadu_si128(sp + 1);
      if constexpr (Is32) {
        // Lanes 0 and 2 of each, in one shuffle.
        return _mm_castps_si128(
            _mm_shuffle_ps(_mm_castsi128_ps(lo), _mm_castsi128_ps(hi), _MM_SHUFFLE(2, 0, 2, 0)));
      } else {
        // The low word of each pair, widened with its sign (the sum of it
        // times 1 and the high word times 0) so that the signed pack keeps it.
        const __m128i lowWord = _mm_set1_epi32(1);
        return _mm_packs_epi32(_mm_madd_epi16(lo, lowWord), _mm_madd_epi16(hi, lowWord));
      }
    }
  }
#endif
};

template <class C, Special Kind>
void RunStretched(const StretchRows& r) {
  // The whole-pixel members: the copy (mode 0 without blend graph, bright and
  // alpha) and the full-parameter subtract.
  constexpr bool kWholeStep =
      Kind != Special::kNone || (C::kMode == 0 && !C::kGraph && !C::kBright && !C::kAlpha);
  // Only a copy without transparency makes a row that does not depend on the
  // destination, so a repeated source row can be copied.
  constexpr bool kCopyRepeats = kWholeStep && Kind == Special::kNone && !C::kTrans;
  const BlitRows& b = r.b;
#ifdef __SSE2__
  if constexpr (Kind == Special::kNone) {
    // The texels of a block are gathered by their columns and go through the
    // SSE2 rule together.
    using blend::sse2::Weighing;
    constexpr int kN = blend::sse2::kLanes<C>;
    const blend::sse2::TexelCall<C> call(b);
    const blend::sse2::TexelConstants& tk = call.tk;
    const __m128i none = _mm_setzero_si128();
    // Direct sources read the blocks of a regular shape in whole registers.
    constexpr bool kShaped = !C::kPalettised && C::kSourceBytes == C::kDestBytes;
    WalkStretched<C::kDestBytes, kWholeStep, kCopyRepeats, kShaped ? kN : 0>(
        r, [&](const Chunk& chunk, const uint8_t* srcRow, const uint8_t* graphRow, uint8_t* dp) {
          // The blend graph is indexed like the source: lane i takes the
          // graph pixel of its texel's column.
          auto graphOf = [graphRow](const int32_t* column) OMBREL_INLINE_LAMBDA {
            return [graphRow, column](int i) OMBREL_INLINE_LAMBDA { return graphRow[column[i]]; };
          };
          auto draw = [&](auto at, auto gp) OMBREL_INLINE_LAMBDA {
            blend::sse2::DrawBlock<C, Weighing::kPerTexel, false, false>(tk, b, at, dp, none, gp);
          };
          auto gathered = [&](const int32_t* column) OMBREL_INLINE_LAMBDA {
            draw([srcRow, column](int i) OMBREL_INLINE_LAMBDA { return srcRow + column[i] * C::kSourceBytes; },
                 graphOf(column));
          };
          const int32_t* column = chunk.column;
          int32_t n = chunk.count;
          if constexpr (kShaped) {
            // Each span's blocks in one tight loop, the texels read through
            // one pointer that moves by the shape's stride.
            for (const Span* span = chunk.span; span != chunk.span + chunk.spans; ++span) {
              const auto* sp = reinterpret_cast<const __m128i*>(srcRow + column[0] * C::kSourceBytes);
              const int32_t blocks = span->blocks;
              auto each = [&](auto load) OMBREL_INLINE_LAMBDA {
                constexpr BlockShape kShape = decltype(load)::kShape;
                constexpr int32_t kStride = BlockStride(kShape, kN) * C::kSourceBytes;
                for (int32_t k = 0; k < blocks; ++k, dp += kN * C::kDestBytes) {
                  const auto* at = reinterpret_cast<const __m128i*>(reinterpret_cast<const uint8_t*>(sp) + k * kStride);
                  auto texels = [&load, at](int) OMBREL_INLINE_LAMBDA { return load(at); };
                  // Side by side texels have their graph pixels side by side.
                  if constexpr (kShape == BlockShape::kSideBySide) {
                    draw(texels, C::kGraph ? graphRow + column[0] + k * kN : nullptr);
                  } else {
                    draw(texels, graphOf(column + k * kN));
                  }
                }
              };
              switch (span->shape) {
                case BlockShape::kSideBySide:
                  each(ShapedLoad<BlockShape::kSideBySide, C::kIs32>{});
                  break;
                case BlockShape::kDoubled:
                  each(ShapedLoad<BlockShape::kDoubled, C::kIs32>{});
                  break;
                case BlockShape::kEveryOther:
                  each(ShapedLoad<BlockShape::kEveryOther, C::kIs32>{});
                  break;
                default:
                  for (int32_t k = 0; k < blocks; ++k, dp += kN * C::kDestBytes) gathered(column + k * kN);
                  break;
              }
              column += blocks * kN;
              n -= blocks * kN;
            }
          } else {
            for (; n >= kN; n -= kN, column += kN, dp += kN * C::kDestBytes) gathered(column);
          }
          for (; n > 0; --n, ++column, dp += C::kDestBytes) {
            blend::sse2::DrawBlock<C, Weighing::kPerTexel, false, true>(
                tk, b, [srcRow, column](int) { return srcRow + *column * C::kSourceBytes; }, dp,
                none, graphOf(column));
          }
        });
  } else {
    // The full-parameter subtract: a block of gathered texels a step.
    using blend::sse2::Weighing;
    constexpr int kN = blend::sse2::kLanes<C>;
    const blend::sse2::TexelConstants tk = blend::sse2::MakeTexelConstants<C>(b);
    const __m128i none = _mm_setzero_si128();
    WalkStretched<C::kDestBytes, kWholeStep, kCopyRepeats>(
        r, [&](const Chunk& chunk, const uint8_t* srcRow, const uint8_t*, uint8_t* dp) {
          const int32_t* column = chunk.column;
          int32_t n = chunk.count;
          for (; n >= kN; n -= kN, column += kN, dp += kN * C::kDestBytes) {
            blend::sse2::DrawBlock<C, Weighing::kPerTexel, false, false, false, Kind>(
                tk, b,
                [srcRow, column](int i) OMBREL_INLINE_LAMBDA { return srcRow + column[i] * C::kSourceBytes; },
                dp, none);
          }
          for (; n > 0; --n, ++column, dp += C::kDestBytes) {
            blend::SpecialTexel<C, Kind>(b, srcRow + *column * C::kSourceBytes, dp);
          }
        });
  }
#else
  WalkStretched<C::kDestBytes, kWholeStep, kCopyRepeats>(
      r, [&](const Chunk& chunk, const uint8_t* srcRow, const uint8_t* graphRow, uint8_t* dp) {
        for (int32_t i = 0; i < chunk.count; ++i, dp += C::kDestBytes) {
          const uint8_t* sp = srcRow + chunk.column[i] * C::kSourceBytes;
          if constexpr (Kind == Special::kNone) {
            blend::BlendTexel<C>(b, sp, dp, C::kGraph ? graphRow + chunk.column[i] : nullptr);
          } else {
            blend::SpecialTexel<C, Kind>(b, sp, dp);
          }
        }
      });
#endif
}

template <class C>
struct StretchLoop {
  static void Run(const StretchRows& r) { RunStretched<C, Special::kNone>(r); }
};

template <bool Is32, bool Palettised>
using GeneralMembers =
    blend::MemberGrid<Is32, Palettised, true, blend::Path::kStretched, StretchLoop>;

using StretchFn = void (*)(const StretchRows&);

// The full-parameter subtract, for transFlag off and on; 32-bit colour has
// whole-byte twins.
template <bool Is32, bool Palettised>
struct SubtractMembers {
  template <bool Trans>
  using At =
      blend::Settings<Is32, Palettised, 3, false, false, false, Trans, blend::Path::kStretched>;
  static constexpr std::array<StretchFn, 2> kPlain{
      {&RunStretched<At<false>, Special::kFullSub>, &RunStretched<At<true>, Special::kFullSub>}};
  static constexpr std::array<StretchFn, Is32 ? 2 : 0> MakeTwins() {
    if constexpr (Is32) {
      return {{&RunStretched<At<false>, Special::kFullSubMmx>,
               &RunStretched<At<true>, Special::kFullSubMmx>}};
    } else {
      return {};
    }
  }
  static constexpr auto kTwins = MakeTwins();
  static constexpr size_t kCount = kPlain.size() + kTwins.size();

  static StretchFn Find(Special, bool trans, bool mmx) {
    if constexpr (Is32) {
      if (mmx) return kTwins[trans];
    }
    return kPlain[trans];
  }
};

template <bool Is32, bool Palettised>
using StretchMembers =
    blend::WithSpecials<GeneralMembers<Is32, Palettised>, SubtractMembers<Is32, Palettised>>;

// 348 members.
static_assert(blend::MemberCountsAre<StretchMembers>(60, 116, 58, 114));

}  // namespace

void DrawStretchedImageOnSoftImg(SOFTIMG* dest, const SOFTIMG* src, const IntRect* rect,
                                 int transFlag, const SOFTIMG* blendGraph) {
  if (!rect || !AcceptsBlitImages(dest, src, blendGraph)) return;
  const SoftImgBody& destBody = *dest->body;
  const SoftImgBody& srcBody = *src->body;
  const int32_t sw = src->width;
  const int32_t sh = src->height;
  int32_t l = rect->left, t = rect->top, r = rect->right, b = rect->bottom;
  const int dirX = l > r ? -1 : 1;
  const int dirY = t > b ? -1 : 1;
  if (dirX < 0) std::swap(l, r);
  if (dirY < 0) std::swap(t, b);
  const int64_t dw = int64_t{r} - l;
  const int64_t dh = int64_t{b} - t;
  if (dw == 0 || dh == 0) return;
  if (dw == sw && dh == sh && dirX > 0 && dirY > 0) {
    DrawImageOnSoftImg(dest, src, l, t, transFlag, blendGraph);
    return;
  }

  // Texel positions are 16.16 fixed point. The scales are taken in 64 bits,
  // so that no extent wraps; the accumulators hold them in 32 bits.
  if (sw >= 65536 || sh >= 65536) return;
  const int64_t colScale = dw * kFixedOne / sw;
  const int64_t rowScale = dh * kFixedOne / sh;
  if (colScale > INT32_MAX || rowScale > INT32_MAX) return;

  const SoftDrawSettings& settings = GetSoftDrawSettings();
  IntRect clipped{l, t, r, b};
  const IntRect area = TargetDrawArea(dest, settings);
  ClipRectToBounds(&clipped, &area);
  const int32_t w = clipped.right - clipped.left;
  const int32_t h = clipped.bottom - clipped.top;
  if (w <= 0 || h <= 0) return;

  const BlitChoice c = ReadBlitChoice(srcBody, transFlag, blendGraph, settings);
  if (c.modeIndex < 0) return;
  const bool fullSubtract = blend::kDrawnModes[c.modeIndex] == 3 && c.in.param == 255 && !c.graph &&
                            !c.in.brightOn && !c.alpha;
  const StretchFn member = blend::FindForSource<StretchMembers>(
      c.is32, c.palettised, c.modeIndex, fullSubtract ? Special::kFullSub : Special::kNone, c.graph,
      c.in.brightOn, c.alpha, c.trans, settings.mmxFlag == 1);

  // The loops start in the state that they would have reached at the first
  // visible pixel, so clipping never changes which texel a pixel takes.
  const int64_t skipX = (int64_t{clipped.left} - l) * kFixedOne;
  const int64_t skipY = (int64_t{clipped.top} - t) * kFixedOne;
  const auto qx = static_cast<int32_t>(skipX / colScale);
  const auto qy = static_cast<int32_t>(skipY / rowScale);
  const auto rx = static_cast<int32_t>(skipX % colScale);
  const auto ry = static_cast<int32_t>(skipY % rowScale);
  const int32_t cx = dirX > 0 ? qx : sw - 1 - qx;
  const int32_t cy = dirY > 0 ? qy : sh - 1 - qy;

  const int srcBytes = SoftImgBytesPerPixel(srcBody.colorType, srcBody.palettised, srcBody.alpha);
  const int destBytes = c.is32 ? 4 : 2;
  StretchRows rows{};
  rows.b.src = src->pixels + cy * srcBody.pitch + cx * srcBytes;
  rows.b.dst = dest->pixels + clipped.top * destBody.pitch + clipped.left * destBytes;
  rows.b.width = w;
  rows.b.height = h;
  rows.b.transColor = srcBody.transparentColor;
  PrepareBlitTables(&rows.b, srcBody, c.in);
  rows.dirX = dirX;
  rows.srcDown = dirY * srcBody.pitch;
  if (c.graph) {
    const int32_t graphPitch = blendGraph->body->pitch;
    rows.b.graph = blendGraph->pixels + cy * graphPitch + cx;
    rows.graphDown = dirY * graphPitch;
  }
  rows.destPitch = destBody.pitch;
  rows.colScale = static_cast<int32_t>(colScale);
  rows.rowScale = static_cast<int32_t>(rowScale);
  rows.texelsRight = dirX > 0 ? sw - cx : cx + 1;
  rows.colStart = rows.colScale - rx;
  rows.rowStart = rows.rowScale - ry;
  member(rows);
}
