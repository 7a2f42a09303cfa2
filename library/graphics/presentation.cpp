#include "graphics/presentation.h"

#include <windows.h>

#include "direct3d9/device_services.h"
#include "direct3d9/primitive_draw.h"
#include "direct3d9/vertex_batch.h"
#include "graphics/draw_state.h"
#include "graphics/draw_target.h"
#include "graphics/screen_images.h"
#include "graphics/screen_settings.h"
#include "system/layered_window.h"
#include "system/log.h"
#include "system/system_state.h"

namespace {

constexpr UINT_PTR kFrontScreenTimerId = 0x7FFF;
constexpr UINT kFrontScreenTimerMilliseconds = 32;

struct PresentBitmapInfo {
  BITMAPINFOHEADER header;
  DWORD masks[3];
};

// The DIB covers the image's whole pitch, so that its rows line up with the
// image's rows whatever the screen's width; the copies take only the
// screen's columns from it.
PresentBitmapInfo MakeBitmapInfo(const SOFTIMG& image) {
  const ColorFormat& format = *image.body->format;
  PresentBitmapInfo info = {};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = image.body->pitch / format.bytesPerPixel;
  info.header.biHeight = -image.height;
  info.header.biPlanes = 1;
  info.header.biBitCount = format.colorBits;
  info.header.biCompression = BI_BITFIELDS;
  info.masks[0] = format.redMask;
  info.masks[1] = format.greenMask;
  info.masks[2] = format.blueMask;
  return info;
}

// Hands the screen to the layered window as an image that views the
// primary image's pixels.
void PresentLayered() {
  DrawStateRecord& state = GetDrawState();
  const int target = state.drawTarget;
  state.drawTarget = kDrawTargetBackScreen;
  GraphImage image = {};
  const IntRect whole = {0, 0, GetScreenSettings().width, GetScreenSettings().height};
  if (LockDrawScreenPixels(&whole, &image) == 0) {
    RefreshLayeredWindow(&image, nullptr, 0);
    UnlockDrawScreenPixels();
  }
  state.drawTarget = target;
}

// A full-screen device flips its buffers: a present that must show the
// picture again draws from a kept copy of the back buffer.
void KeepFullScreenDevicePicture() {
  if (GetScreenSettings().hardwareOn && !GetSystemState().settings.windowMode)
    SwitchToSubBackBuffer();
}

void CALLBACK FrontScreenTimerProc(HWND window, UINT, UINT_PTR, DWORD) {
  KillTimer(window, kFrontScreenTimerId);
  if (GetDrawTarget() != kDrawTargetFrontScreen || GetSystemState().settings.layeredWindow) {
    return;
  }
  KeepFullScreenDevicePicture();
  PresentScreenRegion(nullptr);
  SetTimer(window, kFrontScreenTimerId, kFrontScreenTimerMilliseconds, FrontScreenTimerProc);
}

// The on-screen log is drawn plainly, whatever the game's drawing settings.
void DrawLogOverlayOnScreen(int screenWidth, int screenHeight) {
  DrawStateRecord& state = GetDrawState();
  const IntRect area = state.drawArea;
  const int mode = state.blendMode;
  const int param = state.blendParam;
  const uint32_t bright = state.drawBright;
  SetDrawClipRect(0, 0, screenWidth, screenHeight);
  SetBlendModeAndParam(0, 0);
  SetBrightRGB(255, 255, 255);
  DrawLogOverlay();
  SetDrawClipRect(area.left, area.top, area.right, area.bottom);
  SetBlendModeAndParam(mode, param);
  SetDrawBrightPacked(static_cast<int>(bright));
}

}  // namespace

int MapPresentRegion(const IntRect& region, const IntRect& presented, int screenWidth,
                     int screenHeight, IntRect* source) {
  const int64_t presentedWidth = presented.right - presented.left;
  const int64_t presentedHeight = presented.bottom - presented.top;
  if (presentedWidth <= 0 || presentedHeight <= 0) return -1;
  // Window pixels go back to screen pixels: a region of a window shown at
  // scale 2 covers half as many screen pixels.
  auto mapX = [&](int x) {
    return static_cast<int32_t>((x - presented.left) * static_cast<int64_t>(screenWidth) /
                                presentedWidth);
  };
  auto mapY = [&](int y) {
    return static_cast<int32_t>((y - presented.top) * static_cast<int64_t>(screenHeight) /
                                presentedHeight);
  };
  source->left = mapX(region.left);
  source->top = mapY(region.top);
  source->right = mapX(region.right);
  source->bottom = mapY(region.bottom);
  if (source->right == source->left || source->bottom == source->top) return -1;
  return 0;
}

