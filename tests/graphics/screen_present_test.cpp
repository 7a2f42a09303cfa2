#include <gtest/gtest.h>
#include <png.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "Ombrel.h"
#include "graphics/graph_handles.h"
#include "graphics/screen_images.h"
#include "graphics/screen_settings.h"
#include "support/library_session.h"
#include "system/system_state.h"

namespace {

// The window's client as 0x00RRGGBB values, read back through GDI.
std::vector<uint32_t> CaptureClient(HWND window, int width, int height) {
  HDC windowDc = GetDC(window);
  HDC memoryDc = CreateCompatibleDC(windowDc);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memoryDc, bitmap);
  BitBlt(memoryDc, 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
  GdiFlush();
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  std::memcpy(pixels.data(), bits, pixels.size() * 4);
  for (uint32_t& p : pixels) p &= 0x00FFFFFF;
  SelectObject(memoryDc, old);
  DeleteObject(bitmap);
  DeleteDC(memoryDc);
  ReleaseDC(window, windowDc);
  return pixels;
}

void WritePng(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height) {
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_BGRA;
  std::vector<uint32_t> opaque(pixels);
  for (uint32_t& p : opaque) p |= 0xFF000000;
  png_image_write_to_file(&image, path.c_str(), 0, opaque.data(), width * 4, nullptr);
}

uint32_t ScreenPixel(int x, int y) {
  const SOFTIMG* screen = GetPrimaryScreenSoftImg();
  uint32_t v;
  std::memcpy(&v, screen->pixels + y * screen->body->pitch + x * 4, 4);
  return v & 0x00FFFFFF;
}

void SetScreenPixel(int x, int y, uint32_t v) {
  SOFTIMG* screen = GetPrimaryScreenSoftImg();
  std::memcpy(screen->pixels + y * screen->body->pitch + x * 4, &v, 4);
}

// A pattern where no two neighbours match, so a shifted or sheared copy
// shows.
uint32_t Pattern(int x, int y) {
  return static_cast<uint32_t>((x * 37 + y * 11) & 0xFF) << 16 |
         static_cast<uint32_t>((x * 5 + y * 53) & 0xFF) << 8 |
         static_cast<uint32_t>((x ^ y) & 0xFF);
}

void DrawPattern(int width, int height) {
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) SetScreenPixel(x, y, Pattern(x, y));
  }
}

class ScreenPresentTest : public StartedLibraryTest {
 protected:
  void SetUp() override {
    StartedLibraryTest::SetUp();
    EnableVSyncWait(0);
    ASSERT_EQ(SelectDrawTarget(-2), 0);
  }
};

