#include "sound/sound_thread.h"

#include <windows.h>

#include "sound/sound_state.h"
#include "sound/sound_services.h"
#include "system/system_info.h"

namespace {

constexpr DWORD kRefillMilliseconds = 30;

// The stop flag is written by the stopping thread and polled by the sound
// thread without a lock: every access is atomic, or the poll may be a data
// race that the compiler is free to hoist out of the loop.
int LoadStop(const volatile int& flag) { return __atomic_load_n(&flag, __ATOMIC_ACQUIRE); }
void StoreStop(volatile int& flag, int value) { __atomic_store_n(&flag, value, __ATOMIC_RELEASE); }

DWORD WINAPI SoundThreadProc(void*) {
  SoundSystemState& state = GetSoundSystemState();
  while (LoadStop(state.threadStop) != kSoundThreadStopAsked) {
    EnterSoundLock();
    if (state.directSound) {
      ProcessStreamSounds();
      ProcessSoftSoundPlayers();
    }
    LeaveSoundLock();
    Sleep(kRefillMilliseconds);
  }
  StoreStop(state.threadStop, kSoundThreadStopped);
  return 0;
}

}  // namespace

void StartSoundThread() {
  SoundSystemState& state = GetSoundSystemState();
  if (GetProcessorCount() <= 1) return;
  StoreStop(state.threadStop, kSoundThreadRun);
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, SoundThreadProc, nullptr, CREATE_SUSPENDED, &id);
  if (!thread) return;
  SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL);
  ResumeThread(thread);
  state.thread = thread;
  state.threadId = id;
}

void StopSoundThread() {
  SoundSystemState& state = GetSoundSystemState();
  if (!state.thread) return;
  StoreStop(state.threadStop, kSoundThreadStopAsked);
  // The thread is waited for on its handle, not through message passes: a
  // pass waits for reactivation while the window is inactive and would keep
  // shut-down waiting for ever; and during the library's own shut-down the
  // pass reports the end at once, when the thread may still be in a sweep
  // over the buffers and the lock that are released next.
  WaitForSingleObject(static_cast<HANDLE>(state.thread), INFINITE);
  CloseHandle(static_cast<HANDLE>(state.thread));
  state.thread = nullptr;
  state.threadId = 0;
}
