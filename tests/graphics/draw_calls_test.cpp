#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "Ombrel.h"
#include "direct3d9/core_inputs.h"
#include "direct3d9/device_ops.h"
#include "direct3d9/device_services.h"
#include "direct3d9/direct3d_state.h"
#include "direct3d9/vertex_batch.h"
#include "graphics/draw_state.h"
#include "graphics/screen_settings.h"
#include "graphics/graph_handles.h"
#include "graphics/screen_images.h"
#include "support/blit_oracle.h"
#include "support/library_session.h"
#include "support/recording_device_ops.h"
#include "system/system_state.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;

class DrawCallsTest : public StartedLibraryTest {
 protected:
  void SetUp() override {
    StartedLibraryTest::SetUp();
    ASSERT_EQ(SelectDrawTarget(-2), 0);
    screen_ = GetPrimaryScreenSoftImg();
  }

  uint32_t Pixel(int x, int y) const {
    uint32_t v;
    std::memcpy(&v, screen_->pixels + y * screen_->body->pitch + x * 4, 4);
    return v;
  }
  void SetPixel(int x, int y, uint32_t v) {
    std::memcpy(screen_->pixels + y * screen_->body->pitch + x * 4, &v, 4);
  }
  void FillScreen(uint32_t v) { FillSoftImgRaw(screen_, nullptr, v); }
  // Every screen pixel, row by row.
  std::vector<uint32_t> Snapshot() const {
    std::vector<uint32_t> all;
    for (int y = 0; y < screen_->height; ++y) {
      for (int x = 0; x < screen_->width; ++x) all.push_back(Pixel(x, y));
    }
    return all;
  }
  // A graph of random 32-bit pixels, a few of them the transparent black.
  int RandomGraph(int width, int height, std::mt19937& rng) {
    const int g = CreateEmptyGraph(width, height, 0);
    SOFTIMG& view = GetGraphRecord(g)->view;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const uint32_t v = rng() % 5 == 0 ? 0xFF000000u : (0xFF000000u | (rng() & 0xFFFFFF));
        std::memcpy(view.pixels + y * view.body->pitch + x * 4, &v, 4);
      }
    }
    return g;
  }

  SOFTIMG* screen_ = nullptr;
};

// A copy of the screen that the oracle draws into.
struct ScreenCopy {
  std::vector<uint8_t> bytes;
  SOFTIMG view{};
  explicit ScreenCopy(const SOFTIMG& screen) {
    const SoftImgBody& b = *screen.body;
    bytes.assign(screen.pixels, screen.pixels + b.pitch * b.height);
    CreateSoftImg(&view, b.width, b.height, b.pitch, 0, b.colorType, 0, 0, 0, bytes.data());
  }
  ~ScreenCopy() { ReleaseSoftImg(&view); }
};

TEST_F(DrawCallsTest, PutGraphMatchesTheBlitModelInEveryModeWithBrightAndArea) {
  std::mt19937 rng(11);
  const int graph = RandomGraph(23, 17, rng);
  struct Setting {
    int mode, param;
    int red, green, blue;
    int transFlag;
  };
  std::vector<Setting> settings;
  for (int mode : {0, 1, 2, 3, 4, 10, 11}) {
    for (int param : {0, 77, 128, 255}) {
      settings.push_back({mode, param, 255, 255, 255, 0});
      settings.push_back({mode, param, 200, 100, 50, 1});
    }
  }
  const IntRect area = {5, 4, 300, 230};
  for (const Setting& s : settings) {
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 40; ++x) SetPixel(x, y, 0xFF000000u | (rng() & 0xFFFFFF));
    }
    SetDrawClipRect(area.left, area.top, area.right, area.bottom);
    SetBlendModeAndParam(s.mode, s.param);
    SetBrightRGB(s.red, s.green, s.blue);
    ScreenCopy expected(*screen_);
    OracleSettings oracle = {area, s.mode, s.param, s.red, s.green, s.blue, 0, 0, 0};
    // Half outside the area at the top-left.
    OracleDrawImage(&expected.view, &GetGraphRecord(graph)->view, -3, 1, s.transFlag, nullptr,
                    oracle);
    ASSERT_EQ(PutGraph(-3, 1, graph, s.transFlag), 0);
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 40; ++x) {
        uint32_t want;
        std::memcpy(&want, expected.view.pixels + y * expected.view.body->pitch + x * 4, 4);
        ASSERT_EQ(Pixel(x, y), want) << "mode " << s.mode << " param " << s.param << " bright "
                                     << s.red << " at " << x << "," << y;
      }
    }
  }
}

