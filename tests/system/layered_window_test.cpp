// A layered main window end to end: the flag set before start-up, the screen
// drawn and presented, the UpdateLayeredWindow call seen through the bound
// entry, and the window's pixels read back from the display.
#include "system/layered_window.h"

#include <windows.h>

#include <png.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "graphics/screen_images.h"
#include "support/library_session.h"
#include "system/system_state.h"

namespace {

struct LayeredCall {
  HWND window;
  POINT position;
  SIZE size;
  POINT origin;
  COLORREF key;
  bool blendGiven;
  BLENDFUNCTION blend;
  DWORD flags;
  HBITMAP bitmap;  // selected into the source DC
};

std::vector<LayeredCall> calls;
decltype(SystemRuntime::updateLayeredWindow) realUpdate = nullptr;

BOOL WINAPI RecordingUpdate(HWND window, HDC screenDc, POINT* position, SIZE* size, HDC sourceDc,
                            POINT* origin, COLORREF key, BLENDFUNCTION* blend, DWORD flags) {
  LayeredCall call = {};
  call.window = window;
  if (position) call.position = *position;
  if (size) call.size = *size;
  if (origin) call.origin = *origin;
  call.key = key;
  call.blendGiven = blend != nullptr;
  if (blend) call.blend = *blend;
  call.flags = flags;
  call.bitmap = static_cast<HBITMAP>(GetCurrentObject(sourceDc, OBJ_BITMAP));
  calls.push_back(call);
  return realUpdate(window, screenDc, position, size, sourceDc, origin, key, blend, flags);
}

constexpr uint32_t kHole = 0xFF00FF;

// No two neighbours alike, and never the transparent colour.
uint32_t Pattern(int x, int y) {
  return 0x200000 | static_cast<uint32_t>((x * 5 + y * 3) & 0x7F) << 8 |
         static_cast<uint32_t>((x ^ y) & 0xFF);
}

bool InHole(int x, int y) { return x >= 200 && x < 260 && y >= 40 && y < 120; }

void DrawScene(int width, int height) {
  SOFTIMG* screen = GetPrimaryScreenSoftImg();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t value = InHole(x, y) ? kHole : Pattern(x, y);
      std::memcpy(screen->pixels + y * screen->body->pitch + x * 4, &value, 4);
    }
  }
}

// What the display shows at the given screen rectangle, as 0x00RRGGBB.
std::vector<uint32_t> CaptureDesktop(const RECT& area) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  HDC desktop = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(desktop);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(desktop, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, desktop, area.left, area.top, SRCCOPY);
  GdiFlush();
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  std::memcpy(pixels.data(), bits, pixels.size() * 4);
  for (uint32_t& p : pixels) p &= 0x00FFFFFF;
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, desktop);
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

class LayeredWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSettings();
    GetSystemState().settings.layeredWindow = 1;
    LibraryOptions options;
    options.title = UniqueWindowTitle("Layered");
    options.runWhileInactive = 1;
    session_ = std::make_unique<LibrarySession>(options);
    ASSERT_EQ(session_->result(), 0);
    SystemRuntime& run = GetSystemState().run;
    ASSERT_NE(run.updateLayeredWindow, nullptr);
    realUpdate = run.updateLayeredWindow;
    run.updateLayeredWindow = RecordingUpdate;
    calls.clear();
    EnableVSyncWait(0);
    ASSERT_EQ(SelectDrawTarget(-2), 0);
    ASSERT_EQ(SetGraphTransColor(0xFF, 0x00, 0xFF), 0);
  }

  void TearDown() override {
    GetSystemState().run.updateLayeredWindow = realUpdate;
    session_.reset();
    GetSystemState().settings.layeredWindow = 0;
  }

  std::unique_ptr<LibrarySession> session_;
};

