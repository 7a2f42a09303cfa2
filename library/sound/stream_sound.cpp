// Stream sounds: their sources, the claim on the ring they play through,
// priming, play and stop, and the data position.
#include "sound/stream_sound.h"

#include <string.h>

#include "Ombrel.h"
#include "sound/sound_handle_buffers.h"
#include "sound/sound_handles.h"
#include "sound/sound_loading.h"
#include "sound/sound_state.h"
#include "system/tracked_memory.h"

namespace {

int BlockAlign(const SoundRecord* record) {
  return record->format.blockAlign ? record->format.blockAlign : 1;
}

SoundRecord* GetStreamRecord(int handle) {
  SoundRecord* record = GetSoundRecord(handle);
  return record && record->kind == kSoundKindStream ? record : nullptr;
}

void DiscardSource(StreamSoundSource* source) {
  if (source->decoder.valid) CloseSoundDecoder(&source->decoder);
  if (source->stream.close) source->stream.close(source->stream.data);
  FreeTrackedMemory(source->image);
  *source = StreamSoundSource{};
}

// Opens the source's decoder over a memory stream on its own image.
int OpenImageSource(StreamSoundSource* source) {
  MemoryStream* memory = OpenMemoryStream(source->image, source->imageBytes);
  if (!memory) return -1;
  source->stream = MakeSourceStream(GetMemoryStreamOps(), memory);
  return OpenSoundDecoder(&source->stream, &source->decoder);
}

// Decodes the caller's data whole and keeps it as a WAV image, so the
// source needs no compressed decoder while it plays.
int OpenDecodedSource(const SourceStream& stream, StreamSoundSource* source) {
  uint8_t* image = nullptr;
  int imageBytes = 0;
  if (LoadStreamToMemory(&stream, reinterpret_cast<void**>(&image), &imageBytes) != 0) {
    return AppendLog("音声データの読み込みに失敗しました");
  }
  MemoryStream* memory = OpenMemoryStream(image, imageBytes);
  SoundDecoder decoder = {};
  WaveFormat format = {};
  void* pcm = nullptr;
  int pcmBytes = 0;
  bool decoded = false;
  if (memory) {
    const SourceStream memoryStream = MakeSourceStream(GetMemoryStreamOps(), memory);
    if (OpenSoundDecoder(&memoryStream, &decoder) == 0) {
      decoded = DecodeSoundToMemory(&decoder, &format, &pcm, &pcmBytes) == 0;
      CloseSoundDecoder(&decoder);
    }
    CloseMemoryStream(memory);
  }
  FreeTrackedMemory(image);
  if (!decoded) return AppendLog("音声データの変換に失敗しました");
  const int built = BuildWaveFileImage(reinterpret_cast<void**>(&source->image),
                                       &source->imageBytes, &format, sizeof format, pcm, pcmBytes);
  FreeTrackedMemory(pcm);
  if (built != 0) return -1;
  return OpenImageSource(source);
}

int OpenCopiedSource(const SourceStream& stream, StreamSoundSource* source) {
  if (LoadStreamToMemory(&stream, reinterpret_cast<void**>(&source->image), &source->imageBytes) !=
      0) {
    return AppendLog("音声データの読み込みに失敗しました");
  }
  if (OpenImageSource(source) != 0) return AppendLog("音声データのオープンに失敗しました");
  return 0;
}

// Sets up the ring of a stream's first source: another stream's ring of the
// same format when one is offered, else its own.
void SetUpStreamRing(int handle, SoundRecord* record, int sharedHandle) {
  SoundRecord* shared = GetStreamRecord(sharedHandle);
  if (shared && shared != record && shared->bufferOwner == -1 &&
      memcmp(&shared->format, &record->format, sizeof record->format) == 0) {
    record->kind = kSoundKindStream;
    record->bufferCount = 1;
    LinkStreamRecord(handle, record);
    record->bufferOwner = sharedHandle;
    ++shared->borrowerCount;
    record->ringBytes = shared->ringBytes;
  } else {
    CreateSoundHandleBuffers(-1, &record->format, StreamRingBytes(record->format), kSoundKindStream,
                             1, handle);
    record->bufferOwner = -1;
    record->ringBytes = StreamRingBytes(record->format);
  }
  record->frequency = static_cast<int>(record->format.samplesPerSec);
  record->borrowerCount = 0;
  record->bufferUser = -1;
  record->deletePending = 0;
}

bool IsStreamPlaying(int handle, SoundRecord* record) {
  SoundOutputBuffer* buffer = nullptr;
  return AcquireStreamBuffer(handle, record, &buffer, 0) == 0 && IsOutputBufferPlaying(buffer) == 1;
}

}  // namespace

