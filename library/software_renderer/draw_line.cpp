#include "software_renderer/draw_line.h"

#include <algorithm>
#include <array>
#include <climits>
#include <utility>

#include "software_renderer/blit_frame.h"
#include "software_renderer/solid_rules.h"

namespace {

using blend::SolidColor;

struct LineSteps {
  uint8_t* dst;        // the first point
  int32_t count;       // pixels drawn: the major axis's distance
  int32_t majorStep;   // bytes of one step along the major axis, with its direction
  int32_t minorStep;
  int32_t majorDelta;  // |major distance|
  int32_t minorDelta;
  SolidColor color;
};

// Pixel i lies i steps along the major axis and floor(i * minor / major)
// steps along the minor one.
template <bool Is32, int Mode>
void LineMember(const LineSteps& s) {
  uint8_t* dp = s.dst;
  int32_t e = 0;
  for (int32_t i = s.count; i > 0; --i) {
    if constexpr (Is32) blend::Store32(dp, blend::SolidPixel<true, Mode>(s.color, blend::Load32(dp)));
    else blend::Store16(dp, blend::SolidPixel<false, Mode>(s.color, blend::Load16(dp)));
    e += s.minorDelta;
    dp += s.majorStep;
    if (e >= s.majorDelta) {
      dp += s.minorStep;
      e -= s.majorDelta;
    }
  }
}

using LineFn = void (*)(const LineSteps&);

template <bool Is32, size_t... I>
constexpr std::array<LineFn, 7> MakeLineMembers(std::index_sequence<I...>) {
  return {{&LineMember<Is32, blend::kDrawnModes[I]>...}};
}
constexpr auto kLine32 = MakeLineMembers<true>(std::make_index_sequence<7>{});
constexpr auto kLine16 = MakeLineMembers<false>(std::make_index_sequence<7>{});
static_assert(kLine32.size() + kLine16.size() == 14);

// Truncates toward zero; values beyond the int range keep their side
// instead of wrapping to the most negative value.
int32_t TruncClamped(double v) {
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(v);
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
  const int modeIndex = blend::SelectModeIndex(static_cast<uint32_t>(settings.blendMode), in.param, false);
  if (modeIndex < 0) return;

  // Clip both points to the area along the line: x = cx + a y, y = cy + k x.
  const double a = y1 == y2 ? 0.0 : (double(x2) - x1) / (double(y2) - y1);
  const double k = x1 == x2 ? 0.0 : (double(y2) - y1) / (double(x2) - x1);
  const double cx = x1 - a * y1;
  const double cy = y1 - k * x1;
  if (x1 < left) {
    x1 = left;
    y1 = TruncClamped(cy + k * left);
  } else if (x1 >= right) {
    x1 = right - 1;
    y1 = TruncClamped(cy + k * (right - 1));
  }
  if (x2 < left) {
    x2 = left - 1;
    y2 = TruncClamped(cy + k * (left - 1));
  } else if (x2 >= right) {
    x2 = right;
    y2 = TruncClamped(cy + k * right);
  }
  if (y1 < top) {
    y1 = top;
    x1 = TruncClamped(cx + a * top);
  } else if (y1 >= bottom) {
    y1 = bottom - 1;
    x1 = TruncClamped(cx + a * (bottom - 1));
  }
  if (y2 < top) {
    y2 = top - 1;
    x2 = TruncClamped(cx + a * (top - 1));
  } else if (y2 >= bottom) {
    y2 = bottom;
    x2 = TruncClamped(cx + a * bottom);
  }
  // A first point still more than a pixel outside the area means the line
  // passes the area by: clamping it in would draw pixels that are not on the
  // line. Within a pixel, clamping keeps a line that grazes a corner.
  if (x1 < left - 1 || x1 > right || y1 < top - 1 || y1 > bottom) return;
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
  // A diagonal steps along x.
  if (adx >= ady) {
    steps.count = adx;
    steps.majorStep = xStep;
    steps.minorStep = yStep;
    steps.majorDelta = adx;
    steps.minorDelta = ady;
  } else {
    steps.count = ady;
    steps.majorStep = yStep;
    steps.minorStep = xStep;
    steps.majorDelta = ady;
    steps.minorDelta = adx;
  }
  if (is32) {
    steps.color = blend::PrepareSolidColor<true>(color, in.bright, in.brightOn, in.param);
    kLine32[static_cast<size_t>(modeIndex)](steps);
  } else {
    steps.color = blend::PrepareSolidColor<false>(color, in.bright, in.brightOn, in.param);
    kLine16[static_cast<size_t>(modeIndex)](steps);
  }
}

void DrawLinesOnSoftImg(SOFTIMG* target, const LineRecord* lines, int count) {
  if (!lines) return;
  for (int i = 0; i < count; ++i) {
    const LineRecord& l = lines[i];
    DrawLineOnSoftImg(target, l.x1, l.y1, l.x2, l.y2, static_cast<uint32_t>(l.color));
  }
}
