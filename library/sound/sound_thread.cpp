#include "sound/sound_thread.h"

#include <windows.h>

#include "sound/sound_record.h"
#include "sound/sound_state.h"
#include "sound/soft_sound.h"
#include "sound/stream_sound.h"
#include "system/system_info.h"

namespace {

constexpr DWORD kRefillMilliseconds = 30;

void RefillEverything(SoundSystemState& state) {
  for (ListNode* node = state.streamHead.next; node && node->next; node = node->next) {
    if (static_cast<const SoundRecord*>(node->data)->primed) ProcessStreamSound(node->id);
  }
  for (ListNode* node = state.softPlayerHead.next; node && node->next; node = node->next) {
    auto* player = static_cast<SoftSoundRecord*>(node->data);
    if (player->playing) ProcessSoftSoundPlayer(player);
  }
}

DWORD WINAPI SoundThreadProc(void*) {
  SoundSystemState& state = GetSoundSystemState();
  while (state.threadStop != kSoundThreadStopAsked) {
    EnterSoundLock();
    if (state.directSound) RefillEverything(state);
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
