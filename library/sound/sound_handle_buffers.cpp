#include "sound/sound_handle_buffers.h"

#include "Ombrel.h"
#include "sound/sound_handles.h"
#include "sound/sound_platform.h"
#include "sound/stream_sound.h"

int StreamRingBytes(const WaveFormat& format) {
  return RoundUpToBlock(static_cast<int>(format.avgBytesPerSec), format.blockAlign);
}

int CreateSoundHandleBuffers(int sharedHandle, const WaveFormat* format, int bytes, int kind,
                             int count, int handle) {
  SoundRecord* record = GetSoundRecord(handle);
  if (!record) return -1;
  SoundRecord* shared = nullptr;
  if (sharedHandle != -1) {
    shared = GetSoundRecord(sharedHandle);
    if (!shared || kind != kSoundKindMemory) return -1;
    format = &shared->format;
    bytes = shared->pcmBytes;
  }
  if (kind == kSoundKindMemory) {
    if (count > kSoundBufferLimit) count = kSoundBufferLimit;
    int made = 0;
    for (int c = 0; c < count; ++c) {
      SoundOutputBuffer& buffer = record->buffers[c];
      // A shared sound whose first buffer is gone gives its format and size
      // only: buffer 0 is made fresh and the rest duplicate it.
      const bool fromShared = shared && shared->buffers[0].valid;
      const SoundOutputBuffer* source = fromShared ? &shared->buffers[0]
                                        : c > 0    ? &record->buffers[0]
                                                   : nullptr;
      if (source && DuplicateOutputBuffer(&buffer, source) == 0) {
        ++made;
        continue;
      }
      if (c > 0) break;
      if (CreateOutputBuffer(&buffer, kMemoryBufferFlags, bytes, format) != 0 &&
          CreateOutputBuffer(&buffer, kMemoryBufferRetryFlags, bytes, format) != 0) {
        return AppendLog("DirectSoundBuffer の作成に失敗しました\n");
      }
      ++made;
    }
    record->bufferCount = made;
  } else {
    if (CreateOutputBuffer(&record->buffers[0], kStreamBufferFlags, StreamRingBytes(*format),
                           format) != 0) {
      ExitSoundWithError("ストリーム風サウンドバッファの作成に失敗しました");
    }
    record->bufferCount = 1;
  }
  record->kind = kind;
  if (kind == kSoundKindStream) LinkStreamRecord(handle, record);
  return 0;
}
