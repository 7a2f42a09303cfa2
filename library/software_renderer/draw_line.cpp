#include "software_renderer/draw_line.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "software_renderer/blit_frame.h"
#include "software_renderer/solid_rules.h"
#include "software_renderer/texel_rules_sse2.h"

namespace {

using blend::SolidColor;

struct LineSteps {
  uint8_t* dst;       // the first point
  int32_t majorStep;  // bytes of one step along the major axis, with its direction
  int32_t minorStep;
  int32_t majorDelta;  // |major distance|
  int32_t minorDelta;
  bool alongRows;  // the major axis is x: the pixels of a row lie side by side
  SolidColor color;
};

#ifdef __SSE2__
// Four 32-bit pixels from their addresses, and back.
OMBREL_ALWAYS_INLINE __m128i Gather32(uint8_t* const* at) {
  return _mm_setr_epi32(static_cast<int>(blend::Load32(at[0])), static_cast<int>(blend::Load32(at[1])),
                        static_cast<int>(blend::Load32(at[2])), static_cast<int>(blend::Load32(at[3])));
}
template <int... K>
OMBREL_ALWAYS_INLINE void Scatter32(__m128i pixels, uint8_t* const* at, std::integer_sequence<int, K...>) {
  (blend::Store32(at[K], static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(pixels, K)))), ...);
}
// Eight 16-bit pixels back to their addresses.
template <int... K>
OMBREL_ALWAYS_INLINE void Scatter16(__m128i pixels, uint8_t* const* at, std::integer_sequence<int, K...>) {
  (blend::Store16(at[K], static_cast<uint32_t>(_mm_extract_epi16(pixels, K))), ...);
}
#endif

// Lines along x whose rows average fewer pixels than this are drawn pixel by
// pixel like a column: a row's span costs a division, about as much as
// gathering eight pixels.
constexpr int64_t kSpanRowPixels = 8;

// The major distance is the number of pixels drawn; pixel i lies i steps
// along the major axis and floor(i * minor / major) steps along the minor one.
template <bool Is32, int Mode>
struct LineLoop {
  static void Run(const LineSteps& s);
};

template <bool Is32, int Mode>
void LineLoop<Is32, Mode>::Run(const LineSteps& s) {
  uint8_t* dp = s.dst;
  int32_t e = 0;
  if (s.alongRows && s.majorDelta >= kSpanRowPixels * s.minorDelta) {
    // The same pixels a row at a time: after the first pixel of a row the
    // error grows by the minor distance a pixel, and the row ends with the
    // pixel that takes it to the major distance. Each row is one span.
    const blend::SolidSpan<Is32, Mode> span(s.color);
    constexpr int32_t kBytes = Is32 ? 4 : 2;
    for (int32_t left = s.majorDelta; left > 0;) {
      int32_t run = left;
      if (s.minorDelta > 0) {
        const int64_t toRowEnd = (int64_t{s.majorDelta} - e + s.minorDelta - 1) / s.minorDelta;
        if (toRowEnd < run) run = static_cast<int32_t>(toRowEnd);
      }
      span(s.majorStep > 0 ? dp : dp - (run - 1) * kBytes, run);
      left -= run;
      dp += run * s.majorStep;
      e += run * s.minorDelta;
      if (e >= s.majorDelta) {
        dp += s.minorStep;
        e -= s.majorDelta;
      }
    }
    return;
  }
  auto next = [&]() OMBREL_INLINE_LAMBDA {
    e += s.minorDelta;
    dp += s.majorStep;
    if (e >= s.majorDelta) {
      dp += s.minorStep;
      e -= s.majorDelta;
    }
  };
  // A step along y leaves the row, so no span: the pixels of a block are
  // gathered from their addresses, go through the SSE2 rule together and are
  // scattered back. No two pixels of a line share an address. Mode 0 stores
  // the colour alone.
  int32_t i = s.majorDelta;
#ifdef __SSE2__
  if constexpr (Mode != 0) {
    constexpr int kN = Is32 ? 4 : 8;
    const auto v = [&] {
      if constexpr (Is32) return blend::sse2::MakeSolidVectors(s.color);
      else return blend::sse2::MakeSolidVectors16(s.color);
    }();
    for (; i >= kN; i -= kN) {
      uint8_t* at[kN];
      for (int k = 0; k < kN; ++k) {
        at[k] = dp;
        next();
      }
      if constexpr (Is32) {
        Scatter32(blend::sse2::SolidRule<Mode>(v, Gather32(at)), at, std::make_integer_sequence<int, 4>{});
      } else {
        const __m128i d = blend::sse2::GatherWords([&](int k) OMBREL_INLINE_LAMBDA { return blend::Load16(at[k]); });
        Scatter16(blend::sse2::SolidRule16<Mode>(v, d), at, std::make_integer_sequence<int, 8>{});
      }
    }
  }
#endif
  for (; i > 0; --i) {
    blend::ApplySolid<Is32, Mode>(s.color, dp);
    next();
  }
}