void ClearStreamPlayState(SoundRecord* record) {
  record->loopStartBytes = 0;
  record->loopEndBytes = 0;
  record->bytesRead = 0;
  record->playPosition = 0;
  record->loopBackPending = 0;
  record->loopCounter = 0;
  record->currentSource = 0;
  record->primed = 0;
}

void LinkStreamRecord(int handle, SoundRecord* record) {
  if (record->listNode.previous) return;
  InsertListNodeAfter(&GetSoundSystemState().streamHead, &record->listNode, handle, record);
}

void UnlinkStreamRecord(SoundRecord* record) {
  if (!record->listNode.previous) return;
  RemoveListNode(&record->listNode);
  record->listNode = ListNode{};
}

void ReleaseStreamSources(SoundRecord* record) {
  for (int i = 0; i < record->sourceCount; ++i) {
    StreamSoundSource& source = record->sources[i];
    const SourceStream callerStream = source.decoder.stream;
    if (source.decoder.valid) CloseSoundDecoder(&source.decoder);
    FreeTrackedMemory(source.image);
    if (record->closeSourceStream[i] && source.kind == kSourceCallerStream && callerStream.close) {
      callerStream.close(callerStream.data);
    }
    if (source.stream.close) source.stream.close(source.stream.data);
    source = StreamSoundSource{};
  }
  record->sourceCount = 0;
}

int AddSreamSound(const SourceStream* stream, int loopCount, int handle, int sourceKind,
                  int* keepsStream, int sharedHandle) {
  if (!IsSoundSystemStarted()) return -1;
  SoundLockHolder lock;
  SoundRecord* record = GetSoundRecord(handle);
  if (!record) return -1;
  // A memory sound that holds buffers must be converted, not extended.
  if ((record->sourceCount > 0 || record->bufferCount > 0) && record->kind != kSoundKindStream) {
    return AppendLog("ストリーム風サウンドではないサウンドデータが渡されました in AddSreamSound\n");
  }
  if (record->sourceCount > 0 && IsStreamPlaying(handle, record)) {
    return AppendLog("既に再生中のストリームサウンドデータにデータを追加しようとしました\n");
  }
  if (record->sourceCount >= kStreamSourceLimit) {
    return AppendLog("ストリーム風サウンドの制御データ領域がいっぱいです\n");
  }
  StreamSoundSource& source = record->sources[record->sourceCount];
  source = StreamSoundSource{};
  source.kind = sourceKind;
  source.stopSample = -1;
  SeekSource(*stream, 0, 0);
  int keeps = 1;
  if (sourceKind == kSourceDecodedImage) {
    if (OpenDecodedSource(*stream, &source) != 0) {
      DiscardSource(&source);
      return -1;
    }
  } else if (sourceKind == kSourceFileImage) {
    if (OpenCopiedSource(*stream, &source) != 0) {
      DiscardSource(&source);
      return -1;
    }
  } else {
    if (OpenSoundDecoder(stream, &source.decoder) != 0) {
      source = StreamSoundSource{};
      return AppendLog("音声データのオープンに失敗しました");
    }
    keeps = 0;
  }
  if (record->sourceCount > 0 &&
      memcmp(&source.decoder.outFormat, &record->format, sizeof record->format) != 0) {
    DiscardSource(&source);
    return AppendLog("フォーマットの違う音声データは同時に使うことは出来ません");
  }
  if (record->sourceCount == 0) {
    record->format = source.decoder.outFormat;
    SetUpStreamRing(handle, record, sharedHandle);
  }
  source.loopCount = static_cast<int8_t>(loopCount);
  ++record->sourceCount;
  int64_t total = 0;
  for (int i = 0; i < record->sourceCount; ++i) {
    total += GetSoundDecoderTotalBytes(&record->sources[i].decoder) / BlockAlign(record);
  }
  record->totalSamples = total > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(total);
  *keepsStream = keeps;
  return 0;
}

