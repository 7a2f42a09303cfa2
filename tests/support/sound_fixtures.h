// Sound files that sound tests build for themselves, and the sound system
// started for the length of a test.
#ifndef OMBREL_TESTS_SUPPORT_SOUND_FIXTURES_H
#define OMBREL_TESTS_SUPPORT_SOUND_FIXTURES_H

#include <stdint.h>

#include <string>
#include <vector>

#include "sound/wave_format.h"

using SoundBytes = std::vector<uint8_t>;

// An extra chunk placed before "fmt " or between "fmt " and "data".
struct WaveChunk {
  std::string id;
  SoundBytes data;
};

// A RIFF/WAVE image of the format record (formatBytes of it, 16 for the short
// PCM form) and the data; extra chunks and an odd data size are padded.
SoundBytes MakeWaveImage(const WaveFormat& format, const SoundBytes& data, int formatBytes = 18,
                         const std::vector<WaveChunk>& before = {},
                         const std::vector<WaveChunk>& between = {});
SoundBytes MakePcmWave(int channels, int rate, int bits, const SoundBytes& pcm);

// Interleaved 16-bit samples of a sine tone, or a counting pattern whose
// every block differs (for checking positions byte by byte).
SoundBytes ToneSamples16(int rate, int channels, int frames, double hz, double amplitude = 12000);
SoundBytes PatternBytes(int size, uint32_t seed);

// A mono IMA ADPCM WAV of the 16-bit samples in blocks of blockAlign bytes.
SoundBytes EncodeImaAdpcmWave(const SoundBytes& monoSamples16, int rate, int blockAlign);
constexpr int ImaSamplesPerBlock(int blockAlign) { return (blockAlign - 4) * 2 + 1; }

// An Ogg Vorbis file of the interleaved 16-bit samples.
SoundBytes EncodeOggVorbis(const SoundBytes& samples16, int rate, int channels);

// The committed MP3 fixture: one second of a 440 Hz tone, 44100 Hz stereo,
// 128 kbit/s, with an ID3v2 tag in front and a 128-byte "TAG" at the end.
// Read from the tests folder (TEST_SOURCE_DIR).
SoundBytes ReadMp3Fixture(const std::string& testSourceDir);

// Tracked-memory blocks and bytes, to show that a path freed all it made.
struct MemoryTotals {
  int blocks;
  int bytes;
  bool operator==(const MemoryTotals&) const = default;
};
MemoryTotals CurrentMemoryTotals();

struct SoundSystemOptions {
  int processorCount = 1;       // 1: no sound thread, refills are run by hand
  bool softwareBuffers = true;  // plain-memory buffers whose cursor the test moves
};

// Binds COM as the library's start-up would, starts the sound system and
// shuts it down at the end of the scope.
class SoundSystemScope {
 public:
  explicit SoundSystemScope(const SoundSystemOptions& options = {});
  ~SoundSystemScope();
  SoundSystemScope(const SoundSystemScope&) = delete;
  SoundSystemScope& operator=(const SoundSystemScope&) = delete;
  int result() const { return result_; }

 private:
  int result_;
  int savedProcessorCount_;
};

// Binds COM's functions into the library's table and initialises COM.
void BindComForSound();

#endif
