#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "Ombrel.h"
#include "graphics/camera_state.h"
#include "graphics/draw_state.h"
#include "graphics/font_system.h"
#include "graphics/graph_creation.h"
#include "graphics/graph_handles.h"
#include "graphics/graphics_startup.h"
#include "graphics/screen_settings.h"
#include "support/file_fixtures.h"
#include "support/image_fixtures.h"
#include "support/library_session.h"
#include "system/file_access.h"
#include "system/system_state.h"

namespace {

// A width x height RGB PNG whose pixel (x, y) is (x * 16, y * 16, tint).
Bytes GradientPng(int width, int height, uint8_t tint) {
  PngFixture png;
  png.width = width;
  png.height = height;
  png.colorType = PNG_COLOR_TYPE_RGB;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      png.rows.push_back(static_cast<uint8_t>(x * 16));
      png.rows.push_back(static_cast<uint8_t>(y * 16));
      png.rows.push_back(tint);
    }
  }
  return EncodePng(png);
}

uint32_t Gradient(int x, int y, uint8_t tint) {
  return static_cast<uint32_t>(x * 16) << 16 | static_cast<uint32_t>(y * 16) << 8 | tint;
}

uint32_t GraphPixel(int graph, int x, int y) {
  const SOFTIMG& view = GetGraphRecord(graph)->view;
  uint32_t v;
  std::memcpy(&v, view.pixels + y * view.body->pitch + x * 4, 4);
  return v & 0xFFFFFF;
}

// The library's own file functions, with every open counted by path.
struct CountingFiles {
  static FileAccessTable original;
  static std::map<std::string, int> opens;
  static StreamHandle Open(const char* path, int useCache, int reserved, int async) {
    ++opens[path];
    return original.Open(path, useCache, reserved, async);
  }
  // The opens of a file, whatever folder the library put before its name.
  static int Of(const std::string& name) {
    int count = 0;
    for (const auto& open : opens) {
      const std::string& path = open.first;
      if (path == name ||
          (path.size() > name.size() &&
           path.compare(path.size() - name.size() - 1, std::string::npos, "\\" + name) == 0)) {
        count += open.second;
      }
    }
    return count;
  }
  static void Install() {
    original = *GetFileAccessTable();
    opens.clear();
    FileAccessTable table = original;
    table.Open = Open;
    InstallFileAccessTable(&table);
  }
};
FileAccessTable CountingFiles::original;
std::map<std::string, int> CountingFiles::opens;

class GraphicsRestoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LibraryOptions options;
    options.title = UniqueWindowTitle("GraphicsRestore");
    options.hardware = true;
    session_ = std::make_unique<LibrarySession>(options);
    ASSERT_EQ(session_->result(), 0);
    GetSystemState().run.active = 1;
  }
  void TearDown() override {
    InstallFileAccessTable(nullptr);
    session_.reset();
  }
  std::unique_ptr<LibrarySession> session_;
};

