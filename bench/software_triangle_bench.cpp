// Destination pixels per second of the software triangle's loop classes: a
// quadrangle of two triangles, solid or textured (and textured with a blend
// graph), beside a memcpy of the same rows measured just before.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "bench_timing.h"
#include "software_renderer/blend_tables.h"
#include "software_renderer/soft_draw_settings.h"
#include "software_renderer/triangle_draw.h"

namespace {

struct Size {
  int w, h;
};

enum Kind { kSolid, kDirect, kPalettised, kAlpha };
const char* const kKindNames[] = {"solid", "direct", "palette", "alpha"};

uint32_t state = 2024;
uint8_t RandomByte() {
  state = state * 1103515245u + 12345u;
  return static_cast<uint8_t>(state >> 16);
}

// Random texels, `keyed` percent of them transparent: the transparent index
// or colour 0, or alpha 0.
void FillTexture(SOFTIMG* img, Kind kind, int keyed) {
  const SoftImgBody* b = img->body;
  const int bytes = SoftImgBytesPerPixel(b->colorType, kind == kPalettised, kind == kAlpha);
  const int alphaByte = b->colorType == 1 ? 3 : 2;
  for (int y = 0; y < img->height; ++y) {
    for (int x = 0; x < img->width; ++x) {
      uint8_t* p = img->pixels + y * b->pitch + x * bytes;
      for (int i = 0; i < bytes; ++i) p[i] = RandomByte();
      const bool transparent = RandomByte() % 100 < keyed;
      if (kind == kPalettised) p[0] = transparent ? 0 : static_cast<uint8_t>(1 + p[0] % 255);
      else if (kind == kAlpha) p[alphaByte] = transparent ? 0 : 255;
      else if (transparent) std::memset(p, 0, static_cast<size_t>(bytes));
      else p[0] |= 1;
    }
  }
  if (kind == kPalettised) {
    for (int i = 0; i < 1024; ++i) b->paletteBlock[i] = RandomByte();
  }
}

struct LoopClass {
  int mode, param;
  bool bright;
  const char* paramCase;
};

// The quadrangle (0, 0)-(w, h) as two triangles; turned by a small angle the
// texture steps in both directions at once.
void DrawQuad(SOFTIMG* dest, const SOFTIMG* src, int w, int h, bool turned, int transFlag,
              const SOFTIMG* graph = nullptr) {
  TriangleVertex tl{0, 0, 0, 0}, tr{w, 0, w, 0}, bl{0, h, 0, h}, br{w, h, w, h};
  if (turned) {
    // texture corners rotated about the centre by about 3 degrees
    const double c = std::cos(0.05), s = std::sin(0.05);
    for (TriangleVertex* v : {&tl, &tr, &bl, &br}) {
      const double du = v->u - w / 2.0, dv = v->v - h / 2.0;
      v->u = static_cast<int>(w / 2.0 + c * du - s * dv);
      v->v = static_cast<int>(h / 2.0 + s * du + c * dv);
    }
  }
  const TriangleVertex first[3] = {tl, tr, bl};
  const TriangleVertex second[3] = {tr, bl, br};
  DrawTriangleOnSoftImg(dest, src, first, transFlag, graph, 0xFF336699);
  DrawTriangleOnSoftImg(dest, src, second, transFlag, graph, 0xFF336699);
}

}  // namespace

