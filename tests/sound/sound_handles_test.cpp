#include "sound/sound_handles.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <string>
#include <vector>

#include "sound/music.h"
#include "sound/output_buffer.h"
#include "sound/sound_handle_buffers.h"
#include "sound/sound_services.h"
#include "sound/sound_state.h"
#include "sound/stream_sound.h"
#include "support/library_session.h"
#include "support/log_capture.h"
#include "support/sound_fixtures.h"
#include "system/system_state.h"

namespace {

int MakeMemorySound(const SoundBytes& wave, int buffers) {
  return CreateSoundHandleFromMemory(wave.data(), static_cast<int>(wave.size()), buffers, -1);
}

TEST(SoundHandlesTest, NothingWorksBeforeStartUp) {
  EXPECT_EQ(TerminateSoundSystem(), -1);
  EXPECT_EQ(ProcessStreamSounds(), -1);
  EXPECT_EQ(ProcessSoftSoundPlayers(), -1);
  EXPECT_EQ(ProcessMusicPlayState(), -1);
  EXPECT_EQ(AddSoundData(-1), -1);
  EXPECT_EQ(LoadSoundFileToHandle("none.wav", 1, -1), -1);
  EXPECT_EQ(PlaySoundHandle(0x10000000, kSoundPlayBackground, 1), -1);
  EXPECT_EQ(DeleteAllSoundHandles(0), -1);
}

TEST(SoundHandlesTest, StartsOnceLogsTheDeviceAndEnds) {
  LogCapture log;
  {
    SoundSystemScope sound;
    ASSERT_EQ(sound.result(), 0);
    EXPECT_TRUE(IsSoundSystemStarted());
    EXPECT_EQ(InitializeSoundSystem(), -1) << "a second start-up changes nothing";
    EXPECT_EQ(GetSoundSystemState().thread, nullptr) << "one processor: no sound thread";
    EXPECT_NE(GetSoundSystemState().silentBuffer, nullptr);
  }
  EXPECT_FALSE(IsSoundSystemStarted());
  EXPECT_EQ(TerminateSoundSystem(), -1);
  const std::string text = log.Read();
  for (const char* line :
       {"DirectSound の初期化を行います\r\n", "DirectSound デバイスを列挙します\r\n",
        "モジュール名:", "利用可能チャンネル\r\n", "DirectSound の初期化は正常に終了しました\r\n",
        "DirectSound の終了処理は正常に終了しました\r\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
}

TEST(SoundHandlesTest, PrimaryFormatFollowsTheDevice) {
  struct Case {
    bool stereo, sixteen;
    int maxRate, channels, rate, bits;
  };
  const Case cases[] = {{true, true, 48000, 2, 44100, 16},
                        {true, true, 44100, 2, 44100, 16},
                        {false, false, 22050, 1, 22050, 8}};
  for (const Case& c : cases) {
    const WaveFormat format = MakePrimaryBufferFormat(c.stereo, c.sixteen, c.maxRate);
    EXPECT_EQ(format.channels, c.channels);
    EXPECT_EQ(format.samplesPerSec, static_cast<uint32_t>(c.rate));
    EXPECT_EQ(format.bitsPerSample, c.bits);
    EXPECT_EQ(format.avgBytesPerSec, static_cast<uint32_t>(c.rate * c.channels * c.bits / 8));
  }
}

TEST(SoundHandlesTest, TheLibraryStartsAndEndsSound) {
  ResetWindowSettings();
  {
    LibraryOptions options;
    options.title = UniqueWindowTitle("sound");
    LibrarySession session(options);
    ASSERT_EQ(session.result(), 0);
    EXPECT_TRUE(IsSoundSystemStarted());
    EXPECT_EQ(ProcessMusicPlayState(), 0);
  }
  EXPECT_FALSE(IsSoundSystemStarted());
}

TEST(SoundHandlesTest, TableFillsUpAndReusesAFreedSlot) {
  SoundSystemScope sound;
  LogCapture log;
  std::vector<int> handles;
  for (int i = 0; i < kSoundHandleLimit; ++i) {
    const int handle = AddSoundData(-1);
    ASSERT_NE(handle, -1) << i;
    handles.push_back(handle);
  }
  EXPECT_EQ(AddSoundData(-1), -1);
  EXPECT_NE(log.Read().find("サウンドの数が許容量を越えました"), std::string::npos);
  ASSERT_EQ(DeleteSoundHandle(handles[100], 0), 0);
  const int reused = AddSoundData(-1);
  EXPECT_EQ(reused & 0xFFFF, 100);
  EXPECT_EQ(DeleteAllSoundHandles(0), 0);
  EXPECT_EQ(GetSoundSystemState().sounds.count, 0);
  EXPECT_EQ(GetSoundSystemState().sounds.endIndex, 0);
}

TEST(SoundHandlesTest, CheckIdsWrapAndAStaleHandleIsRefused) {
  SoundSystemScope sound;
  const int first = AddSoundData(-1);
  const int firstCheck = (first >> 16) & 0x7FF;
  EXPECT_EQ(first & 0x78000000, 0x10000000);
  DeleteSoundHandle(first, 0);
  int handle = -1;
  for (int i = 1; i <= kHandleCheckCount; ++i) {
    handle = AddSoundData(-1);
    EXPECT_EQ((handle >> 16) & 0x7FF, (firstCheck + i) % kHandleCheckCount);
    EXPECT_EQ(handle & 0xFFFF, 0);
    if (i < kHandleCheckCount) DeleteSoundHandle(handle, 0);
  }
  // Slot 0 holds a record again, with the same check id as the first one.
  EXPECT_EQ(handle, first);
  DeleteSoundHandle(handle, 0);
  const int other = AddSoundData(-1);
  EXPECT_EQ(other & 0xFFFF, 0);
  EXPECT_EQ(GetSoundRecord(first), nullptr);
  EXPECT_EQ(DeleteSoundHandle(first, 0), -1);
  EXPECT_EQ(GetSoundRecord(-5), nullptr);
  EXPECT_EQ(GetSoundRecord(other | 0x8000), nullptr);
  DeleteSoundHandle(other, 0);
}

TEST(SoundHandlesTest, VolumeIsClampedOnEveryBuffer) {
  SoundSystemScope sound({.softwareBuffers = false});
  const int handle = MakeMemorySound(MakePcmWave(1, 8000, 16, PatternBytes(4000, 1)), 3);
  ASSERT_NE(handle, -1);
  SoundRecord* record = GetSoundRecord(handle);
  ASSERT_EQ(record->bufferCount, 3);
  const int cases[][3] = {{10000, 0, 10000}, {0, -10000, 0}, {20000, 0, 10000}, {-5, -10000, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(SetSoundHandleVolume(c[0], handle), 0);
    for (int i = 0; i < record->bufferCount; ++i) {
      int level = 1;
      GetOutputBufferVolume(&record->buffers[i], &level);
      EXPECT_EQ(level, c[1]) << c[0] << " buffer " << i;
    }
    EXPECT_EQ(GetSoundHandleVolume(handle), c[2]);
  }
  EXPECT_EQ(SetSoundHandlePan(-30000, handle), 0);
  EXPECT_EQ(GetSoundHandlePan(handle), -10000);
  EXPECT_EQ(SetSoundHandleFrequency(-1, handle), 0);
  EXPECT_EQ(GetSoundHandleFrequency(handle), 8000);
  EXPECT_EQ(GetSoundHandleTotalTimeMs(handle), 250);
  EXPECT_EQ(GetSoundTotalSamples(handle), 2000);
}

TEST(SoundHandlesTest, PlayAndWaitReturnsWhenTheSoundEnds) {
  SoundSystemScope sound({.softwareBuffers = false});
  const int handle =
      MakeMemorySound(MakePcmWave(2, 44100, 16, ToneSamples16(44100, 2, 2205, 440)), 1);
  ASSERT_NE(handle, -1);
  EXPECT_EQ(PlaySoundHandle(handle, kSoundPlayAndWait, 1), 0);
  EXPECT_EQ(CheckSoundHandlePlaying(handle), 0);
}

TEST(SoundHandlesTest, PlaysTakeTheBuffersRoundRobin) {
  SoundSystemScope sound;
  const int handle = MakeMemorySound(MakePcmWave(1, 8000, 16, PatternBytes(4000, 2)), 3);
  ASSERT_NE(handle, -1);
  SoundRecord* record = GetSoundRecord(handle);
  ASSERT_EQ(record->bufferCount, 3);
  EXPECT_EQ(CheckSoundHandlePlaying(handle), 0);
  for (int expected : {1, 2, 0}) {
    EXPECT_EQ(PlaySoundHandle(handle, kSoundPlayBackground, 0), 0);
    EXPECT_EQ(record->currentBuffer, expected);
    EXPECT_EQ(record->buffers[expected].playing, 1);
  }
  // The fourth play finds buffer 1 still sounding and leaves it alone.
  record->buffers[1].positionSamples = 7;
  EXPECT_EQ(PlaySoundHandle(handle, kSoundPlayBackground, 0), 0);
  EXPECT_EQ(record->currentBuffer, 1);
  EXPECT_EQ(record->buffers[1].positionSamples, 7);
  EXPECT_EQ(CheckSoundHandlePlaying(handle), 1);
  // With restart it starts again from the top.
  EXPECT_EQ(PlaySoundHandle(handle, kSoundPlayLoop, 1), 0);
  EXPECT_EQ(record->buffers[2].positionSamples, 0);
  EXPECT_EQ(record->buffers[2].looping, 1);
  EXPECT_EQ(StopSoundHandle(handle), 0);
  EXPECT_EQ(CheckSoundHandlePlaying(handle), 0);
}

TEST(SoundHandlesTest, ABorrowedRingOutlivesItsDelete) {
  SoundSystemScope sound;
  const SoundBytes wave = MakePcmWave(1, 8000, 16, PatternBytes(20000, 3));
  const int owner = AddSoundData(-1);
  const int borrower = AddSoundData(-1);
  const int size = static_cast<int>(wave.size());
  ASSERT_EQ(AddStreamSoundMemory(wave.data(), size, 0, owner, kSourceFileImage, -1), 0);
  ASSERT_EQ(AddStreamSoundMemory(wave.data(), size, 0, borrower, kSourceFileImage, owner), 0);
  EXPECT_EQ(GetSoundRecord(borrower)->bufferOwner, owner);
  EXPECT_EQ(GetSoundRecord(owner)->borrowerCount, 1);
  EXPECT_EQ(DeleteSoundHandle(owner, 0), 0);
  ASSERT_NE(GetSoundRecord(owner), nullptr);
  EXPECT_EQ(GetSoundRecord(owner)->deletePending, 1);
  EXPECT_EQ(DeleteSoundHandle(borrower, 0), 0);
  EXPECT_EQ(GetSoundRecord(owner), nullptr);
  EXPECT_EQ(GetSoundSystemState().sounds.count, 0);
}

TEST(SoundHandlesTest, AReleasedBufferRefusesEveryOperation) {
  SoundSystemScope sound;
  SoundOutputBuffer buffer = {};
  const WaveFormat format = MakePcmWaveFormat(1, 8000, 16);
  ASSERT_EQ(CreateOutputBuffer(&buffer, kMemoryBufferFlags, 400, &format), 0);
  EXPECT_EQ(CreateOutputBuffer(&buffer, kMemoryBufferFlags, 400, &format), -1);
  ASSERT_EQ(ReleaseOutputBuffer(&buffer), 0);
  int value = 0;
  uint32_t status = 0;
  void* first = nullptr;
  void* second = nullptr;
  int firstBytes = 0, secondBytes = 0;
  EXPECT_EQ(ReleaseOutputBuffer(&buffer), -1);
  EXPECT_EQ(PlayOutputBuffer(&buffer, 0), -1);
  EXPECT_EQ(StopOutputBuffer(&buffer), -1);
  EXPECT_EQ(GetOutputBufferStatus(&buffer, &status), -1);
  EXPECT_EQ(LockOutputBuffer(0, &buffer, 4, &first, &firstBytes, &second, &secondBytes), -1);
  EXPECT_EQ(UnlockOutputBuffer(&buffer, first, 0, second, 0), -1);
  EXPECT_EQ(SetOutputBufferFrequency(&buffer, 8000), -1);
  EXPECT_EQ(GetOutputBufferFrequency(&buffer, &value), -1);
  EXPECT_EQ(SetOutputBufferPan(&buffer, 0), -1);
  EXPECT_EQ(GetOutputBufferPan(&buffer, &value), -1);
  EXPECT_EQ(SetOutputBufferVolume(&buffer, 0), -1);
  EXPECT_EQ(GetOutputBufferVolume(&buffer, &value), -1);
  EXPECT_EQ(SetOutputBufferPosition(&buffer, 0), -1);
  EXPECT_EQ(GetOutputBufferPlayCursor(&buffer, &value), -1);
}

TEST(SoundHandlesTest, MillisecondAndSampleConversions) {
  struct Case {
    int rate, ms, samples;
  };
  const Case toSamples[] = {{44100, 5170, 227997},
                            {44100, 0, 0},
                            {8000, -3, 0},
                            {44100, 0x7FFFFFFF, 0x7FFFFFFF},
                            {48000, 1000, 48000}};
  for (const Case& c : toSamples) EXPECT_EQ(ConvertMsToSamples(c.rate, c.ms), c.samples);
  EXPECT_EQ(ConvertSamplesToMs(227996, 44100), 5169);
  EXPECT_EQ(ConvertSamplesToMs(0x7FFFFFFF, 8000), 268435455);
  EXPECT_EQ(ConvertSamplesToMs(100, 0), 0);
}

TEST(SoundHandlesTest, CreateTypeSetting) {
  // Like every public operation, the settings wait for the sound system.
  EXPECT_EQ(SetSoundCreateType(3), -1);
  EXPECT_EQ(GetSoundCreateType(), -1);
  EXPECT_EQ(SetSoundDecoderDisableMask(4), -1);
  EXPECT_EQ(GetSoundDecoderDisableMask(), -1);
  SoundSystemScope sound;
  EXPECT_EQ(GetSoundCreateType(), 0);
  EXPECT_EQ(SetSoundCreateType(4), -1);
  EXPECT_EQ(SetSoundCreateType(1), 0);
  EXPECT_EQ(GetSoundCreateType(), 0);
  EXPECT_EQ(SetSoundCreateType(3), 0);
  EXPECT_EQ(GetSoundCreateType(), 3);
  EXPECT_EQ(SetSoundCreateType(0), 0);
  EXPECT_EQ(SetSoundDecoderDisableMask(0x14), 0);
  EXPECT_EQ(GetSoundDecoderDisableMask(), 0x14);
  EXPECT_EQ(SetSoundDecoderDisableMask(0), 0);
}

TEST(SoundHandlesTest, BuffersSharedFromASoundWhoseBufferIsGoneAreMadeFresh) {
  SoundSystemScope sound;
  const SoundBytes pcm = PatternBytes(4000, 5);
  const int shared = MakeMemorySound(MakePcmWave(1, 8000, 16, pcm), 1);
  ASSERT_NE(shared, -1);
  SoundRecord* sharedRecord = GetSoundRecord(shared);
  const int handle = AddSoundData(-1);
  ASSERT_NE(handle, -1);
  // With the shared buffer there: duplicates of it.
  ASSERT_EQ(CreateSoundHandleBuffers(shared, nullptr, 0, kSoundKindMemory, 2, handle), 0);
  SoundRecord* record = GetSoundRecord(handle);
  EXPECT_EQ(record->bufferCount, 2);
  EXPECT_EQ(record->buffers[1].lengthSamples, sharedRecord->buffers[0].lengthSamples);
  for (int i = 0; i < 2; ++i) ReleaseOutputBuffer(&record->buffers[i]);
  // Gone: a fresh buffer of the shared sound's size and format, and
  // duplicates of that one.
  ReleaseOutputBuffer(&sharedRecord->buffers[0]);
  ASSERT_EQ(CreateSoundHandleBuffers(shared, nullptr, 0, kSoundKindMemory, 3, handle), 0);
  EXPECT_EQ(record->bufferCount, 3);
  ASSERT_EQ(record->buffers[0].valid, 1);
  EXPECT_EQ(record->buffers[0].lengthSamples * 2, 4000);
  EXPECT_EQ(record->buffers[0].format.samplesPerSec, 8000u);
  EXPECT_EQ(record->buffers[2].valid, 1);
  EXPECT_EQ(record->buffers[2].lengthSamples, 2000);
  EXPECT_EQ(CreateSoundHandleBuffers(0x10000000 | 4000, nullptr, 0, kSoundKindMemory, 1, handle),
            -1);
  DeleteSoundHandle(handle, 0);
  DeleteSoundHandle(shared, 0);
}

TEST(SoundHandlesTest, MusicAndCaptureHaveNothingToEndByDefault) {
  SoundSystemScope sound;
  EXPECT_EQ(GetMusicPlayState(0x40000000), -1);
  EXPECT_EQ(DeleteMusicHandle(0x40000000), -1);
  EXPECT_EQ(StopLibraryMusic(), 0);
  EXPECT_EQ(ProcessMciNotify(), 0);
}

// The DirectMusic mode: its performance makes the DirectSound object. Under
// Wine it starts, and streams play through it.
TEST(SoundHandlesTest, DirectMusicModeStartsThroughThePerformance) {
  LogCapture log;
  GetSoundSystemState().midiMode = 1;
  {
    SoundSystemScope sound;
    ASSERT_EQ(sound.result(), 0);
    const SoundSystemState& state = GetSoundSystemState();
    EXPECT_EQ(state.midiMode, 1);
    EXPECT_NE(state.directMusicPerformance, nullptr);
    EXPECT_NE(state.directSound, nullptr);
    const std::string text = log.Read();
    EXPECT_NE(text.find("DirectSound8 の初期化を行います"), std::string::npos);
    EXPECT_NE(text.find("出力ポート  Device0:"), std::string::npos) << "every port is logged";
    EXPECT_EQ(text.find("DirectSound の初期化を行います"), std::string::npos);
    EXPECT_NE(text.find("DirectSound の初期化は正常に終了しました"), std::string::npos);
    const int handle = MakeMemorySound(MakePcmWave(1, 8000, 16, PatternBytes(4000, 8)), 1);
    ASSERT_NE(handle, -1);
    EXPECT_EQ(PlaySoundHandle(handle, kSoundPlayBackground, 1), 0);
    EXPECT_EQ(ProcessMusicPlayState(), 0);
  }
  EXPECT_EQ(GetSoundSystemState().directMusicPerformance, nullptr);
  EXPECT_EQ(GetSoundSystemState().directMusicLoader, nullptr);
  EXPECT_EQ(GetSoundSystemState().directMusic, nullptr);
  GetSoundSystemState().midiMode = 0;
}

// Each DirectMusic object the platform refuses, through a CoCreateInstance
// that fails for one class.
const GUID* g_refusedClass = nullptr;
decltype(Ole32Functions::CoCreateInstance) g_realCoCreate = nullptr;
HRESULT WINAPI RefusingCoCreate(REFCLSID classId, IUnknown* outer, DWORD context, REFIID id,
                                void** object) {
  if (g_refusedClass && IsEqualGUID(classId, *g_refusedClass)) {
    *object = nullptr;
    return REGDB_E_CLASSNOTREG;
  }
  return g_realCoCreate(classId, outer, context, id, object);
}

TEST(SoundHandlesTest, DirectMusicFailuresAreLoggedAndEndTheStartOrFallBack) {
  const GUID loader = {0xd2ac2892, 0xb39b, 0x11d1, {0x87, 0x04, 0x00, 0x60, 0x08, 0x93, 0xb1, 0xbd}};
  const GUID performance = {0xd2ac2881, 0xb39b, 0x11d1, {0x87, 0x04, 0x00, 0x60, 0x08, 0x93, 0xb1, 0xbd}};
  const GUID music = {0x636b9f10, 0x0c7d, 0x11d1, {0x95, 0xb2, 0x00, 0x20, 0xaf, 0xdc, 0x74, 0x21}};
  const struct {
    const char* name;
    const GUID* refused;
    int result, midiMode;
    std::vector<std::string> texts;
  } cases[] = {
      {"no loader", &loader, 0, 0,
       {"DirectMusicLoader8 オブジェクトの作成に失敗しました\n", "前バージョンでの初期化処理に移ります\n",
        "DirectSound の初期化を行います\n"}},
      {"no performance", &performance, -1, 1,
       {"DirectMusicPerformance オブジェクトの作成に失敗しました\n"}},
      {"no DirectMusic object", &music, -1, 1, {"DirectMusic オブジェクトの取得に失敗しました\n"}},
  };
  ClearSystemStateForStartup();
  BindComForSound();
  auto& coCreate = GetSystemState().dlls.ole32.CoCreateInstance;
  g_realCoCreate = coCreate;
  coCreate = RefusingCoCreate;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture log;
    g_refusedClass = c.refused;
    GetSoundSystemState().midiMode = 1;
    const int result = InitializeSoundSystem();
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(GetSoundSystemState().midiMode, c.midiMode);
    const std::string text = log.Read();
    for (const std::string& expected : c.texts) {
      std::string logged = expected;
      if (!logged.empty() && logged.back() == '\n') logged.back() = '\r';
      EXPECT_NE(text.find(logged), std::string::npos) << expected;
    }
    if (result == 0) {
      EXPECT_EQ(TerminateSoundSystem(), 0);
    } else {
      EXPECT_EQ(GetSoundSystemState().directSound, nullptr);
      EXPECT_EQ(GetSoundSystemState().directMusicLoader, nullptr);
      EXPECT_EQ(GetSoundSystemState().directMusicPerformance, nullptr);
      EXPECT_EQ(TerminateSoundSystem(), -1) << "nothing was left started";
    }
  }
  coCreate = g_realCoCreate;
  g_refusedClass = nullptr;
  GetSoundSystemState().midiMode = 0;
}

// The commands the MCI device was sent, and what it answers.
std::vector<UINT> g_mciCommands;
MCIERROR g_mciPlayAnswer = 0;
MCIERROR WINAPI FakeMciSend(MCIDEVICEID, UINT message, DWORD_PTR, DWORD_PTR) {
  g_mciCommands.push_back(message);
  return message == MCI_PLAY ? g_mciPlayAnswer : 0;
}

TEST(SoundHandlesTest, MciNotifyReplaysALoopOnlyWhenTheDeviceTakesIt) {
  SoundSystemScope sound;
  auto& send = GetSystemState().dlls.winmm.mciSendCommandA;
  const auto saved = send;
  send = FakeMciSend;
  MciState& mci = GetSoundSystemState().mci;
  const struct {
    MCIERROR answer;
    int playing, loop;
    std::vector<UINT> commands;
  } cases[] = {
      {0, 1, 1, {MCI_PLAY}},
      {MCIERR_DEVICE_NOT_READY, 0, 0, {MCI_PLAY, MCI_CLOSE}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    g_mciCommands.clear();
    g_mciPlayAnswer = c.answer;
    mci.loop = 1;
    mci.playing = 1;
    EXPECT_EQ(ProcessMciNotify(), 0);
    EXPECT_EQ(mci.playing, c.playing);
    EXPECT_EQ(mci.loop, c.loop);
    EXPECT_EQ(g_mciCommands, c.commands);
  }
  // Not looping: a playing device is closed at its end.
  g_mciCommands.clear();
  mci.loop = 0;
  mci.playing = 1;
  EXPECT_EQ(ProcessMciNotify(), 0);
  EXPECT_EQ(mci.playing, 0);
  EXPECT_EQ(g_mciCommands, std::vector<UINT>{MCI_CLOSE});
  send = saved;
}

}  // namespace
