// The PCM description every sound carries: the 18-byte WAVEFORMATEX layout,
// kept free of the Windows headers so decoders build anywhere.
#ifndef OMBREL_SOUND_WAVE_FORMAT_H
#define OMBREL_SOUND_WAVE_FORMAT_H

#include <stdint.h>

#pragma pack(push, 2)
struct WaveFormat {
  uint16_t formatTag;  // 1 PCM
  uint16_t channels;
  uint32_t samplesPerSec;
  uint32_t avgBytesPerSec;
  uint16_t blockAlign;
  uint16_t bitsPerSample;
  uint16_t extraSize;
};
#pragma pack(pop)
static_assert(sizeof(WaveFormat) == 18, "the format record has the WAVEFORMATEX layout");

constexpr uint16_t kWaveFormatPcm = 1;
constexpr uint16_t kWaveFormatImaAdpcm = 0x11;
constexpr uint16_t kWaveFormatMpegLayer3 = 85;

// A PCM format with the derived fields filled in.
WaveFormat MakePcmWaveFormat(int channels, int samplesPerSec, int bitsPerSample);

// Rates and sizes a decoder or a buffer may be built on: every field that is
// divided by or sizes a one-second block is non-zero and bounded, so a
// malformed header cannot cause a division by zero or a huge allocation.
bool IsUsableWaveFormat(const WaveFormat& format);

// The primary buffer's format from the device's capabilities: stereo and
// 16-bit when the device has them, its highest secondary rate but never
// above 44100 Hz.
WaveFormat MakePrimaryBufferFormat(bool stereo, bool sixteenBit, int maxSecondaryRate);

// Rounds bytes down, or up, to a whole number of blocks.
inline int RoundDownToBlock(int bytes, int blockAlign) { return bytes / blockAlign * blockAlign; }
inline int RoundUpToBlock(int bytes, int blockAlign) {
  return (bytes + blockAlign - 1) / blockAlign * blockAlign;
}

#endif
