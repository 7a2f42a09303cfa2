// One scene drawn through the public drawing calls twice, by the software
// renderer and through the Direct3D device, and compared pixel by pixel:
// graphs plain, keyed, with alpha, in every blend mode, bright, mirrored,
// stretched, as quads, cut into several textures, boxes, lines, a blend
// graph, a clipped draw and text (plain, edged, vertical, anti-aliased,
// bright and blended). Both frames are saved as artefacts.
#include <windows.h>
#include <d3d9.h>

#include <png.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Ombrel.h"
#include "direct3d9/core_inputs.h"
#include "direct3d9/device_services.h"
#include "direct3d9/direct3d_state.h"
#include "graphics/draw_state.h"
#include "graphics/font_system.h"
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
    // Text: glyph pixels are white with full or no alpha in the device's
    // cache, so at blend mode 0 the device writes the text colour itself.
    {"text", {0, 204, 150, 220}, 0},
    {"edged text", {0, 220, 150, 238}, 0},
    {"bright text", {160, 204, 240, 220}, 0},
    {"blended text", {160, 220, 240, 238}, kBlendTolerance},
    {"vertical text", {282, 44, 320, 118}, 0},
    {"subtracted text", {160, 84, 236, 100}, kBlendTolerance},
    {"vertical edged text", {240, 82, 280, 118}, 0},
    // Grey glyphs: the software renderer gives a full pixel alpha 240
    // (16 x its 4-bit level), the device's 4-bit alpha gives 255 (17 x), so
    // a pixel may lie 15/255 of the way from text to background apart, plus
    // the blend rounding above.
    {"anti-aliased text", {240, 204, 320, 238}, 15 * 195 / 255 + kBlendTolerance},
};

struct SceneGraphs {
  int plain, alpha, wide, blend;
  int font, edgeFont, greyFont, verticalFont;
};

const char kSceneText[] = "Ａbc漢 xyz";

SceneGraphs MakeSceneGraphs() {
  SceneGraphs g;
  g.plain = MakeGraph(32, 32, false, Pattern);
  g.alpha = MakeGraph(32, 32, true, [](int x, int y) {
    return static_cast<uint32_t>((x * 8 + y * 3) & 0xFF) << 24 | (Pattern(x, y) | 0x101010);
  });
  g.wide = MakeGraph(kWidth, 40, false, [](int x, int y) { return Pattern(x, y) | 0x010101; });
  g.blend = MakeBlendGraph(32, 32);
  g.font = CreateFontToHandle(nullptr, 11, 1, 0, -1, -1, 0, -1, -1);
  g.edgeFont = CreateFontToHandle(nullptr, 11, 1, 1, -1, 1, 0, -1, -1);
  g.greyFont = CreateFontToHandle(nullptr, 12, 4, 2, -1, -1, 0, -1, -1);
  // Its first glyph takes the first cell, beside the cache's empty margin.
  g.verticalFont = CreateFontToHandle(nullptr, 11, 1, 0, -1, -1, 0, -1, -1);
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

  const ColorCode white = ComposeColorCode(255, 255, 255);
  DrawStringWithFont(4, 206, kSceneText, white, g.font, 0, 0);
  DrawStringWithFont(4, 222, kSceneText, ComposeColorCode(250, 230, 40), g.edgeFont,
                     ComposeColorCode(200, 0, 0), 0);
  SetBrightRGB(255, 128, 0);
  DrawStringWithFont(164, 206, "Bright", white, g.font, 0, 0);
  SetBrightRGB(255, 255, 255);
  SetBlendModeAndParam(1, 128);
  DrawStringWithFont(164, 222, "Blend", white, g.font, 0, 0);
  SetBlendModeAndParam(0, 0);
  DrawStringWithFont(284, 46, "漢字ab", white, g.verticalFont, 0, 1);
  DrawStringWithFont(242, 206, "Grey", white, g.greyFont, 0, 0);
  SetBlendModeAndParam(3, 200);
  DrawStringWithFont(164, 86, "Sub", ComposeColorCode(40, 200, 90), g.font, 0, 0);
  SetBlendModeAndParam(0, 0);
  DrawStringWithFont(244, 84, "漢a", ComposeColorCode(250, 230, 40), g.edgeFont,
                     ComposeColorCode(200, 0, 0), 1);
}

// Pixels of the colour in the rectangle.
int CountColor(const Frame& frame, const IntRect& rect, uint32_t color) {
  int count = 0;
  for (int y = rect.top; y < rect.bottom; ++y)
    for (int x = rect.left; x < rect.right; ++x) count += frame[y * kWidth + x] == color;
  return count;
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
      // Fonts keep their glyphs in a graph; one lost (as in a restore) is
      // made again by the next text call.
      for (int font : {graphs.font, graphs.edgeFont, graphs.greyFont}) {
        const FontRecord* record = GetFontRecord(font);
        EXPECT_TRUE(record && record->textureCache == 1 && record->cacheGraph != -1);
      }
      const FontRecord* record = GetFontRecord(graphs.font);
      if (record) {
        RemoveGraph(record->cacheGraph, 0);
        EXPECT_EQ(record->recreateGraph, 1);
      }
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
  // The text regions hold text, in the text colours, in both frames.
  for (const Frame* frame : {&software, &hardware}) {
    EXPECT_GT(CountColor(*frame, {0, 204, 150, 220}, 0xFFFFFF), 40);
    EXPECT_GT(CountColor(*frame, {0, 220, 150, 238}, 0xFAE628), 40);
    EXPECT_GT(CountColor(*frame, {0, 220, 150, 238}, 0xC80000), 40);
    EXPECT_GT(CountColor(*frame, {160, 204, 240, 220}, 0xFF8000), 20);
    EXPECT_GT(CountColor(*frame, {282, 44, 320, 118}, 0xFFFFFF), 40);
    EXPECT_GT(CountColor(*frame, {240, 82, 280, 118}, 0xFAE628), 20);
    EXPECT_GT(CountColor(*frame, {240, 82, 280, 118}, 0xC80000), 20);
  }
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
    std::printf("%s: worst channel difference %d (allowed %d)\n", region.name, worst,
                region.tolerance);
  }
  // Everywhere else (the background between the regions) both are equal.
  int wrong = 0;
  for (int i = 0; i < kWidth * kHeight; ++i)
    if (channelDifference(software[i], hardware[i]) > limit[i]) ++wrong;
  EXPECT_EQ(wrong, 0);
}

}  // namespace
