#include "sound/sound_thread.h"

#include <windows.h>

#include "sound/sound_state.h"
#include "sound/sound_services.h"
#include "system/system_info.h"

namespace {

constexpr DWORD kRefillMilliseconds = 30;

DWORD WINAPI SoundThreadProc(void*) {
  SoundSystemState& state = GetSoundSystemState();
  while (state.threadStop != kSoundThreadStopAsked) {
    EnterSoundLock();
    if (state.directSound) {
      ProcessStreamSounds();
      ProcessSoftSoundPlayers();
    }
    LeaveSoundLock();
    Sleep(kRefillMilliseconds);
  }
  state.threadStop = kSoundThreadStopped;
  return 0;
}

}  // namespace

void StartSoundThread() {
  SoundSystemState& state = GetSoundSystemState();
  if (GetProcessorCount() <= 1) return;
  state.threadStop = kSoundThreadRun;
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
  state.threadStop = kSoundThreadStopAsked;
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