int AddStreamSoundFile(const char* path, int loopCount, int handle, int sourceKind,
                       int sharedHandle) {
  SoundRecord* record = GetSoundRecord(handle);
  if (!record) return -1;
  const StreamHandle file = OpenStream(path, 0, 1, 0);
  if (!file) return AppendLogFormat("右記のＷＡＶファイルのロードに失敗しました：%s \n", path);
  const SourceStream stream = MakeSourceStream(GetFileStreamOps(), reinterpret_cast<void*>(file));
  const int index = record->sourceCount;
  int keeps = 1;
  if (AddSreamSound(&stream, loopCount, handle, sourceKind, &keeps, sharedHandle) != 0) {
    CloseStream(file);
    return AppendLogFormat("右記のＷＡＶファイルのセットアップに失敗しました：%s \n", path);
  }
  if (keeps) CloseStream(file);
  record->closeSourceStream[index] = keeps ? 0 : 1;
  return 0;
}

int AddStreamSoundMemory(const void* image, int size, int loopCount, int handle, int sourceKind,
                         int sharedHandle) {
  SoundRecord* record = GetSoundRecord(handle);
  if (!record) return -1;
  // The caller keeps the image, so a source never reads it in place.
  if (sourceKind == kSourceCallerStream) sourceKind = kSourceFileImage;
  MemoryStream* memory = OpenMemoryStream(image, size);
  if (!memory)
    return AppendLog("ＷＡＶファイルのストリームイメージハンドルの作成に失敗しました \n");
  const SourceStream stream = MakeSourceStream(GetMemoryStreamOps(), memory);
  const int index = record->sourceCount;
  int keeps = 1;
  if (AddSreamSound(&stream, loopCount, handle, sourceKind, &keeps, sharedHandle) != 0) {
    CloseMemoryStream(memory);
    return AppendLog("ＷＡＶファイルのストリームイメージのセットアップに失敗しました \n");
  }
  if (keeps) CloseMemoryStream(memory);
  record->closeSourceStream[index] = keeps ? 0 : 1;
  return 0;
}

int AcquireStreamBuffer(int handle, SoundRecord* record, SoundOutputBuffer** out, int force) {
  if (record->kind == kSoundKindMemory) {
    *out = &record->buffers[0];
    return 0;
  }
  SoundRecord* owner = record;
  if (record->bufferOwner != -1) {
    owner = GetSoundRecord(record->bufferOwner);
    if (!owner) return -1;
  }
  *out = &owner->buffers[0];
  if (owner->bufferUser != -1 && owner->bufferUser != handle) {
    if (!force) return -1;
    StopStreamSound(owner->bufferUser);
  }
  owner->bufferUser = handle;
  return 0;
}

int PrimeStreamSound(int handle) {
  if (!IsSoundSystemStarted()) return -1;
  SoundLockHolder lock;
  SoundRecord* record = GetStreamRecord(handle);
  if (!record) return -1;
  SoundOutputBuffer* buffer = nullptr;
  if (record->primed || AcquireStreamBuffer(handle, record, &buffer, 0) != 0 ||
      IsOutputBufferPlaying(buffer) != 0) {
    return 0;
  }
  SetOutputBufferPosition(buffer, 0);
  record->writeCursor = kRingNotFilled;
  record->refillBoundary = -1;
  record->lastPlayCursor = 0;
  record->endReached = 0;
  SeekSoundDecoder(&record->sources[record->currentSource].decoder,
                   record->bytesRead / BlockAlign(record));
  record->primed = 1;
  ProcessStreamSound(handle);
  return 0;
}

