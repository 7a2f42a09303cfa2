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

// Writes a repeating 32-bit pattern over bytes (a multiple of 2) bytes.
void FillPattern(uint8_t* dp, size_t bytes, uint32_t pattern) {
#ifdef __SSE2__
  const __m128i wide = _mm_set1_epi32(static_cast<int>(pattern));
  for (; bytes >= 16; bytes -= 16, dp += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(dp), wide);
#endif
  for (; bytes >= 4; bytes -= 4, dp += 4) blend::Store32(dp, pattern);
  if (bytes) blend::Store16(dp, pattern);
}

template <bool Is32, int Mode>
struct FillLoop {
  static void Run(const FillRows& r);
};

template <bool Is32, int Mode>
void FillLoop<Is32, Mode>::Run(const FillRows& r) {
  constexpr int kBytes = Is32 ? 4 : 2;
#ifdef __SSE2__
  [[maybe_unused]] blend::sse2::SolidVectors v{};
  if constexpr (Is32) v = blend::sse2::MakeSolidVectors(r.color);
#endif
  // A 16-bit colour is stored twice per 32-bit word.
  const uint32_t pattern = Is32 ? r.color.pixel : r.color.pixel * 0x10001u;
  uint8_t* row = r.dst;
  for (int32_t j = r.height; j > 0; --j, row += r.pitch) {
    uint8_t* dp = row;
    int32_t n = r.width;
    if constexpr (Mode == 0) {
      FillPattern(dp, static_cast<size_t>(n) * kBytes, pattern);
      continue;
    }
#ifdef __SSE2__
    if constexpr (Is32) {
      for (; n >= 4; n -= 4, dp += 16) {
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dp));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dp), blend::sse2::SolidRule<Mode>(v, d));
      }
    }
#endif
    for (; n > 0; --n, dp += kBytes) blend::ApplySolid<Is32, Mode>(r.color, dp);
  }
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
