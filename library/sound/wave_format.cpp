#include "sound/wave_format.h"

namespace {

// Eight channels of 32-bit samples at 192 kHz is far above anything a sound
// file of this library holds; anything beyond is a corrupt header.
constexpr uint32_t kMaxBytesPerSecond = 8 * 4 * 192000;
constexpr uint32_t kMaxSamplesPerSecond = 192000;

}  // namespace

WaveFormat MakePcmWaveFormat(int channels, int samplesPerSec, int bitsPerSample) {
  WaveFormat format = {};
  format.formatTag = kWaveFormatPcm;
  format.channels = static_cast<uint16_t>(channels);
  format.samplesPerSec = static_cast<uint32_t>(samplesPerSec);
  format.bitsPerSample = static_cast<uint16_t>(bitsPerSample);
  format.blockAlign = static_cast<uint16_t>(channels * bitsPerSample / 8);
  format.avgBytesPerSec = format.samplesPerSec * format.blockAlign;
  return format;
}

bool IsUsableWaveFormat(const WaveFormat& format) {
  return format.channels != 0 && format.blockAlign != 0 && format.samplesPerSec != 0 &&
         format.samplesPerSec <= kMaxSamplesPerSecond && format.avgBytesPerSec != 0 &&
         format.avgBytesPerSec <= kMaxBytesPerSecond;
}

WaveFormat MakePrimaryBufferFormat(bool stereo, bool sixteenBit, int maxSecondaryRate) {
  constexpr int kCdRate = 44100;
  return MakePcmWaveFormat(stereo ? 2 : 1, maxSecondaryRate >= kCdRate ? kCdRate : maxSecondaryRate,
                           sixteenBit ? 16 : 8);
}