void ComputePresentRects(const PresentInputs& in, IntRect* source, IntRect* dest,
                         int* emulation) {
  *source = {0, 0, in.screenWidth, in.screenHeight};
  *emulation = 0;
  const bool mode640x480 = in.screenWidth == 640 && in.screenHeight == 480;
  if ((in.emulationRequested || in.emulationActive) && mode640x480) {
    *source = {0, 0, 320, 240};
    *emulation = 1;
  }
  if (!in.windowMode || (*emulation && mode640x480)) {
    *dest = {0, 0, in.screenWidth, in.screenHeight};
    return;
  }
  *dest = {0, 0, static_cast<int32_t>(in.screenWidth * in.scaleX),
           static_cast<int32_t>(in.screenHeight * in.scaleY)};
}

int PresentScreenRegion(const IntRect* region) {
  const SystemState& system = GetSystemState();
  if (!system.run.initialised || system.run.endRequested) return -1;
  ScreenSettings& screen = GetScreenSettings();
  int screenWidth = 0;
  int screenHeight = 0;
  GetScreenModeSize(&screenWidth, &screenHeight);
  IntRect mapped = {};
  if (region &&
      MapPresentRegion(*region, screen.lastPresentedRect, screenWidth, screenHeight, &mapped) !=
          0) {
    return -1;
  }
  if (IsLogOverlayShown()) DrawLogOverlayOnScreen(screenWidth, screenHeight);
  PresentInputs inputs = {};
  inputs.screenWidth = screenWidth;
  inputs.screenHeight = screenHeight;
  inputs.windowMode = system.settings.windowMode;
  inputs.emulationRequested = GetDrawState().emulation320x240Request;
  inputs.emulationActive = screen.emulation320x240Active;
  GetWindowScale(&inputs.scaleX, &inputs.scaleY);
  IntRect source = {};
  IntRect dest = {};
  int emulation = 0;
  ComputePresentRects(inputs, &source, &dest, &emulation);

  const SOFTIMG* image = GetPrimaryScreenSoftImg();
  if (!IsSoftImgValid(image)) return 0;
  if (CheckVSyncWait()) WaitVSyncByTimer();
  if (system.settings.layeredWindow) {
    PresentLayered();
    return 0;
  }
  const PresentBitmapInfo info = MakeBitmapInfo(*image);
  const auto* bitmapInfo = reinterpret_cast<const BITMAPINFO*>(&info);
  HDC dc = GetDC(system.run.mainWindow);
  if (!dc) return 0;
  // StretchDIBits counts the source's y from the bottom row even for a
  // top-down DIB.
  const int sourceRows = image->height;
  if (emulation) {
    StretchDIBits(dc, 0, 0, 640, 480, 0, sourceRows - 240, 320, 240, image->pixels, bitmapInfo,
                  DIB_RGB_COLORS, SRCCOPY);
    screen.lastPresentedRect = {0, 0, 640, 480};
  } else if (region) {
    StretchDIBits(dc, region->left, region->top, region->right - region->left,
                  region->bottom - region->top, mapped.left, sourceRows - mapped.bottom,
                  mapped.right - mapped.left, mapped.bottom - mapped.top, image->pixels,
                  bitmapInfo, DIB_RGB_COLORS, SRCCOPY);
  } else {
    screen.lastPresentedRect = dest;
    if (dest.right == source.right && dest.bottom == source.bottom) {
      SetDIBitsToDevice(dc, 0, 0, source.right, source.bottom, 0, 0, 0, sourceRows,
                        image->pixels, bitmapInfo, DIB_RGB_COLORS);
    } else {
      StretchDIBits(dc, 0, 0, dest.right, dest.bottom, 0, 0, source.right, source.bottom,
                    image->pixels, bitmapInfo, DIB_RGB_COLORS, SRCCOPY);
    }
  }
  ReleaseDC(system.run.mainWindow, dc);
  return 0;
}

int PresentScreen() { return PresentScreenRegion(nullptr); }

int RefreshScreen() {
  KeepFullScreenDevicePicture();
  return PresentScreenRegion(nullptr);
}

void StartFrontScreenTimer() {
  HWND window = GetSystemState().run.mainWindow;
  if (window) {
    SetTimer(window, kFrontScreenTimerId, kFrontScreenTimerMilliseconds, FrontScreenTimerProc);
  }
}
