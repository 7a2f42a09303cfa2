// Destination pixels per second of the filled rectangle, the line, the
// stretched blit (2x and 0.5x) and the run-table path against the plain path
// on a sprite with transparent areas, with and without a blend graph, each
// beside a memcpy of the same rows measured in the same run.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <tuple>

#include "Ombrel.h"
#include "bench_timing.h"
#include "software_renderer/blend_tables.h"
#include "software_renderer/draw_line.h"
#include "software_renderer/fill_rect.h"
#include "software_renderer/plain_blit.h"
#include "software_renderer/soft_draw_settings.h"
#include "software_renderer/soft_image_convert.h"
#include "software_renderer/stretched_blit.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

struct ModeCase {
  int mode, param;
  bool bright;
};
const ModeCase kModes[] = {{0, 0, false}, {0, 0, true},   {1, 100, false}, {1, 100, true},
                           {2, 100, false}, {3, 100, false}, {4, 0, false},   {10, 100, false},
                           {11, 100, false}};

void UseSettings(const ModeCase& m) {
  GetSoftDrawSettings() = SoftDrawSettings{{0, 0, kWidth, kHeight}, m.mode, m.param,
                                           m.bright ? 0xC0E0F0u : 0xFFFFFFu, 0};
}

void Report(const char* primitive, const char* what, int bits, const ModeCase& m,
            double pixelsPerSecond, double memcpyPixels) {
  std::printf("%-10s %-22s %-3d %-4d %-5d %-6s %10.1f %7.1f%%\n", primitive, what, bits, m.mode,
              m.param, m.bright ? "on" : "off", pixelsPerSecond / 1e6, 100 * pixelsPerSecond / memcpyPixels);
}

uint32_t state = 777;
uint32_t NextRandom() {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

// A sprite: blocks of 16 x 16 pixels alternately transparent and opaque,
// with a translucent edge of two pixels round each opaque block when the
// image has alpha.
void FillSprite(uint8_t* pixels, int pitch, bool alpha) {
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const bool opaque = (x / 16 + y / 16) % 2 == 1;
      const int edge = std::min(std::min(x % 16, 15 - x % 16), std::min(y % 16, 15 - y % 16));
      uint32_t v = (NextRandom() & 0xFFFFFF) | 1;
      if (alpha) v |= static_cast<uint32_t>(!opaque ? 0 : edge < 2 ? 128 : 255) << 24;
      else if (!opaque) v = 0;
      std::memcpy(pixels + y * pitch + 4 * x, &v, 4);
    }
  }
}

void FillRandom(SOFTIMG* img, int bytes) {
  for (int y = 0; y < img->height; ++y) {
    for (int x = 0; x < img->width * bytes; ++x) img->pixels[y * img->body->pitch + x] = static_cast<uint8_t>(NextRandom());
  }
}

// A sprite with its run table, made the way a graph's transfer makes it.
void MakeSpriteWithRunTable(SOFTIMG* sprite, int colorType, bool alpha) {
  CreateSoftImg(sprite, kWidth, kHeight, -1, 0, colorType, 0, alpha, 1, nullptr);
  GraphImage image{};
  AllocGraphImageARGB8(kWidth, kHeight, &image);
  FillSprite(static_cast<uint8_t*>(image.pixels), image.pitch, alpha);
  ConvertGraphImageToSoftImg(&image, nullptr, sprite, 0, 0, kWidth, kHeight, 0, 0, 0);
  FreeGraphImage(&image);
}

}  // namespace

