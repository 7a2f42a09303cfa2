// A small program for the outside window check: "window_probe TITLE" starts
// the library with a 320 x 240 screen at scale 2 and runs the frame loop
// until the window is closed, ending with PumpMessages' last result (-1);
// "window_probe --close TITLE" closes that window as its close box would;
// "window_probe --draw TITLE" keeps the library's default renderer choice
// (the device when one can be made) and draws and presents a frame of two
// boxes every pass.
#include <windows.h>

#include <string.h>

#include "Ombrel.h"
#include "graphics/screen_settings.h"

namespace {

constexpr int kLoopLimitMilliseconds = 120000;
constexpr int kTimedOut = 2;

int CloseWindowTitled(const char* title) {
  // The class name is the title.
  HWND window = FindWindowA(title, nullptr);
  if (!window) return 1;
  PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && strcmp(argv[1], "--close") == 0) return CloseWindowTitled(argv[2]);
  const bool draw = argc == 3 && strcmp(argv[1], "--draw") == 0;
  if (argc != 2 && !draw) return 3;
  EnableLogOutput(0);
  if (!draw) EnableHardwareRender(0);
  ChangeWindowMode(1);
  SetWindowScale(2.0, -1.0);
  SetScreenMode(320, 240, 32, 60);
  SetMainWindowTitle(argv[argc - 1]);
  if (InitLibrary() != 0) return 4;
  // The drawing run is there to show the device's frame.
  if (draw && !GetScreenSettings().hardwareOn) {
    EndLibrary();
    return 5;
  }
  const int start = GetTickMilliseconds();
  int result = 0;
  while ((result = PumpMessages()) == 0) {
    if (draw) {
      SelectDrawTarget(-2);
      PaintFilledBox(0, 0, 320, 240, ComposeColorCode(30, 160, 90));
      PaintFilledBox(0, 0, 160, 120, ComposeColorCode(200, 40, 40));
      PresentScreen();
    }
    if (GetTickMilliseconds() - start > kLoopLimitMilliseconds) {
      result = kTimedOut;
      break;
    }
    Sleep(10);
  }
  EndLibrary();
  return result;
}
