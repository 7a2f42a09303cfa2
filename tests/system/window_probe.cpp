// A small program for the outside window check: "window_probe TITLE" starts
// the library with a 320 x 240 screen at scale 2 and runs the frame loop
// until the window is closed, ending with PumpMessages' last result (-1);
// "window_probe --close TITLE" closes that window as its close box would;
// "window_probe --close-box CAPTION" prints the text of the message box with
// that caption and closes it; "window_probe --console-text TITLE" waits until
// the program whose window that is has ended, then prints the lines of its
// console (kept alive by this attachment after the program let it go);
// "window_probe --draw TITLE" keeps the library's default renderer choice
// (the device when one can be made) and draws and presents a frame of two
// boxes every pass.
#include <windows.h>

#include <stdio.h>
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

int PrintConsoleText(const char* title) {
  HWND window = FindWindowA(title, nullptr);
  if (!window) return 1;
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
  if (!process) return 4;
  // Our own output goes to a pipe, not a console; the text goes there too.
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  FreeConsole();
  if (!AttachConsole(processId)) return 2;
  HANDLE screen = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (screen == INVALID_HANDLE_VALUE) return 3;
  const DWORD waited = WaitForSingleObject(process, kLoopLimitMilliseconds);
  CloseHandle(process);
  if (waited != WAIT_OBJECT_0 || !GetConsoleScreenBufferInfo(screen, &info)) return 5;
  const int width = info.dwSize.X;
  char line[1024];
  for (SHORT y = 0; y <= info.dwCursorPosition.Y && width < static_cast<int>(sizeof line); ++y) {
    DWORD read = 0;
    ReadConsoleOutputCharacterA(screen, line, width, COORD{0, y}, &read);
    while (read > 0 && line[read - 1] == ' ') --read;
    line[read++] = '\n';
    DWORD written = 0;
    WriteFile(output, line, read, &written, nullptr);
  }
  CloseHandle(screen);
  FreeConsole();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && strcmp(argv[1], "--close") == 0) return CloseWindowTitled(argv[2]);
  if (argc == 3 && strcmp(argv[1], "--close-box") == 0) return CloseMessageBox(argv[2]);
  if (argc == 3 && strcmp(argv[1], "--console-text") == 0) return PrintConsoleText(argv[2]);
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
