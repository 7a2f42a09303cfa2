// A small program for the outside window check: "window_probe TITLE" starts
// the library with a 320 x 240 screen at scale 2 and runs the frame loop
// until the window is closed, ending with PumpMessages' last result (-1);
// "window_probe --close TITLE" closes that window as its close box would;
// "window_probe --close-box CAPTION" prints the text of the message box with
// that caption and closes it.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "Ombrel.h"

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

int CloseMessageBox(const char* caption) {
  HWND box = FindWindowA(nullptr, caption);
  if (!box) return 1;
  char text[1024] = {};
  // A message box shows its text in the static control 0xFFFF.
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  fputs(text, stdout);
  fflush(stdout);
  PostMessageA(box, WM_CLOSE, 0, 0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && strcmp(argv[1], "--close") == 0) return CloseWindowTitled(argv[2]);
  if (argc == 3 && strcmp(argv[1], "--close-box") == 0) return CloseMessageBox(argv[2]);
  if (argc != 2) return 3;
  EnableLogOutput(0);
  EnableHardwareRender(0);
  ChangeWindowMode(1);
  SetWindowScale(2.0, -1.0);
  SetScreenMode(320, 240, 32, 60);
  SetMainWindowTitle(argv[1]);
  if (InitLibrary() != 0) return 4;
  const int start = GetTickMilliseconds();
  int result = 0;
  while ((result = PumpMessages()) == 0) {
    if (GetTickMilliseconds() - start > kLoopLimitMilliseconds) {
      result = kTimedOut;
      break;
    }
    Sleep(10);
  }
  EndLibrary();
  return result;
}
