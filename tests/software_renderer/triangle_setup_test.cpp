// Which pixels a triangle covers and which texel each one takes.
#include "software_renderer/triangle_setup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "software_renderer/blend_tables.h"
#include "support/blit_scenes.h"

namespace {

using Corners = TriangleVertex[3];

class TriangleSetupTest : public ::testing::Test {
 protected:
  void SetUp() override { InitSoftImgBlendTables(); }
  void TearDown() override { ResetDrawSettings(); }
};

// How often each pixel of a 32-bit image was drawn: the blue channel after
// drawing, on black, solid triangles that add 1.
struct DrawCounter {
  DrawCounter(int width, int height) : image(1, SourceKind::kDirect, width, height, {0}) {}

  void Draw(const TriangleVertex (&v)[3], const IntRect* area = nullptr) {
    UseDrawSettings(area ? *area : IntRect{0, 0, image.view.width, image.view.height}, 2, 255);
    DrawTriangleOnSoftImg(&image.view, nullptr, v, 0, nullptr, 1);
  }

  int At(int x, int y) const { return static_cast<int>(image.At(x, y) & 0xFF); }

  // The pixels drawn, as rows of "y:x0-x1" spans joined by spaces.
  std::string Spans() const {
    std::ostringstream s;
    for (int y = 0; y < image.view.height; ++y) {
      for (int x = 0; x < image.view.width; ++x) {
        if (At(x, y) == 0 || (x > 0 && At(x - 1, y) != 0)) continue;
        int end = x;
        while (end + 1 < image.view.width && At(end + 1, y) != 0) ++end;
        if (s.tellp() > 0) s << ' ';
        s << y << ':' << x << '-' << end;
      }
    }
    return s.str();
  }

  Pixels image;
};

struct CoverageCase {
  const char* what;
  TriangleVertex v[3];
  IntRect area;
  const char* spans;  // "y:x0-x1" per drawn row
};

TEST_F(TriangleSetupTest, WorkedExamplesCoverTheirRows) {
  const IntRect all{0, 0, 24, 16};
  const CoverageCase cases[] = {
      {"flat top", {{0, 0}, {4, 0}, {0, 4}}, all, "0:0-4 1:0-3 2:0-2 3:0-1"},
      {"flat bottom", {{4, 0}, {0, 4}, {4, 4}}, all, "0:4-4 1:3-4 2:2-4 3:1-4"},
      {"middle on the right", {{0, 0}, {4, 2}, {1, 5}}, all, "0:0-0 1:0-2 2:0-4 3:1-3 4:1-2"},
      {"middle on the left", {{0, 0}, {1, 2}, {6, 5}}, all, "0:0-0 1:1-1 2:1-2 3:3-4 4:4-5"},
      {"one row high", {{0, 0}, {1, 1}, {2, 0}}, all, "0:0-2"},
      {"collinear", {{0, 0}, {2, 2}, {4, 4}}, all, ""},
      {"coincident", {{3, 3}, {3, 3}, {3, 3}}, all, ""},
      {"three equal y", {{0, 3}, {5, 3}, {9, 3}}, all, ""},
      {"negative corners clipped", {{-2, -2}, {6, -2}, {-2, 6}}, all, "0:0-4 1:0-3 2:0-2 3:0-1 4:0-0"},
      {"left of the area", {{-9, 0}, {-1, 0}, {-9, 8}}, all, ""},
      {"above the area", {{0, -9}, {8, -9}, {0, -1}}, all, ""},
      {"right of the area", {{24, 0}, {30, 0}, {24, 6}}, all, ""},
      {"area cuts every side", {{0, 0}, {12, 0}, {0, 12}}, IntRect{2, 1, 6, 4}, "1:2-5 2:2-5 3:2-5"},
      {"area starts inside a row", {{0, 0}, {8, 4}, {0, 8}}, IntRect{3, 0, 24, 16},
       "2:3-4 3:3-6 4:3-8 5:3-6 6:3-4"},
  };
  for (const CoverageCase& c : cases) {
    DrawCounter counter(24, 16);
    counter.Draw(c.v, &c.area);
    EXPECT_EQ(c.spans, counter.Spans()) << c.what;
  }
}

TEST_F(TriangleSetupTest, EveryCornerOrderCoversTheSamePixels) {
  std::mt19937 rng(7);
  const int orders[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
  for (int trial = 0; trial < 200; ++trial) {
    TriangleVertex v[3];
    for (auto& c : v) c = {static_cast<int>(rng() % 30) - 3, static_cast<int>(rng() % 24) - 3};
    if (trial % 4 == 0) v[1].y = v[0].y;  // flat tops and bottoms
    DrawCounter first(26, 20);
    first.Draw(v);
    for (const auto& order : orders) {
      const Corners w = {v[order[0]], v[order[1]], v[order[2]]};
      DrawCounter other(26, 20);
      other.Draw(w);
      ASSERT_EQ(first.Spans(), other.Spans()) << trial;
    }
    // Nothing is processed twice by one triangle.
    for (int y = 0; y < 20; ++y) {
      for (int x = 0; x < 26; ++x) ASSERT_LE(first.At(x, y), 1) << trial;
    }
  }
}

// A 32-bit texture whose texel (x, y) holds 0x00yyxx + 0x010101, so that no
// texel is black, over a black destination: each drawn pixel shows its texel.
// In mode 2 with a texture of ones each pixel counts how often it was drawn.
struct TexelProbe {
  TexelProbe(int width, int height, int textureWidth, int textureHeight, bool ones = false)
      : dest(1, SourceKind::kDirect, width, height, {0}),
        texture(1, SourceKind::kDirect, textureWidth, textureHeight,
                Texels(textureWidth, textureHeight, ones)) {}

  static std::vector<uint32_t> Texels(int width, int height, bool ones) {
    std::vector<uint32_t> texels;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        texels.push_back(ones ? 1u : static_cast<uint32_t>(y << 8 | x) + 0x010101u);
      }
    }
    return texels;
  }