int main() {
  InitSoftImgBlendTables();
  // By colour type: 16-bit, 32-bit.
  double stretched2x[2] = {}, stretchedHalf[2] = {}, runTableAlphaSprite[2] = {};
  double graphStretched2x[2] = {}, graphStretchedHalf[2] = {}, graphRunTableSprite[2] = {};
  // The weights of the blend-graph draws: a border of 128 over a range of 64
  // gives weights from 0 to 255 across the random graph values.
  MakeBlendGraphWeightTable(128, 64);
  std::printf("%-10s %-22s %-3s %-4s %-5s %-6s %10s %8s\n", "primitive", "case", "bit", "mode",
              "param", "bright", "Mpixel/s", "memcpy");
  for (int colorType : {1, 0}) {
    const int bytes = colorType == 1 ? 4 : 2;
    const int bits = colorType == 1 ? 32 : 16;
    SOFTIMG dest{};
    CreateSoftImg(&dest, kWidth, kHeight, -1, 0, colorType, 0, 0, 0, nullptr);
    FillRandom(&dest, bytes);
    const double memcpyPixels = MemcpyPixelsPerSecond(&dest, bytes);

    for (const ModeCase& m : kModes) {
      UseSettings(m);
      const double calls = CallsPerSecond([&] { FillRectOnSoftImg(&dest, nullptr, 0x80604020); });
      Report("fill", "whole screen", bits, m, calls * kWidth * kHeight, memcpyPixels);
    }

    // Lines across the screen: one per row (x-major) or per column (y-major).
    for (const ModeCase& m : kModes) {
      UseSettings(m);
      double calls = CallsPerSecond([&] {
        for (int y = 0; y < kHeight; ++y) DrawLineOnSoftImg(&dest, 0, y, kWidth, (y + 37) % kHeight, 0x80604020);
      });
      Report("line", "x-major, 240 of 320", bits, m, calls * kWidth * kHeight, memcpyPixels);
      calls = CallsPerSecond([&] {
        for (int x = 0; x < kWidth; ++x) DrawLineOnSoftImg(&dest, x, 0, (x + 53) % kWidth, kHeight, 0x80604020);
      });
      Report("line", "y-major, 320 of 240", bits, m, calls * kWidth * kHeight, memcpyPixels);
      // Every line y-major: 40 columns across 240 rows.
      calls = CallsPerSecond([&] {
        for (int x = 0; x < kWidth; ++x) DrawLineOnSoftImg(&dest, x, 0, x + 40 < kWidth ? x + 40 : x - 40, kHeight, 0x80604020);
      });
      Report("line", "y-major, steep", bits, m, calls * kWidth * kHeight, memcpyPixels);
    }

    // The stretched blit onto the whole screen: 2x from a quarter-size
    // source, 0.5x from a four-times one, of each source kind (random
    // pixels: a palettised source has a random palette, an alpha source
    // random alphas).
    for (const char* kind : {"direct", "palette", "alpha"}) {
      const bool palettised = kind[0] == 'p', alpha = kind[0] == 'a';
      for (int transFlag : {0, 1}) {
        for (const auto& [name, sw, sh] : {std::tuple{"2x", kWidth / 2, kHeight / 2},
                                           std::tuple{"0.5x", kWidth * 2, kHeight * 2}}) {
          SOFTIMG src{};
          CreateSoftImg(&src, sw, sh, -1, 0, colorType, palettised, alpha, 0, nullptr);
          FillRandom(&src, SoftImgBytesPerPixel(colorType, palettised, alpha));
          if (palettised) {
            for (int i = 0; i < 1024; ++i) src.body->paletteBlock[i] = static_cast<uint8_t>(NextRandom());
          }
          const IntRect rect{0, 0, kWidth, kHeight};
          for (const ModeCase& m : kModes) {
            if (palettised || alpha) {
              if (m.mode != 0 && m.mode != 1) continue;  // the families the game stretches
            }
            UseSettings(m);
            const double calls = CallsPerSecond([&] { DrawStretchedImageOnSoftImg(&dest, &src, &rect, transFlag, nullptr); });
            char what[32];
            std::snprintf(what, sizeof what, "%s %s, trans %s", kind, name, transFlag ? "on" : "off");
            const double ratio = calls * kWidth * kHeight / memcpyPixels;
            Report("stretched", what, bits, m, calls * kWidth * kHeight, memcpyPixels);
            if (!palettised && !alpha && !transFlag && m.mode == 0 && !m.bright)
              (name[0] == '2' ? stretched2x : stretchedHalf)[colorType] = ratio;
          }
          ReleaseSoftImg(&src);
        }
      }
    }

    // A sprite drawn whole with transparency: through its run table, and
    // through the plain path when the table is marked not valid.
    {
      for (bool alpha : {false, true}) {
        SOFTIMG sprite{};
        MakeSpriteWithRunTable(&sprite, colorType, alpha);
        for (const ModeCase& m : kModes) {
          UseSettings(m);
          for (int valid : {1, 0}) {
            sprite.body->runTableValid = valid;
            const double calls = CallsPerSecond([&] { DrawImageOnSoftImg(&dest, &sprite, 0, 0, 1, nullptr); });
            char what[32];
            std::snprintf(what, sizeof what, "%s sprite, %s", alpha ? "alpha" : "keyed", valid ? "run table" : "plain");
            Report("sprite", what, bits, m, calls * kWidth * kHeight, memcpyPixels);
            if (alpha && valid && m.mode == 0 && !m.bright) runTableAlphaSprite[colorType] = calls * kWidth * kHeight / memcpyPixels;
          }
        }
        ReleaseSoftImg(&sprite);
      }
    }
    // The same with a blend graph of random values as large as the source:
    // a stretched copy (2x, 0.5x) and a sprite through its run table.
    auto makeGraph = [](SOFTIMG* graph, int w, int h) {
      CreateSoftImg(graph, w, h, -1, 0, 2, 0, 0, 0, nullptr);
      FillRandom(graph, 1);
    };
    const ModeCase graphModes[] = {{0, 0, false}, {1, 100, false}, {2, 100, false}};
    for (const auto& [name, sw, sh] : {std::tuple{"2x", kWidth / 2, kHeight / 2},
                                       std::tuple{"0.5x", kWidth * 2, kHeight * 2}}) {
      SOFTIMG src{}, graph{};
      CreateSoftImg(&src, sw, sh, -1, 0, colorType, 0, 0, 0, nullptr);
      FillRandom(&src, bytes);
      makeGraph(&graph, sw, sh);
      const IntRect rect{0, 0, kWidth, kHeight};
      for (const ModeCase& m : graphModes) {
        UseSettings(m);
        const double calls = CallsPerSecond([&] { DrawStretchedImageOnSoftImg(&dest, &src, &rect, 0, &graph); });
        char what[32];
        std::snprintf(what, sizeof what, "graph, direct %s", name);
        Report("stretched", what, bits, m, calls * kWidth * kHeight, memcpyPixels);
        if (m.mode == 0) (name[0] == '2' ? graphStretched2x : graphStretchedHalf)[colorType] = calls * kWidth * kHeight / memcpyPixels;
      }
      ReleaseSoftImg(&graph);
      ReleaseSoftImg(&src);
    }
    for (bool alpha : {false, true}) {
      SOFTIMG sprite{}, graph{};
      MakeSpriteWithRunTable(&sprite, colorType, alpha);
      makeGraph(&graph, kWidth, kHeight);
      for (const ModeCase& m : graphModes) {
        UseSettings(m);
        const double calls = CallsPerSecond([&] { DrawImageOnSoftImg(&dest, &sprite, 0, 0, 1, &graph); });
        char what[32];
        std::snprintf(what, sizeof what, "graph, %s, run table", alpha ? "alpha" : "keyed");
        Report("sprite", what, bits, m, calls * kWidth * kHeight, memcpyPixels);
        if (alpha && m.mode == 0) graphRunTableSprite[colorType] = calls * kWidth * kHeight / memcpyPixels;
      }
      ReleaseSoftImg(&graph);
      ReleaseSoftImg(&sprite);
    }
    ReleaseSoftImg(&dest);
  }
  std::printf("\nstretched copy, 2x / 0.5x: 32-bit %.1f%% / %.1f%%, 16-bit %.1f%% / %.1f%% of memcpy (target 40%%)\n",
              100 * stretched2x[1], 100 * stretchedHalf[1], 100 * stretched2x[0], 100 * stretchedHalf[0]);
  std::printf("alpha sprite through the run table: 32-bit %.1f%%, 16-bit %.1f%% of memcpy (target 30%%)\n",
              100 * runTableAlphaSprite[1], 100 * runTableAlphaSprite[0]);
  std::printf("blend-graph stretched copy, 2x / 0.5x: 32-bit %.1f%% / %.1f%%, 16-bit %.1f%% / %.1f%% of memcpy\n",
              100 * graphStretched2x[1], 100 * graphStretchedHalf[1], 100 * graphStretched2x[0],
              100 * graphStretchedHalf[0]);
  std::printf("blend-graph alpha sprite through the run table: 32-bit %.1f%%, 16-bit %.1f%% of memcpy\n",
              100 * graphRunTableSprite[1], 100 * graphRunTableSprite[0]);
  return 0;
}
