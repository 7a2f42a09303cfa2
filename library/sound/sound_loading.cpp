#include "sound/sound_loading.h"

#include <limits.h>
#include <string.h>

#include "Ombrel.h"
#include "sound/sound_handle_buffers.h"
#include "sound/sound_handles.h"
#include "sound/sound_state.h"
#include "sound/stream_sound.h"
#include "system/tracked_memory.h"

namespace {

constexpr int kWaveHeaderBytes = 28;

void PutLe32(uint8_t* out, uint32_t value) {
  out[0] = static_cast<uint8_t>(value);
  out[1] = static_cast<uint8_t>(value >> 8);
  out[2] = static_cast<uint8_t>(value >> 16);
  out[3] = static_cast<uint8_t>(value >> 24);
}

// Reads size bytes from the stream's start into a new block.
int ReadWholeStream(const SourceStream& stream, int size, void** block) {
  auto* data = static_cast<uint8_t*>(TRACKED_ALLOC(size > 0 ? static_cast<size_t>(size) : 1));
  if (!data) return -1;
  if (!SeekSource(stream, 0, 0) || !ReadSourceBytes(stream, data, static_cast<size_t>(size))) {
    FreeTrackedMemory(data);
    return -2;
  }
  *block = data;
  return 0;
}

int StreamSize(const SourceStream& stream, int* size) {
  if (!SeekSource(stream, 0, 0)) return -1;
  return CountSourceBytesLeft(stream, size) ? 0 : -1;
}

// A stream sound of the given create type from a memory image.
int AddImageStream(int handle, const void* image, int size, int createType, int sharedHandle) {
  if (AddStreamSoundMemory(image, size, 0, handle, createType, sharedHandle) != 0) return -1;
  PrimeStreamSound(handle);
  return handle;
}

// Copies the PCM into every buffer of a new memory sound.
int FillMemoryBuffers(SoundRecord* record) {
  for (int i = 0; i < record->bufferCount; ++i) {
    SoundOutputBuffer* buffer = &record->buffers[i];
    void* first = nullptr;
    void* second = nullptr;
    int firstBytes = 0;
    int secondBytes = 0;
    if (LockOutputBuffer(0, buffer, record->pcmBytes, &first, &firstBytes, &second, &secondBytes) !=
        0) {
      return AppendLog("サウンドデータの転送に失敗しました_1");
    }
    const int head = firstBytes < record->pcmBytes ? firstBytes : record->pcmBytes;
    memcpy(first, record->pcm, static_cast<size_t>(head));
    const int rest = record->pcmBytes - head < secondBytes ? record->pcmBytes - head : secondBytes;
    if (second && rest > 0) memcpy(second, record->pcm + head, static_cast<size_t>(rest));
    if (UnlockOutputBuffer(buffer, first, firstBytes, second, secondBytes) != 0) {
      return AppendLog("サウンドデータの転送に失敗しました_2");
    }
  }
  return 0;
}

// Decodes an image into a memory sound in the handle's record; 1 when the
// sound is too long for memory or its buffers cannot be made, so it is to
// be streamed instead.
int MakeMemorySound(int handle, const void* image, int size, int count) {
  MemoryStream* memory = OpenMemoryStream(image, size);
  if (!memory) return AppendLog("音声ファイルのＰＣＭへの変換に失敗しました");
  const SourceStream stream = MakeSourceStream(GetMemoryStreamOps(), memory);
  SoundDecoder decoder = {};
  if (OpenSoundDecoder(&stream, &decoder) != 0) {
    CloseMemoryStream(memory);
    return AppendLog("音声ファイルのＰＣＭへの変換に失敗しました");
  }
  WaveFormat format = {};
  void* pcm = nullptr;
  int pcmBytes = 0;
  const int decoded = DecodeSoundToMemory(&decoder, &format, &pcm, &pcmBytes);
  CloseSoundDecoder(&decoder);
  CloseMemoryStream(memory);
  if (decoded != 0) return AppendLog("音声ファイルを格納するメモリ領域の確保に失敗しました");
  if (static_cast<unsigned>(pcmBytes) / format.avgBytesPerSec > kLongestMemorySoundSeconds ||
      CreateSoundHandleBuffers(-1, &format, pcmBytes, kSoundKindMemory, count, handle) != 0) {
    FreeTrackedMemory(pcm);
    return 1;
  }
  SoundRecord* record = GetSoundRecord(handle);
  record->frequency = static_cast<int>(format.samplesPerSec);
  record->pcmRefCount = static_cast<int*>(TRACKED_ALLOC(sizeof(int)));
  if (!record->pcmRefCount) {
    FreeTrackedMemory(pcm);
    return AppendLog("サウンドデータの参照数を保存するメモリ領域の確保に失敗しました");
  }
  *record->pcmRefCount = 1;
  record->format = format;
  record->pcmBytes = pcmBytes;
  record->pcm = static_cast<uint8_t*>(pcm);
  return FillMemoryBuffers(record);
}

}  // namespace