  void Draw(const TriangleVertex (&v)[3], int mode = 0) {
    UseDrawSettings(IntRect{0, 0, dest.view.width, dest.view.height}, mode, 255);
    DrawTriangleOnSoftImg(&dest.view, &texture.view, v, 0, nullptr, 0);
  }

  Pixels dest;
  Pixels texture;
};

TEST_F(TriangleSetupTest, QuadrangleAtIntegerCornersMapsItsBlockOneToOne) {
  const int x0 = 3, y0 = 2, w = 6, h = 4;
  const TriangleVertex tl{x0, y0, 0, 0}, tr{x0 + w, y0, w, 0}, bl{x0, y0 + h, 0, h},
      br{x0 + w, y0 + h, w, h};
  TexelProbe probe(16, 10, w, h);
  probe.Draw({tl, tr, bl});
  probe.Draw({tr, bl, br});
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 16; ++x) {
      const bool inside = x >= x0 && x < x0 + w && y >= y0 && y < y0 + h;
      const uint32_t want = inside ? static_cast<uint32_t>((y - y0) << 8 | (x - x0)) + 0x010101u : 0;
      EXPECT_EQ(want, probe.dest.At(x, y)) << x << "," << y;
    }
  }
  // The shared diagonal is processed by both triangles: h - 1 pixels when
  // w >= h, the corner at column x0 + w failing the texel bounds.
  TexelProbe counter(16, 10, w, h, true);
  counter.Draw({tl, tr, bl}, 2);
  counter.Draw({tr, bl, br}, 2);
  int twice = 0;
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 16; ++x) twice += counter.dest.At(x, y) == 2;
  }
  EXPECT_EQ(h - 1, twice);
  // Solid, the column x0 + w is covered as well.
  DrawCounter solid(16, 10);
  solid.Draw({tl, tr, bl});
  EXPECT_EQ("2:3-9 3:3-8 4:3-6 5:3-5", solid.Spans());
}

