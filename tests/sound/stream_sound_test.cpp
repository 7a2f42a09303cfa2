#include "sound/stream_sound.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "sound/output_buffer.h"
#include "sound/sound_handles.h"
#include "sound/sound_state.h"
#include "support/sound_fixtures.h"

namespace {

// Moves the play cursor of a stream's software ring as a device would, keeps
// what the cursor passed over, and runs one refill pass after each move.
class RingListener {
 public:
  explicit RingListener(int handle) : handle_(handle) {}

  void Step(int bytes) {
    SoundOutputBuffer* ring = GetCurrentSoundBuffer(GetSoundRecord(handle_));
    ASSERT_NE(ring, nullptr);
    const int align = ring->format.blockAlign;
    const int total = ring->lengthSamples * align;
    const int cursor = ring->positionSamples * align;
    for (int i = 0; i < bytes; ++i) heard.push_back(ring->samples[(cursor + i) % total]);
    ring->positionSamples = (cursor + bytes) % total / align;
    ProcessStreamSound(handle_);
  }

  SoundBytes heard;

 private:
  int handle_;
};

// 8000 Hz 16-bit mono: 16000 bytes a second, a 2000-byte eighth.
constexpr int kRate = 8000;
constexpr int kStep = 1000;

int StreamFromImage(const SoundBytes& wave) {
  SetSoundCreateType(kSoundCreateStreamImage);
  const int handle = CreateSoundHandleFromMemory(wave.data(), static_cast<int>(wave.size()), 1, -1);
  SetSoundCreateType(kSoundCreateMemory);
  return handle;
}

bool IsSilent(const SoundBytes& bytes, size_t from) {
  return std::all_of(bytes.begin() + static_cast<long>(from), bytes.end(),
                     [](uint8_t b) { return b == 0; });
}

class StreamSoundTest : public testing::Test {
 protected:
  SoundSystemScope sound_;
};

TEST_F(StreamSoundTest, RingSizesFollowTheByteRate) {
  const SoundBytes pcm = PatternBytes(3 * 176400, 1);
  const int handle = StreamFromImage(MakePcmWave(2, 44100, 16, pcm));
  ASSERT_NE(handle, -1);
  SoundRecord* record = GetSoundRecord(handle);
  EXPECT_EQ(record->kind, kSoundKindStream);
  EXPECT_EQ(record->ringBytes, 176400);
  // Priming wrote three quarters of the ring.
  EXPECT_EQ(record->writeCursor, 132300);
  EXPECT_EQ(record->refillBoundary, 0);
  ASSERT_EQ(PlaySoundHandle(handle, kSoundPlayBackground, 0), 0);
  ASSERT_EQ(ProcessStreamSound(handle), 0);
  // An eighth of a second is 22050 bytes, two short of a whole block.
  EXPECT_EQ(record->writeCursor, 132300 + 22048);
  EXPECT_EQ(record->refillBoundary, 22048);
  EXPECT_EQ(ProcessStreamSound(handle), -1) << "not due until the cursor reaches the boundary";
  const SoundOutputBuffer& ring = record->buffers[0];
  EXPECT_TRUE(std::equal(ring.samples, ring.samples + 154348, pcm.begin()));
}

TEST_F(StreamSoundTest, LoopStartPlaysRoundAndThePositionJumpsBack) {
  struct Case {
    int bytes, loopSample;
  };
  // 32000 bytes end exactly at the ring's start, where the cursor arrives
  // right after wrapping.
  // A 40 ms loop (640 bytes) is shorter than what one pass writes: it is
  // written again and again within the pass. The last case loops a whole
  // sound of 40 ms.
  const Case cases[] = {{40000, 3000}, {32000, 0}, {32000, 2000}, {40000, 19680}, {640, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bytes << " bytes, loop at " << c.loopSample);
    const int loopBytes = c.loopSample * 2;
    const SoundBytes pcm = PatternBytes(c.bytes, 2);
    const SoundBytes wave = MakePcmWave(1, kRate, 16, pcm);
    const MemoryTotals before = CurrentMemoryTotals();
    const int handle =
        CreateSoundHandleFromMemory(wave.data(), static_cast<int>(wave.size()), 1, -1);
    ASSERT_NE(handle, -1);
    ASSERT_EQ(SetSoundLoopPositionSamples(c.loopSample, handle), 0);
    ASSERT_EQ(GetSoundRecord(handle)->kind, kSoundKindStream);
    ASSERT_EQ(PlaySoundHandle(handle, kSoundPlayLoop, 1), 0);
    RingListener listener(handle);
    for (int step = 0; step < 200; ++step) {
      listener.Step(kStep);
      const int heard = static_cast<int>(listener.heard.size());
      const int expected =
          heard < c.bytes ? heard : loopBytes + (heard - c.bytes) % (c.bytes - loopBytes);
      ASSERT_EQ(GetSoundHandlePosition(handle), expected) << "after " << heard << " bytes";
      ASSERT_EQ(GetSoundHandlePositionMs(handle), expected / 2 * 1000 / kRate);
    }
    SoundBytes expected(pcm.begin(), pcm.end());
    while (expected.size() < listener.heard.size()) {
      expected.insert(expected.end(), pcm.begin() + loopBytes, pcm.end());
    }
    expected.resize(listener.heard.size());
    EXPECT_TRUE(listener.heard == expected);
    EXPECT_EQ(CheckSoundHandlePlaying(handle), 1);
    EXPECT_EQ(DeleteSoundHandle(handle, 0), 0);
    EXPECT_EQ(CurrentMemoryTotals(), before) << "the stream freed all it made";
  }
}

TEST_F(StreamSoundTest, AOncePlayEndsOnSilenceAndStops) {
  struct Case {
    int bytes;
    size_t heard;  // the cursor's place at the first pass past the last data byte
  };
  // At 15500 of the 16000-byte ring the cursor, moving 1000 bytes a pass,
  // goes from 15000 straight round to 0 and never lands beyond the end.
  const Case cases[] = {{8000, 9000}, {15500, 16000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    const SoundBytes pcm = PatternBytes(c.bytes, 3);
    const int handle = StreamFromImage(MakePcmWave(1, kRate, 16, pcm));
    ASSERT_EQ(PlaySoundHandle(handle, kSoundPlayBackground, 1), 0);
    RingListener listener(handle);
    int steps = 0;
    while (CheckSoundHandlePlaying(handle) == 1 && steps++ < 80) listener.Step(kStep);
    ASSERT_EQ(CheckSoundHandlePlaying(handle), 0);
    EXPECT_EQ(listener.heard.size(), c.heard);
    EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), listener.heard.begin()));
    EXPECT_TRUE(IsSilent(listener.heard, pcm.size()));
    EXPECT_EQ(GetSoundHandlePosition(handle), 0);
    DeleteSoundHandle(handle, 0);
  }
}

