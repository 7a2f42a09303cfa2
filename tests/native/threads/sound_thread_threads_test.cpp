// The sound thread and the stream rings it refills, under the thread
// sanitizer. The sound system runs with plain-memory buffers (software
// mixing), so no device is needed: a listener thread moves each ring's play
// cursor as a device would, while the sound thread refills behind it and the
// caller plays, stops, moves and deletes sounds.
#include <stdint.h>
#include <string.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Ombrel.h"
#include "sound/output_buffer.h"
#include "sound/soft_sound.h"
#include "sound/sound_handles.h"
#include "sound/sound_record.h"
#include "sound/sound_state.h"
#include "sound/sound_thread.h"
#include "sound/stream_sound.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kRate = 8000;  // 16-bit mono: 16000 bytes a second

Bytes PatternBytes(int size, uint32_t seed) {
  Bytes bytes(static_cast<size_t>(size));
  uint32_t x = seed * 2654435761u + 1;
  for (uint8_t& b : bytes) {
    x = x * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(x >> 24);
  }
  return bytes;
}

void Put32(Bytes& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A 16-bit mono PCM RIFF/WAVE image.
Bytes MakeWave(const Bytes& pcm) {
  Bytes out;
  auto text = [&out](const char* s) { out.insert(out.end(), s, s + 4); };
  text("RIFF");
  Put32(out, static_cast<uint32_t>(36 + pcm.size()));
  text("WAVE");
  text("fmt ");
  Put32(out, 16);
  Put32(out, 1 | (1u << 16));  // PCM, one channel
  Put32(out, kRate);
  Put32(out, kRate * 2);
  Put32(out, 2 | (16u << 16));  // block align, bits
  text("data");
  Put32(out, static_cast<uint32_t>(pcm.size()));
  out.insert(out.end(), pcm.begin(), pcm.end());
  return out;
}

// The platform-free half of the sound system's start and end around a
// stand-in device object that is never called: with software mixing every
// buffer is plain memory. The sound thread is the real one.
class SoundSystem {
 public:
  SoundSystem() {
    SoundSystemState& state = GetSoundSystemState();
    state.softwareMixing = 1;
    CreateSoundLock();
    state.createType = kSoundCreateMemory;
    state.convertedBytesPerSample = 2;
    InitLinkedList(&state.streamHead, &state.streamTail);
    InitLinkedList(&state.softPlayerHead, &state.softPlayerTail);
    state.directSound = reinterpret_cast<IDirectSound*>(&standIn_);
    StartSoundThread();
  }
  ~SoundSystem() {
    SoundSystemState& state = GetSoundSystemState();
    StopSoundThread();
    DeleteAllSoundHandles(0);
    DeleteAllSoftSoundData();
    DeleteAllSoftSoundPlayers();
    state.directSound = nullptr;
    DeleteSoundLock();
    state.softwareMixing = 0;
  }

 private:
  int standIn_ = 0;
};

// Moves the play cursor of each listed stream's ring at the data rate, under
// the sound lock as the refill reads it, until stopped.
class Listener {
 public:
  explicit Listener(std::vector<int> handles) : handles_(std::move(handles)) {
    thread_ = std::thread([this] {
      while (!stop_.load()) {
        usleep(5000);
        SoundLockHolder lock;
        for (const int handle : handles_) {
          SoundRecord* record = GetSoundRecord(handle);
          if (!record) continue;
          SoundOutputBuffer* ring = GetCurrentSoundBuffer(record);
          if (!ring || !ring->playing || ring->lengthSamples == 0) continue;
          ring->positionSamples = (ring->positionSamples + kRate * 5 / 1000) % ring->lengthSamples;
        }
      }
    });
  }
  ~Listener() {
    stop_ = true;
    thread_.join();
  }

 private:
  std::vector<int> handles_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

int StreamFromImage(const Bytes& wave) {
  SetSoundCreateType(kSoundCreateStreamImage);
  const int handle = CreateSoundHandleFromMemory(wave.data(), static_cast<int>(wave.size()), 1, -1);
  SetSoundCreateType(kSoundCreateMemory);
  return handle;
}

// Whenever the caller looks (under the lock), the bytes queued from the play
// cursor to the write cursor are the sound's data from the reported position
// on, through loop-backs to the loop start.
TEST(SoundThreadThreadsTest, TheRingHoldsTheDataAheadOfTheCursorWhileRefilled) {
  SoundSystem sound;
  ASSERT_NE(GetSoundSystemState().thread, nullptr);
  const int bytes = 40000;
  const int loopSample = 3000;
  const Bytes pcm = PatternBytes(bytes, 13);
  const int handle = StreamFromImage(MakeWave(pcm));
  ASSERT_NE(handle, -1);
  ASSERT_EQ(SetSoundLoopPositionSamples(loopSample, handle), 0);
  ASSERT_EQ(PlaySoundHandle(handle, kSoundPlayLoop, 1), 0);
  const int loopBytes = loopSample * 2;
  auto dataAt = [&](int64_t index) {
    if (index >= bytes) index = loopBytes + (index - bytes) % (bytes - loopBytes);
    return pcm[static_cast<size_t>(index)];
  };
  Listener listener({handle});
  int checks = 0, wrong = 0;
  for (int look = 0; look < 60; ++look) {
    usleep(15000);
    SoundLockHolder lock;
    SoundRecord* record = GetSoundRecord(handle);
    SoundOutputBuffer* ring = GetCurrentSoundBuffer(record);
    ASSERT_NE(ring, nullptr);
    int cursor = 0;
    ASSERT_EQ(GetOutputBufferPlayCursor(ring, &cursor), 0);
    UpdateStreamPlayPosition(handle, cursor);
    const int ringBytes = record->ringBytes;
    const int queued = ((record->writeCursor - cursor) % ringBytes + ringBytes) % ringBytes;
    if (queued == 0) continue;
    ++checks;
    const int total = ring->lengthSamples * ring->format.blockAlign;
    for (int i = 0; i < queued; ++i) {
      if (ring->samples[(cursor + i) % total] != dataAt(record->playPosition + static_cast<int64_t>(i))) {
        ++wrong;
        break;
      }
    }
  }
  EXPECT_GT(checks, 30);
  EXPECT_EQ(wrong, 0);
}

// The caller plays, stops, moves, pans and deletes streams while the thread
// refills them and the listener plays them.
TEST(SoundThreadThreadsTest, StreamsChangedAndDeletedWhileRefilled) {
  SoundSystem sound;
  std::vector<int> handles;
  for (int i = 0; i < 4; ++i) {
    handles.push_back(StreamFromImage(MakeWave(PatternBytes(30000 + 2000 * i, 20 + i))));
    ASSERT_NE(handles.back(), -1);
    ASSERT_EQ(PlaySoundHandle(handles.back(), kSoundPlayLoop, 1), 0);
  }
  {
    Listener listener(handles);
    for (int round = 0; round < 40; ++round) {
      usleep(7000);
      const int handle = handles[round % 4];
      switch (round % 5) {
        case 0: StopSoundHandle(handle); break;
        case 1: PlaySoundHandle(handle, kSoundPlayLoop, 1); break;
        case 2: SetSoundHandlePan(round * 100 - 2000, handle); break;
        case 3: SetStreamSoundPosition(2 * (round * 97 % 10000), handle); break;
        case 4: PlaySoundHandle(handle, kSoundPlayBackground, 0); break;
      }
    }
    for (const int handle : handles) EXPECT_EQ(DeleteSoundHandle(handle, 0), 0);
  }
}

}  // namespace
