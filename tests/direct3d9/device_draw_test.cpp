// The graph, primitive and vertex-list back ends on Wine's Direct3D 9,
// reached through the public drawing calls: the vertices they batch, the
// pixels they leave, the hooks the graphics core links, and a device
// re-creation that must leave every graph drawing the same pixels.
#include <windows.h>
#include <d3d9.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Ombrel.h"
#include "direct3d9/buffer_handles.h"
#include "direct3d9/core_inputs.h"
#include "direct3d9/device_services.h"
#include "direct3d9/device_state_cache.h"
#include "direct3d9/direct3d_state.h"
#include "direct3d9/vertex_batch.h"
#include "graphics/draw_state.h"
#include "graphics/graph_creation.h"
#include "graphics/graph_handles.h"
#include "graphics/graph_textures.h"
#include "graphics/graphics_startup.h"
#include "graphics/screen_settings.h"
#include "support/library_session.h"
#include "support/log_capture.h"
#include "support/pixel_formats.h"
#include "support/recording_device_ops.h"
#include "system/system_state.h"

namespace {

template <typename Fn>
int MakeGraph(int width, int height, Fn fn) {
  PixelBuffer pixels(width, height, 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels.Set(x, y, fn(x, y));
  GraphImage image = {};
  image.format = X8R8G8B8Format();
  image.width = width;
  image.height = height;
  image.pitch = pixels.pitch;
  image.pixels = pixels.data();
  return CreateGraphFromGraphImagePair(&image, nullptr, 0, 0, 0);
}

uint32_t Pattern(int x, int y) {
  return static_cast<uint32_t>(20 + (x * 37 + y * 11) % 220) << 16 |
         static_cast<uint32_t>(20 + (x * 5 + y * 53) % 220) << 8 |
         static_cast<uint32_t>(20 + ((x ^ y) * 9) % 220);
}

std::vector<uint32_t> ReadArea(const IntRect& area) {
  std::vector<uint32_t> pixels;
  GraphImage view = {};
  if (LockDrawScreenPixels(&area, &view) != 0) return pixels;
  for (int y = 0; y < area.bottom - area.top; ++y) {
    const auto* row = static_cast<const uint8_t*>(view.pixels) + y * view.pitch;
    for (int x = 0; x < area.right - area.left; ++x) {
      uint32_t v;
      std::memcpy(&v, row + 4 * x, 4);
      pixels.push_back(v & 0x00FFFFFF);
    }
  }
  UnlockDrawScreenPixels();
  return pixels;
}

uint32_t ReadPixel(int x, int y) {
  const std::vector<uint32_t> one = ReadArea({x, y, x + 1, y + 1});
  return one.empty() ? 0xFF000000 : one[0];
}

// The x, y, u and v of the six vertices a textured rectangle put in the batch.
struct BatchedVertex {
  float x, y, u, v;
};
std::vector<BatchedVertex> PendingTexturedVertices() {
  const VertexBatch& batch = GetDeviceStateCache().batch;
  std::vector<BatchedVertex> out;
  if (batch.type != 1) return out;
  for (int i = 0; i < batch.count; ++i) {
    const uint8_t* v = batch.buffers[0][1] + 28 * i;
    BatchedVertex b;
    std::memcpy(&b.x, v, 4);
    std::memcpy(&b.y, v + 4, 4);
    std::memcpy(&b.u, v + 20, 4);
    std::memcpy(&b.v, v + 24, 4);
    out.push_back(b);
  }
  return out;
}

class DeviceDrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LibraryOptions options;
    options.title = UniqueWindowTitle("DeviceDraw");
    options.screenWidth = 640;
    options.screenHeight = 480;
    options.hardware = true;
    session_ = std::make_unique<LibrarySession>(options);
    ASSERT_EQ(session_->result(), 0);
    ASSERT_EQ(GetScreenSettings().hardwareOn, 1);
    PaintFilledBox(0, 0, 640, 480, ComposeColorCode(0, 0, 0));
    FlushVertexBatch();
  }
  void TearDown() override {
    session_.reset();
    ResetDeviceCoreInputs();
  }
  std::unique_ptr<LibrarySession> session_;
};