TEST_F(TriangleSetupTest, TranslationMovesPixelsAndKeepsTheirTexels) {
  std::mt19937 rng(11);
  for (int trial = 0; trial < 100; ++trial) {
    TriangleVertex v[3];
    for (auto& c : v) {
      c = {static_cast<int>(rng() % 12), static_cast<int>(rng() % 12), static_cast<int>(rng() % 10) - 1,
           static_cast<int>(rng() % 10) - 1};
    }
    const int dx = static_cast<int>(rng() % 9) - 4, dy = static_cast<int>(rng() % 9) - 4;
    const Corners moved = {{v[0].x + dx, v[0].y + dy, v[0].u, v[0].v},
                           {v[1].x + dx, v[1].y + dy, v[1].u, v[1].v},
                           {v[2].x + dx, v[2].y + dy, v[2].u, v[2].v}};
    TexelProbe a(24, 24, 8, 8), b(24, 24, 8, 8);
    a.Draw(v);
    b.Draw(moved);
    for (int y = 0; y < 24; ++y) {
      for (int x = 0; x < 24; ++x) {
        const int fromX = x - dx, fromY = y - dy;
        if (fromX < 0 || fromY < 0 || fromX >= 24 || fromY >= 24) continue;
        ASSERT_EQ(a.dest.At(fromX, fromY), b.dest.At(x, y)) << trial << " at " << x << "," << y;
      }
    }
  }
}

TEST_F(TriangleSetupTest, LeftClippedSpanTakesTheTexelOfItsFirstPixel) {
  // A texture stretched twice as wide: u = (x - 1) / 2. With the area
  // starting at column 4 the first drawn pixel takes the texel of column 4.
  TexelProbe probe(12, 4, 8, 8);
  const TriangleVertex v[3] = {{1, 0, 0, 0}, {11, 0, 5, 0}, {1, 3, 0, 3}};
  UseDrawSettings(IntRect{4, 0, 12, 4}, 0, 0);
  DrawTriangleOnSoftImg(&probe.dest.view, &probe.texture.view, v, 0, nullptr, 0);
  EXPECT_EQ(0u, probe.dest.At(3, 0));
  EXPECT_EQ(0x010102u, probe.dest.At(4, 0));  // u = 1.5
  EXPECT_EQ(0x010103u, probe.dest.At(5, 0));  // u = 2
  EXPECT_EQ(0x010103u, probe.dest.At(6, 0));
}

// A fan of eight triangles around (20, 20) with horizontal and vertical
// spokes: rows are shared top-inclusive and bottom-exclusive, so a horizontal
// spoke is drawn once; within a row both edge pixels belong to the triangle,
// so a vertical spoke is drawn by both its triangles; and nothing inside the
// fan is left out.
TEST_F(TriangleSetupTest, FanOfTrianglesLeavesNoGapsAndDrawsSpokesByTheRowRule) {
  const TriangleVertex centre{20, 20};
  const TriangleVertex rim[8] = {{20, 4}, {34, 8}, {36, 20}, {30, 33},
                                 {20, 36}, {8, 30}, {4, 20}, {9, 7}};
  DrawCounter counter(42, 42);
  for (int i = 0; i < 8; ++i) counter.Draw({centre, rim[i], rim[(i + 1) % 8]});

  // Inside the rim polygon, by more than a rounding's width: drawn.
  auto inside = [&](double px, double py) {
    for (int i = 0; i < 8; ++i) {
      const TriangleVertex& a = rim[i];
      const TriangleVertex& b = rim[(i + 1) % 8];
      const double cross = (b.x - a.x) * (py - a.y) - (b.y - a.y) * (px - a.x);
      const double length = std::hypot(b.x - a.x, b.y - a.y);
      if (cross / length < 0.01) return false;
    }
    return true;
  };
  for (int y = 0; y < 42; ++y) {
    for (int x = 0; x < 42; ++x) {
      if (inside(x, y)) {
        EXPECT_GE(counter.At(x, y), 1) << "gap at " << x << "," << y;
      }
      if (y < 4 || y >= 36) {
        EXPECT_EQ(0, counter.At(x, y)) << x << "," << y;
      }
    }
  }
  for (int x = 4; x <= 36; ++x) {
    if (x != 20) {
      EXPECT_EQ(1, counter.At(x, 20)) << "horizontal spoke at " << x;
    }
  }
  for (int y = 4; y < 36; ++y) {
    if (y != 20) {
      EXPECT_EQ(2, counter.At(20, y)) << "vertical spoke at " << y;
    }
  }
}

