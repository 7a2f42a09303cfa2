#include <windows.h>

#include "sound/sound_state.h"

namespace {

CRITICAL_SECTION soundLock;

}  // namespace

SoundSystemState& GetSoundSystemState() {
  static SoundSystemState state;
  return state;
}

void CreateSoundLock() {
  SoundSystemState& state = GetSoundSystemState();
  if (state.lockMade) return;
  InitializeCriticalSection(&soundLock);
  state.lockMade = 1;
}

void DeleteSoundLock() {
  SoundSystemState& state = GetSoundSystemState();
  if (!state.lockMade) return;
  DeleteCriticalSection(&soundLock);
  state.lockMade = 0;
}

void EnterSoundLock() { EnterCriticalSection(&soundLock); }

void LeaveSoundLock() { LeaveCriticalSection(&soundLock); }