TEST_F(DeviceDrawTest, EveryCoreHookIsLinkedAfterAHardwareStart) {
  EXPECT_EQ(CountUnlinkedDeviceCoreHooks(), 0);
  // And after a recovery, which makes a new device.
  ASSERT_EQ(RecoverGraphics(), 0);
  EXPECT_EQ(CountUnlinkedDeviceCoreHooks(), 0);
}

TEST_F(DeviceDrawTest, AGraphWhollyInsideSitsHalfAPixelUpAndLeft) {
  const int graph = MakeGraph(32, 32, Pattern);
  ASSERT_NE(graph, -1);
  ASSERT_EQ(PutGraph(10, 20, graph, 0), 0);
  const std::vector<BatchedVertex> v = PendingTexturedVertices();
  ASSERT_EQ(v.size(), 6u);
  EXPECT_FLOAT_EQ(v[0].x, 9.5f);
  EXPECT_FLOAT_EQ(v[0].y, 19.5f);
  EXPECT_FLOAT_EQ(v[3].x, 41.5f);
  EXPECT_FLOAT_EQ(v[3].y, 51.5f);
  EXPECT_FLOAT_EQ(v[3].u, 1.0f);
  // V4 and V5 repeat V2 and V1.
  EXPECT_FLOAT_EQ(v[4].y, v[2].y);
  EXPECT_FLOAT_EQ(v[5].x, v[1].x);
  FlushVertexBatch();
  EXPECT_EQ(ReadPixel(10, 20), Pattern(0, 0));
  EXPECT_EQ(ReadPixel(41, 51), Pattern(31, 31));
  EXPECT_EQ(ReadPixel(42, 51), 0u);
}

TEST_F(DeviceDrawTest, AGraphHalfOutsideOnTheLeftStartsItsTexturePastTheClippedPart) {
  const int graph = MakeGraph(32, 32, Pattern);
  ASSERT_EQ(PutGraph(-10, 20, graph, 0), 0);
  const std::vector<BatchedVertex> v = PendingTexturedVertices();
  ASSERT_EQ(v.size(), 6u);
  EXPECT_FLOAT_EQ(v[0].x, 0.0f);
  EXPECT_FLOAT_EQ(v[0].u, 10.5f / 32.0f);
  FlushVertexBatch();
  EXPECT_EQ(ReadPixel(0, 20), Pattern(10, 0));
  EXPECT_EQ(ReadPixel(21, 51), Pattern(31, 31));
}

TEST_F(DeviceDrawTest, TheBackEndsResultReachesTheCaller) {
  const int graph = MakeGraph(32, 32, Pattern);
  // A stretch to no width cannot be drawn.
  EXPECT_EQ(PutGraphStretched(5, 5, 5, 40, graph, 0), -1);
  EXPECT_EQ(PutGraphStretched(5, 5, 40, 40, graph, 0), 0);
}

TEST_F(DeviceDrawTest, AGraphWiderThanTheTextureLimitIsCutAndDrawnWhole) {
  GetDirect3DState().userTextureSizeLimit = 64;
  const int graph = MakeGraph(200, 70, Pattern);
  GetDirect3DState().userTextureSizeLimit = 0;
  const GraphRecord* record = GetGraphRecord(graph);
  ASSERT_NE(record, nullptr);
  // 200 = 64 + 64 + 64 + 8, 70 = 64 + 8: eight textures.
  EXPECT_EQ(record->drawPieceCount, 8);
  for (int i = 0; i < record->original->pieceCount; ++i) {
    EXPECT_LE(record->original->pieces[i].textureWidth, 64);
    EXPECT_LE(record->original->pieces[i].textureHeight, 64);
  }
  ASSERT_EQ(PutGraph(30, 40, graph, 0), 0);
  const std::vector<uint32_t> drawn = ReadArea({30, 40, 230, 110});
  ASSERT_EQ(drawn.size(), 200u * 70u);
  int wrong = 0;
  for (int y = 0; y < 70; ++y)
    for (int x = 0; x < 200; ++x) wrong += drawn[y * 200 + x] != Pattern(x, y);
  EXPECT_EQ(wrong, 0);
}

