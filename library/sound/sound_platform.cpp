#include "sound/sound_platform.h"

#include <windows.h>

#include <stdlib.h>

#include "Ombrel.h"

int RunSoundMessagePass() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) return 1;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

void SleepSoundThread(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

void ExitSoundWithError(const char* text) {
  AppendLog(text);
  ExitProcess(static_cast<UINT>(-1));
}
