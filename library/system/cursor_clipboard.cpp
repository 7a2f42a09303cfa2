#include <windows.h>

#include "direct3d9/device_services.h"
#include "graphics/screen_settings.h"
#include "system/string_helpers.h"
#include "system/system_state.h"
#include "system/window_mode.h"

namespace {

SystemState& State() { return GetSystemState(); }

// Unlocks and closes whatever the clipboard read opened.
class ClipboardText {
 public:
  explicit ClipboardText(HWND owner) : open_(OpenClipboard(owner) != 0) {}
  ~ClipboardText() {
    if (text_) GlobalUnlock(data_);
    if (open_) CloseClipboard();
  }
  ClipboardText(const ClipboardText&) = delete;
  ClipboardText& operator=(const ClipboardText&) = delete;

  bool IsOpen() const { return open_; }
  HGLOBAL Data() {
    if (!data_) data_ = GetClipboardData(CF_TEXT);
    return data_;
  }
  const char* Lock() {
    if (!text_ && Data()) text_ = static_cast<const char*>(GlobalLock(data_));
    return text_;
  }

 private:
  bool open_;
  HGLOBAL data_ = nullptr;
  const char* text_ = nullptr;
};

}  // namespace

int SetCursorVisible(int flag) {
  SystemRuntime& run = State().run;
  if (flag != -1) run.cursorVisible = flag;
  const int show = run.cursorVisible == 1 || IsMenuBarShown() ? 1 : 0;
  if (flag != -1 && show == run.cursorShown) return 0;
  if (show) {
    while (ShowCursor(TRUE) < 0) {
    }
  } else {
    while (ShowCursor(FALSE) >= 0) {
    }
  }
  PostMessageA(run.mainWindow, WM_SETCURSOR, reinterpret_cast<WPARAM>(run.mainWindow), 0);
  run.cursorShown = show;
  return 0;
}

int GetMouseClientPos(int* x, int* y) {
  const SystemState& state = State();
  POINT cursor = {};
  GetCursorPos(&cursor);
  int posX = cursor.x;
  int posY = cursor.y;
  if (state.settings.windowMode) {
    double scaleX = 1.0;
    double scaleY = 1.0;
    GetWindowScale(&scaleX, &scaleY);
    posX = static_cast<int>((posX - state.run.clientScreenRect.left) / scaleX);
    posY = static_cast<int>((posY - state.run.clientScreenRect.top - state.run.toolbarHeight) /
                            scaleY);
  }
  if (x) *x = posX;
  if (y) *y = posY;
  return 0;
}

int AutoShowMenuBar() {
  const SystemState& state = State();
  if (state.settings.windowMode) return 0;
  if (GetScreenSettings().hardwareOn) {
    POINT cursor = {};
    GetCursorPos(&cursor);
    if (cursor.y > 60) SetCursorVisible(state.run.cursorVisible);
    return 0;
  }
  RefreshDeviceDialogBoxMode(0);
  SetCursorVisible(state.run.cursorVisible);
  SetMenuBarVisible(state.run.menuHidden ? 0 : 1);
  return 0;
}

int ReadClipboardText(char* buffer, int bufferSize) {
  ClipboardText clipboard(State().run.mainWindow);
  if (!clipboard.IsOpen()) return -1;
  if (!IsClipboardFormatAvailable(CF_TEXT)) return -1;
  HGLOBAL data = clipboard.Data();
  if (!data) return -1;
  if (!buffer) return static_cast<int>(GlobalSize(data)) + 1;
  if (bufferSize < 1) return -1;
  const char* text = clipboard.Lock();
  if (!text) return -1;
  // The block may lack a terminator within its size; never read past it.
  const size_t blockSize = GlobalSize(data);
  size_t length = 0;
  while (length < blockSize && length < static_cast<size_t>(bufferSize) - 1 &&
         text[length] != '\0') {
    ++length;
  }
  CopyBytes(buffer, text, length);
  buffer[length] = '\0';
  return 0;
}

int WriteClipboardText(const char* text) {
  const size_t length = StringLength(text);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, length + 1);
  if (!block) return -1;
  void* bytes = GlobalLock(block);
  if (!bytes) {
    GlobalFree(block);
    return -1;
  }
  CopyBytes(bytes, text, length + 1);
  GlobalUnlock(block);
  if (!OpenClipboard(State().run.mainWindow)) {
    GlobalFree(block);
    return -1;
  }
  EmptyClipboard();
  const bool placed = SetClipboardData(CF_TEXT, block) != nullptr;
  CloseClipboard();
  if (!placed) {
    GlobalFree(block);
    return -1;
  }
  return 0;
}