TEST_F(DeviceDrawTest, AVertexListDrawsItsColouredAndTexturedStrips) {
  struct ListVertex {
    float x, y;
    uint8_t blue, green, red, alpha;
    float u, v;
  };
  const ListVertex colored[4] = {{100, 100, 30, 200, 10, 255, 0, 0},
                                 {140, 100, 30, 200, 10, 255, 0, 0},
                                 {100, 140, 30, 200, 10, 255, 0, 0},
                                 {140, 140, 30, 200, 10, 255, 0, 0}};
  ASSERT_EQ(DrawVertexList(colored, 4, D3DPT_TRIANGLESTRIP, -5, 0, 0), 0);
  EXPECT_EQ(ReadPixel(100, 100), 0x0AC81Eu);
  EXPECT_EQ(ReadPixel(139, 139), 0x0AC81Eu);
  EXPECT_EQ(ReadPixel(140, 120), 0u);
  // Bright scales the vertex colours.
  SetBrightRGB(128, 128, 128);
  const ListVertex moved[4] = {{200, 100, 0, 200, 0, 255, 0, 0},
                               {240, 100, 0, 200, 0, 255, 0, 0},
                               {200, 140, 0, 200, 0, 255, 0, 0},
                               {240, 140, 0, 200, 0, 255, 0, 0}};
  ASSERT_EQ(DrawVertexList(moved, 4, D3DPT_TRIANGLESTRIP, -5, 0, 0), 0);
  SetBrightRGB(255, 255, 255);
  EXPECT_NEAR(static_cast<int>((ReadPixel(220, 120) >> 8) & 0xFF), 100, 1);
  // A graph's texture, the whole graph mapped onto 32 x 32 pixels.
  const int graph = MakeGraph(32, 32, Pattern);
  const float x0 = 300 - 0.5f, y0 = 100 - 0.5f, x1 = 332 - 0.5f, y1 = 132 - 0.5f;
  const ListVertex textured[4] = {{x0, y0, 255, 255, 255, 255, 0, 0},
                                  {x1, y0, 255, 255, 255, 255, 1, 0},
                                  {x0, y1, 255, 255, 255, 255, 0, 1},
                                  {x1, y1, 255, 255, 255, 255, 1, 1}};
  ASSERT_EQ(DrawVertexList(textured, 4, D3DPT_TRIANGLESTRIP, graph, 0, 1), 0);
  EXPECT_EQ(ReadPixel(300, 100), Pattern(0, 0));
  EXPECT_EQ(ReadPixel(331, 131), Pattern(31, 31));
}

TEST_F(DeviceDrawTest, AnUntexturedModeTwelveBoxMultipliesItsColourByFour) {
  // The fonts made at start-up keep their glyphs in graphs of their own.
  const int before = GraphLiveCount();
  ASSERT_EQ(GetDeviceStateCache().whiteGraph, 0);
  SetBlendModeAndParam(12, 255);
  ASSERT_EQ(PaintFilledBox(10, 10, 30, 30, ComposeColorCode(0x20, 0x20, 0x20)), 0);
  ASSERT_EQ(PaintFilledBox(40, 10, 60, 30, ComposeColorCode(0x20, 0x20, 0x20)), 0);
  SetBlendModeAndParam(0, 0);
  for (int x : {15, 45}) {
    const uint32_t pixel = ReadPixel(x, 15);
    EXPECT_NEAR(static_cast<int>(pixel & 0xFF), 0x80, 1) << x;
  }
  // Both boxes share the one white graph.
  const int white = GetDeviceStateCache().whiteGraph;
  EXPECT_EQ(CheckGraphHandle(white), 1);
  EXPECT_EQ(GraphLiveCount(), before + 1);
}

