#include "system/layered_window.h"

#include <windows.h>

#include <cstring>

#include "graphics/draw_state.h"
#include "graphics/layered_pixels.h"
#include "graphics/screen_settings.h"
#include "system/os_version.h"
#include "system/system_info.h"
#include "system/system_state.h"

namespace {

// Makes the bitmap again when the size changed; false when it cannot be made.
bool PrepareBitmap(SystemRuntime& run, HDC windowDc, int width, int height) {
  if (run.layeredBitmap && run.layeredWidth == width && run.layeredHeight == height) return true;
  if (run.layeredBitmap) DeleteObject(run.layeredBitmap);
  run.layeredBitmap = nullptr;
  run.layeredBits = nullptr;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) {
    if (bitmap) DeleteObject(bitmap);
    return false;
  }
  std::memset(bits, 0, static_cast<size_t>(width) * 4 * height);
  run.layeredBitmap = bitmap;
  run.layeredBits = bits;
  run.layeredWidth = width;
  run.layeredHeight = height;
  return true;
}

}  // namespace

void RefreshLayeredWindow(const GraphImage* image, HDC__* premadeDc, int useAlpha) {
  SystemState& state = GetSystemState();
  SystemRuntime& run = state.run;
  if (!run.updateLayeredWindow || !run.mainWindow) return;
  HDC screenDc = GetDC(nullptr);
  HDC windowDc = GetDC(run.mainWindow);
  POINT position = {run.windowRect.left, run.windowRect.top};
  int screenWidth = 0;
  int screenHeight = 0;
  GetScreenModeSize(&screenWidth, &screenHeight);
  SIZE size = {screenWidth, screenHeight + run.captionOffset};
  const uint32_t trans = GetDrawState().transColor;
  const COLORREF key = RGB((trans >> 16) & 0xFF, (trans >> 8) & 0xFF, trans & 0xFF);
  POINT origin = {0, 0};

  if (premadeDc) {
    run.updateLayeredWindow(run.mainWindow, screenDc, &position, &size, premadeDc, &origin, key,
                            nullptr, ULW_COLORKEY);
  } else if (image && image->pixels &&
             PrepareBitmap(run, windowDc, image->width, image->height + run.captionOffset)) {
    const bool perPixelAlpha = GetOsVersionCode() >= kOsWindowsVista;
    const int pitch = run.layeredWidth * 4;
    auto* rows = static_cast<uint8_t*>(run.layeredBits) + run.captionOffset * pitch;
    FillLayeredPixels(rows, pitch, *image, trans, useAlpha, perPixelAlpha ? 1 : 0);
    HDC bitmapDc = CreateCompatibleDC(windowDc);
    HGDIOBJ old = SelectObject(bitmapDc, run.layeredBitmap);
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    if (useAlpha || perPixelAlpha) {
      run.updateLayeredWindow(run.mainWindow, screenDc, &position, &size, bitmapDc, &origin, 0,
                              &blend, ULW_ALPHA);
    } else {
      run.updateLayeredWindow(run.mainWindow, screenDc, &position, &size, bitmapDc, &origin, key,
                              nullptr, ULW_COLORKEY);
    }
    SelectObject(bitmapDc, old);
    DeleteDC(bitmapDc);
  }
  ReleaseDC(run.mainWindow, windowDc);
  ReleaseDC(nullptr, screenDc);
}
