#include "sound/sound_capture.h"

#include <windows.h>

#include <string.h>

#include "sound/sound_state.h"

int FinishCaptureWaveFile() {
  SoundSystemState& state = GetSoundSystemState();
  if (!state.capturing) return -1;
  const uint32_t dataBytes = 4u * static_cast<uint32_t>(state.captureSamples);
  uint8_t header[46];
  auto put32 = [&header](int at, uint32_t value) {
    for (int i = 0; i < 4; ++i) header[at + i] = static_cast<uint8_t>(value >> (8 * i));
  };
  auto put16 = [&header](int at, uint16_t value) {
    header[at] = static_cast<uint8_t>(value);
    header[at + 1] = static_cast<uint8_t>(value >> 8);
  };
  memcpy(header, "RIFF", 4);
  put32(4, 38 + dataBytes);
  memcpy(header + 8, "WAVEfmt ", 8);
  put32(16, 18);
  put16(20, 1);
  put16(22, 2);
  put32(24, 44100);
  put32(28, 176400);
  put16(32, 4);
  put16(34, 16);
  put16(36, 0);
  memcpy(header + 38, "data", 4);
  put32(42, dataBytes);
  HANDLE file = static_cast<HANDLE>(state.captureFile);
  DWORD written = 0;
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  WriteFile(file, header, sizeof header, &written, nullptr);
  CloseHandle(file);
  state.captureFile = nullptr;
  state.capturing = 0;
  return 0;
}
