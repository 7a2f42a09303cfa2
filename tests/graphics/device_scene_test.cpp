// One scene drawn through the public drawing calls twice, by the software
// renderer and through the Direct3D device, and compared pixel by pixel:
// graphs plain, keyed, with alpha, in every blend mode, bright, mirrored,
// stretched, as quads, cut into several textures, boxes, lines, a blend
// graph and a clipped draw. Both frames are saved as artefacts.
#include <windows.h>
#include <d3d9.h>

#include <png.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Ombrel.h"
#include "direct3d9/core_inputs.h"
#include "direct3d9/device_services.h"
#include "direct3d9/direct3d_state.h"
#include "graphics/draw_state.h"
#include "graphics/graph_creation.h"
#include "graphics/graph_handles.h"
#include "graphics/graph_textures.h"
#include "graphics/screen_settings.h"
#include "support/library_session.h"
#include "support/pixel_formats.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

using Frame = std::vector<uint32_t>;  // 0x00RRGGBB, row-major

void WritePng(const std::string& name, const Frame& pixels) {
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  image.width = kWidth;
  image.height = kHeight;
  image.format = PNG_FORMAT_BGRA;
  Frame opaque(pixels);
  for (uint32_t& p : opaque) p |= 0xFF000000;
  png_image_write_to_file(&image, (std::string(TEST_ARTIFACT_DIR) + "/" + name).c_str(), 0,
                          opaque.data(), kWidth * 4, nullptr);
}

// What the current renderer drew, read through the screen lock.
Frame ReadScreen() {
  Frame frame(kWidth * kHeight, 0xFF000000);
  GraphImage view = {};
  const IntRect whole = {0, 0, kWidth, kHeight};
  if (LockDrawScreenPixels(&whole, &view) != 0) return frame;
  for (int y = 0; y < kHeight; ++y) {
    const auto* row = static_cast<const uint8_t*>(view.pixels) + y * view.pitch;
    for (int x = 0; x < kWidth; ++x) {
      uint32_t v;
      std::memcpy(&v, row + 4 * x, 4);
      frame[y * kWidth + x] = v & 0x00FFFFFF;
    }
  }
  UnlockDrawScreenPixels();
  return frame;
}

