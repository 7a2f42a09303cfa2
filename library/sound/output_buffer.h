// SoundOutputBuffer: the thin layer through which every sound reaches the
// device. A buffer wraps one DirectSound buffer, or, when the library-wide
// software-mixing switch was on at its creation, a block of plain memory with
// its own play state. Every operation returns 0 or -1 (play and the getters
// pass the device's result on) and refuses a buffer that is not valid.
#ifndef OMBREL_SOUND_OUTPUT_BUFFER_H
#define OMBREL_SOUND_OUTPUT_BUFFER_H

#include <stdint.h>

#include "sound/wave_format.h"

struct IDirectSoundBuffer;

struct SoundOutputBuffer {
  int valid;
  IDirectSoundBuffer* dsBuffer;
  uint8_t* samples;
  int playing;
  int positionSamples;
  int looping;
  int panFactor;     // -256..256
  int volumeFactor;  // 0..256
  int frequencyHz;   // -1 the data's own rate
  int lengthSamples;
  WaveFormat format;
};

// Creation flags: static, frequency, pan, volume, global focus; the retry
// drops frequency and global focus; a stream ring adds the exact play cursor.
constexpr uint32_t kMemoryBufferFlags = 0x80E2;
constexpr uint32_t kMemoryBufferRetryFlags = 0xC2;
constexpr uint32_t kStreamBufferFlags = 0x180E2;
// With the software-location option the static flag (0x2) becomes the
// software flag (0x8).
constexpr uint32_t kStaticFlag = 0x2;
constexpr uint32_t kLocateInSoftwareFlag = 0x8;

constexpr uint32_t kBufferStatusPlaying = 1;

int CreateOutputBuffer(SoundOutputBuffer* buffer, uint32_t flags, int bytes,
                       const WaveFormat* format);
int DuplicateOutputBuffer(SoundOutputBuffer* buffer, const SoundOutputBuffer* source);
int ReleaseOutputBuffer(SoundOutputBuffer* buffer);
int PlayOutputBuffer(SoundOutputBuffer* buffer, int loop);
int StopOutputBuffer(SoundOutputBuffer* buffer);
int GetOutputBufferStatus(SoundOutputBuffer* buffer, uint32_t* status);
int LockOutputBuffer(int offset, SoundOutputBuffer* buffer, int size, void** first, int* firstBytes,
                     void** second, int* secondBytes);
int UnlockOutputBuffer(SoundOutputBuffer* buffer, void* first, int firstBytes, void* second,
                       int secondBytes);
int SetOutputBufferFrequency(SoundOutputBuffer* buffer, int hz);
int GetOutputBufferFrequency(SoundOutputBuffer* buffer, int* hz);
int SetOutputBufferPan(SoundOutputBuffer* buffer, int pan);
int GetOutputBufferPan(SoundOutputBuffer* buffer, int* pan);
int SetOutputBufferVolume(SoundOutputBuffer* buffer, int volume);
int GetOutputBufferVolume(SoundOutputBuffer* buffer, int* volume);
int SetOutputBufferPosition(SoundOutputBuffer* buffer, int byteOffset);
// The play cursor in bytes.
int GetOutputBufferPlayCursor(SoundOutputBuffer* buffer, int* cursor);
// 1 while the buffer plays, 0 when it does not, -1 when its status cannot be read.
int IsOutputBufferPlaying(SoundOutputBuffer* buffer);

// The device branch, called by the functions above for buffers that wrap a
// DirectSound buffer.
int CreateDeviceBuffer(IDirectSoundBuffer** out, uint32_t flags, int bytes,
                       const WaveFormat* format);
int DuplicateDeviceBuffer(IDirectSoundBuffer** out, IDirectSoundBuffer* source);
void ReleaseDeviceBuffer(IDirectSoundBuffer* buffer);
int PlayDeviceBuffer(IDirectSoundBuffer* buffer, int loop);
void StopDeviceBuffer(IDirectSoundBuffer* buffer);
int GetDeviceBufferStatus(IDirectSoundBuffer* buffer, uint32_t* status);
int LockDeviceBuffer(IDirectSoundBuffer* buffer, int offset, int size, void** first,
                     int* firstBytes, void** second, int* secondBytes);
int UnlockDeviceBuffer(IDirectSoundBuffer* buffer, void* first, int firstBytes, void* second,
                       int secondBytes);
void SetDeviceBufferFrequency(IDirectSoundBuffer* buffer, int hz);
int GetDeviceBufferFrequency(IDirectSoundBuffer* buffer, int* hz);
void SetDeviceBufferPan(IDirectSoundBuffer* buffer, int pan);
int GetDeviceBufferPan(IDirectSoundBuffer* buffer, int* pan);
void SetDeviceBufferVolume(IDirectSoundBuffer* buffer, int volume);
void GetDeviceBufferVolume(IDirectSoundBuffer* buffer, int* volume);
void SetDeviceBufferPosition(IDirectSoundBuffer* buffer, int byteOffset);
int GetDeviceBufferPlayCursor(IDirectSoundBuffer* buffer, int* cursor);

#endif
