#include "sound/output_buffer.h"

#include <math.h>
#include <string.h>

#include "sound/sound_state.h"
#include "system/tracked_memory.h"

namespace {

constexpr int kFactorFull = 256;
constexpr int kSilentVolume = -10000;

bool IsSoftware(const SoundOutputBuffer* buffer) { return buffer->dsBuffer == nullptr; }

int SoftwareBlockAlign(const SoundOutputBuffer* buffer) {
  return buffer->format.blockAlign ? buffer->format.blockAlign : 1;
}

int SoftwareBytes(const SoundOutputBuffer* buffer) {
  return buffer->lengthSamples * SoftwareBlockAlign(buffer);
}

int MakeSoftwareBuffer(SoundOutputBuffer* buffer, int bytes, const WaveFormat* format) {
  if (bytes <= 0 || !format || format->blockAlign == 0) return -1;
  auto* samples = static_cast<uint8_t*>(TRACKED_ALLOC_ZEROED(static_cast<size_t>(bytes)));
  if (!samples) return -1;
  *buffer = SoundOutputBuffer{};
  buffer->samples = samples;
  buffer->volumeFactor = 255;
  buffer->frequencyHz = -1;
  buffer->format = *format;
  buffer->lengthSamples = bytes / format->blockAlign;
  buffer->valid = 1;
  return 0;
}

}  // namespace

int CreateOutputBuffer(SoundOutputBuffer* buffer, uint32_t flags, int bytes,
                       const WaveFormat* format) {
  if (buffer->valid) return -1;
  const SoundSystemState& state = GetSoundSystemState();
  if (state.softwareMixing) return MakeSoftwareBuffer(buffer, bytes, format);
  if (state.softwareLocation) flags = (flags & ~kStaticFlag) | kLocateInSoftwareFlag;
  IDirectSoundBuffer* device = nullptr;
  if (CreateDeviceBuffer(&device, flags, bytes, format) != 0) return -1;
  *buffer = SoundOutputBuffer{};
  buffer->dsBuffer = device;
  buffer->valid = 1;
  return 0;
}

int DuplicateOutputBuffer(SoundOutputBuffer* buffer, const SoundOutputBuffer* source) {
  if (buffer->valid || !source->valid) return -1;
  if (IsSoftware(source)) return MakeSoftwareBuffer(buffer, SoftwareBytes(source), &source->format);
  IDirectSoundBuffer* device = nullptr;
  if (DuplicateDeviceBuffer(&device, source->dsBuffer) != 0) return -1;
  *buffer = SoundOutputBuffer{};
  buffer->dsBuffer = device;
  buffer->valid = 1;
  return 0;
}

int ReleaseOutputBuffer(SoundOutputBuffer* buffer) {
  if (!buffer->valid) return -1;
  if (IsSoftware(buffer)) {
    FreeTrackedMemory(buffer->samples);
  } else {
    ReleaseDeviceBuffer(buffer->dsBuffer);
  }
  *buffer = SoundOutputBuffer{};
  return 0;
}

int PlayOutputBuffer(SoundOutputBuffer* buffer, int loop) {
  if (!buffer->valid) return -1;
  if (!IsSoftware(buffer)) return PlayDeviceBuffer(buffer->dsBuffer, loop);
  buffer->playing = 1;
  buffer->looping = loop != 0;
  return 0;
}

int StopOutputBuffer(SoundOutputBuffer* buffer) {
  if (!buffer->valid) return -1;
  if (IsSoftware(buffer)) {
    buffer->playing = 0;
  } else {
    StopDeviceBuffer(buffer->dsBuffer);
  }
  return 0;
}

int GetOutputBufferStatus(SoundOutputBuffer* buffer, uint32_t* status) {
  if (!buffer->valid) return -1;
  if (!IsSoftware(buffer)) return GetDeviceBufferStatus(buffer->dsBuffer, status);
  *status = buffer->playing ? kBufferStatusPlaying : 0;
  return 0;
}

int IsOutputBufferPlaying(SoundOutputBuffer* buffer) {
  uint32_t status = 0;
  if (GetOutputBufferStatus(buffer, &status) != 0) return -1;
  return (status & kBufferStatusPlaying) ? 1 : 0;
}

