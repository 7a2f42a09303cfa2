#include "sound/soft_sound.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "sound/sound_capture.h"
#include "sound/sound_services.h"
#include "sound/sound_state.h"
#include "support/sound_fixtures.h"
#include "system/tracked_memory.h"

namespace {

// A player as a program would feed it: a software output buffer of 4000
// bytes of 16-bit mono, kept 500 bytes ahead of the cursor.
int AddPlayer(SoftSoundRecord** out) {
  SoundSystemState& state = GetSoundSystemState();
  auto* player = static_cast<SoftSoundRecord*>(TRACKED_ALLOC_ZEROED(sizeof(SoftSoundRecord)));
  player->kind = kSoftSoundPlayer;
  player->format = MakePcmWaveFormat(1, 8000, 16);
  player->bufferBytes = 4000;
  player->aheadBytes = 500;
  player->endPosition = -1;
  player->playing = 1;
  CreateOutputBuffer(&player->buffer, kStreamBufferFlags, 4000, &player->format);
  int checkId = 0;
  const int slot = ChooseSoundTableSlot(state.softSounds, -1, &checkId);
  player->checkId = checkId;
  const int handle = StoreSoundTableRecord(state.softSounds, slot, -1, player);
  InsertListNodeAfter(&state.softPlayerHead, &player->listNode, handle, player);
  *out = player;
  return handle;
}

TEST(SoftSoundTest, APlayerWritesItsSamplesThenSilenceAndMarksTheEnd) {
  SoundSystemScope sound;
  SoftSoundRecord* player = nullptr;
  const int handle = AddPlayer(&player);
  const SoundBytes samples = PatternBytes(600, 1);
  WriteRingBuffer(&player->ring, samples.data(), static_cast<int>(samples.size()));
  player->waitingSamples = 300;
  EXPECT_EQ(ProcessSoftSoundPlayers(), 0);
  // Twice the ahead amount in front of the cursor: 600 samples' bytes, then 400 of silence.
  EXPECT_EQ(player->writePosition, 1000);
  EXPECT_TRUE(std::equal(samples.begin(), samples.end(), player->buffer.samples));
  EXPECT_TRUE(std::all_of(player->buffer.samples + 600, player->buffer.samples + 1000,
                          [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(player->endPosition, 600);
  EXPECT_EQ(player->waitingSamples, 0);
  player->buffer.positionSamples = 350;  // 700 bytes: past the end
  ProcessSoftSoundPlayers();
  EXPECT_EQ(player->playedPastEnd, 1);
  // New samples clear the end again.
  WriteRingBuffer(&player->ring, samples.data(), 100);
  player->buffer.positionSamples = 650;
  ProcessSoftSoundPlayers();
  EXPECT_EQ(player->endPosition, 1800);
  EXPECT_EQ(player->playedPastEnd, 0);
  EXPECT_EQ(DeleteSoftSoundHandle(handle, kSoftSoundData), -1) << "not data";
  EXPECT_EQ(DeleteAllSoftSoundPlayers(), 0);
  EXPECT_EQ(GetSoundSystemState().softSounds.count, 0);
  EXPECT_EQ(GetSoundSystemState().softPlayerHead.next, &GetSoundSystemState().softPlayerTail);
}

TEST(SoftSoundTest, TheCaptureFileGetsItsHeader) {
  SoundSystemScope sound;
  EXPECT_EQ(FinishCaptureWaveFile(), -1);
  HANDLE file = CreateFileA("capture.wav", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const SoundBytes zeros(46 + 400, 0);
  DWORD written = 0;
  WriteFile(file, zeros.data(), static_cast<DWORD>(zeros.size()), &written, nullptr);
  SoundSystemState& state = GetSoundSystemState();
  state.capturing = 1;
  state.captureFile = file;
  state.captureSamples = 100;
  ASSERT_EQ(FinishCaptureWaveFile(), 0);
  EXPECT_EQ(state.capturing, 0);
  std::ifstream in("capture.wav", std::ios::binary);
  const SoundBytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), 446u);
  const SoundBytes expected = MakeWaveImage(MakePcmWaveFormat(2, 44100, 16), SoundBytes(400, 0));
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bytes.begin()));
}

}  // namespace
