#include "sound/sound_handles.h"

#include <limits.h>

#include "sound/sound_platform.h"
#include "sound/sound_state.h"
#include "sound/stream_sound.h"
#include "system/tracked_memory.h"
#include "system/uint128.h"

namespace {

constexpr int kMinVolume = -10000;
constexpr int kFullScale = 10000;

SoundSystemState& State() { return GetSoundSystemState(); }

int Clamp(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

void ReleaseMemorySound(SoundRecord* record) {
  for (SoundOutputBuffer& buffer : record->buffers) {
    if (buffer.valid) ReleaseOutputBuffer(&buffer);
  }
  if (record->pcmRefCount && --*record->pcmRefCount == 0) {
    FreeTrackedMemory(record->pcm);
    FreeTrackedMemory(record->pcmRefCount);
  }
  record->pcm = nullptr;
  record->pcmRefCount = nullptr;
}

// Picks the next buffer of a memory sound round robin; -1 when it cannot be
// used. remembered receives the cursor of the buffer used before.
SoundOutputBuffer* PrepareSoundHandleBuffer(SoundRecord* record, int* remembered) {
  *remembered = 0;
  if (record->bufferCount <= 0) return nullptr;
  SoundOutputBuffer& previous = record->buffers[record->currentBuffer];
  if (previous.valid) GetOutputBufferPlayCursor(&previous, remembered);
  record->currentBuffer = (record->currentBuffer + 1) % record->bufferCount;
  SoundOutputBuffer* buffer = &record->buffers[record->currentBuffer];
  if (!buffer->valid) return nullptr;
  return buffer;
}

int SampleRate(const SoundRecord* record) { return static_cast<int>(record->format.samplesPerSec); }

int BlockAlign(const SoundRecord* record) {
  return record->format.blockAlign ? record->format.blockAlign : 1;
}

}  // namespace

SoundRecord* GetSoundRecord(int handle) {
  if (!IsSoundSystemStarted()) return nullptr;
  return LookupSoundTable(State().sounds, handle);
}

int AddSoundData(int handle) {
  if (!IsSoundSystemStarted()) return -1;
  SoundLockHolder lock;
  auto& table = State().sounds;
  if (handle == -1 && table.count >= kSoundHandleLimit) {
    return AppendLog("サウンドの数が許容量を越えました\n");
  }
  int checkId = 0;
  const int slot = ChooseSoundTableSlot(table, handle, &checkId);
  if (slot < 0) return -1;
  auto* record = static_cast<SoundRecord*>(TRACKED_ALLOC_ZEROED(sizeof(SoundRecord)));
  if (!record) return AppendLog("メモリ領域の確保に失敗しました in AddSoundData");
  record->checkId = checkId;
  record->bufferOwner = -1;
  record->bufferUser = -1;
  return StoreSoundTableRecord(table, slot, handle, record);
}

int DeleteSoundHandle(int handle, int) {
  if (!IsSoundSystemStarted()) return -1;
  SoundLockHolder lock;
  SoundRecord* record = GetSoundRecord(handle);
  if (!record) return -1;
  if (record->kind == kSoundKindStream) {
    StopStreamSound(handle);
    if (SoundRecord* owner = GetSoundRecord(record->bufferOwner)) {
      --owner->borrowerCount;
      if (owner != record && owner->deletePending == 1) DeleteSoundHandle(record->bufferOwner, 0);
    }
    record->bufferOwner = -1;
    // A ring that others still play through stays until its last borrower goes.
    if (record->borrowerCount != 0) {
      record->deletePending = 1;
      return 0;
    }
    UnlinkStreamRecord(record);
    ReleaseStreamSources(record);
    if (record->buffers[0].valid) ReleaseOutputBuffer(&record->buffers[0]);
  } else {
    if (record->buffers[0].valid) StopSoundHandle(handle);
    ReleaseMemorySound(record);
  }
  FreeTrackedMemory(record);
  ClearSoundTableSlot(State().sounds, HandleSlot(handle));
  return 0;
}

int DeleteAllSoundHandles(int unused) {
  if (!IsSoundSystemStarted()) return -1;
  auto& table = State().sounds;
  for (int slot = 0; slot < kSoundHandleLimit; ++slot) {
    if (table.records[slot]) DeleteSoundHandle(SoundTableHandle(table, slot), unused);
  }
  return 0;
}

SoundOutputBuffer* GetCurrentSoundBuffer(SoundRecord* record) {
  SoundOutputBuffer* buffer = &record->buffers[0];
  if (record->kind == kSoundKindMemory) {
    buffer = &record->buffers[record->currentBuffer];
  } else if (SoundRecord* owner = GetSoundRecord(record->bufferOwner)) {
    buffer = &owner->buffers[0];
  }
  return buffer->valid ? buffer : nullptr;
}

void ApplySoundSettings(SoundRecord* record, SoundOutputBuffer* buffer) {
  int volume = record->volume;
  int pan = record->pan;
  int frequency = record->frequency;
  if (record->nextVolumeSet) volume = record->nextVolume;
  if (record->nextPanSet) pan = record->nextPan;
  if (record->nextFrequencySet) frequency = record->nextFrequency;
  record->nextVolumeSet = record->nextPanSet = record->nextFrequencySet = 0;
  SetOutputBufferVolume(buffer, volume);
  SetOutputBufferPan(buffer, pan);
  SetOutputBufferFrequency(buffer, frequency);
}

void WaitWhileSoundPlays(int handle) {
  while (RunSoundMessagePass() == 0 && CheckSoundHandlePlaying(handle) == 1) {
    SleepSoundThread(1);
  }
}

int PlaySoundHandle(int handle, int playType, int restart) {
  SoundRecord* record = GetSoundRecord(handle);
  if (!record) return -1;
  if (record->kind == kSoundKindStream) return PlayStreamSound(handle, playType, restart);
  int remembered = 0;
  SoundOutputBuffer* buffer = PrepareSoundHandleBuffer(record, &remembered);
  if (!buffer) return -1;
  const int playing = IsOutputBufferPlaying(buffer);
  if (playing < 0) return -1;
  if (playing == 1) {
    if (!restart) return 0;
    StopOutputBuffer(buffer);
  }
  SetOutputBufferPosition(buffer, restart ? 0 : remembered);
  ApplySoundSettings(record, buffer);
  if (PlayOutputBuffer(buffer, playType == kSoundPlayLoop) != 0) return -1;
  if (playType == kSoundPlayAndWait) WaitWhileSoundPlays(handle);
  return 0;
}

int StopSoundHandle(int handle) {
  SoundRecord* record = GetSoundRecord(handle);
  if (!record) return -1;
  if (record->kind == kSoundKindStream) return StopStreamSound(handle);
  for (int i = 0; i < record->bufferCount; ++i) {
    SoundOutputBuffer& buffer = record->buffers[i];
    if (!buffer.valid) continue;
    const int playing = IsOutputBufferPlaying(&buffer);
    if (playing < 0) return -1;
    if (playing == 1) StopOutputBuffer(&buffer);
  }
  return 0;
}

int CheckSoundHandlePlaying(int handle) {
  SoundRecord* record = GetSoundRecord(handle);
  if (!record) return -1;
  if (record->kind == kSoundKindStream) return CheckStreamSoundPlaying(handle);
  for (int i = 0; i < record->bufferCount; ++i) {
    if (record->buffers[i].valid && IsOutputBufferPlaying(&record->buffers[i]) == 1) return 1;
  }
  return 0;
}

int SetSoundHandleVolume(int volume, int handle) {
  SoundRecord* record = GetSoundRecord(handle);
  if (!record) return -1;
  const int level = Clamp(volume, 0, kFullScale) - kFullScale;
  for (SoundOutputBuffer& buffer : record->buffers) {
    if (buffer.valid) SetOutputBufferVolume(&buffer, level);
  }
  record->volume = level;
  return 0;
}

int GetSoundHandleVolume(int handle) {
  SoundRecord* record = GetSoundRecord(handle);
  SoundOutputBuffer* buffer = record ? GetCurrentSoundBuffer(record) : nullptr;
  int level = 0;
  if (!buffer || GetOutputBufferVolume(buffer, &level) != 0) return -1;
  return Clamp(level, kMinVolume, 0) + kFullScale;
}

int SetSoundHandlePan(int pan, int handle) {
  SoundRecord* record = GetSoundRecord(handle);
  if (!record) return -1;
  pan = Clamp(pan, -kFullScale, kFullScale);
  for (SoundOutputBuffer& buffer : record->buffers) {
    if (buffer.valid) SetOutputBufferPan(&buffer, pan);
  }
  record->pan = pan;
  return 0;
}

int GetSoundHandlePan(int handle) {
  SoundRecord* record = GetSoundRecord(handle);
  SoundOutputBuffer* buffer = record ? GetCurrentSoundBuffer(record) : nullptr;
  int pan = 0;
  if (!buffer || GetOutputBufferPan(buffer, &pan) != 0) return -1;
  return pan;
}

int SetSoundHandleFrequency(int hz, int handle) {
  SoundRecord* record = GetSoundRecord(handle);
  if (!record) return -1;
  if (hz == -1) hz = 0;
  for (SoundOutputBuffer& buffer : record->buffers) {
    if (buffer.valid) SetOutputBufferFrequency(&buffer, hz);
  }
  record->frequency = hz;
  return 0;
}

int GetSoundHandleFrequency(int handle) {
  SoundRecord* record = GetSoundRecord(handle);
  SoundOutputBuffer* buffer = record ? GetCurrentSoundBuffer(record) : nullptr;
  int hz = 0;
  if (!buffer || GetOutputBufferFrequency(buffer, &hz) != 0) return -1;
  return hz;
}

int SetSoundHandlePosition(int byteOffset, int handle) {
  SoundRecord* record = GetSoundRecord(handle);
  if (!record) return -1;
  if (record->kind == kSoundKindStream) return SetStreamSoundPosition(byteOffset, handle);
  if (SoundOutputBuffer* buffer = GetCurrentSoundBuffer(record)) {
    SetOutputBufferPosition(buffer, byteOffset);
  }
  return 0;
}

int GetSoundHandlePosition(int handle) {
  SoundRecord* record = GetSoundRecord(handle);
  if (!record) return -1;
  if (record->kind == kSoundKindStream) return GetStreamPlayPosition(handle);
  int cursor = 0;
  if (SoundOutputBuffer* buffer = GetCurrentSoundBuffer(record)) {
    GetOutputBufferPlayCursor(buffer, &cursor);
  }
  return cursor;
}

int GetSoundHandlePositionMs(int handle) {
  SoundRecord* record = GetSoundRecord(handle);
  if (!record) return -1;
  if (record->kind == kSoundKindStream) return GetStreamPlayPositionMs(handle);
  return ConvertSamplesToMs(GetSoundHandlePosition(handle) / BlockAlign(record),
                            SampleRate(record));
}

int GetSoundTotalSamples(int handle) {
  SoundRecord* record = GetSoundRecord(handle);
  if (!record) return -1;
  if (record->kind == kSoundKindStream) return record->totalSamples;
  return record->pcmBytes / BlockAlign(record);
}

int GetSoundHandleTotalTimeMs(int handle) {
  SoundRecord* record = GetSoundRecord(handle);
  if (!record) return -1;
  return ConvertSamplesToMs(GetSoundTotalSamples(handle), SampleRate(record));
}

int ConvertMsToSamples(int samplesPerSec, int ms) {
  if (samplesPerSec <= 0 || ms <= 0) return 0;
  const uint64_t samples =
      MulDivU64(static_cast<uint64_t>(ms), static_cast<uint64_t>(samplesPerSec), 1000);
  return samples > INT_MAX ? INT_MAX : static_cast<int>(samples);
}

int ConvertSamplesToMs(int samples, int samplesPerSec) {
  if (samplesPerSec <= 0 || samples <= 0) return 0;
  const uint64_t ms =
      MulDivU64(static_cast<uint64_t>(samples), 1000, static_cast<uint64_t>(samplesPerSec));
  return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

int SetSoundCreateType(int type) {
  if (!State().directSound) return -1;
  if (type < 0 || type > kSoundCreateStreamFile) return -1;
  State().createType = type == 1 ? kSoundCreateMemory : type;
  return 0;
}

int GetSoundCreateType() { return State().directSound ? State().createType : -1; }

int SetSoundDecoderDisableMask(int mask) {
  if (!State().directSound) return -1;
  State().decoderDisableMask = mask;
  return 0;
}

int GetSoundDecoderDisableMask() {
  return State().directSound ? State().decoderDisableMask : -1;
}