int LockOutputBuffer(int offset, SoundOutputBuffer* buffer, int size, void** first, int* firstBytes,
                     void** second, int* secondBytes) {
  if (!buffer->valid) return -1;
  if (!IsSoftware(buffer)) {
    return LockDeviceBuffer(buffer->dsBuffer, offset, size, first, firstBytes, second, secondBytes);
  }
  const int total = SoftwareBytes(buffer);
  if (offset < 0 || offset >= total || size < 0 || size > total) return -1;
  const int head = total - offset < size ? total - offset : size;
  *first = buffer->samples + offset;
  *firstBytes = head;
  *second = size > head ? buffer->samples : nullptr;
  *secondBytes = size - head;
  return 0;
}

int UnlockOutputBuffer(SoundOutputBuffer* buffer, void* first, int firstBytes, void* second,
                       int secondBytes) {
  if (!buffer->valid) return -1;
  if (IsSoftware(buffer)) return 0;
  return UnlockDeviceBuffer(buffer->dsBuffer, first, firstBytes, second, secondBytes);
}

int SetOutputBufferFrequency(SoundOutputBuffer* buffer, int hz) {
  if (!buffer->valid) return -1;
  if (IsSoftware(buffer)) {
    buffer->frequencyHz = hz == 0 ? -1 : hz;
  } else {
    SetDeviceBufferFrequency(buffer->dsBuffer, hz);
  }
  return 0;
}

int GetOutputBufferFrequency(SoundOutputBuffer* buffer, int* hz) {
  if (!buffer->valid) return -1;
  if (!IsSoftware(buffer)) return GetDeviceBufferFrequency(buffer->dsBuffer, hz);
  *hz = buffer->frequencyHz == -1 ? static_cast<int>(buffer->format.samplesPerSec)
                                  : buffer->frequencyHz;
  return 0;
}

int SetOutputBufferPan(SoundOutputBuffer* buffer, int pan) {
  if (!buffer->valid) return -1;
  if (IsSoftware(buffer)) {
    buffer->panFactor = pan * kFactorFull / 10000;
  } else {
    SetDeviceBufferPan(buffer->dsBuffer, pan);
  }
  return 0;
}

int GetOutputBufferPan(SoundOutputBuffer* buffer, int* pan) {
  if (!buffer->valid) return -1;
  if (!IsSoftware(buffer)) return GetDeviceBufferPan(buffer->dsBuffer, pan);
  *pan = buffer->panFactor * 10000 / kFactorFull;
  return 0;
}

int SetOutputBufferVolume(SoundOutputBuffer* buffer, int volume) {
  if (!buffer->valid) return -1;
  if (!IsSoftware(buffer)) {
    SetDeviceBufferVolume(buffer->dsBuffer, volume);
  } else if (volume <= kSilentVolume) {
    buffer->volumeFactor = 0;
  } else if (volume >= 0) {
    buffer->volumeFactor = kFactorFull;
  } else {
    buffer->volumeFactor =
        static_cast<int>(kFactorFull * pow(10.0, volume / 1000.0) / 0.9999999999);
  }
  return 0;
}

int GetOutputBufferVolume(SoundOutputBuffer* buffer, int* volume) {
  if (!buffer->valid) return -1;
  if (!IsSoftware(buffer)) {
    GetDeviceBufferVolume(buffer->dsBuffer, volume);
  } else if (buffer->volumeFactor <= 0) {
    *volume = kSilentVolume;
  } else {
    *volume = static_cast<int>(lround(1000.0 * log10(buffer->volumeFactor / 256.0)));
  }
  return 0;
}

int SetOutputBufferPosition(SoundOutputBuffer* buffer, int byteOffset) {
  if (!buffer->valid) return -1;
  if (IsSoftware(buffer)) {
    buffer->positionSamples = byteOffset / SoftwareBlockAlign(buffer);
  } else {
    SetDeviceBufferPosition(buffer->dsBuffer, byteOffset);
  }
  return 0;
}

int GetOutputBufferPlayCursor(SoundOutputBuffer* buffer, int* cursor) {
  if (!buffer->valid) return -1;
  if (!IsSoftware(buffer)) return GetDeviceBufferPlayCursor(buffer->dsBuffer, cursor);
  *cursor = buffer->positionSamples * SoftwareBlockAlign(buffer);
  return 0;
}