// Passes further apart than the queued data lasts: the cursor overtakes the
// write cursor. The next pass fills on from the cursor, so that from then on
// the ring ahead of the cursor holds the data at the reported position.
TEST_F(StreamSoundTest, ACursorPastTheWriteCursorIsCaughtUp) {
  const SoundBytes pcm = PatternBytes(120000, 12);
  const int handle = StreamFromImage(MakePcmWave(1, kRate, 16, pcm));
  ASSERT_EQ(PlaySoundHandle(handle, kSoundPlayBackground, 1), 0);
  RingListener listener(handle);
  const SoundRecord* record = GetSoundRecord(handle);
  const SoundOutputBuffer& ring = record->buffers[0];
  int stale = 0;
  for (const int step : {1000, 1000, 15000, 1000, 7000, 9000, 1000, 1000, 14000, 2000}) {
    SCOPED_TRACE(step);
    listener.Step(step);
    const int cursor = ring.positionSamples * 2;
    const int position = GetSoundHandlePosition(handle);
    const int queued = ((record->writeCursor - cursor) % 16000 + 16000) % 16000;
    ASSERT_GT(queued, 0) << "the pass wrote ahead of the cursor";
    ASSERT_LE(position + queued, static_cast<int>(pcm.size()));
    for (int i = 0; i < queued; ++i) {
      if (ring.samples[(cursor + i) % 16000] != pcm[position + i]) {
        ++stale;
        break;
      }
    }
  }
  EXPECT_EQ(stale, 0);
}

