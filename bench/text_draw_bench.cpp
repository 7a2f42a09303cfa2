// Text drawn from the glyph cache into a software image: characters per
// second for each font type, layout and direction, with the glyph-box pixels
// per second beside a memcpy of the screen's rows measured in the same run.
#include <cstdio>

#include "Ombrel.h"
#include "bench_timing.h"
#include "graphics/font_system.h"

namespace {

constexpr int kWidth = 640;  // room for the whole line either way
constexpr int kHeight = 640;
// "月下の石塚へようこそ。Moonlitcairn 0123456789"
const char kLine[] = "月下の石塚へようこそ。Moonlitcairn 0123456789";
const char kFace[] = "ＭＳ ゴシック";

// The pixels of the glyph boxes one drawing of the line covers.
long BoxPixels(const FontRecord& record, int font, int* count) {
  CharRecord records[sizeof(kLine)];
  CacheStringGlyphs(font, kLine, -1, records, count);
  long pixels = 0;
  for (int i = 0; i < *count; ++i) {
    const GlyphSlot* slot = LookUpGlyph(const_cast<FontRecord*>(&record), font, records[i]);
    if (slot) pixels += static_cast<long>(slot->width) * slot->height;
  }
  return pixels;
}

}  // namespace

int main() {
  std::printf("%-6s %-6s %-10s %12s %12s %8s\n", "type", "layout", "direction", "chars/s",
              "Mpixel/s", "memcpy");
  for (int colorType : {kSoftImgColor32, kSoftImgColor16}) {
    SOFTIMG image = {};
    CreateSoftImg(&image, kWidth, kHeight, -1, 0, colorType, 0, 0, 0, nullptr);
    const int bytes = colorType == kSoftImgColor32 ? 4 : 2;
    const double memcpyPixels = MemcpyPixelsPerSecond(&image, bytes);
    for (int type = 0; type < 4; ++type) {
      const int font = CreateFontToHandle(kFace, 16, 1, type, 1, -1, 0, -1, -1);
      if (font == -1) {
        std::printf("no font of type %d\n", type);
        continue;
      }
      const FontRecord& record = *GetFontRecord(font);
      int characters = 0;
      const long boxPixels = BoxPixels(record, font, &characters);
      for (int vertical = 0; vertical < 2; ++vertical) {
        const double calls = CallsPerSecond([&] {
          DrawOrMeasureString(1, 2, 2, kLine, ComposeColorCode(255, 255, 255), &image, nullptr, 1,
                              font, ComposeColorCode(0, 0, 0), -1, vertical, nullptr);
        });
        const double pixels = calls * static_cast<double>(boxPixels);
        std::printf("%-6d %-6d %-10s %12.0f %12.1f %7.1f%%\n", type, bytes * 8,
                    vertical ? "vertical" : "across", calls * characters, pixels / 1e6,
                    100 * pixels / memcpyPixels);
      }
      DeleteFontHandle(font);
    }
    ReleaseSoftImg(&image);
  }
  return 0;
}