// 14 members: one per drawn mode in each colour type.
static_assert(blend::SolidMembers<LineLoop, true>::kTable.size() +
                  blend::SolidMembers<LineLoop, false>::kTable.size() ==
              14);

// Truncates toward zero; values beyond the int range keep their side
// instead of wrapping to the most negative value.
int32_t TruncClamped(double v) {
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(v);
}

// Moves one end of the line onto the area along one axis: *along is its
// coordinate on that axis, *across on the other, which the line gives as
// intercept + slope * along. The first point comes to the area's first or
// last pixel; the last point, which is not drawn, to the pixel beyond.
void ClipEnd(int32_t* along, int32_t* across, int32_t low, int32_t high, double intercept,
             double slope, bool first) {
  if (*along < low) {
    *along = first ? low : low - 1;
  } else if (*along >= high) {
    *along = first ? high - 1 : high;
  } else {
    return;
  }
  *across = TruncClamped(intercept + slope * *along);
}

}  // namespace

void DrawLineOnSoftImg(SOFTIMG* target, int x1, int y1, int x2, int y2, uint32_t color) {
  if (!IsSoftImgValid(target)) return;
  const SoftImgBody& body = *target->body;
  // A palettised image's 1-byte pixels and an alpha image's 4-byte 16-bit
  // pixels do not fit the line's pixel steps.
  if (body.palettised || body.alpha) return;
  if (body.colorType != kSoftImgColor32 && body.colorType != kSoftImgColor16) return;
  const bool is32 = body.colorType == kSoftImgColor32;

  const SoftDrawSettings& settings = GetSoftDrawSettings();
  const IntRect area = TargetDrawArea(target, settings);
  const int32_t left = area.left, top = area.top, right = area.right, bottom = area.bottom;
  if (right <= left || bottom <= top) return;
  if (std::max(x1, x2) < left || std::min(x1, x2) >= right || std::max(y1, y2) < top ||
      std::min(y1, y2) >= bottom) {
    return;
  }
  const DrawInputs in = ReadDrawInputs(settings);
  const int modeIndex =
      blend::SelectModeIndex(static_cast<uint32_t>(settings.blendMode), in.param, false);
  if (modeIndex < 0) return;

  // Clip both points to the area along the line: x = cx + a y, y = cy + k x.
  const double a = y1 == y2 ? 0.0 : (double(x2) - x1) / (double(y2) - y1);
  const double k = x1 == x2 ? 0.0 : (double(y2) - y1) / (double(x2) - x1);
  const double cx = x1 - a * y1;
  const double cy = y1 - k * x1;
  ClipEnd(&x1, &y1, left, right, cy, k, true);
  ClipEnd(&x2, &y2, left, right, cy, k, false);
  ClipEnd(&y1, &x1, top, bottom, cx, a, true);
  ClipEnd(&y2, &x2, top, bottom, cx, a, false);
  // The clamps bring a first point that is still outside onto the area's
  // nearest pixel: a line that crosses a corner between two pixel centres
  // keeps its pixel there, so no line is dropped here.
  x1 = std::clamp(x1, left, right - 1);
  y1 = std::clamp(y1, top, bottom - 1);
  x2 = std::clamp(x2, left - 1, right);
  y2 = std::clamp(y2, top - 1, bottom);

  const int32_t dx = x2 - x1;
  const int32_t dy = y2 - y1;
  if (dx == 0 && dy == 0) return;
  const int bytes = is32 ? 4 : 2;
  const int32_t xStep = dx < 0 ? -bytes : bytes;
  const int32_t yStep = dy < 0 ? -body.pitch : body.pitch;
  const int32_t adx = dx < 0 ? -dx : dx;
  const int32_t ady = dy < 0 ? -dy : dy;

  LineSteps steps;
  steps.dst = target->pixels + y1 * body.pitch + x1 * bytes;
  steps.majorStep = xStep;
  steps.minorStep = yStep;
  steps.majorDelta = adx;
  steps.minorDelta = ady;
  steps.alongRows = ady <= adx;
  // A diagonal steps along x.
  if (ady > adx) {
    std::swap(steps.majorStep, steps.minorStep);
    std::swap(steps.majorDelta, steps.minorDelta);
  }
  blend::RunSolid<LineLoop>(is32, modeIndex, color, in, &steps);
}

void DrawLinesOnSoftImg(SOFTIMG* target, const LineRecord* lines, int count) {
  if (!lines) return;
  for (int i = 0; i < count; ++i) {
    const LineRecord& l = lines[i];
    DrawLineOnSoftImg(target, l.x1, l.y1, l.x2, l.y2, static_cast<uint32_t>(l.color));
  }
}
