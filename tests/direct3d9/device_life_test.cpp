// The device layer on Wine's Direct3D 9: creation with its presentation
// parameters, the objects made with the device, a full re-creation through
// the release and restore passes, the screen lock, and quads drawn per blend
// mode read back from the back buffer.
#include <windows.h>
#include <d3d9.h>

#include <string.h>

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "direct3d9/buffer_handles.h"
#include "direct3d9/core_inputs.h"
#include "direct3d9/device_life.h"
#include "direct3d9/device_ops.h"
#include "direct3d9/device_prepare.h"
#include "direct3d9/device_services.h"
#include "direct3d9/device_state_cache.h"
#include "direct3d9/model_records.h"
#include "direct3d9/model_system.h"
#include "direct3d9/primitive_draw.h"
#include "direct3d9/direct3d_state.h"
#include "direct3d9/vertex_batch.h"
#include "graphics/graphics_startup.h"
#include "graphics/screen_settings.h"
#include "support/library_session.h"
#include "support/log_capture.h"
#include "support/pixel_formats.h"
#include "graphics/graph_creation.h"
#include "system/tracked_memory.h"

namespace {

class DeviceLifeTest : public ::testing::Test {
 protected:
  void Start(bool hardware = true) {
    LibraryOptions options;
    options.title = UniqueWindowTitle("DeviceLife");
    options.screenWidth = 640;
    options.screenHeight = 480;
    options.hardware = hardware;
    session_ = std::make_unique<LibrarySession>(options);
    ASSERT_EQ(session_->result(), 0);
  }
  // Starts with a device and fills the back buffer with one colour, nothing
  // pending and no scene open.
  void StartCleared(D3DCOLOR color) {
    Start();
    ASSERT_EQ(state_.hardwareActive, 1);
    FlushVertexBatch();
    EndDeviceScene();
    state_.device->Clear(0, nullptr, D3DCLEAR_TARGET, color, 1.0f, 0);
  }
  void TearDown() override {
    session_.reset();
    GetDirect3DState().plainObjectOnly = 0;
    ResetDeviceCoreInputs();
  }
  Direct3DState& state_ = GetDirect3DState();
  std::unique_ptr<LibrarySession> session_;
};

TEST_F(DeviceLifeTest, TheExDeviceIsMadeWindowedWithItsPresentationParameters) {
  LogCapture log;
  Start();
  ASSERT_EQ(state_.hardwareActive, 1);
  EXPECT_EQ(GetScreenSettings().hardwareOn, 1);
  ASSERT_NE(state_.direct3DEx, nullptr);
  EXPECT_EQ(static_cast<void*>(state_.device), static_cast<void*>(state_.deviceEx));
  ASSERT_NE(state_.swapChain, nullptr);
  D3DPRESENT_PARAMETERS parameters = {};
  state_.swapChain->GetPresentParameters(&parameters);
  EXPECT_EQ(parameters.BackBufferWidth, 640u);
  EXPECT_EQ(parameters.BackBufferHeight, 480u);
  EXPECT_EQ(parameters.SwapEffect, D3DSWAPEFFECT_COPY);
  EXPECT_TRUE(parameters.Windowed);
  EXPECT_EQ(parameters.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER,
            static_cast<DWORD>(D3DPRESENTFLAG_LOCKABLE_BACKBUFFER));
  EXPECT_FALSE(parameters.EnableAutoDepthStencil);
  EXPECT_EQ(state_.screenFormat, D3DFMT_X8R8G8B8);
  EXPECT_EQ(GetScreenSettings().colorBits, 32);
  // The Z buffer of a 640 x 480 screen is rounded up to powers of two.
  ASSERT_NE(state_.zBuffer, nullptr);
  D3DSURFACE_DESC z = {};
  state_.zBuffer->GetDesc(&z);
  EXPECT_EQ(z.Width, 1024u);
  EXPECT_EQ(z.Height, 512u);
  EXPECT_EQ(static_cast<int>(z.Format), state_.zBufferFormat);
  EXPECT_NE(state_.textureFormats[0], 0);
  EXPECT_EQ(state_.textureFormats[3], D3DFMT_A8R8G8B8);
  EXPECT_EQ(state_.maxTextureSize,
            std::min(state_.caps.maxTextureWidth, state_.caps.maxTextureHeight));
  const std::string text = log.Read();
  EXPECT_NE(text.find("画面のフォーマットは D3DFMT_X8R8G8B8 です"), std::string::npos);
  EXPECT_NE(text.find("IDirect3DDevice9Ex オブジェクトを取得します"), std::string::npos);
}

TEST_F(DeviceLifeTest, ThePlainObjectAfterAnExStartMakesAPlainDevice) {
  Start();
  ASSERT_NE(state_.deviceEx, nullptr);
  session_.reset();
  EXPECT_EQ(state_.deviceEx, nullptr);
  state_.plainObjectOnly = 1;
  Start();
  ASSERT_EQ(state_.hardwareActive, 1);
  EXPECT_EQ(state_.direct3DEx, nullptr);
  EXPECT_EQ(state_.deviceEx, nullptr);
  EXPECT_NE(state_.device, nullptr);
  EXPECT_NE(state_.backBuffer, nullptr);
}

TEST_F(DeviceLifeTest, RefusedHardwareLoadsTheLibraryButMakesNoDevice) {
  Start(false);
  EXPECT_EQ(state_.hardwareActive, 0);
  EXPECT_NE(state_.d3d9Module, nullptr);
  EXPECT_EQ(state_.device, nullptr);
  EXPECT_EQ(GetDeviceOps(), nullptr);
  session_.reset();
  EXPECT_EQ(state_.d3d9Module, nullptr);
}

TEST_F(DeviceLifeTest, ShaderCapableDevicesGetThePackPairAndTheirObjects) {
  Start();
  ASSERT_EQ(state_.hardwareActive, 1);
  if (!state_.vertexShader20 || !state_.pixelShader20) GTEST_SKIP() << "no shader model 2";
  EXPECT_EQ(state_.shadersInUse, 1);
  EXPECT_EQ(CountPackDeviceShaders(), 2);
  CreatePackShaders();
  EXPECT_EQ(CountPackDeviceShaders(), 2);
  EXPECT_EQ(CountVertexDeclarations(), 55);
  ASSERT_NE(state_.maxBrightnessVolumeTexture, nullptr);
  D3DVOLUME_DESC desc = {};
  state_.maxBrightnessVolumeTexture->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Depth, 128u);
  EXPECT_FLOAT_EQ(GetDeviceStateCache().psConstants[0][3], 2.0f);
}