TEST_F(GraphicsRestoreTest, AModeChangeRestoreReadsEachFileOnceAndKeepsTheArea) {
  const ScreenSettings& screen = GetScreenSettings();
  ASSERT_EQ(screen.hardwareOn, 1) << "the restore steps run with a device";
  WriteFileBytes("restore_a.png", GradientPng(6, 2, 0x40));
  WriteFileBytes("restore_b.png", GradientPng(6, 2, 0x80));
  const int a = CreateGraphFromFile("restore_a.png", 0);
  const int aAgain = CreateGraphFromFile("restore_a.png", 0);
  int pieces[2] = {};
  ASSERT_EQ(CreateDivGraphFromFile("restore_b.png", 2, 2, 1, 3, 2, pieces, 0), 0);
  const int memoryOnly = CreateEmptyGraph(2, 2, 0);
  ASSERT_GE(a, 0);
  ASSERT_GE(aAgain, 0);
  for (int g : {a, aAgain, pieces[0], pieces[1], memoryOnly}) {
    FillSoftImgRaw(&GetGraphRecord(g)->view, nullptr, 0xFF777777);
  }
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  ASSERT_EQ(SetDrawClipRect(10, 20, 100, 200), 0);
  const int font = CreateFontToHandle(nullptr, 20, 3, 1, -1, 2, 0, -1, -1);
  ASSERT_NE(font, -1);
  ASSERT_EQ(SetFontHandleSpacing(4, font), 0);
  int fontDeleted = 0;
  ASSERT_EQ(SetFontDeletedFlagPointer(font, &fontDeleted), 0);

  CountingFiles::Install();
  ASSERT_EQ(
      RestoreGraphicsSystem(1, screen.width, screen.height, screen.colorBits, screen.refreshRate),
      0);
  InstallFileAccessTable(nullptr);

  EXPECT_EQ(CountingFiles::Of("restore_a.png"), 1);
  EXPECT_EQ(CountingFiles::Of("restore_b.png"), 1);
  EXPECT_EQ(GraphPixel(a, 5, 1), Gradient(5, 1, 0x40));
  EXPECT_EQ(GraphPixel(aAgain, 2, 0), Gradient(2, 0, 0x40));
  EXPECT_EQ(GraphPixel(pieces[0], 1, 1), Gradient(1, 1, 0x80));
  EXPECT_EQ(GraphPixel(pieces[1], 0, 0), Gradient(3, 0, 0x80));
  EXPECT_EQ(GraphPixel(memoryOnly, 0, 0), 0x777777u);
  // The font was made again under its old handle, with its settings.
  EXPECT_EQ(fontDeleted, 1);
  ASSERT_EQ(IsValidFontHandle(font), 1);
  int size = 0, thickness = 0;
  GetFontHandleInfo(nullptr, &size, &thickness, font);
  EXPECT_EQ(size, 20);
  EXPECT_EQ(thickness, 3);
  EXPECT_EQ(GetFontRecord(font)->spacing, 4);
  EXPECT_EQ(GetFontRecord(font)->type, 1);
  EXPECT_EQ(GetDrawTarget(), -2);
  const IntRect& area = GetDrawState().drawArea;
  EXPECT_EQ(area.left, 10);
  EXPECT_EQ(area.top, 20);
  EXPECT_EQ(area.right, 100);
  EXPECT_EQ(area.bottom, 200);
}

TEST_F(GraphicsRestoreTest, ARecoveryGivesBackTheAreaAndTheMatricesTheProgramSet) {
  ASSERT_EQ(GetScreenSettings().hardwareOn, 1);
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  ASSERT_EQ(SetDrawClipRect(30, 40, 5, 6), 0);  // given reversed, kept as given
  Matrix44 view;
  MakeIdentityMatrix(&view);
  view.m[3][2] = 42.0f;
  SetViewMatrix(&view);
  Matrix44 projection;
  MakeIdentityMatrix(&projection);
  projection.m[0][0] = 3.0f;
  SetProjectionMatrix(&projection);
  ASSERT_EQ(RecoverGraphics(), 0);
  const IntRect& area = GetDrawState().drawArea;
  EXPECT_EQ(area.left, 5);
  EXPECT_EQ(area.top, 6);
  EXPECT_EQ(area.right, 30);
  EXPECT_EQ(area.bottom, 40);
  // The re-selected target's 2D camera gave way to the program's matrices.
  EXPECT_FLOAT_EQ(GetTransformState().view.matrix.m[3][2], 42.0f);
  EXPECT_FLOAT_EQ(GetTransformState().projection.matrix.m[0][0], 3.0f);
}

TEST_F(GraphicsRestoreTest, WithADeviceTheDrawAreaCarriesItsViewportIntoTheProjection) {
  ASSERT_EQ(GetScreenSettings().hardwareOn, 1);
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  ASSERT_EQ(SetDrawClipRect(10, 20, 110, 220), 0);
  const TransformState& t = GetTransformState();
  // Centre (60, 120), size 100 x 200.
  EXPECT_FLOAT_EQ(t.drawAreaViewport.m[0][0], 50.0f);
  EXPECT_FLOAT_EQ(t.drawAreaViewport.m[1][1], -100.0f);
  EXPECT_FLOAT_EQ(t.drawAreaViewport.m[3][0], 60.0f);
  EXPECT_FLOAT_EQ(t.drawAreaViewport.m[3][1], 120.0f);
  Matrix44 product;
  MultiplyMatrix(&product, &t.drawAreaViewport, &t.drawAreaViewportInverse);
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(product.m[r][c], r == c ? 1.0f : 0.0f, 1e-5f);
  }
  EXPECT_EQ(t.projection.sent, 1);
  EXPECT_EQ(t.world.sent, 1);
  EXPECT_EQ(t.view.sent, 1);
}

}  // namespace