int LoadFileToMemory(const char* path, void** block, int* size) {
  const StreamHandle file = OpenStream(path, 0, 1, 0);
  if (!file) return AppendLogFormat("右記のファイルのオープンに失敗しました：%s", path);
  const SourceStream stream = MakeSourceStream(GetFileStreamOps(), reinterpret_cast<void*>(file));
  int bytes = 0;
  int result = StreamSize(stream, &bytes) == 0 ? ReadWholeStream(stream, bytes, block) : -2;
  CloseStream(file);
  if (result == -1) {
    return AppendLogFormat("右記のファイルのロードに必要なメモリの確保に失敗しました：%s", path);
  }
  if (result != 0) return -1;
  *size = bytes;
  return 0;
}

int LoadStreamToMemory(const SourceStream* stream, void** block, int* size) {
  int bytes = 0;
  if (StreamSize(*stream, &bytes) != 0) return -1;
  const int result = ReadWholeStream(*stream, bytes, block);
  if (result == -1) return AppendLog("ストリームの読み込みに必要なメモリの確保に失敗しました");
  if (result != 0) return -1;
  *size = bytes;
  return 0;
}

int BuildWaveFileImage(void** image, int* imageBytes, const void* format, int formatBytes,
                       const void* pcm, int pcmBytes) {
  if (formatBytes < 0 || pcmBytes < 0 ||
      int64_t{kWaveHeaderBytes} + formatBytes + pcmBytes > INT_MAX) {
    return -1;
  }
  const int total = kWaveHeaderBytes + formatBytes + pcmBytes;
  auto* out = static_cast<uint8_t*>(TRACKED_ALLOC(static_cast<size_t>(total)));
  if (!out) return AppendLog("仮WAVEファイルイメージ用のメモリ確保に失敗しました\n");
  memcpy(out, "RIFF", 4);
  PutLe32(out + 4, static_cast<uint32_t>(total - 8));
  memcpy(out + 8, "WAVEfmt ", 8);
  PutLe32(out + 16, static_cast<uint32_t>(formatBytes));
  memcpy(out + 20, format, static_cast<size_t>(formatBytes));
  memcpy(out + 20 + formatBytes, "data", 4);
  PutLe32(out + 24 + formatBytes, static_cast<uint32_t>(pcmBytes));
  if (pcmBytes > 0) memcpy(out + 28 + formatBytes, pcm, static_cast<size_t>(pcmBytes));
  *image = out;
  *imageBytes = total;
  return 0;
}

int CreateSoundHandleFromMemory(const void* image, int size, int bufferCount, int sharedHandle) {
  if (!IsSoundSystemStarted() || bufferCount > kSoundBufferLimit || !image || size <= 0) return -1;
  if (bufferCount < 1) bufferCount = 1;
  SoundLockHolder lock;
  SoundSystemState& state = GetSoundSystemState();
  const int handle = AddSoundData(-1);
  if (handle == -1) return -1;
  if (state.createType != kSoundCreateMemory) {
    if (AddImageStream(handle, image, size, state.createType, sharedHandle) == -1) {
      DeleteSoundHandle(handle, 0);
      return -1;
    }
    return handle;
  }
  const int made = MakeMemorySound(handle, image, size, bufferCount);
  if (made == 0) return handle;
  if (made < 0) {
    DeleteSoundHandle(handle, 0);
    return -1;
  }
  // Too long for memory: streamed from a copy of the compressed image, under
  // a create type that holds for this sound only.
  const int savedType = state.createType;
  state.createType = kSoundCreateStreamImage;
  const int result = AddImageStream(handle, image, size, kSoundCreateStreamImage, sharedHandle);
  state.createType = savedType;
  if (result == -1) {
    DeleteSoundHandle(handle, 0);
    return -1;
  }
  return handle;
}