TEST_F(StreamSoundTest, ChangingTheLoopBitResetsOnlyAfterTheEnd) {
  // Longer than the ring, so the first plays do not reach the end of the data.
  const SoundBytes pcm = PatternBytes(40000, 4);
  const int handle = StreamFromImage(MakePcmWave(1, kRate, 16, pcm));
  RingListener listener(handle);
  ASSERT_EQ(PlaySoundHandle(handle, kSoundPlayBackground, 0), 0);
  for (int i = 0; i < 3; ++i) listener.Step(kStep);
  StopSoundHandle(handle);
  EXPECT_EQ(GetSoundHandlePosition(handle), 3000);
  ASSERT_EQ(PlaySoundHandle(handle, kSoundPlayLoop, 0), 0);
  listener.Step(kStep);
  EXPECT_EQ(GetSoundHandlePosition(handle), 4000) << "before the end nothing is reset";
  StopSoundHandle(handle);

  // Once more as a single play, stopped during the closing silence.
  ASSERT_EQ(PlaySoundHandle(handle, kSoundPlayBackground, 1), 0);
  while (!GetSoundRecord(handle)->endReached) listener.Step(kStep);
  StopSoundHandle(handle);
  ASSERT_EQ(GetSoundRecord(handle)->lastSourceDone, 1);
  ASSERT_EQ(PlaySoundHandle(handle, kSoundPlayLoop, 0), 0);
  EXPECT_EQ(GetSoundHandlePosition(handle), 0);
  listener.heard.clear();
  for (int i = 0; i < 60; ++i) listener.Step(kStep);
  SoundBytes twice(pcm);
  twice.insert(twice.end(), pcm.begin(), pcm.end());
  EXPECT_TRUE(std::equal(listener.heard.begin(), listener.heard.end(), twice.begin()));
}

TEST_F(StreamSoundTest, PlayingAgainWithoutRestartIsRefused) {
  const int handle = StreamFromImage(MakePcmWave(1, kRate, 16, PatternBytes(20000, 5)));
  ASSERT_EQ(PlaySoundHandle(handle, kSoundPlayLoop, 0), 0);
  EXPECT_EQ(PlaySoundHandle(handle, kSoundPlayLoop, 0), -1);
  EXPECT_EQ(CheckSoundHandlePlaying(handle), 1);
  EXPECT_EQ(PlaySoundHandle(handle, kSoundPlayLoop, 1), 0);
  EXPECT_EQ(CheckSoundHandlePlaying(handle), 1);
}

TEST_F(StreamSoundTest, SourcesPlayInTurnAndRefuseAPosition) {
  const SoundBytes first = PatternBytes(4000, 6);
  const SoundBytes second = PatternBytes(6000, 7);
  const SoundBytes firstWave = MakePcmWave(1, kRate, 16, first);
  const SoundBytes secondWave = MakePcmWave(1, kRate, 16, second);
  const SoundBytes otherRate = MakePcmWave(1, 11025, 16, second);
  const int handle = AddSoundData(-1);
  ASSERT_EQ(AddStreamSoundMemory(firstWave.data(), static_cast<int>(firstWave.size()), 0, handle,
                                 kSourceDecodedImage, -1),
            0);
  EXPECT_EQ(AddStreamSoundMemory(otherRate.data(), static_cast<int>(otherRate.size()), 0, handle,
                                 kSourceFileImage, -1),
            -1);
  ASSERT_EQ(AddStreamSoundMemory(secondWave.data(), static_cast<int>(secondWave.size()), 0, handle,
                                 kSourceFileImage, -1),
            0);
  EXPECT_EQ(GetSoundTotalSamples(handle), 5000);
  EXPECT_EQ(SetSoundHandlePosition(0, handle), -1);
  EXPECT_EQ(SetSoundLoopPositionSamples(10, handle), -1);
  ASSERT_EQ(PlaySoundHandle(handle, kSoundPlayBackground, 1), 0);
  RingListener listener(handle);
  while (CheckSoundHandlePlaying(handle) == 1 && listener.heard.size() < 40000) {
    listener.Step(kStep);
  }
  SoundBytes both(first);
  both.insert(both.end(), second.begin(), second.end());
  EXPECT_TRUE(std::equal(both.begin(), both.end(), listener.heard.begin()));
  EXPECT_TRUE(IsSilent(listener.heard, both.size()));
}

