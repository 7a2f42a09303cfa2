#include "sound/sound_platform.h"

#include <windows.h>

#include "Ombrel.h"
#include "system/message_pump.h"

int RunSoundMessagePass() { return PumpMessagesCore() != 0 ? 1 : 0; }

void SleepSoundThread(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

void ExitSoundWithError(const char* text) { ExitWithError(text); }
