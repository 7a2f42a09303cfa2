// Ogg Vorbis opening through the sound decoder (the other openers switched
// off), then a bounded read, a seek into the middle and a read from there.
#include <stdint.h>

#include "Ombrel.h"
#include "graphics/source_stream.h"
#include "sound/sound_decoder.h"
#include "sound/sound_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  SoundSystemState& state = GetSoundSystemState();
  state.decoderDisableMask = kDecoderMaskWavPcm | kDecoderMaskAcmWav | kDecoderMaskMp3 | kDecoderMaskFallback;
  state.convertedBytesPerSample = 2;
  MemoryStream* memory = OpenMemoryStream(data, static_cast<int>(size));
  if (memory == nullptr) return 0;
  const SourceStream stream = MakeSourceStream(GetMemoryStreamOps(), memory);
  SoundDecoder decoder{};
  if (OpenSoundDecoder(&stream, &decoder) == 0) {
    static uint8_t pcm[16384];
    WaveFormat format{};
    GetSoundDecoderFormat(&decoder, &format);
    const int total = GetSoundDecoderTotalBytes(&decoder);
    // At most 256 KiB of output, so that a long stream does not look like a hang.
    for (int i = 0; i < 16 && ReadSoundDecoder(&decoder, pcm, sizeof pcm) > 0; ++i) {
    }
    if (format.blockAlign > 0 && total > 0) SeekSoundDecoder(&decoder, total / format.blockAlign / 2);
    ReadSoundDecoder(&decoder, pcm, sizeof pcm);
    CloseSoundDecoder(&decoder);
  }
  CloseMemoryStream(memory);
  return 0;
}