TEST_F(LayeredWindowTest, APresentHandsTheScreenToUpdateLayeredWindow) {
  const SystemRuntime& run = GetSystemState().run;
  EXPECT_NE(GetWindowLongA(run.mainWindow, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
  DrawScene(320, 240);
  ASSERT_EQ(PresentScreen(), 0);
  ASSERT_EQ(calls.size(), 1u);
  const LayeredCall& call = calls[0];
  EXPECT_EQ(call.window, run.mainWindow);
  EXPECT_EQ(call.position.x, run.windowRect.left);
  EXPECT_EQ(call.position.y, run.windowRect.top);
  EXPECT_EQ(call.size.cx, 320);
  EXPECT_EQ(call.size.cy, 240 + run.captionOffset);
  EXPECT_EQ(call.origin.x, 0);
  EXPECT_EQ(call.origin.y, 0);
  // Per-pixel alpha on this system: no key, the constant alpha fully on.
  EXPECT_EQ(call.flags, static_cast<DWORD>(ULW_ALPHA));
  EXPECT_EQ(call.key, 0u);
  ASSERT_TRUE(call.blendGiven);
  EXPECT_EQ(call.blend.BlendOp, AC_SRC_OVER);
  EXPECT_EQ(call.blend.BlendFlags, 0);
  EXPECT_EQ(call.blend.SourceConstantAlpha, 255);
  EXPECT_EQ(call.blend.AlphaFormat, AC_SRC_ALPHA);
  EXPECT_EQ(call.bitmap, run.layeredBitmap);

  // The bitmap: the caption's rows empty, the screen below them opaque, the
  // transparent colour a hole.
  ASSERT_EQ(run.layeredWidth, 320);
  ASSERT_EQ(run.layeredHeight, 240 + run.captionOffset);
  const auto* bits = static_cast<const uint32_t*>(run.layeredBits);
  int wrong = 0;
  for (int y = 0; y < run.layeredHeight; ++y) {
    for (int x = 0; x < 320; ++x) {
      const int screenY = y - run.captionOffset;
      const uint32_t want = screenY < 0 || InHole(x, screenY) ? 0 : 0xFF000000 | Pattern(x, screenY);
      if (bits[y * 320 + x] != want && ++wrong < 5) {
        ADD_FAILURE() << "bitmap " << x << "," << y << " " << std::hex << bits[y * 320 + x];
      }
    }
  }
  EXPECT_EQ(wrong, 0);

  // What the display shows where the window stands.
  const RECT area = {run.windowRect.left, run.windowRect.top, run.windowRect.left + 320,
                     run.windowRect.top + 240 + run.captionOffset};
  const std::vector<uint32_t> shown = CaptureDesktop(area);
  WritePng(std::string(TEST_ARTIFACT_DIR) + "/system_layered_window.png", shown, 320,
           240 + run.captionOffset);
  wrong = 0;
  int checked = 0;
  for (int y = 0; y < 240; y += 2) {
    for (int x = 0; x < 320; x += 2) {
      if (InHole(x, y)) continue;
      const uint32_t got = shown[(y + run.captionOffset) * 320 + x];
      ++checked;
      if (got != Pattern(x, y) && ++wrong < 5) {
        ADD_FAILURE() << "display " << x << "," << y << " " << std::hex << got << " want "
                      << Pattern(x, y);
      }
    }
  }
  EXPECT_EQ(wrong, 0) << "of " << checked;
}

TEST_F(LayeredWindowTest, TheBitmapIsMadeAgainOnlyWhenTheSizeChanges) {
  const SystemRuntime& run = GetSystemState().run;
  DrawScene(320, 240);
  ASSERT_EQ(PresentScreen(), 0);
  const HBITMAP first = run.layeredBitmap;
  ASSERT_NE(first, nullptr);
  // The caption's rows are never filled, so a mark there survives only in a
  // bitmap that was kept (a new one starts zeroed).
  ASSERT_GT(run.captionOffset, 0);
  static_cast<uint32_t*>(run.layeredBits)[0] = 0x12345678;
  DrawScene(320, 240);
  ASSERT_EQ(PresentScreen(), 0);
  EXPECT_EQ(run.layeredBitmap, first);
  EXPECT_EQ(static_cast<uint32_t*>(run.layeredBits)[0], 0x12345678u);

  ASSERT_EQ(SetScreenMode(400, 300, 32, 60), 0);
  EnableVSyncWait(0);
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  DrawScene(400, 300);
  calls.clear();
  ASSERT_EQ(PresentScreen(), 0);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(run.layeredWidth, 400);
  EXPECT_EQ(run.layeredHeight, 300 + run.captionOffset);
  EXPECT_EQ(calls[0].size.cx, 400);
  EXPECT_EQ(calls[0].size.cy, 300 + run.captionOffset);
  EXPECT_EQ(calls[0].bitmap, run.layeredBitmap);
  const auto* bits = static_cast<const uint32_t*>(run.layeredBits);
  EXPECT_EQ(bits[0], 0u);
  EXPECT_EQ(bits[(run.captionOffset + 299) * 400 + 399], 0xFF000000 | Pattern(399, 299));
}

}  // namespace