// A graph whose pixels come from fn(x, y) as 0xAARRGGBB.
template <typename Fn>
int MakeGraph(int width, int height, bool alpha, Fn fn) {
  PixelBuffer pixels(width, height, 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels.Set(x, y, fn(x, y));
  GraphImage image = {};
  image.format = alpha ? A8R8G8B8Format() : X8R8G8B8Format();
  image.width = width;
  image.height = height;
  image.pitch = pixels.pitch;
  image.pixels = pixels.data();
  return CreateGraphFromGraphImagePair(&image, nullptr, 0, 0, 0);
}

// No two neighbours alike, so a shifted, mirrored or mis-scaled copy shows;
// every seventh pixel is the transparent black.
uint32_t Pattern(int x, int y) {
  if ((x * 3 + y * 5) % 7 == 0) return 0;
  return static_cast<uint32_t>(40 + (x * 37 + y * 11) % 200) << 16 |
         static_cast<uint32_t>(30 + (x * 5 + y * 53) % 220) << 8 |
         static_cast<uint32_t>(20 + ((x ^ y) * 9) % 230);
}

// A blend graph of two weights, far from the border so that the threshold
// sorts each pixel the same way in both renderers.
int MakeBlendGraph(int width, int height) {
  DrawStateRecord& state = GetDrawState();
  state.createBlendGraph = 1;
  const int graph = CreateEmptyGraph(width, height, 0);
  state.createBlendGraph = 0;
  GraphRecord* record = GetGraphRecord(graph);
  if (!record) return -1;
  SOFTIMG& image = record->original->image;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.pixels[y * image.body->pitch + x] = ((x / 4 + y / 4) % 2) ? 220 : 40;
  MarkGraphPixelsChanged(record->original);
  return graph;
}

struct Region {
  const char* name;
  IntRect rect;
  int tolerance;  // largest channel difference allowed
};

// Blended results may differ by the rounding of the two renderers: the
// software tables scale by 256ths and truncate, the device multiplies in
// floating point and rounds to the nearest 255th.
constexpr int kBlendTolerance = 3;

const Region kRegions[] = {
    {"plain", {8, 8, 40, 40}, 0},
    {"keyed", {48, 8, 80, 40}, 0},
    {"alpha", {88, 8, 120, 40}, kBlendTolerance},
    {"mode 1 alpha", {128, 8, 160, 40}, kBlendTolerance},
    {"mode 2 add", {168, 8, 200, 40}, kBlendTolerance},
    {"mode 3 subtract", {208, 8, 240, 40}, kBlendTolerance},
    {"mode 4 multiply", {248, 8, 280, 40}, kBlendTolerance},
    {"bright", {8, 48, 40, 80}, kBlendTolerance},
    {"mirrored", {48, 48, 80, 80}, 0},
    {"stretched 2x", {88, 48, 152, 112}, 0},
    {"upright quad", {160, 48, 192, 80}, 0},
    {"mirrored stretch", {200, 48, 232, 80}, 0},
    {"split wide graph", {0, 120, 320, 160}, 0},
    {"box", {8, 170, 40, 200}, 0},
    {"blended box", {48, 170, 80, 200}, kBlendTolerance},
    {"outline", {88, 170, 120, 200}, 0},
    {"lines", {128, 170, 180, 205}, 0},
    // The software weight table tops out at 255 of 256, so a fully drawn
    // pixel of a blend graph keeps a trace of the destination.
    {"blend graph", {200, 170, 232, 202}, 1},
    {"clipped", {240, 160, 290, 200}, 0},
};

struct SceneGraphs {
  int plain, alpha, wide, blend;
};

SceneGraphs MakeSceneGraphs() {
  SceneGraphs g;
  g.plain = MakeGraph(32, 32, false, Pattern);
  g.alpha = MakeGraph(32, 32, true, [](int x, int y) {
    return static_cast<uint32_t>((x * 8 + y * 3) & 0xFF) << 24 | (Pattern(x, y) | 0x101010);
  });
  g.wide = MakeGraph(kWidth, 40, false, [](int x, int y) { return Pattern(x, y) | 0x010101; });
  g.blend = MakeBlendGraph(32, 32);
  return g;
}

void DrawScene(const SceneGraphs& g) {
  const ColorCode background = ComposeColorCode(60, 90, 120);
  PaintFilledBox(0, 0, kWidth, kHeight, background);
  PutGraph(8, 8, g.plain, 0);
  PutGraph(48, 8, g.plain, 1);
  PutGraph(88, 8, g.alpha, 1);
  for (int mode = 1; mode <= 4; ++mode) {
    SetBlendModeAndParam(mode, 128);
    PutGraph(88 + 40 * mode, 8, g.plain, 0);
  }
  SetBlendModeAndParam(0, 0);
  SetBrightRGB(255, 128, 0);
  PutGraph(8, 48, g.plain, 0);
  SetBrightRGB(255, 255, 255);
  PutGraphMirrored(48, 48, g.plain, 1);
  PutGraphStretched(88, 48, 152, 112, g.plain, 0);
  PutGraphQuad(160, 48, 192, 48, 192, 80, 160, 80, g.plain, 0);
  PutGraphStretched(232, 48, 200, 80, g.plain, 0);
  PutGraph(0, 120, g.wide, 0);
  PaintFilledBox(8, 170, 40, 200, ComposeColorCode(220, 30, 40));
  SetBlendModeAndParam(1, 128);
  PaintFilledBox(48, 170, 80, 200, ComposeColorCode(250, 250, 10));
  SetBlendModeAndParam(0, 0);
  PaintBoxOutline(88, 170, 120, 200, ComposeColorCode(255, 255, 255));
  PaintLine(130, 175, 170, 175, ComposeColorCode(0, 255, 0), 1);
  PaintLine(175, 172, 175, 200, ComposeColorCode(255, 0, 255), 1);
  SetBlendGraph(g.blend, 128, 1);
  PutGraph(200, 170, g.plain, 0);
  SetBlendGraph(-1, 0, 0);
  SetDrawClipRect(250, 170, 280, 190);
  PutGraph(240, 165, g.plain, 0);
  SetDrawClipRect(0, 0, kWidth, kHeight);
}

class DeviceSceneTest : public ::testing::Test {
 protected:
  void Start(bool hardware) {
    LibraryOptions options;
    options.title = UniqueWindowTitle("DeviceScene");
    options.screenWidth = kWidth;
    options.screenHeight = kHeight;
    options.hardware = hardware;
    session_ = std::make_unique<LibrarySession>(options);
    ASSERT_EQ(session_->result(), 0);
    ASSERT_EQ(GetScreenSettings().hardwareOn, hardware ? 1 : 0);
  }
  Frame DrawSceneWith(bool hardware) {
    Start(hardware);
    if (HasFatalFailure()) return {};
    const SceneGraphs graphs = MakeSceneGraphs();
    EXPECT_NE(graphs.blend, -1);
    if (hardware) {
      // The wide graph is cut into textures no wider than the screen.
      const GraphRecord* wide = GetGraphRecord(graphs.wide);
      EXPECT_GE(wide->drawPieceCount, 2);
    }
    DrawScene(graphs);
    Frame frame = ReadScreen();
    session_.reset();
    return frame;
  }
  void TearDown() override {
    session_.reset();
    ResetDeviceCoreInputs();
  }
  std::unique_ptr<LibrarySession> session_;
};

TEST_F(DeviceSceneTest, TheDeviceDrawsTheSceneAsTheSoftwareRendererDoes) {
  const Frame software = DrawSceneWith(false);
  ASSERT_FALSE(software.empty());
  const Frame hardware = DrawSceneWith(true);
  ASSERT_FALSE(hardware.empty());
  WritePng("device_scene_software.png", software);
  WritePng("device_scene_hardware.png", hardware);
  std::vector<int> limit(kWidth * kHeight, 0);
  for (const Region& region : kRegions)
    for (int y = region.rect.top; y < region.rect.bottom; ++y)
      for (int x = region.rect.left; x < region.rect.right; ++x)
        limit[y * kWidth + x] = region.tolerance;
  auto channelDifference = [](uint32_t a, uint32_t b) {
    int most = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const int d = std::abs(static_cast<int>((a >> shift) & 0xFF) -
                             static_cast<int>((b >> shift) & 0xFF));
      if (d > most) most = d;
    }
    return most;
  };
  for (const Region& region : kRegions) {
    int worst = 0, wrong = 0;
    for (int y = region.rect.top; y < region.rect.bottom; ++y)
      for (int x = region.rect.left; x < region.rect.right; ++x) {
        const int d = channelDifference(software[y * kWidth + x], hardware[y * kWidth + x]);
        if (d > worst) worst = d;
        if (d > region.tolerance) ++wrong;
      }
    EXPECT_EQ(wrong, 0) << region.name << ": worst difference " << worst;
  }
  // Everywhere else (the background between the regions) both are equal.
  int wrong = 0;
  for (int i = 0; i < kWidth * kHeight; ++i)
    if (channelDifference(software[i], hardware[i]) > limit[i]) ++wrong;
  EXPECT_EQ(wrong, 0);
}

}  // namespace