TEST_F(DeviceLifeTest, ARecoveryMakesANewDeviceAndRefillsItsBuffers) {
  Start();
  ASSERT_EQ(state_.hardwareActive, 1);
  if (!state_.mixedVertexProcessing) GTEST_SKIP() << "no hardware vertex processing";
  int handle = AddVertexBufferRecord(0, 48, 3);
  ASSERT_GE(handle, 0);
  float vertices[36];
  for (int i = 0; i < 36; ++i) vertices[i] = static_cast<float>(i);
  ASSERT_EQ(SetVertexBufferData(0, vertices, 3, handle), 0);
  SetDeviceAmbientColor(0xFF808080);

  LogCapture log;
  ASSERT_EQ(RecoverGraphics(), 0);
  // The old device went and a new one was made.
  const std::string text = log.Read();
  const size_t released = text.find("Direct3DDevice9 の解放 3");
  ASSERT_NE(released, std::string::npos);
  EXPECT_NE(text.find("IDirect3DDevice9Ex オブジェクトを取得します", released), std::string::npos);
  ASSERT_EQ(state_.hardwareActive, 1);
  ASSERT_NE(state_.device, nullptr);
  BufferRecord* record = GetVertexBufferRecord(handle);
  ASSERT_NE(record, nullptr);
  ASSERT_NE(record->object, nullptr);
  void* locked = nullptr;
  auto* buffer = static_cast<IDirect3DVertexBuffer9*>(static_cast<void*>(record->object));
  ASSERT_EQ(buffer->Lock(0, 0, &locked, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(memcmp(locked, vertices, sizeof vertices), 0);
  buffer->Unlock();
  DWORD ambient = 0;
  state_.device->GetRenderState(D3DRS_AMBIENT, &ambient);
  EXPECT_EQ(ambient, 0xFF808080u);
  EXPECT_EQ(GetDeviceStateCache().forceResend, 0);
  DeleteVertexBufferHandle(handle);
}

TEST_F(DeviceLifeTest, ScreenLockChecksItsRectangle) {
  Start();
  ASSERT_EQ(state_.hardwareActive, 1);
  GraphImage view = {};
  const IntRect refused[] = {{10, 0, 10, 5}, {-1, 0, 5, 5}, {0, 0, 641, 5}, {0, 5, 5, 5}};
  for (const IntRect& rect : refused) EXPECT_EQ(LockDrawScreenPixels(&rect, &view), -1);
  const IntRect edge = {600, 470, 640, 480};
  ASSERT_EQ(LockDrawScreenPixels(&edge, &view), 0);
  EXPECT_EQ(view.width, 40);
  EXPECT_EQ(view.height, 10);
  EXPECT_EQ(view.format.bytesPerPixel, 4);
  EXPECT_EQ(UnlockDrawScreenPixels(), 0);
  EXPECT_EQ(UnlockDrawScreenPixels(), 0);
}

TEST_F(DeviceLifeTest, GraphsDrawnPerBlendModeReadBackAsTheModeMixes) {
  Start();
  ASSERT_EQ(state_.hardwareActive, 1);
  PaintFilledBox(0, 0, 640, 480, ComposeColorCode(64, 64, 64));
  PixelBuffer pixels(16, 16, 4);
  pixels.Fill(0x00C86432);  // (200, 100, 50)
  GraphImage image = {};
  image.format = X8R8G8B8Format();
  image.width = image.height = 16;
  image.pitch = pixels.pitch;
  image.pixels = pixels.data();
  const int graph = CreateGraphFromGraphImagePair(&image, nullptr, 0, 0, 0);
  ASSERT_NE(graph, -1);
  struct Case {
    int mode;
    int r, g, b;
  };
  // Over (64, 64, 64) at parameter 128: alpha mixes halfway, add adds half
  // the colour, subtract takes half of it away, multiply scales by it.
  const int subtractRed = state_.nativeBlendOp ? 0 : -1;
  const Case cases[] = {{0, 200, 100, 50},
                        {1, 132, 82, 57},
                        {2, 164, 114, 89},
                        {3, subtractRed, 14, 39},
                        {4, 50, 25, 12}};
  for (int i = 0; i < 5; ++i) {
    SetBlendModeAndParam(cases[i].mode, 128);
    ASSERT_EQ(PutGraph(20 + i * 32, 20, graph, 0), 0);
  }
  SetBlendModeAndParam(0, 0);
  GraphImage view = {};
  const IntRect row = {0, 0, 640, 64};
  ASSERT_EQ(LockDrawScreenPixels(&row, &view), 0);
  for (int i = 0; i < 5; ++i) {
    const Case& c = cases[i];
    if (c.r < 0) continue;
    const uint8_t* pixel = static_cast<uint8_t*>(view.pixels) + 28 * view.pitch + (28 + i * 32) * 4;
    EXPECT_NEAR(pixel[2], c.r, 2) << "mode " << c.mode;
    EXPECT_NEAR(pixel[1], c.g, 2) << "mode " << c.mode;
    EXPECT_NEAR(pixel[0], c.b, 2) << "mode " << c.mode;
  }
  const uint8_t* outside = static_cast<uint8_t*>(view.pixels) + 5 * view.pitch + 5 * 4;
  EXPECT_EQ(outside[1], 64);
  UnlockDrawScreenPixels();
}

TEST_F(DeviceLifeTest, BlendedOutlinesAndClippedBoxesCoverEachPixelOnce) {
  Start();
  ASSERT_EQ(state_.hardwareActive, 1);
  PaintFilledBox(0, 0, 640, 480, ComposeColorCode(0, 0, 0));
  SetBlendModeAndParam(2, 100);  // add: a pixel drawn twice would come out brighter
  ASSERT_EQ(PaintBoxOutline(10, 10, 20, 20, ComposeColorCode(255, 255, 255)), 0);
  SetDrawClipRect(0, 0, 45, 45);
  ASSERT_EQ(PaintFilledBox(40, 40, 50, 50, ComposeColorCode(255, 255, 255)), 0);
  SetBlendModeAndParam(0, 0);
  SetDrawClipRect(0, 0, 640, 480);
  GraphImage view = {};
  const IntRect area = {0, 0, 64, 64};
  ASSERT_EQ(LockDrawScreenPixels(&area, &view), 0);
  auto green = [&](int x, int y) {
    return static_cast<uint8_t*>(view.pixels)[y * view.pitch + x * 4 + 1];
  };
  const int once = green(15, 10);
  EXPECT_NEAR(once, 100, 2);
  const int outline[][2] = {{10, 10}, {19, 10}, {10, 19}, {19, 19}, {10, 15}, {19, 15}, {15, 19}};
  for (const auto& p : outline) EXPECT_EQ(green(p[0], p[1]), once) << p[0] << "," << p[1];
  EXPECT_EQ(green(15, 15), 0);
  EXPECT_EQ(green(20, 15), 0);
  EXPECT_EQ(green(44, 44), once);
  EXPECT_EQ(green(45, 44), 0);
  UnlockDrawScreenPixels();
}

TEST_F(DeviceLifeTest, TheSubBackBufferIsMadeOnceAndReadByTheScreenLock) {
  ASSERT_NO_FATAL_FAILURE(StartCleared(D3DCOLOR_XRGB(10, 200, 30)));
  ASSERT_EQ(SwitchToSubBackBuffer(), 0);
  IDirect3DSurface9* first = state_.subBackBuffer;
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetDeviceStateCache().renderTarget, first);
  EXPECT_EQ(SwitchToSubBackBuffer(), 0);
  EXPECT_EQ(state_.subBackBuffer, first);
  // Drawing now goes to the copy, and the lock reads the copy.
  state_.device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(90, 90, 90), 1.0f, 0);
  GraphImage view = {};
  const IntRect area = {0, 0, 4, 4};
  ASSERT_EQ(LockDrawScreenPixels(&area, &view), 0);
  EXPECT_EQ(static_cast<uint8_t*>(view.pixels)[1], 90);
  UnlockDrawScreenPixels();
}

