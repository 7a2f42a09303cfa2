#include "sound/sound_loading.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

#include "sound/sound_handles.h"
#include "sound/sound_state.h"
#include "sound/stream_sound.h"
#include "support/file_fixtures.h"
#include "support/log_capture.h"
#include "support/sound_fixtures.h"
#include "system/tracked_memory.h"

namespace {

int FromMemory(const SoundBytes& image, int buffers) {
  return CreateSoundHandleFromMemory(image.data(), static_cast<int>(image.size()), buffers, -1);
}

TEST(SoundLoadingTest, SoundsLongerThanThreeMinutesAreStreamed) {
  SoundSystemScope sound;
  // 8000 Hz 8-bit mono: 8000 bytes a second.
  struct Case {
    int bytes, kind;
  };
  const Case cases[] = {{180 * 8000, kSoundKindMemory},
                        {180 * 8000 + 1, kSoundKindMemory},
                        {181 * 8000, kSoundKindStream}};
  for (const Case& c : cases) {
    const int handle = FromMemory(MakePcmWave(1, 8000, 8, SoundBytes(c.bytes, 0x80)), 2);
    ASSERT_NE(handle, -1) << c.bytes;
    EXPECT_EQ(GetSoundRecord(handle)->kind, c.kind) << c.bytes;
    EXPECT_EQ(GetSoundTotalSamples(handle), c.bytes) << c.bytes;
    EXPECT_EQ(GetSoundCreateType(), kSoundCreateMemory) << "the create type is put back";
    DeleteSoundHandle(handle, 0);
  }
}

TEST(SoundLoadingTest, FilesLoadUnderEachCreateType) {
  SoundSystemScope sound;
  const SoundBytes pcm = PatternBytes(24000, 1);
  WriteFileBytes("load.wav", MakePcmWave(2, 8000, 16, pcm));
  const MemoryTotals before = CurrentMemoryTotals();
  const int many = LoadSoundFileToHandle("load.wav", 20, -1);
  ASSERT_NE(many, -1);
  EXPECT_EQ(GetSoundRecord(many)->bufferCount, 10);
  EXPECT_EQ(memcmp(GetSoundRecord(many)->pcm, pcm.data(), pcm.size()), 0);
  EXPECT_EQ(GetSoundRecord(many)->frequency, 8000);
  for (int type : {kSoundCreateStreamImage, kSoundCreateStreamFile}) {
    SetSoundCreateType(type);
    const int handle = LoadSoundFileToHandle("load.wav", 1, -1);
    SetSoundCreateType(kSoundCreateMemory);
    ASSERT_NE(handle, -1) << type;
    const SoundRecord* record = GetSoundRecord(handle);
    EXPECT_EQ(record->kind, kSoundKindStream);
    EXPECT_EQ(record->sources[0].kind, type);
    EXPECT_EQ(record->closeSourceStream[0], type == kSoundCreateStreamFile ? 1 : 0);
    EXPECT_EQ(record->primed, 1);
    EXPECT_EQ(GetSoundTotalSamples(handle), 6000);
  }
  EXPECT_EQ(DeleteAllSoundHandles(0), 0);
  EXPECT_EQ(CurrentMemoryTotals(), before) << "the streamed file was closed with its sound";
}

TEST(SoundLoadingTest, FailuresAreLoggedAndLeaveNothingBehind) {
  SoundSystemScope sound;
  LogCapture log;
  WriteFileBytes("noise.bin", SoundBytes(300, 0x00));
  const SoundBytes wave = MakePcmWave(1, 8000, 16, PatternBytes(400, 2));
  const MemoryTotals before = CurrentMemoryTotals();
  EXPECT_EQ(LoadSoundFileToHandle("missing.wav", 1, -1), -1);
  EXPECT_EQ(LoadSoundFileToHandle("noise.bin", 1, -1), -1);
  EXPECT_EQ(FromMemory(wave, 11), -1);
  SetSoundCreateType(kSoundCreateStreamFile);
  EXPECT_EQ(LoadSoundFileToHandle("noise.bin", 1, -1), -1);
  SetSoundCreateType(kSoundCreateMemory);
  EXPECT_EQ(GetSoundSystemState().sounds.count, 0);
  EXPECT_EQ(CurrentMemoryTotals(), before);
  const std::string text = log.Read();
  for (const char* line : {"右記のファイルのオープンに失敗しました：missing.wav",
                           "右記の音声ファイルのロードに失敗しました_1：missing.wav",
                           "音声ファイルのＰＣＭへの変換に失敗しました",
                           "右記の音声ファイルのロードに失敗しました_2：noise.bin",
                           "右記のＷＡＶファイルのセットアップに失敗しました：noise.bin"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
}

TEST(SoundLoadingTest, ALoopPositionTurnsAMemorySoundIntoAStream) {
  SoundSystemScope sound({.softwareBuffers = false});
  const int handle = FromMemory(MakePcmWave(1, 44100, 8, PatternBytes(6 * 44100, 3)), 3);
  ASSERT_NE(handle, -1);
  SetSoundHandleVolume(7000, handle);
  SetSoundHandlePan(2500, handle);
  EXPECT_EQ(SetSoundLoopPositionSamples(6 * 44100, handle), -1) << "at the length";
  EXPECT_EQ(SetSoundLoopPositionMs(7000, handle), 0) << "past the length: refused inside";
  EXPECT_EQ(GetSoundRecord(handle)->kind, kSoundKindMemory);
  EXPECT_EQ(SetSoundLoopPositionMs(5170, handle), 0);
  const SoundRecord* record = GetSoundRecord(handle);
  ASSERT_NE(record, nullptr) << "the handle value is kept";
  EXPECT_EQ(record->kind, kSoundKindStream);
  EXPECT_EQ(record->sources[0].loopStartSample, 227997);
  EXPECT_EQ(record->sources[0].loopCount, -1);
  EXPECT_EQ(record->sources[0].decoder.loopStartBytes, 227997);
  EXPECT_EQ(GetSoundHandleVolume(handle), 7000);
  EXPECT_EQ(GetSoundHandlePan(handle), 2500);
  EXPECT_EQ(GetSoundTotalSamples(handle), 6 * 44100);
  EXPECT_EQ(SetSoundLoopPositionMs(10, 0x10000000 | 0x7FF), -1);
}

TEST(SoundLoadingTest, WaveImageLayout) {
  const WaveFormat format = MakePcmWaveFormat(2, 22050, 16);
  const SoundBytes pcm = PatternBytes(11, 4);
  void* image = nullptr;
  int size = 0;
  ASSERT_EQ(BuildWaveFileImage(&image, &size, &format, sizeof format, pcm.data(), 11), 0);
  EXPECT_EQ(size, 28 + 18 + 11);
  const SoundBytes expected = MakeWaveImage(format, pcm);
  // The same bytes as a file, except that the builder does not pad an odd
  // data size, so its RIFF size is one less.
  EXPECT_EQ(memcmp(image, "RIFF", 4), 0);
  EXPECT_EQ(memcmp(static_cast<uint8_t*>(image) + 8, expected.data() + 8, 46 + 11 - 8), 0);
  EXPECT_EQ(*reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(image) + 4), 28u + 18 + 11 - 8);
  FreeTrackedMemory(image);
}

// The game's road: an MP3 loaded into memory, given a loop position, played
// looping through the ring.
TEST(SoundLoadingTest, ALoopingMp3PlaysItsLoopRound) {
  SoundSystemScope sound;
  WriteFileBytes("tone.mp3", ReadMp3Fixture(TEST_SOURCE_DIR));
  const int handle = LoadSoundFileToHandle("tone.mp3", 3, -1);
  ASSERT_NE(handle, -1);
  const SoundRecord* memory = GetSoundRecord(handle);
  ASSERT_EQ(memory->kind, kSoundKindMemory);
  const SoundBytes pcm(memory->pcm, memory->pcm + memory->pcmBytes);
  ASSERT_EQ(SetSoundLoopPositionMs(250, handle), 0);
  const int loopBytes = ConvertMsToSamples(44100, 250) * 4;
  ASSERT_EQ(PlaySoundHandle(handle, kSoundPlayLoop, 1), 0);
  SoundBytes heard;
  for (int step = 0; step < 120; ++step) {
    SoundOutputBuffer* ring = GetCurrentSoundBuffer(GetSoundRecord(handle));
    const int total = ring->lengthSamples * 4;
    const int cursor = ring->positionSamples * 4;
    for (int i = 0; i < 11024; ++i) heard.push_back(ring->samples[(cursor + i) % total]);
    ring->positionSamples = (cursor + 11024) % total / 4;
    ProcessStreamSound(handle);
  }
  SoundBytes expected(pcm);
  while (expected.size() < heard.size()) {
    expected.insert(expected.end(), pcm.begin() + loopBytes, pcm.end());
  }
  expected.resize(heard.size());
  EXPECT_TRUE(heard == expected);
}

// The same on the device, refilled by the sound thread: the position moves
// and the loop holds it inside the sound.
TEST(SoundLoadingTest, ALoopingMp3PlaysOnTheDevice) {
  SoundSystemScope sound({.processorCount = 2, .softwareBuffers = false});
  WriteFileBytes("tone.mp3", ReadMp3Fixture(TEST_SOURCE_DIR));
  const int handle = LoadSoundFileToHandle("tone.mp3", 3, -1);
  ASSERT_NE(handle, -1);
  ASSERT_EQ(SetSoundLoopPositionMs(250, handle), 0);
  ASSERT_EQ(PlaySoundHandle(handle, kSoundPlayLoop, 1), 0);
  const int total = GetSoundTotalSamples(handle) * 4;
  int moved = 0;
  for (int i = 0; i < 300 && !moved; ++i) {
    Sleep(10);
    const int position = GetSoundHandlePosition(handle);
    ASSERT_GE(position, 0);
    moved = position > 0;
  }
  EXPECT_TRUE(moved);
  EXPECT_EQ(CheckSoundHandlePlaying(handle), 1);
  EXPECT_LE(GetSoundHandlePosition(handle), total);
  EXPECT_EQ(StopSoundHandle(handle), 0);
  EXPECT_EQ(CheckSoundHandlePlaying(handle), 0);
}

}  // namespace