int CreateSoundHandleFromFile(const char* path, int bufferCount, int sharedHandle) {
  if (!IsSoundSystemStarted() || !path) return -1;
  SoundLockHolder lock;
  const int createType = GetSoundSystemState().createType;
  if (createType != kSoundCreateMemory) {
    const int handle = AddSoundData(-1);
    if (handle == -1) return -1;
    if (AddStreamSoundFile(path, 0, handle, createType, sharedHandle) != 0) {
      DeleteSoundHandle(handle, 0);
      return -1;
    }
    PrimeStreamSound(handle);
    return handle;
  }
  void* image = nullptr;
  int size = 0;
  if (LoadFileToMemory(path, &image, &size) != 0) {
    return AppendLogFormat("右記の音声ファイルのロードに失敗しました_1：%s", path);
  }
  const int handle = CreateSoundHandleFromMemory(
      image, size, bufferCount < kSoundBufferLimit ? bufferCount : kSoundBufferLimit, -1);
  FreeTrackedMemory(image);
  if (handle == -1) return AppendLogFormat("右記の音声ファイルのロードに失敗しました_2：%s", path);
  return handle;
}

int LoadSoundFileToHandle(const char* path, int bufferCount, int sharedHandle) {
  return CreateSoundHandleFromFile(path, bufferCount, sharedHandle);
}

int ConvertSoundHandleToStream(int handle) {
  if (!IsSoundSystemStarted()) return -1;
  SoundLockHolder lock;
  SoundRecord* record = GetSoundRecord(handle);
  if (!record) return -1;
  if (record->kind == kSoundKindStream) return 0;
  void* image = nullptr;
  int imageBytes = 0;
  if (BuildWaveFileImage(&image, &imageBytes, &record->format, sizeof record->format, record->pcm,
                         record->pcmBytes) != 0) {
    return -1;
  }
  const int volume = GetSoundHandleVolume(handle);
  const int position = GetSoundHandlePosition(handle);
  const int frequency = GetSoundHandleFrequency(handle);
  const int pan = GetSoundHandlePan(handle);
  StopSoundHandle(handle);
  DeleteSoundHandle(handle, 0);
  AddSoundData(handle);
  MemoryStream* memory = OpenMemoryStream(image, imageBytes);
  int keeps = 1;
  const SourceStream stream = MakeSourceStream(GetMemoryStreamOps(), memory);
  const int added =
      memory ? AddSreamSound(&stream, 0, handle, kSourceDecodedImage, &keeps, -1) : -1;
  if (memory) CloseMemoryStream(memory);
  FreeTrackedMemory(image);
  if (added != 0) return AppendLog("ストリームサウンドハンドルの作成に失敗しました\n");
  SetSoundHandleVolume(volume, handle);
  SetStreamSoundPosition(position, handle);
  SetSoundHandleFrequency(frequency, handle);
  SetSoundHandlePan(pan, handle);
  return 0;
}

int SetSoundLoopPositionSamples(int sample, int handle) {
  if (!IsSoundSystemStarted()) return -1;
  SoundLockHolder lock;
  SoundRecord* record = GetSoundRecord(handle);
  if (!record || sample < -1) return -1;
  if (sample != -1 && sample >= GetSoundTotalSamples(handle)) return -1;
  if (sample == -1) {
    record->sources[0].loopStartSample = 0;
    record->sources[0].loopCount = 0;
    return 0;
  }
  if (record->kind == kSoundKindMemory) {
    if (ConvertSoundHandleToStream(handle) != 0) return -1;
    record = GetSoundRecord(handle);
    if (!record) return -1;
  }
  if (record->sourceCount > 1) {
    return AppendLog(
        "二つ以上の音声ファイルから作成されたサウンドハンドルにループポイントを指定する事は出来ませ"
        "ん\n");
  }
  StreamSoundSource& source = record->sources[0];
  source.loopStartSample = sample;
  source.decoder.loopStartBytes =
      sample * (record->format.blockAlign ? record->format.blockAlign : 1);
  source.loopCount = -1;
  return 0;
}

int SetSoundLoopPositionMs(int ms, int handle) {
  SoundRecord* record = GetSoundRecord(handle);
  if (!record) return -1;
  const int sample =
      ms == -1 ? -1 : ConvertMsToSamples(static_cast<int>(record->format.samplesPerSec), ms);
  SetSoundLoopPositionSamples(sample, handle);
  return 0;
}
