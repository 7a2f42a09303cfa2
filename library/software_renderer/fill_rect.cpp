#include "software_renderer/fill_rect.h"

#include <algorithm>
#include <cstddef>

#include "software_renderer/blit_frame.h"
#include "software_renderer/solid_rules.h"

namespace {

using blend::SolidColor;

struct FillRows {
  uint8_t* dst;
  int32_t pitch;
  int32_t width;
  int32_t height;
  SolidColor color;
};

template <bool Is32, int Mode>
struct FillLoop {
  static void Run(const FillRows& r);
};

template <bool Is32, int Mode>
void FillLoop<Is32, Mode>::Run(const FillRows& r) {
  const blend::SolidSpan<Is32, Mode> span(r.color);
  uint8_t* row = r.dst;
  for (int32_t j = r.height; j > 0; --j, row += r.pitch) span(row, r.width);
}

// 14 members: one per drawn mode in each colour type.
static_assert(blend::SolidMembers<FillLoop, true>::kTable.size() +
                  blend::SolidMembers<FillLoop, false>::kTable.size() ==
              14);

}  // namespace

void FillRectOnSoftImg(SOFTIMG* target, const IntRect* rect, uint32_t color) {
  if (!IsSoftImgValid(target)) return;
  const SoftImgBody& body = *target->body;
  if (body.palettised || body.alpha) return;
  if (body.colorType != kSoftImgColor32 && body.colorType != kSoftImgColor16) return;
  const bool is32 = body.colorType == kSoftImgColor32;

  IntRect r{0, 0, target->width, target->height};
  if (rect) {
    r = IntRect{std::min(rect->left, rect->right), std::min(rect->top, rect->bottom),
                std::max(rect->left, rect->right), std::max(rect->top, rect->bottom)};
  }
  const SoftDrawSettings& settings = GetSoftDrawSettings();
  const IntRect area = TargetDrawArea(target, settings);
  ClipRectToBounds(&r, &area);
  if (r.right <= r.left || r.bottom <= r.top) return;

  const DrawInputs in = ReadDrawInputs(settings);
  const int modeIndex =
      blend::SelectModeIndex(static_cast<uint32_t>(settings.blendMode), in.param, false);
  if (modeIndex < 0) return;

  FillRows rows;
  rows.pitch = body.pitch;
  rows.dst = target->pixels + r.top * body.pitch + r.left * (is32 ? 4 : 2);
  rows.width = r.right - r.left;
  rows.height = r.bottom - r.top;
  blend::RunSolid<FillLoop>(is32, modeIndex, color, in, &rows);
}
