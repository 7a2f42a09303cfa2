// Destination pixels per second of the plain blit's loop classes, each beside
// a memcpy of the same rows measured in the same run. With the argument
// "graph", only the members with a blend graph.
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <span>

#include "bench_timing.h"
#include "software_renderer/blend_tables.h"
#include "software_renderer/plain_blit.h"
#include "software_renderer/soft_draw_settings.h"

namespace {

struct Size {
  int w, h;
};

enum Kind { kDirect, kPalettised, kAlpha };
const char* const kKindNames[] = {"direct", "palette", "alpha"};

uint32_t state = 12345;
uint32_t NextRandom() {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

void FillSource(SOFTIMG* img, int colorType, Kind kind, int transPercent) {
  const SoftImgBody* b = img->body;
  const int bpp = SoftImgBytesPerPixel(colorType, kind == kPalettised, kind == kAlpha);
  for (int y = 0; y < img->height; ++y) {
    for (int x = 0; x < img->width; ++x) {
      uint32_t v = NextRandom() | (NextRandom() << 24);
      const bool transparent = static_cast<int>(NextRandom() % 100) < transPercent;
      if (kind == kPalettised) v = transparent ? 0 : 1 + v % 255;
      else if (kind == kAlpha) v = transparent ? v & (colorType ? 0x00FFFFFF : 0xFFFF) : v | (colorType ? 0xFF000000 : 0xFF0000);
      else if (transparent) v = 0;
      else if (v == 0) v = 1;
      std::memcpy(img->pixels + y * b->pitch + x * bpp, &v, static_cast<size_t>(bpp));
    }
  }
  if (kind == kPalettised) {
    for (int i = 0; i < 1024; ++i) b->paletteBlock[i] = static_cast<uint8_t>(NextRandom());
  }
}

struct LoopClass {
  int mode, param;
  bool bright;
  const char* paramCase;
};

// Draws src over dest under c (with graph when not null) as often as a second
// allows, prints the line and returns the ratio to memcpy.
double MeasureLine(SOFTIMG* dest, SOFTIMG* src, int colorType, Kind kind, const LoopClass& c,
                   const int trans[2], SOFTIMG* graph, double memcpyPixels) {
  const int w = dest->width;
  const int h = dest->height;
  GetSoftDrawSettings() = SoftDrawSettings{{0, 0, w, h}, c.mode, c.param, c.bright ? 0xC0E0F0u : 0xFFFFFFu, 0};
  const double calls = CallsPerSecond([&] { DrawImageOnSoftImg(dest, src, 0, 0, trans[0], graph); });
  const double pixels = calls * w * h;
  const double ratio = pixels / memcpyPixels;
  char transText[16];
  std::snprintf(transText, sizeof transText, trans[0] ? "on %d%%" : "off", trans[1]);
  std::printf("%4dx%-4d %-5d %-7s %-4d %-5s %-6s %-9s %12.1f %10.0f %6.1f%%%s\n", w, h,
              colorType == 1 ? 32 : 16, kKindNames[kind], c.mode, c.paramCase, c.bright ? "on" : "off",
              transText, pixels / 1e6, calls, 100 * ratio, graph ? "  graph" : "");
  return ratio;
}

// Measures every loop class at one size, for both depths, every source kind
// and each of the transparency cases (with graph when not null), and hands
// each ratio to record(colorType, kind, class, trans, ratio).
template <class Record>
void MeasureSize(Size size, std::span<const LoopClass> classes, std::initializer_list<const int*> transList,
                 SOFTIMG* graph, Record record) {
  for (int colorType : {1, 0}) {
    const int destBytes = colorType == 1 ? 4 : 2;
    SOFTIMG dest{};
    CreateSoftImg(&dest, size.w, size.h, -1, 0, colorType, 0, 0, 0, nullptr);
    const double memcpyPixels = MemcpyPixelsPerSecond(&dest, destBytes);
    for (Kind kind : {kDirect, kPalettised, kAlpha}) {
      for (const int* t : transList) {
        SOFTIMG src{};
        CreateSoftImg(&src, size.w, size.h, -1, 0, colorType, kind == kPalettised, kind == kAlpha, 0, nullptr);
        FillSource(&src, colorType, kind, t[1]);
        for (const LoopClass& c : classes) {
          record(colorType, kind, c, t, MeasureLine(&dest, &src, colorType, kind, c, t, graph, memcpyPixels));
        }
        ReleaseSoftImg(&src);
      }
    }
    ReleaseSoftImg(&dest);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool graphOnly = argc > 1 && std::strcmp(argv[1], "graph") == 0;
  InitSoftImgBlendTables();
  MakeBlendGraphWeightTable(128, 64);
  const Size sizes[] = {{16, 16}, {32, 32}, {320, 240}, {1024, 768}};
  const LoopClass classes[] = {
      {0, 0, false, "-"},       {0, 0, true, "-"},        {1, 100, false, "p"},
      {1, 100, true, "p"},      {1, 128, false, "half"},  {2, 100, false, "p"},
      {2, 255, false, "full"},  {2, 100, true, "p"},      {3, 100, false, "p"},
      {3, 255, false, "full"},  {4, 0, false, "-"},       {10, 100, false, "p"},
      {11, 100, false, "p"},
  };
  const int transCases[][2] = {{0, 0}, {1, 0}, {1, 50}};  // transFlag, percent transparent
  double target0 = 0, target1 = 0, target1Trans = 0;
  // The families that the game draws most, at 320 x 240.
  double alphaSprite[2] = {}, palettisedSprite[2] = {}, blend16[3] = {};

  std::printf("%-9s %-5s %-7s %-4s %-5s %-6s %-9s %12s %10s %7s\n", "size", "bits", "source",
              "mode", "param", "bright", "trans", "Mpixel/s", "calls/s", "memcpy");
  for (const Size size : sizes) {
    if (graphOnly) break;
    const bool is320 = size.w == 320;
    MeasureSize(size, classes, {transCases[0], transCases[1], transCases[2]}, nullptr,
                [&](int colorType, Kind kind, const LoopClass& c, const int* t, double ratio) {
                  if (is320 && !c.bright && c.mode == 0 && t[0] && colorType == 1) {
                    if (kind == kAlpha) alphaSprite[t[1] ? 1 : 0] = ratio;
                    if (kind == kPalettised) palettisedSprite[t[1] ? 1 : 0] = ratio;
                  }
                  if (is320 && !c.bright && colorType == 0 && kind == kDirect && !t[0] && c.param == 100) {
                    if (c.mode == 1) blend16[0] = ratio;
                    if (c.mode == 2) blend16[1] = ratio;
                    if (c.mode == 3) blend16[2] = ratio;
                  }
                  if (is320 && colorType == 1 && kind == kDirect && !t[1] && !c.bright) {
                    if (c.mode == 0 && !t[0]) target0 = ratio;
                    if (c.mode == 1 && c.param == 100) (t[0] ? target1Trans : target1) = ratio;
                  }
                });
  }
  // Blend-graph members at 320 x 240: the graph's pixels weigh each texel,
  // through the weights of a border parameter of 128 and range of 64.
  std::printf("\nwith a blend graph\n");
  double graphBlend[2] = {};
  {
    const Size size{320, 240};
    SOFTIMG graph{};
    CreateSoftImg(&graph, size.w, size.h, -1, 0, kSoftImgSingle8, 0, 0, 0, nullptr);
    for (int y = 0; y < size.h; ++y) {
      for (int x = 0; x < size.w; ++x) graph.pixels[y * graph.body->pitch + x] = static_cast<uint8_t>(NextRandom());
    }
    MeasureSize(size, classes, {transCases[0], transCases[2]}, &graph,
                [&](int colorType, Kind kind, const LoopClass& c, const int* t, double ratio) {
                  if (kind == kDirect && !t[0] && c.mode == 1 && c.param == 100 && !c.bright) {
                    graphBlend[colorType] = ratio;
                  }
                });
    ReleaseSoftImg(&graph);
  }

  std::printf("\n320x240 32-bit opaque copy: %.1f%% of memcpy (target 80%%)\n", 100 * target0);
  std::printf("320x240 32-bit alpha blend: %.1f%% of memcpy (target 25%%)\n", 100 * target1);
  std::printf("320x240 32-bit alpha blend, transparency on: %.1f%% of memcpy (target 25%%)\n",
              100 * target1Trans);
  std::printf("320x240 32-bit alpha sprite, transparency on, opaque / half empty: %.1f%% / %.1f%% of memcpy (target 25%%)\n",
              100 * alphaSprite[0], 100 * alphaSprite[1]);
  std::printf("320x240 32-bit palettised sprite, transparency on, opaque / half empty: %.1f%% / %.1f%% of memcpy (target 25%%)\n",
              100 * palettisedSprite[0], 100 * palettisedSprite[1]);
  std::printf("320x240 16-bit blend, add, subtract at p 100: %.1f%%, %.1f%%, %.1f%% of memcpy (target 20%%)\n",
              100 * blend16[0], 100 * blend16[1], 100 * blend16[2]);
  std::printf("320x240 blend graph, alpha blend at p 100: 32-bit %.1f%%, 16-bit %.1f%% of memcpy\n",
              100 * graphBlend[1], 100 * graphBlend[0]);
  return 0;
}