TEST_F(StreamSoundTest, APositionSetWhilePlayingIsPlayedFrom) {
  const SoundBytes pcm = PatternBytes(48000, 8);
  const int handle = StreamFromImage(MakePcmWave(1, kRate, 16, pcm));
  ASSERT_EQ(PlaySoundHandle(handle, kSoundPlayBackground, 1), 0);
  RingListener listener(handle);
  listener.Step(kStep);
  EXPECT_EQ(SetSoundHandlePosition(30000, handle), 0);
  EXPECT_EQ(CheckSoundHandlePlaying(handle), 1);
  listener.heard.clear();
  for (int i = 0; i < 10; ++i) listener.Step(kStep);
  EXPECT_TRUE(std::equal(listener.heard.begin(), listener.heard.end(), pcm.begin() + 30000));
  EXPECT_EQ(GetSoundHandlePosition(handle), 40000);
  EXPECT_EQ(SetSoundHandlePosition(48002, handle), -1);
}

TEST_F(StreamSoundTest, EndingTheLoopPlaysToTheEnd) {
  const SoundBytes pcm = PatternBytes(8000, 9);
  const SoundBytes wave = MakePcmWave(1, kRate, 16, pcm);
  const int handle = CreateSoundHandleFromMemory(wave.data(), static_cast<int>(wave.size()), 1, -1);
  ASSERT_EQ(SetSoundLoopPositionSamples(1000, handle), 0);
  ASSERT_EQ(SetSoundLoopPositionSamples(-1, handle), 0);
  ASSERT_EQ(PlaySoundHandle(handle, kSoundPlayBackground, 1), 0);
  RingListener listener(handle);
  int steps = 0;
  while (CheckSoundHandlePlaying(handle) == 1 && steps++ < 40) listener.Step(kStep);
  EXPECT_EQ(CheckSoundHandlePlaying(handle), 0);
  EXPECT_TRUE(IsSilent(listener.heard, pcm.size()));
}

TEST(StreamSoundThreadTest, OneProcessorRefillsThroughTheMessagePass) {
  SoundSystemScope sound({.processorCount = 1});
  EXPECT_EQ(GetSoundSystemState().thread, nullptr);
  const int handle = StreamFromImage(MakePcmWave(1, kRate, 16, PatternBytes(40000, 10)));
  ASSERT_EQ(PlaySoundHandle(handle, kSoundPlayBackground, 1), 0);
  const int before = GetSoundRecord(handle)->writeCursor;
  EXPECT_EQ(ProcessStreamSounds(), 0);
  EXPECT_NE(GetSoundRecord(handle)->writeCursor, before);
}

TEST(StreamSoundThreadTest, TheThreadRefillsAndStopsWithTheHandshake) {
  int handle = -1;
  {
    SoundSystemScope sound({.processorCount = 2});
    ASSERT_NE(GetSoundSystemState().thread, nullptr);
    EXPECT_EQ(GetThreadPriority(GetSoundSystemState().thread), THREAD_PRIORITY_TIME_CRITICAL);
    handle = StreamFromImage(MakePcmWave(1, kRate, 16, PatternBytes(40000, 11)));
    ASSERT_EQ(PlaySoundHandle(handle, kSoundPlayBackground, 1), 0);
    SoundRecord* record = GetSoundRecord(handle);
    const int before = record->writeCursor;
    for (int i = 0; i < 100 && record->writeCursor == before; ++i) Sleep(10);
    EXPECT_NE(record->writeCursor, before);
  }
  EXPECT_EQ(GetSoundSystemState().thread, nullptr);
  EXPECT_EQ(GetSoundSystemState().threadStop, kSoundThreadStopped);
}

