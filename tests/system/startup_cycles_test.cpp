// Starting and ending the library again and again, with a looping stream
// sound playing each time, leaves no tracked block and no thread behind.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include "Ombrel.h"
#include "support/library_session.h"
#include "support/sound_fixtures.h"

namespace {

int CountOwnThreads() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  }
  CloseHandle(snapshot);
  return count;
}

// One start-up with a looping stream: two seconds of tone looping from 0.5 s,
// played for a few frames so the sound thread refills it.
void RunOneCycle(const SoundBytes& wave) {
  LibraryOptions options;
  options.title = UniqueWindowTitle("Cycles");
  LibrarySession session(options);
  ASSERT_EQ(session.result(), 0);
  const int sound = CreateSoundHandleFromMemory(wave.data(), static_cast<int>(wave.size()), 1, -1);
  ASSERT_NE(sound, -1);
  ASSERT_EQ(SetSoundLoopPositionMs(500, sound), 0);
  ASSERT_EQ(PlaySoundHandle(sound, kSoundPlayLoop, 1), 0);
  for (int frame = 0; frame < 3; ++frame) {
    ASSERT_EQ(PumpMessages(), 0);
    WaitMilliseconds(20);
  }
  EXPECT_EQ(CheckSoundHandlePlaying(sound), 1);
}

}  // namespace

TEST(StartupCyclesTest, FiftyCyclesWithALoopingStreamLeaveNothingBehind) {
  const SoundBytes wave = MakePcmWave(2, 22050, 16, ToneSamples16(22050, 2, 44100, 440.0));
  const MemoryTotals before = CurrentMemoryTotals();
  int threadsAfterTenth = 0;
  for (int cycle = 1; cycle <= 50; ++cycle) {
    SCOPED_TRACE(cycle);
    RunOneCycle(wave);
    ASSERT_EQ(CurrentMemoryTotals(), before);
    if (cycle == 10) threadsAfterTenth = CountOwnThreads();
  }
  // Wine starts threads of its own now and then (its pools, the first sound
  // device); a thread that each start-up left behind would add forty here.
  ASSERT_GT(threadsAfterTenth, 0);
  EXPECT_LE(CountOwnThreads(), threadsAfterTenth + 2);
}