TEST_F(ScreenPresentTest, PresentShowsTheScreenStretchedByTheScale) {
  DrawPattern(320, 240);
  ASSERT_EQ(PresentScreen(), 0);
  const IntRect& presented = GetScreenSettings().lastPresentedRect;
  EXPECT_EQ(presented.right, 640);
  EXPECT_EQ(presented.bottom, 480);
  const std::vector<uint32_t> client = CaptureClient(window_, 640, 480);
  int wrong = 0;
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      if (client[y * 640 + x] != Pattern(x / 2, y / 2) && ++wrong < 5) {
        ADD_FAILURE() << "window pixel " << x << "," << y << " " << std::hex << client[y * 640 + x]
                      << " want " << Pattern(x / 2, y / 2);
      }
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST_F(ScreenPresentTest, RepaintPresentsTheInvalidRegionAtScale2) {
  DrawPattern(320, 240);
  ASSERT_EQ(PresentScreen(), 0);
  // Blacken the window, then let a repaint bring back one region.
  HDC dc = GetDC(window_);
  RECT all = {0, 0, 640, 480};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ReleaseDC(window_, dc);
  RECT region = {100, 60, 300, 200};
  InvalidateRect(window_, &region, FALSE);
  UpdateWindow(window_);
  const std::vector<uint32_t> client = CaptureClient(window_, 640, 480);
  int wrong = 0;
  for (int y = 0; y < 480; y += 3) {
    for (int x = 0; x < 640; x += 3) {
      const bool inside = x >= 100 && x < 300 && y >= 60 && y < 200;
      const uint32_t want = inside ? Pattern(x / 2, y / 2) : 0;
      if (client[y * 640 + x] != want && ++wrong < 5) {
        ADD_FAILURE() << "window pixel " << x << "," << y << " " << std::hex << client[y * 640 + x]
                      << " want " << want;
      }
    }
  }
  EXPECT_EQ(wrong, 0);
}

// The wait stamps the time of the blank it waited for; a repaint leaves the
// stamp alone and the setting as it was.
TEST_F(ScreenPresentTest, ARepaintDoesNotWaitForTheVerticalBlank) {
  DrawPattern(320, 240);
  ASSERT_EQ(PresentScreen(), 0);
  EnableVSyncWait(1);
  ScreenSettings& screen = GetScreenSettings();
  screen.lastVSyncWaitTime = 12345;
  RECT region = {0, 0, 640, 480};
  InvalidateRect(window_, &region, FALSE);
  UpdateWindow(window_);
  EXPECT_EQ(screen.lastVSyncWaitTime, 12345);
  EXPECT_EQ(CheckVSyncWait(), 1);
  // A present of its own waits.
  ASSERT_EQ(PresentScreen(), 0);
  EXPECT_NE(screen.lastVSyncWaitTime, 12345);
  EnableVSyncWait(0);
}

TEST_F(ScreenPresentTest, FrontScreenIsPresentedByTheTimer) {
  ASSERT_EQ(SelectDrawTarget(-4), 0);
  DrawPattern(320, 240);
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 300) {
    PumpMessages();
    Sleep(5);
  }
  const std::vector<uint32_t> client = CaptureClient(window_, 640, 480);
  EXPECT_EQ(client[101 * 640 + 201], Pattern(100, 50));
  // Selecting the back screen stops it at its next tick.
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  PumpMessages();
  DrawPattern(1, 1);
  SetScreenPixel(100, 50, 0x00FF0000);
  const DWORD later = GetTickCount();
  while (GetTickCount() - later < 200) {
    PumpMessages();
    Sleep(5);
  }
  EXPECT_EQ(CaptureClient(window_, 640, 480)[101 * 640 + 201], Pattern(100, 50));
}

TEST_F(ScreenPresentTest, PresentIsRefusedWhenTheEndWasRequestedOrARegionMapsToNothing) {
  ASSERT_EQ(PresentScreen(), 0);
  const IntRect twoPixels = {0, 0, 2, 2};
  EXPECT_EQ(PresentScreenRegion(&twoPixels), 0);
  // One window pixel is half a screen pixel at scale 2.
  const IntRect onePixel = {0, 0, 1, 1};
  EXPECT_EQ(PresentScreenRegion(&onePixel), -1);
  GetSystemState().run.endRequested = 1;
  EXPECT_EQ(PresentScreen(), -1);
  GetSystemState().run.endRequested = 0;
}

TEST_F(ScreenPresentTest, SceneAtScale2) {
  ClearDrawTarget(nullptr);
  const int tile = CreateEmptyGraph(16, 16, 0);
  ASSERT_GE(tile, 0);
  ASSERT_EQ(SelectDrawTarget(tile), 0);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const uint32_t c = ComposeColorCode(x * 16, y * 16, 255 - x * 8);
      const IntRect dot = {x, y, x + 1, y + 1};
      FillSoftImgRaw(&GetGraphRecord(tile)->view, &dot, c);
    }
  }
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  for (int i = 0; i < 8; ++i) PutGraph(8 + i * 20, 8, tile, 0);
  SetBlendModeAndParam(1, 128);
  for (int i = 0; i < 8; ++i) PutGraph(8 + i * 20, 16, tile, 0);
  SetBlendModeAndParam(2, 200);
  SetBrightRGB(255, 128, 64);
  PutGraphStretched(180, 10, 300, 90, tile, 0);
  SetBrightRGB(255, 255, 255);
  SetBlendModeAndParam(0, 0);
  PaintBox(20, 120, 140, 220, ComposeColorCode(40, 90, 200), 1);
  PaintBox(10, 110, 150, 230, ComposeColorCode(255, 255, 255), 0);
  SetBlendModeAndParam(1, 128);
  PaintBox(80, 150, 220, 200, ComposeColorCode(255, 200, 0), 1);
  SetBlendModeAndParam(0, 0);
  for (int i = 0; i < 10; ++i) {
    PaintLine(170, 110 + i * 12, 310, 230 - i * 12, ComposeColorCode(0, 255, 128), 1);
  }
  PaintLine(170, 220, 310, 120, ComposeColorCode(255, 64, 64), 5);
  SetDrawClipRect(240, 100, 320, 160);
  PutGraphStretched(230, 90, 330, 170, tile, 0);
  SetDrawClipRect(0, 0, 320, 240);
  ASSERT_EQ(PresentScreen(), 0);
  const std::vector<uint32_t> client = CaptureClient(window_, 640, 480);
  WritePng(std::string(TEST_ARTIFACT_DIR) + "/graphics_scene_320x240_scale2.png", client, 640, 480);
  // The tile's corner texel at (8, 8) is shown as a 2 x 2 block at (16, 16).
  EXPECT_EQ(client[16 * 640 + 16], ScreenPixel(8, 8));
  EXPECT_EQ(client[17 * 640 + 17], ScreenPixel(8, 8));
}