int PlayStreamSound(int handle, int playType, int restart) {
  if (!IsSoundSystemStarted()) return -1;
  {
    SoundLockHolder lock;
    SoundRecord* record = GetStreamRecord(handle);
    if (!record) return -1;
    SoundOutputBuffer* buffer = nullptr;
    if (AcquireStreamBuffer(handle, record, &buffer, 1) != 0) return -1;
    if (!restart && IsOutputBufferPlaying(buffer) == 1) return -1;
    StopStreamSound(handle);
    if (((playType ^ record->lastPlayType) & 2) && record->lastSourceDone) {
      record->lastSourceDone = 0;
      ClearStreamPlayState(record);
    }
    if (restart) {
      record->lastSourceDone = 0;
      if (record->playPosition != 0) ClearStreamPlayState(record);
    }
    record->lastPlayType = playType;
    PrimeStreamSound(handle);
    if (record->buffers[0].valid) ApplySoundSettings(record, &record->buffers[0]);
    // The stop above gave the ring up; it is claimed again for this play.
    if (AcquireStreamBuffer(handle, record, &buffer, 1) != 0) return -1;
    // The ring always loops; the refill decides when the sound ends.
    if (PlayOutputBuffer(buffer, 1) != 0) return -1;
  }
  if (playType == kSoundPlayAndWait) WaitWhileSoundPlays(handle);
  return 0;
}

int StopStreamSound(int handle) {
  if (!IsSoundSystemStarted()) return -1;
  SoundLockHolder lock;
  SoundRecord* record = GetStreamRecord(handle);
  if (!record) return -1;
  UpdateStreamPlayPosition(handle, -1);
  SoundOutputBuffer* buffer = nullptr;
  if (AcquireStreamBuffer(handle, record, &buffer, 0) != 0) return 0;
  if (SoundRecord* owner = GetSoundRecord(record->bufferOwner)) owner->bufferUser = -1;
  if (IsOutputBufferPlaying(buffer) == 1) StopOutputBuffer(buffer);
  return 0;
}

int CheckStreamSoundPlaying(int handle) {
  if (!IsSoundSystemStarted()) return -1;
  SoundLockHolder lock;
  SoundRecord* record = GetStreamRecord(handle);
  if (!record) return -1;
  return IsStreamPlaying(handle, record) ? 1 : 0;
}

int GetStreamPlayPosition(int handle) {
  if (!IsSoundSystemStarted()) return -1;
  SoundLockHolder lock;
  SoundRecord* record = GetStreamRecord(handle);
  if (!record) return -1;
  UpdateStreamPlayPosition(handle, -1);
  return record->playPosition;
}

int GetStreamPlayPositionMs(int handle) {
  const int position = GetStreamPlayPosition(handle);
  SoundRecord* record = GetStreamRecord(handle);
  if (position < 0 || !record) return -1;
  const int rate = static_cast<int>(record->format.samplesPerSec);
  const int ms = ConvertSamplesToMs(position / BlockAlign(record), rate);
  const int length = ConvertSamplesToMs(record->totalSamples, rate);
  return ms < length ? ms : length;
}

int SetStreamSoundPosition(int byteOffset, int handle) {
  if (!IsSoundSystemStarted()) return -1;
  SoundLockHolder lock;
  SoundRecord* record = GetStreamRecord(handle);
  if (!record) return -1;
  if (byteOffset < 0 || byteOffset / BlockAlign(record) > record->totalSamples ||
      record->sourceCount >= 2) {
    return -1;
  }
  // A playing ring is stopped and primed again at the new place; left
  // unprimed it would repeat its last second for ever.
  const bool playing = IsStreamPlaying(handle, record);
  if (playing) StopStreamSound(handle);
  record->loopCounter = 0;
  record->loopBackPending = 0;
  record->currentSource = 0;
  record->primed = 0;
  record->playPosition = byteOffset;
  record->bytesRead = byteOffset;
  if (playing) {
    PrimeStreamSound(handle);
    SoundOutputBuffer* buffer = nullptr;
    if (AcquireStreamBuffer(handle, record, &buffer, 1) == 0) PlayOutputBuffer(buffer, 1);
  }
  return 0;
}