int main() {
  InitSoftImgBlendTables();
  const Size sizes[] = {{32, 32}, {320, 240}, {1024, 768}};
  const LoopClass classes[] = {
      {0, 0, false, "-"},    {0, 0, true, "-"},     {1, 100, false, "p"}, {1, 100, true, "p"},
      {2, 100, false, "p"},  {3, 100, false, "p"},  {4, 0, false, "-"},   {10, 100, false, "p"},
      {11, 100, false, "p"},
  };
  const int transCases[][2] = {{0, 0}, {1, 50}};  // transFlag, percent transparent
  double solidCopy = 0, textureCopy = 0, textureBlend = 0;

  std::printf("%-9s %-5s %-7s %-6s %-4s %-5s %-6s %-9s %12s %7s\n", "size", "bits", "source",
              "map", "mode", "param", "bright", "trans", "Mpixel/s", "memcpy");
  for (const Size size : sizes) {
    for (int colorType : {1, 0}) {
      const int destBytes = colorType == 1 ? 4 : 2;
      SOFTIMG dest{};
      CreateSoftImg(&dest, size.w, size.h, -1, 0, colorType, 0, 0, 0, nullptr);
      for (Kind kind : {kSolid, kDirect, kPalettised, kAlpha}) {
        for (const auto& t : transCases) {
          if (kind == kSolid && t[0]) continue;
          for (bool turned : {false, true}) {
            if (kind == kSolid && turned) continue;
            SOFTIMG src{};
            if (kind != kSolid) {
              CreateSoftImg(&src, size.w, size.h, -1, 0, colorType, kind == kPalettised, kind == kAlpha, 0, nullptr);
              FillTexture(&src, kind, t[1]);
            }
            for (const LoopClass& c : classes) {
              if (kind == kSolid && c.bright) continue;  // applied to the colour beforehand
              GetSoftDrawSettings() = SoftDrawSettings{{0, 0, size.w, size.h}, c.mode, c.param,
                                                       c.bright ? 0xC0E0F0u : 0xFFFFFFu, 0};
              const SOFTIMG* source = kind == kSolid ? nullptr : &src;
              const double calls = CallsPerSecond([&] { DrawQuad(&dest, source, size.w, size.h, turned, t[0]); });
              const double pixels = calls * size.w * size.h;
              // The baseline right beside each measure, so that a busy machine
              // slows both alike.
              const double ratio = pixels / MemcpyPixelsPerSecond(&dest, destBytes);
              char trans[16];
              std::snprintf(trans, sizeof trans, t[0] ? "on %d%%" : "off", t[1]);
              std::printf("%4dx%-4d %-5d %-7s %-6s %-4d %-5s %-6s %-9s %12.1f %6.1f%%\n", size.w,
                          size.h, colorType == 1 ? 32 : 16, kKindNames[kind], turned ? "turned" : "plain",
                          c.mode, c.paramCase, c.bright ? "on" : "off", trans, pixels / 1e6, 100 * ratio);
              if (size.w == 320 && colorType == 1 && !t[0] && !c.bright && !turned) {
                if (kind == kSolid && c.mode == 0) solidCopy = ratio;
                if (kind == kDirect && c.mode == 0) textureCopy = ratio;
                if (kind == kDirect && c.mode == 1) textureBlend = ratio;
              }
            }
            if (kind != kSolid) ReleaseSoftImg(&src);
          }
        }
      }
      ReleaseSoftImg(&dest);
    }
  }
  // A direct texture through a blend graph of random values as large as it,
  // at 320 x 240; the weights span 0 to 255 over the graph's values.
  MakeBlendGraphWeightTable(128, 64);
  double graphCopy[2] = {}, graphCopyTurned[2] = {};  // by colour type
  for (int colorType : {1, 0}) {
    const int w = 320, h = 240;
    SOFTIMG dest{}, src{}, graph{};
    CreateSoftImg(&dest, w, h, -1, 0, colorType, 0, 0, 0, nullptr);
    CreateSoftImg(&src, w, h, -1, 0, colorType, 0, 0, 0, nullptr);
    FillTexture(&src, kDirect, 0);
    CreateSoftImg(&graph, w, h, -1, 0, 2, 0, 0, 0, nullptr);
    for (int i = 0; i < graph.body->pitch * h; ++i) graph.pixels[i] = RandomByte();
    for (bool turned : {false, true}) {
      for (const LoopClass& c : {classes[0], classes[2], classes[4]}) {
        GetSoftDrawSettings() = SoftDrawSettings{{0, 0, w, h}, c.mode, c.param, 0xFFFFFFu, 0};
        const double calls = CallsPerSecond([&] { DrawQuad(&dest, &src, w, h, turned, 0, &graph); });
        const double pixels = calls * w * h;
        const double ratio = pixels / MemcpyPixelsPerSecond(&dest, colorType == 1 ? 4 : 2);
        std::printf("%4dx%-4d %-5d %-7s %-6s %-4d %-5s %-6s %-9s %12.1f %6.1f%%\n", w, h,
                    colorType == 1 ? 32 : 16, "graph", turned ? "turned" : "plain", c.mode, c.paramCase, "off",
                    "off", pixels / 1e6, 100 * ratio);
        if (c.mode == 0) (turned ? graphCopyTurned : graphCopy)[colorType] = ratio;
      }
    }
    ReleaseSoftImg(&graph);
    ReleaseSoftImg(&src);
    ReleaseSoftImg(&dest);
  }

  std::printf("\n320x240 32-bit solid fill:       %.1f%% of memcpy\n", 100 * solidCopy);
  std::printf("320x240 32-bit textured copy:    %.1f%% of memcpy\n", 100 * textureCopy);
  std::printf("320x240 32-bit textured blend:   %.1f%% of memcpy\n", 100 * textureBlend);
  std::printf("320x240 blend-graph textured copy, plain / turned: 32-bit %.1f%% / %.1f%%, 16-bit %.1f%% / %.1f%% of memcpy\n",
              100 * graphCopy[1], 100 * graphCopyTurned[1], 100 * graphCopy[0], 100 * graphCopyTurned[0]);
  return 0;
}