TEST_F(DeviceDrawTest, ClearingTheTargetUsesTheBackgroundAndKeepsTheDrawArea) {
  SetDrawClipRect(10, 10, 20, 20);
  PaintFilledBox(0, 0, 640, 480, ComposeColorCode(200, 0, 0));
  ASSERT_EQ(ClearDrawTarget(nullptr), 0);
  EXPECT_EQ(ReadPixel(15, 15), 0u);
  PaintFilledBox(0, 0, 640, 480, ComposeColorCode(0, 200, 0));
  EXPECT_EQ(ReadPixel(15, 15), 0x00C800u);
  EXPECT_EQ(ReadPixel(25, 25), 0u);
}

// Draws graphs in several ways, a blend graph among them, and reads the area.
std::vector<uint32_t> DrawGraphScene(int plain, int wide, int blend) {
  PaintFilledBox(0, 0, 640, 480, ComposeColorCode(40, 50, 60));
  PutGraph(10, 10, plain, 0);
  PutGraphStretched(60, 10, 124, 74, plain, 0);
  PutGraph(0, 100, wide, 0);
  SetBlendModeAndParam(1, 100);
  PutGraph(140, 10, plain, 0);
  SetBlendModeAndParam(0, 0);
  SetBlendGraph(blend, 128, 1);
  PutGraph(180, 10, plain, 0);
  SetBlendGraph(-1, 0, 0);
  return ReadArea({0, 0, 640, 160});
}

TEST_F(DeviceDrawTest, AfterARecoveryGraphsAndBuffersDrawAsBefore) {
  const int plain = MakeGraph(32, 32, Pattern);
  const int wide = MakeGraph(640, 40, Pattern);
  DrawStateRecord& drawState = GetDrawState();
  drawState.createBlendGraph = 1;
  const int blend = CreateEmptyGraph(32, 32, 0);
  drawState.createBlendGraph = 0;
  GraphRecord* blendRecord = GetGraphRecord(blend);
  ASSERT_NE(blendRecord, nullptr);
  SOFTIMG& weights = blendRecord->original->image;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) weights.pixels[y * weights.body->pitch + x] = x < 16 ? 30 : 230;
  MarkGraphPixelsChanged(blendRecord->original);
  // A pixel shader: mov oC0, c0.
  const uint32_t shader[] = {0xFFFF0200, 0x02000001, 0x800F0800, 0xA0E40000, 0x0000FFFF};
  const int shaderHandle = AddShaderRecord(0, shader, sizeof shader);
  ASSERT_GE(shaderHandle, 0);
  ASSERT_NE(GetShaderRecord(shaderHandle)->object, nullptr);

  const std::vector<uint32_t> before = DrawGraphScene(plain, wide, blend);
  ASSERT_FALSE(before.empty());
  Direct3DState& state = GetDirect3DState();
  void* oldTexture = GetGraphTexture(plain);
  LogCapture log;
  ASSERT_EQ(RecoverGraphics(), 0);
  // The old device was released and a new one made.
  const std::string text = log.Read();
  EXPECT_NE(text.find("Direct3DDevice9 の解放 3"), std::string::npos);
  EXPECT_NE(text.find("オブジェクトを取得します"), std::string::npos);
  ASSERT_NE(state.device, nullptr);
  // The cache names no object of the old device.
  DeviceStateCache& cache = GetDeviceStateCache();
  EXPECT_EQ(cache.renderTarget, state.backBuffer);
  EXPECT_NE(GetGraphTexture(plain), nullptr);
  EXPECT_NE(cache.drawTexture, oldTexture);
  EXPECT_NE(GetShaderRecord(shaderHandle)->object, nullptr);

  const std::vector<uint32_t> after = DrawGraphScene(plain, wide, blend);
  ASSERT_EQ(after.size(), before.size());
  int different = 0;
  for (size_t i = 0; i < before.size(); ++i) different += before[i] != after[i];
  EXPECT_EQ(different, 0);
  // The blend graph still lets through only its heavy half.
  EXPECT_EQ(after[10 * 640 + 180 + 20], Pattern(20, 0));
  EXPECT_EQ(after[10 * 640 + 180 + 5], 0x28323Cu);
  DeleteShaderHandle(shaderHandle);
}

