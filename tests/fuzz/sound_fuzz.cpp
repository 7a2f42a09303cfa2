// The platform-free parts of sound file reading: the RIFF/WAVE chunk walk and
// format chunk, and the MPEG audio frame scan.
#include <stdint.h>

#include "Ombrel.h"
#include "graphics/source_stream.h"
#include "sound/decoder_kinds.h"
#include "sound/mpeg_audio.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  MemoryStream* memory = OpenMemoryStream(data, static_cast<int>(size));
  if (memory == nullptr) return 0;
  const SourceStream stream = MakeSourceStream(GetMemoryStreamOps(), memory);
  WaveChunks chunks{};
  if (FindWaveChunks(stream, &chunks) == 0) {
    WaveFormat format{};
    ReadWaveFormatChunk(stream, chunks, &format);
  }
  CloseMemoryStream(memory);
  MpegAudioScan scan{};
  ScanMpegAudioImage(data, static_cast<int>(size), &scan);
  return 0;
}