TEST_F(TriangleSetupTest, CornersFarApartStillGiveTheirEdges) {
  // Legs of 16100 pixels: their fixed-point differences leave 32 bits. The
  // long edge runs x + y = 100 through the image.
  DrawCounter counter(128, 128);
  counter.Draw({{-8000, -8000}, {8100, -8000}, {-8000, 8100}});
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 128; ++x) {
      EXPECT_EQ(x + y <= 100 ? 1 : 0, counter.At(x, y)) << x << "," << y;
    }
  }
  // The widest triangle the range holds, clipped to the image.
  DrawCounter widest(16, 8);
  widest.Draw({{-8192, 0}, {8191, 0}, {-8192, 8191}});
  EXPECT_EQ("0:0-15 1:0-15 2:0-15 3:0-15 4:0-15 5:0-15 6:0-15 7:0-15", widest.Spans());
}

TEST_F(TriangleSetupTest, CoordinatesOutsideTheFixedPointRangeDrawNothing) {
  const int far[] = {8192, -8193, 100000, INT_MAX, INT_MIN};
  for (int value : far) {
    for (int corner = 0; corner < 3; ++corner) {
      for (int axis = 0; axis < 2; ++axis) {
        TriangleVertex v[3] = {{0, 0}, {10, 0}, {0, 10}};
        (axis ? v[corner].y : v[corner].x) = value;
        DrawCounter counter(12, 12);
        counter.Draw(v);
        EXPECT_EQ("", counter.Spans()) << value << " at corner " << corner << " axis " << axis;
      }
    }
  }
  // Texture coordinates count only for textured triangles.
  TexelProbe probe(12, 12, 8, 8);
  probe.Draw({{0, 0, 0, 0}, {10, 0, 8192, 0}, {0, 10, 0, 8}});
  EXPECT_EQ(0u, probe.dest.At(0, 0));
  DrawCounter solid(12, 12);
  solid.Draw({{0, 0, INT_MIN, 0}, {10, 0, 0, INT_MAX}, {0, 10, 0, 0}});
  EXPECT_EQ(1, solid.At(0, 0));
}

TEST_F(TriangleSetupTest, SetUpGivesTheGradientsOfTheAffineMap) {
  // u = 2x, v = y / 2 + 1 around the leftmost corner (1, 1).
  const TriangleVertex v[3] = {{5, 1, 8, 1}, {1, 1, 0, 1}, {1, 9, 0, 5}};
  TriangleSetup setup{};
  ASSERT_TRUE(SetUpTriangle(v, true, &setup));
  EXPECT_EQ(1, setup.refX);
  EXPECT_EQ(1, setup.refY);
  EXPECT_EQ(0, setup.refU);
  EXPECT_EQ(1 << 18, setup.refV);
  EXPECT_EQ(2 << 18, setup.dudx);
  EXPECT_EQ(0, setup.dudy);
  EXPECT_EQ(0, setup.dvdx);
  EXPECT_EQ(1 << 17, setup.dvdy);
  // Equal smallest x: the input order picks the reference corner.
  const TriangleVertex w[3] = {{1, 9, 0, 5}, {5, 1, 8, 1}, {1, 1, 0, 1}};
  ASSERT_TRUE(SetUpTriangle(w, true, &setup));
  EXPECT_EQ(9, setup.refY);
  EXPECT_EQ(5 << 18, setup.refV);
}

}  // namespace
