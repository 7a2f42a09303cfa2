#include "sound/sound_thread.h"

#include <windows.h>

#include "sound/sound_platform.h"
#include "sound/sound_record.h"
#include "sound/sound_state.h"
#include "sound/soft_sound.h"
#include "sound/stream_sound.h"
#include "system/system_info.h"

namespace {

constexpr DWORD kRefillMilliseconds = 30;
constexpr DWORD kStopPollMilliseconds = 2;

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
  while (RunSoundMessagePass() == 0 && state.threadStop == kSoundThreadStopAsked) {
    Sleep(kStopPollMilliseconds);
  }
  // The pass reports the end during the library's own shut-down, when the
  // thread may still be in a sweep: it must be gone before the buffers and
  // the lock it uses are released.
  WaitForSingleObject(static_cast<HANDLE>(state.thread), INFINITE);
  CloseHandle(static_cast<HANDLE>(state.thread));
  state.thread = nullptr;
  state.threadId = 0;
}
