// The software triangle against the reference model: random triangles of
// every shape under every setting, compared byte for byte with the guard
// bytes around the destination.
#include "software_renderer/triangle_draw.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <random>
#include <sstream>
#include <string>

#include "software_renderer/blend_tables.h"
#include "support/blit_scenes.h"
#include "support/triangle_oracle.h"

namespace {

int Between(std::mt19937& rng, int low, int high) {
  return low + static_cast<int>(rng() % static_cast<uint32_t>(high - low + 1));
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

std::string Describe(const TriangleVertex v[3]) {
  std::ostringstream s;
  s << "corners";
  for (int i = 0; i < 3; ++i) {
    s << " (" << v[i].x << "," << v[i].y << " " << v[i].u << "," << v[i].v << ")";
  }
  return s.str();
}

class TriangleDrawTest : public ::testing::Test {
 protected:
  void SetUp() override { InitSoftImgBlendTables(); }
  void TearDown() override { ResetDrawSettings(); }
};

TEST_F(TriangleDrawTest, RandomTexturedTrianglesMatchTheReferenceModel) {
  std::mt19937 rng(20240917);
  ForEachBlitCase(rng, [&rng](const BlitCase& c) {
    BlitScene scene(c, rng, 9, 24);
    TriangleVertex v[3];
    RandomCorners(rng, scene.real->view.width, scene.real->view.height, scene.sourceWidth,
                  scene.sourceHeight, v);
    DrawTriangleOnSoftImg(&scene.real->view, &scene.source->view, v, c.transFlag, scene.Graph(), 0);
    OracleDrawTriangle(&scene.expected->view, &scene.source->view, v, c.transFlag, scene.Graph(), 0,
                       scene.oracle);
    scene.Compare(Describe(v));
  });
}

// Texture corners one texel a pixel apart along the rows, as an unturned,
// unscaled sprite maps them: rows of side by side texels, partly outside
// the source.
TEST_F(TriangleDrawTest, UnscaledQuadsMatchTheReferenceModel) {
  std::mt19937 rng(20250310);
  ForEachBlitCase(rng, [&rng](const BlitCase& c) {
    BlitScene scene(c, rng, 9, 24);
    const int w = Between(rng, 1, scene.real->view.width + 4);
    const int h = Between(rng, 1, scene.real->view.height + 4);
    const int x = Between(rng, -3, 3), y = Between(rng, -3, 3);
    const int u = Between(rng, -4, 4), v = Between(rng, -4, 4);
    const TriangleVertex tl{x, y, u, v}, tr{x + w, y, u + w, v}, bl{x, y + h, u, v + h},
        br{x + w, y + h, u + w, v + h};
    for (const auto& corners : {std::array{tl, tr, bl}, std::array{tr, bl, br}}) {
      DrawTriangleOnSoftImg(&scene.real->view, &scene.source->view, corners.data(), c.transFlag, scene.Graph(), 0);
      OracleDrawTriangle(&scene.expected->view, &scene.source->view, corners.data(), c.transFlag,
                         scene.Graph(), 0, scene.oracle);
    }
    scene.Compare(Describe(std::array{tl, tr, br}.data()));
  });
}

TEST_F(TriangleDrawTest, RandomSolidTrianglesMatchTheReferenceModel) {
  std::mt19937 rng(917);
  ForEachSolidCase(rng, 12, [&rng](const SolidCase& c) {
    const int dw = Between(rng, 1, 24), dh = Between(rng, 1, 20);
    GuardedImage real(c.colorType, dw, dh, Between(rng, 0, 2) * 4, rng);
    GuardedImage expected(real);
    const IntRect area = RandomDrawArea(dw, dh, rng);
    TriangleVertex v[3];
    RandomCorners(rng, dw, dh, 1, 1, v);
    const uint32_t color = rng();
    // The transparent flag and a blend graph play no part in solid triangles.
    const GraphImageOf graph(1, 1, rng);
    UseDrawSettings(area, c.mode, c.param, c.bright);
    DrawTriangleOnSoftImg(&real.view, nullptr, v, static_cast<int>(rng() % 2), &graph.view, color);
    OracleDrawTriangle(&expected.view, nullptr, v, 0, nullptr, color,
                       OracleSettingsOf(area, c.mode, c.param, c.bright, 0, 0, 0));
    const std::string difference = FirstDifference(real, expected);
    if (!difference.empty()) {
      ADD_FAILURE() << "type " << c.colorType << " mode " << c.mode << " p " << c.param
                    << " bright " << std::hex << c.bright << " colour " << color << std::dec
                    << " into " << dw << "x" << dh << " " << Describe(v) << " area " << area.left
                    << "," << area.top << "," << area.right << "," << area.bottom << ": "
                    << difference;
    }
  });
}

}  // namespace
