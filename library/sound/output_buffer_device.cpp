// The DirectSound side of the output buffers.
#include <windows.h>
#include <dsound.h>

#include "sound/output_buffer.h"
#include "sound/sound_state.h"

int CreateDeviceBuffer(IDirectSoundBuffer** out, uint32_t flags, int bytes,
                       const WaveFormat* format) {
  IDirectSound* sound = GetSoundSystemState().directSound;
  if (!sound || bytes <= 0) return -1;
  WAVEFORMATEX waveFormat;
  memcpy(&waveFormat, format, sizeof waveFormat);
  DSBUFFERDESC desc = {};
  desc.dwSize = sizeof desc;
  desc.dwFlags = flags;
  desc.dwBufferBytes = static_cast<DWORD>(bytes);
  desc.lpwfxFormat = &waveFormat;
  return SUCCEEDED(sound->CreateSoundBuffer(&desc, out, nullptr)) && *out ? 0 : -1;
}

int DuplicateDeviceBuffer(IDirectSoundBuffer** out, IDirectSoundBuffer* source) {
  IDirectSound* sound = GetSoundSystemState().directSound;
  if (!sound) return -1;
  return SUCCEEDED(sound->DuplicateSoundBuffer(source, out)) && *out ? 0 : -1;
}

void ReleaseDeviceBuffer(IDirectSoundBuffer* buffer) { buffer->Release(); }

int PlayDeviceBuffer(IDirectSoundBuffer* buffer, int loop) {
  return buffer->Play(0, 0, loop ? DSBPLAY_LOOPING : 0);
}

void StopDeviceBuffer(IDirectSoundBuffer* buffer) { buffer->Stop(); }

int GetDeviceBufferStatus(IDirectSoundBuffer* buffer, uint32_t* status) {
  DWORD value = 0;
  if (FAILED(buffer->GetStatus(&value))) return -1;
  *status = value;
  return 0;
}

int LockDeviceBuffer(IDirectSoundBuffer* buffer, int offset, int size, void** first,
                     int* firstBytes, void** second, int* secondBytes) {
  DWORD bytes1 = 0;
  DWORD bytes2 = 0;
  *first = nullptr;
  *second = nullptr;
  if (FAILED(buffer->Lock(static_cast<DWORD>(offset), static_cast<DWORD>(size), first, &bytes1,
                          second, &bytes2, 0))) {
    return -1;
  }
  *firstBytes = static_cast<int>(bytes1);
  *secondBytes = static_cast<int>(bytes2);
  return 0;
}

int UnlockDeviceBuffer(IDirectSoundBuffer* buffer, void* first, int firstBytes, void* second,
                       int secondBytes) {
  return SUCCEEDED(buffer->Unlock(first, static_cast<DWORD>(firstBytes), second,
                                  static_cast<DWORD>(secondBytes)))
             ? 0
             : -1;
}

void SetDeviceBufferFrequency(IDirectSoundBuffer* buffer, int hz) {
  buffer->SetFrequency(static_cast<DWORD>(hz));
}

int GetDeviceBufferFrequency(IDirectSoundBuffer* buffer, int* hz) {
  DWORD value = 0;
  const HRESULT result = buffer->GetFrequency(&value);
  *hz = static_cast<int>(value);
  return result;
}

void SetDeviceBufferPan(IDirectSoundBuffer* buffer, int pan) { buffer->SetPan(pan); }

int GetDeviceBufferPan(IDirectSoundBuffer* buffer, int* pan) {
  LONG value = 0;
  const HRESULT result = buffer->GetPan(&value);
  *pan = static_cast<int>(value);
  return result;
}

void SetDeviceBufferVolume(IDirectSoundBuffer* buffer, int volume) { buffer->SetVolume(volume); }

void GetDeviceBufferVolume(IDirectSoundBuffer* buffer, int* volume) {
  LONG value = 0;
  buffer->GetVolume(&value);
  *volume = static_cast<int>(value);
}

void SetDeviceBufferPosition(IDirectSoundBuffer* buffer, int byteOffset) {
  buffer->SetCurrentPosition(static_cast<DWORD>(byteOffset));
}

int GetDeviceBufferPlayCursor(IDirectSoundBuffer* buffer, int* cursor) {
  DWORD play = 0;
  if (FAILED(buffer->GetCurrentPosition(&play, nullptr))) return -1;
  *cursor = static_cast<int>(play);
  return 0;
}