// The same ring on a real device buffer, refilled by the sound thread while
// the device plays it: whenever the refill is held off, the bytes queued from
// the device's play cursor to the write cursor are the sound's data from the
// reported position on, through loop-backs to the loop start.
TEST(StreamSoundThreadTest, TheDeviceRingHoldsTheDataAheadOfTheCursor) {
  SoundSystemScope sound({.processorCount = 2, .softwareBuffers = false});
  struct Case {
    int bytes, loopSample;
  };
  // A loop longer than the ring, and one shorter than a pass.
  const Case cases[] = {{40000, 3000}, {40000, 19680}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bytes << " bytes, loop at " << c.loopSample);
    const SoundBytes pcm = PatternBytes(c.bytes, 13);
    const SoundBytes wave = MakePcmWave(1, kRate, 16, pcm);
    const int handle =
        CreateSoundHandleFromMemory(wave.data(), static_cast<int>(wave.size()), 1, -1);
    ASSERT_NE(handle, -1);
    ASSERT_EQ(SetSoundLoopPositionSamples(c.loopSample, handle), 0);
    ASSERT_EQ(PlaySoundHandle(handle, kSoundPlayLoop, 1), 0);
    const int loopBytes = c.loopSample * 2;
    auto dataAt = [&](int64_t index) {
      if (index >= c.bytes) index = loopBytes + (index - c.bytes) % (c.bytes - loopBytes);
      return pcm[static_cast<size_t>(index)];
    };
    int checks = 0, wrong = 0;
    for (int look = 0; look < 60; ++look) {
      Sleep(15);
      SoundLockHolder lock;
      SoundRecord* record = GetSoundRecord(handle);
      SoundOutputBuffer* ring = &record->buffers[0];
      int cursor = 0;
      ASSERT_EQ(GetOutputBufferPlayCursor(ring, &cursor), 0);
      UpdateStreamPlayPosition(handle, cursor);
      const int ringBytes = record->ringBytes;
      const int queued = ((record->writeCursor - cursor) % ringBytes + ringBytes) % ringBytes;
      if (queued == 0) continue;
      void* first = nullptr;
      void* second = nullptr;
      int firstBytes = 0, secondBytes = 0;
      ASSERT_EQ(LockOutputBuffer(cursor, ring, queued, &first, &firstBytes, &second, &secondBytes), 0);
      SoundBytes ahead(static_cast<uint8_t*>(first), static_cast<uint8_t*>(first) + firstBytes);
      if (second) ahead.insert(ahead.end(), static_cast<uint8_t*>(second), static_cast<uint8_t*>(second) + secondBytes);
      UnlockOutputBuffer(ring, first, 0, second, 0);
      ++checks;
      // The device reads a little ahead of the cursor it reports; the bytes
      // it may already hold are not compared.
      for (size_t i = 64; i < ahead.size(); ++i) {
        if (ahead[i] != dataAt(record->playPosition + static_cast<int64_t>(i))) {
          ++wrong;
          break;
        }
      }
    }
    EXPECT_GT(checks, 30);
    EXPECT_EQ(wrong, 0);
    StopSoundHandle(handle);
    DeleteSoundHandle(handle, 0);
  }
}

TEST(StreamSoundThreadTest, PlayAndWaitReturnsAtTheEndOnTheDevice) {
  SoundSystemScope sound({.processorCount = 2, .softwareBuffers = false});
  const int handle =
      StreamFromImage(MakePcmWave(2, 44100, 16, ToneSamples16(44100, 2, 13230, 440)));
  ASSERT_NE(handle, -1);
  EXPECT_EQ(PlaySoundHandle(handle, kSoundPlayAndWait, 1), 0);
  EXPECT_EQ(CheckSoundHandlePlaying(handle), 0);
  EXPECT_EQ(GetSoundHandlePosition(handle), 0);
}

}  // namespace