TEST_F(DrawCallsTest, AnEmptyAreaDrawsNothingEvenForDeadHandles) {
  std::mt19937 rng(3);
  const int graph = RandomGraph(8, 8, rng);
  FillScreen(0xFF123456);
  SetDrawClipRect(10, 10, 10, 50);
  const std::vector<uint32_t> before = Snapshot();
  const float f = 1.0f;
  EXPECT_EQ(PutGraph(0, 0, graph, 0), 0);
  EXPECT_EQ(PutGraph(0, 0, 999, 0), 0);
  EXPECT_EQ(PutGraphStretched(0, 0, 50, 50, graph, 0), 0);
  EXPECT_EQ(PutGraphMirrored(0, 0, 999, 0), 0);
  EXPECT_EQ(PutGraphQuad(0, 0, 9 * f, 0, 9 * f, 9 * f, 0, 9 * f, graph, 0), 0);
  EXPECT_EQ(PaintBox(0, 0, 50, 50, kWhite, 1), 0);
  EXPECT_EQ(PaintBox(0, 0, 50, 50, kWhite, 0), 0);
  EXPECT_EQ(PaintLine(0, 0, 50, 50, kWhite, 1), 0);
  EXPECT_EQ(PaintLine(0, 0, 50, 50, kWhite, 5), 0);
  EXPECT_EQ(DrawVertexList(nullptr, 0, 5, graph, 0, 0), 0);
  EXPECT_EQ(Snapshot(), before);
  // Clearing ignores the area.
  EXPECT_EQ(ClearDrawTarget(nullptr), 0);
  EXPECT_EQ(Pixel(200, 200), BackgroundColorValue(screen_));
  EXPECT_EQ(Pixel(200, 200) & 0xFFFFFF, 0u);
}

TEST_F(DrawCallsTest, BeforeStartUpPutGraphRefuses) {
  std::mt19937 rng(3);
  const int graph = RandomGraph(4, 4, rng);
  GetSystemState().run.initialised = 0;
  const int result = PutGraph(0, 0, graph, 0);
  GetSystemState().run.initialised = 1;
  EXPECT_EQ(result, -1);
}

TEST_F(DrawCallsTest, MirroredGraphCoversTheSamePixelsReversed) {
  std::mt19937 rng(5);
  const int graph = RandomGraph(7, 5, rng);
  FillScreen(0xFF000000);
  ASSERT_EQ(PutGraph(20, 10, graph, 0), 0);
  std::vector<uint32_t> plain;
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 7; ++x) plain.push_back(Pixel(20 + x, 10 + y));
  }
  FillScreen(0xFF000000);
  ASSERT_EQ(PutGraphMirrored(20, 10, graph, 0), 0);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 7; ++x) {
      EXPECT_EQ(Pixel(20 + x, 10 + y), plain[y * 7 + (6 - x)]) << x << "," << y;
    }
  }
  EXPECT_EQ(Pixel(19, 10), 0xFF000000u);
  EXPECT_EQ(Pixel(27, 10), 0xFF000000u);
}

TEST_F(DrawCallsTest, PutGraphPartDrawsTheSelectedColumnsAndRestoresTheArea) {
  std::mt19937 rng(9);
  const int graph = RandomGraph(10, 6, rng);
  const SOFTIMG& view = GetGraphRecord(graph)->view;
  auto texel = [&](int x, int y) {
    uint32_t v;
    std::memcpy(&v, view.pixels + y * view.body->pitch + x * 4, 4);
    return v;
  };
  SetDrawClipRect(1, 1, 319, 239);
  for (int mirror : {0, 1}) {
    FillScreen(0xFF000000);
    // Columns 3..6 and rows 2..4 of the graph at (50, 60).
    ASSERT_EQ(PutGraphPart(50, 60, 3, 2, 4, 3, graph, 0, mirror), 0);
    for (int y = 58; y < 66; ++y) {
      for (int x = 48; x < 56; ++x) {
        const bool inside = x >= 50 && x < 54 && y >= 60 && y < 63;
        const int sx = mirror ? 3 + (53 - x) : 3 + (x - 50);
        const uint32_t want = inside ? texel(sx, 2 + (y - 60)) : 0xFF000000u;
        EXPECT_EQ(Pixel(x, y), want) << "mirror " << mirror << " at " << x << "," << y;
      }
    }
    const IntRect& area = GetDrawState().drawArea;
    EXPECT_EQ(area.left, 1);
    EXPECT_EQ(area.right, 319);
  }
  EXPECT_EQ(PutGraphPart(50, 60, 3, 2, 4, 3, 999, 0, 1), -1);
  EXPECT_EQ(PutGraphPart(50, 60, 3, 2, 4, 3, 999, 0, 0), -1);
  EXPECT_EQ(GetDrawState().drawArea.left, 1);
  EXPECT_EQ(GetDrawState().drawArea.bottom, 239);
}

