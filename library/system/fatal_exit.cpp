#include <windows.h>

#include "Ombrel.h"
#include "system/api_guard.h"
#include "system/library_startup.h"
#include "system/main_window.h"
#include "system/string_helpers.h"
#include "system/system_state.h"

void ExitWithError(const char* text) {
  AppendLog(text);
  AppendLog("\n");
  const SystemState& state = GetSystemState();
  const DWORD mainThread = state.run.mainThreadId;
  if (mainThread == 0 || GetCurrentThreadId() == mainThread) {
    if (state.run.initialised) {
      EndLibraryCore();
    } else if (state.settings.initialising) {
      UndoStartedParts();
    }
    TeardownApiGuard();
  }
  // Another thread cannot take the window down (its messages belong to the
  // main thread, which may itself be waiting); the process ends around it,
  // but the user's screen saver setting outlives the process.
  RestoreScreenSaver();
  ExitProcess(static_cast<UINT>(-1));
}

void ExitWithErrorFormat(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  // Longer texts are cut to the buffer.
  FormatStringV(text, sizeof text, format, args);
  va_end(args);
  ExitWithError(text);
}