TEST_F(DeviceLifeTest, FixedFunctionModelBuffersKeepOnlyThePlainLayout) {
  Start();
  ASSERT_EQ(state_.hardwareActive, 1);
  if (!state_.mixedVertexProcessing) GTEST_SKIP() << "no hardware vertex processing";
  ASSERT_EQ(IsModelSystemReady(), 1);
  const float normals[1][9] = {{0, 0, 1, 1, 0, 0, 0, 1, 0}};
  ModelFrame frame{normals};
  uint8_t vertex[20] = {};
  ModelMesh mesh{&frame, 0, 1, 20, vertex};
  const int32_t vertexIndex = 0;
  alignas(16) uint8_t skin[64] = {};
  const uint16_t indices[3] = {0, 0, 0};
  ModelMeshPart parts[2] = {};
  for (int i = 0; i < 2; ++i) {
    parts[i] = {&mesh, static_cast<uint16_t>(i), 1, &vertexIndex, skin, 3, indices, 0, nullptr,
                nullptr, 0, 0};
  }
  auto* base = static_cast<ModelBaseRecord*>(TRACKED_ALLOC_ZEROED(sizeof(ModelBaseRecord)));
  base->refCount = 1;
  base->parts = parts;
  base->partCount = 2;
  ModelTable& table = GetModelSystemState().bases;
  table.slots = static_cast<void**>(TRACKED_ALLOC_ZEROED(sizeof(void*) * 4));
  table.capacity = 4;
  table.slots[0] = base;
  table.endIndex = table.liveCount = 1;
  const int handle = MakeModelBaseHandle(0);

  state_.shadersInUse = 0;
  ASSERT_EQ(SetupModelBaseBuffers(handle, 1), 0);
  EXPECT_EQ(base->buffersBuilt, 1);
  ASSERT_NE(parts[0].group, nullptr);
  EXPECT_NE(parts[0].group->vertexBuffer, nullptr);
  EXPECT_EQ(parts[0].group->stride, 80);
  EXPECT_EQ(parts[1].group, nullptr);
  EXPECT_EQ(base->groupTotal, 1);
  // A device release takes the buffers; a restore builds them again.
  ReleaseModelBuffers();
  EXPECT_EQ(base->buffersBuilt, 0);
  EXPECT_EQ(parts[0].group, nullptr);
  RestoreModelBuffers();
  EXPECT_EQ(base->buffersBuilt, 1);
  EXPECT_NE(parts[0].group, nullptr);
  EXPECT_EQ(DeleteModelBase(handle), 0);
  EXPECT_EQ(table.liveCount, 0);
}

}  // namespace