// Rows of a screen whose width in bytes is not a multiple of the image's
// row alignment must still line up in the window.
TEST(ScreenPresentOddWidthTest, RowsStayAlignedWhateverTheWidth) {
  LibraryOptions options;
  options.title = UniqueWindowTitle("OddWidth");
  options.screenWidth = 322;
  options.screenHeight = 100;
  LibrarySession session(options);
  ASSERT_EQ(session.result(), 0);
  GetSystemState().run.active = 1;
  EnableVSyncWait(0);
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  ASSERT_NE(GetPrimaryScreenSoftImg()->body->pitch, 322 * 4);
  DrawPattern(322, 100);
  ASSERT_EQ(PresentScreen(), 0);
  const std::vector<uint32_t> client = CaptureClient(GetMainWindow(), 322, 100);
  for (int y : {0, 1, 50, 99}) {
    for (int x : {0, 1, 160, 321}) {
      EXPECT_EQ(client[y * 322 + x], Pattern(x, y)) << x << "," << y;
    }
  }
}

TEST_F(ScreenPresentTest, RefreshScreenShowsTheScreenAsAPresentDoes) {
  DrawPattern(320, 240);
  ASSERT_EQ(RefreshScreen(), 0);
  const std::vector<uint32_t> client = CaptureClient(window_, 640, 480);
  for (int y : {0, 1, 241, 479}) {
    for (int x : {0, 3, 320, 639}) {
      EXPECT_EQ(client[y * 640 + x], Pattern(x / 2, y / 2)) << x << "," << y;
    }
  }
  GetSystemState().run.endRequested = 1;
  EXPECT_EQ(RefreshScreen(), -1);
  GetSystemState().run.endRequested = 0;
}

// A 640 x 480 mode under the 320 x 240 emulation shows the screen's top-left
// 320 x 240 pixels stretched to 640 x 480, whatever the window scale.
TEST(ScreenPresentEmulationTest, TheTopLeftQuarterIsShownDoubled) {
  LibraryOptions options;
  options.title = UniqueWindowTitle("Emulation");
  options.screenWidth = 640;
  options.screenHeight = 480;
  options.scale = 1.0;
  LibrarySession session(options);
  ASSERT_EQ(session.result(), 0);
  GetSystemState().run.active = 1;
  EnableVSyncWait(0);
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  EnableScreen320x240Emulation(1);
  DrawPattern(640, 480);
  ASSERT_EQ(PresentScreen(), 0);
  const IntRect& presented = GetScreenSettings().lastPresentedRect;
  EXPECT_EQ(presented.right, 640);
  EXPECT_EQ(presented.bottom, 480);
  const std::vector<uint32_t> client = CaptureClient(GetMainWindow(), 640, 480);
  WritePng(std::string(TEST_ARTIFACT_DIR) + "/graphics_emulation_320x240_in_640x480.png", client,
           640, 480);
  int wrong = 0;
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      if (client[y * 640 + x] != Pattern(x / 2, y / 2) && ++wrong < 5) {
        ADD_FAILURE() << "window pixel " << x << "," << y << " " << std::hex << client[y * 640 + x]
                      << " want " << Pattern(x / 2, y / 2);
      }
    }
  }
  EXPECT_EQ(wrong, 0);
  // Without the emulation the same screen is shown as it is.
  EnableScreen320x240Emulation(0);
  ASSERT_EQ(PresentScreen(), 0);
  const std::vector<uint32_t> plain = CaptureClient(GetMainWindow(), 640, 480);
  EXPECT_EQ(plain[479 * 640 + 639], Pattern(639, 479));
  EXPECT_EQ(plain[300 * 640 + 500], Pattern(500, 300));
}

}  // namespace