TEST_F(DeviceDrawTest, AGraphMadeForDrawingIntoIsARenderTargetThatDrawsAfterwards) {
  SetDrawValidGraphCreateFlag(1);
  const int target = CreateEmptyGraph(64, 32, 0);
  SetDrawValidGraphCreateFlag(0);
  ASSERT_NE(target, -1);
  ASSERT_EQ(SelectDrawTarget(target), 0);
  PaintFilledBox(0, 0, 64, 32, ComposeColorCode(10, 20, 30));
  PaintFilledBox(8, 8, 16, 16, ComposeColorCode(250, 200, 100));
  // The lock reads the graph's own surface.
  EXPECT_EQ(ReadPixel(10, 10), 0xFAC864u);
  EXPECT_EQ(ReadPixel(40, 20), 0x0A141Eu);
  // A graph that is not a draw target is refused as one.
  const int plain = MakeGraph(8, 8, Pattern);
  EXPECT_EQ(SelectDrawTarget(plain), -1);
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  ASSERT_EQ(PutGraph(100, 100, target, 0), 0);
  EXPECT_EQ(ReadPixel(110, 110), 0xFAC864u);
  EXPECT_EQ(ReadPixel(100, 100), 0x0A141Eu);
}

TEST_F(DeviceDrawTest, AGraphTargetIsTheDevicesRenderTargetAgainAfterARecovery) {
  SetDrawValidGraphCreateFlag(1);
  const int target = CreateEmptyGraph(64, 32, 0);
  SetDrawValidGraphCreateFlag(0);
  ASSERT_EQ(SelectDrawTarget(target), 0);
  ASSERT_EQ(RecoverGraphics(), 0);
  ASSERT_EQ(GetDrawTarget(), target);
  IDirect3DSurface9* current = nullptr;
  ASSERT_EQ(GetDirect3DState().device->GetRenderTarget(0, &current), D3D_OK);
  EXPECT_EQ(static_cast<void*>(current), GetGraphSurface(target, nullptr));
  current->Release();
  PaintFilledBox(0, 0, 64, 32, ComposeColorCode(1, 2, 3));
  EXPECT_EQ(ReadPixel(5, 5), 0x010203u);
  SelectDrawTarget(-2);
}

TEST_F(DeviceDrawTest, ACopyOfTheScreenDrawsTheSamePixels) {
  const int graph = MakeGraph(32, 32, Pattern);
  ASSERT_EQ(PutGraph(10, 10, graph, 0), 0);
  const int copy = CreateEmptyGraph(32, 32, 0);
  ASSERT_EQ(CopyDrawScreenToGraph(10, 10, 42, 42, copy), 0);
  ASSERT_EQ(PutGraph(100, 10, copy, 0), 0);
  EXPECT_EQ(ReadArea({100, 10, 132, 42}), ReadArea({10, 10, 42, 42}));
  EXPECT_EQ(ReadPixel(131, 41), Pattern(31, 31));
}

TEST_F(DeviceDrawTest, AWindowedDeviceThatCannotPresentIsRecoveredOnActivation) {
  HWND window = GetSystemState().run.mainWindow;
  ASSERT_NE(window, nullptr);
  {
    // A present that works leaves the device alone.
    LogCapture log;
    SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(log.Read().find("Direct3DDevice9 の解放 3"), std::string::npos);
  }
  // The device's calls answer as a lost device does.
  RecordingDeviceOps lost;
  lost.failWith = static_cast<long>(D3DERR_DEVICELOST);
  DeviceOps* real = InstallDeviceOps(&lost);
  LogCapture log;
  SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(lost.Count("Present"), 1u);
  const std::string text = log.Read();
  const size_t released = text.find("Direct3DDevice9 の解放 3");
  ASSERT_NE(released, std::string::npos);
  EXPECT_NE(text.find("オブジェクトを取得します", released), std::string::npos);
  // The new device's own calls are in place again.
  EXPECT_NE(GetDeviceOps(), &lost);
  EXPECT_NE(GetDeviceOps(), nullptr);
  (void)real;
  const int graph = MakeGraph(8, 8, Pattern);
  ASSERT_EQ(PutGraph(3, 3, graph, 0), 0);
  EXPECT_EQ(ReadPixel(3, 3), Pattern(0, 0));
}

}  // namespace