TEST_F(DrawCallsTest, DrawingGoesIntoASelectedGraph) {
  std::mt19937 rng(21);
  const int sprite = RandomGraph(4, 4, rng);
  const int canvas = CreateEmptyGraph(16, 16, 0);
  ASSERT_EQ(SelectDrawTarget(canvas), 0);
  ASSERT_EQ(ClearDrawTarget(nullptr), 0);
  FillScreen(0xFF445566);
  ASSERT_EQ(PutGraph(14, 14, sprite, 0), 0);  // clipped to the canvas
  const SOFTIMG& target = GetGraphRecord(canvas)->view;
  const SOFTIMG& source = GetGraphRecord(sprite)->view;
  auto at = [](const SOFTIMG& image, int x, int y) {
    uint32_t v;
    std::memcpy(&v, image.pixels + y * image.body->pitch + x * 4, 4);
    return v;
  };
  EXPECT_EQ(at(target, 15, 15), at(source, 1, 1));
  EXPECT_EQ(at(target, 13, 13), BackgroundColorValue(&target));
  // The screen was not touched.
  EXPECT_EQ(Pixel(14, 14), 0xFF445566u);
  // A cleared region with a negative corner clears the whole target.
  FillSoftImgRaw(&GetGraphRecord(canvas)->view, nullptr, 0xFFFFFFFF);
  const IntRect region = {-1, 0, 4, 4};
  ASSERT_EQ(ClearDrawTarget(&region), 0);
  EXPECT_EQ(at(target, 15, 15), BackgroundColorValue(&target));
}

TEST_F(DrawCallsTest, ClearingFillsOnlyTheRegionWithTheBackground) {
  FillScreen(0xFFFFFFFF);
  SetBlendModeAndParam(2, 255);
  SetBrightRGB(10, 10, 10);
  SetDrawClipRect(100, 100, 110, 110);
  const IntRect region = {5, 6, 8, 9};
  ASSERT_EQ(ClearDrawTarget(&region), 0);
  EXPECT_EQ(Pixel(5, 6), BackgroundColorValue(screen_));
  EXPECT_EQ(Pixel(7, 8), BackgroundColorValue(screen_));
  EXPECT_EQ(Pixel(8, 8), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(7, 9), 0xFFFFFFFFu);
}

TEST_F(DrawCallsTest, StretchedPartOfAGraphLeavesNoGraphBehind) {
  std::mt19937 rng(4);
  const int graph = RandomGraph(8, 8, rng);
  const int live = GraphLiveCount();
  EXPECT_EQ(PutGraphPartStretchedFloat(0, 0, 16, 16, 2, 2, 4, 4, graph, 0), 0);
  EXPECT_EQ(PutGraphPartStretchedFloat(0, 0, 16, 16, 2, 2, 4, 4, 12345, 0), 0);
  EXPECT_EQ(GraphLiveCount(), live);
}

// A device without a reverse-subtract operation: the subtraction is an
// inversion of the destination, an adding draw and a second inversion.
TEST_F(DrawCallsTest, SubtractWithoutTheDeviceOperationIsEmulatedByTwoInversions) {
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  RecordingDeviceOps ops;
  InitializeVertexBatch();
  DeviceOps* previous = InstallDeviceOps(&ops);
  ScreenSettings& screen = GetScreenSettings();
  Direct3DState& d3d = GetDirect3DState();
  const int savedNative = d3d.nativeBlendOp;
  screen.hardwareOn = 1;
  GetDeviceCoreInputs().drawArea = {0, 0, 320, 240};
  SetBrightRGB(10, 20, 30);
  // Triangles drawn for one box: two when the device subtracts itself, six
  // with the emulation.
  auto trianglesOfOneBox = [&](int native) {
    d3d.nativeBlendOp = native;
    ops.calls.clear();
    EXPECT_EQ(PaintBox(10, 10, 50, 40, 0xFF808080, 1), 0);
    FlushVertexBatch();
    uint32_t triangles = 0;
    for (const DeviceCall& call : ops.calls) {
      if (call.name == "DrawPrimitiveUP") triangles += call.b;
    }
    return triangles;
  };
  SetBlendModeAndParam(3, 77);
  EXPECT_EQ(trianglesOfOneBox(1), 2u);
  EXPECT_EQ(trianglesOfOneBox(0), 6u);
  // The settings come back as they were.
  EXPECT_EQ(GetDrawState().blendMode, 3);
  EXPECT_EQ(GetDrawState().blendParam, 77);
  EXPECT_EQ(GetDrawState().drawBright, 0x000A141Eu);
  // Other modes are drawn once.
  SetBlendModeAndParam(2, 77);
  EXPECT_EQ(trianglesOfOneBox(0), 2u);

  EndDeviceScene();
  screen.hardwareOn = 0;
  d3d.nativeBlendOp = savedNative;
  InstallDeviceOps(previous);
  SetBlendModeAndParam(0, 0);
  SetBrightRGB(255, 255, 255);
}

}  // namespace
