// The software triangle against the reference model: random triangles of
// every shape, under every setting, compared byte for byte with the frame
// around the destination.
#include "software_renderer/triangle_draw.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "software_renderer/blend_tables.h"
#include "software_renderer/soft_draw_settings.h"
#include "support/triangle_fixtures.h"
#include "support/triangle_oracle.h"

namespace {

enum class Kind { kSolid, kDirect, kPalettised, kAlpha };

struct DrawCase {
  int colorType;
  Kind kind;
  int mode;
  int param;
  uint32_t bright;
  int transFlag;
  bool graph;
};

int Between(std::mt19937& rng, int low, int high) {
  return low + static_cast<int>(rng() % static_cast<uint32_t>(high - low + 1));
}

uint32_t RandomTexel(int colorType, Kind kind, std::mt19937& rng) {
  if (kind == Kind::kPalettised) return rng() & 0xFF;
  if (kind == Kind::kAlpha) {
    const uint32_t alphas[] = {0, 255, static_cast<uint32_t>(rng() & 0xFF)};
    const uint32_t a = alphas[rng() % 3];
    return colorType == 1 ? (rng() & 0xFFFFFF) | a << 24 : (rng() & 0xFF00FFFF) | a << 16;
  }
  return colorType == 1 ? rng() : rng() & 0xFFFF;
}

// Corners of every kind of triangle: ordinary ones around the image, thin
// and degenerate ones, flat tops and bottoms, ones beside the area, ones
// spanning most of the fixed-point range, and ones with a coordinate past it.
void RandomCorners(std::mt19937& rng, int dw, int dh, int sw, int sh, TriangleVertex v[3]) {
  for (int i = 0; i < 3; ++i) {
    v[i] = {Between(rng, -6, dw + 6), Between(rng, -6, dh + 6), Between(rng, -3, sw + 3),
            Between(rng, -3, sh + 3)};
  }
  if (rng() % 4 == 0) {  // a stretched or mirrored texture
    const int scale = Between(rng, -6, 6);
    for (int i = 0; i < 3; ++i) v[i].u *= scale;
  }
  switch (rng() % 12) {
    case 0:
      v[1] = {v[0].x + Between(rng, -1, 1), v[0].y + Between(rng, -1, 1), v[1].u, v[1].v};
      break;
    case 1: {
      const int k = Between(rng, -2, 3);
      v[2].x = v[0].x + k * (v[1].x - v[0].x);
      v[2].y = v[0].y + k * (v[1].y - v[0].y);
      break;
    }
    case 2:
      v[1].y = v[rng() % 2 ? 0 : 2].y;
      break;
    case 3: {
      const int dx = Between(rng, -1, 1) * (dw + 20), dy = Between(rng, -1, 1) * (dh + 20);
      for (int i = 0; i < 3; ++i) {
        v[i].x += dx;
        v[i].y += dy;
      }
      break;
    }
    case 4:
      for (int i = 0; i < 3; ++i) {
        if (rng() % 2) v[i].x = rng() % 2 ? Between(rng, 8000, 8191) : Between(rng, -8192, -8000);
        if (rng() % 2) v[i].y = rng() % 2 ? Between(rng, 8000, 8191) : Between(rng, -8192, -8000);
      }
      break;
    case 5: {
      const int far[] = {8192, -8193, 1 << 20, INT_MAX, INT_MIN};
      int32_t* fields[] = {&v[0].x, &v[1].y, &v[2].u, &v[1].v};
      *fields[rng() % 4] = far[rng() % 5];
      break;
    }
    case 6:
      for (int i = 0; i < 3; ++i) {
        v[i].u = Between(rng, -8192, 8191);
        v[i].v = Between(rng, -8192, 8191);
      }
      break;
    default:
      break;
  }
}

std::string Describe(const DrawCase& c, const TriangleVertex v[3], const IntRect& area) {
  std::ostringstream s;
  s << "type " << c.colorType << " kind " << static_cast<int>(c.kind) << " mode " << c.mode
    << " p " << c.param << " bright " << std::hex << c.bright << std::dec << " trans "
    << c.transFlag << " graph " << c.graph << " corners";
  for (int i = 0; i < 3; ++i) s << " (" << v[i].x << "," << v[i].y << " " << v[i].u << "," << v[i].v << ")";
  s << " area " << area.left << "," << area.top << "," << area.right << "," << area.bottom;
  return s.str();
}

// One random scene of the case, through the library and through the model.
bool DrawAndCompare(const DrawCase& c, std::mt19937& rng) {
  const int dw = Between(rng, 1, 24), dh = Between(rng, 1, 20);
  FramedImage real(c.colorType, dw, dh, 2);
  FramedImage expected(c.colorType, dw, dh, 2);
  real.Randomise(rng);
  expected.CopyBytesFrom(real);

  const int sw = Between(rng, 1, 9), sh = Between(rng, 1, 9);
  const bool palettised = c.kind == Kind::kPalettised;
  FramedImage src(c.colorType, sw, sh, static_cast<int>(rng() % 2) * 2, palettised,
                  c.kind == Kind::kAlpha);
  src.Randomise(rng);
  // Texels from a small pool, so that the transparent one is common.
  std::vector<uint32_t> pool;
  for (int i = 0; i < 4; ++i) pool.push_back(RandomTexel(c.colorType, c.kind, rng));
  for (int y = 0; y < sh; ++y) {
    for (int x = 0; x < sw; ++x) {
      src.Set(x, y, rng() % 3 ? pool[rng() % pool.size()] : RandomTexel(c.colorType, c.kind, rng));
    }
  }
  if (palettised) {
    for (int i = 0; i < 2048; ++i) src.body()->paletteBlock[i] = static_cast<uint8_t>(rng());
  }
  uint32_t trans = pool[rng() % pool.size()];
  if (rng() % 6 == 0) trans |= 0x10000;  // above the pixel's bits, or past 255: matches nothing
  src.body()->transparentColor = trans;

  // A blend graph at least the source's size, now and then one column short.
  const int shortBy = rng() % 10 == 0 ? 1 : 0;
  FramedImage graph(kSoftImgSingle8, sw + Between(rng, 0, 2) - shortBy, sh + Between(rng, 0, 2), 1);
  graph.Randomise(rng);
  const int borderParam = Between(rng, 0, 255), borderRange = Between(rng, 0, 255);
  MakeBlendGraphWeightTable(borderParam, borderRange);

  IntRect area{0, 0, dw, dh};
  switch (rng() % 4) {
    case 0:
      area.left = Between(rng, 0, dw - 1);
      area.right = Between(rng, area.left, dw);
      area.top = Between(rng, 0, dh - 1);
      area.bottom = Between(rng, area.top, dh);
      break;
    case 1:
      area = IntRect{-3, -3, dw + 4, dh + 4};  // wider than the image: still clipped to it
      break;
    default:
      break;
  }
  TriangleVertex v[3];
  RandomCorners(rng, dw, dh, sw, sh, v);
  const uint32_t colour = rng();

  const bool textured = c.kind != Kind::kSolid;
  UseTriangleSettings(area, c.mode, c.param, c.bright);
  DrawTriangleOnSoftImg(real.view(), textured ? src.view() : nullptr, v, c.transFlag,
                        c.graph ? graph.view() : nullptr, colour);
  const TriangleOracleSettings settings{area, c.mode, c.param, c.bright, borderParam, borderRange};
  OracleDrawTriangle(expected.view(), textured ? src.view() : nullptr, v, c.transFlag,
                     c.graph ? graph.view() : nullptr, colour, settings);
  const std::string difference = real.Difference(expected);
  if (difference.empty()) return true;
  ADD_FAILURE() << Describe(c, v, area) << ": " << difference;
  return false;
}

TEST(TriangleDrawTest, RandomTrianglesMatchTheReferenceModel) {
  InitSoftImgBlendTables();
  std::mt19937 rng(20240917);
  const Kind kinds[] = {Kind::kSolid, Kind::kDirect, Kind::kPalettised, Kind::kAlpha};
  int failures = 0;
  for (int colorType : {1, 0}) {
    for (Kind kind : kinds) {
      for (int mode : {0, 1, 2, 3, 4, 10, 11, 5, 12}) {
        for (int param : {0, 1, 128, 254, 255, -1}) {
          for (int brightCase = 0; brightCase < 2; ++brightCase) {
            for (int transFlag : {0, 1}) {
              for (bool graph : {false, true}) {
                for (int rep = 0; rep < 6; ++rep) {
                  const int p = param >= 0 ? param : Between(rng, 0, 255);
                  const uint32_t bright = brightCase ? rng() & 0xFFFFFF : 0xFFFFFF;
                  const DrawCase c{colorType, kind, mode, p, bright, transFlag, graph};
                  if (!DrawAndCompare(c, rng) && ++failures >= 20) return;
                }
              }
            }
          }
        }
      }
    }
  }
  GetSoftDrawSettings() = SoftDrawSettings{{0, 0, 0, 0}, 0, 0, 0xFFFFFF, 0};
}

}  // namespace
