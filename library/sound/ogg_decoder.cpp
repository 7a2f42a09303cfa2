// Ogg Vorbis through libvorbisfile, reading the decoder's SourceStream.
#include <limits.h>

#include <vorbis/vorbisfile.h>

#include "sound/decoder_kinds.h"
#include "sound/sound_state.h"
#include "system/tracked_memory.h"

namespace {

constexpr int kOggBlockBytes = 4096;
// A run of holes this long is corrupt data, not a gap to step over.
constexpr int kHoleLimit = 64;

SourceStream& StreamOf(void* source) { return *static_cast<SourceStream*>(source); }

size_t ReadCallback(void* buffer, size_t size, size_t count, void* source) {
  SourceStream& stream = StreamOf(source);
  const int got = stream.read(buffer, size, count, stream.data);
  return got < 0 ? 0 : static_cast<size_t>(got);
}

int SeekCallback(void* source, ogg_int64_t offset, int whence) {
  SourceStream& stream = StreamOf(source);
  if (offset > INT_MAX || offset < INT_MIN) return -1;
  return stream.seek(stream.data, static_cast<int>(offset), whence);
}

// The sound owns its stream and closes it itself; the decoder only reads.
int CloseCallback(void*) { return 0; }

long TellCallback(void* source) {
  SourceStream& stream = StreamOf(source);
  return stream.tell(stream.data);
}

const ov_callbacks kCallbacks = {ReadCallback, SeekCallback, CloseCallback, TellCallback};

}  // namespace

int OpenOggDecoder(SoundDecoder* decoder) {
  auto* file = static_cast<OggVorbis_File*>(TRACKED_ALLOC_ZEROED(sizeof(OggVorbis_File)));
  if (!file) return -1;
  // One libvorbisfile serves sound files and movie sound tracks alike, so
  // useOldVorbisFile changes nothing here.
  if (ov_open_callbacks(&decoder->stream, file, nullptr, 0, kCallbacks) != 0) {
    FreeTrackedMemory(file);
    return -1;
  }
  decoder->ogg.file = file;
  decoder->ogg.open = 1;
  const int configured = GetSoundSystemState().convertedBytesPerSample;
  decoder->ogg.bytesPerSample = configured == 1 ? 1 : 2;
  const vorbis_info* info = ov_info(file, -1);
  const ogg_int64_t samples = ov_pcm_total(file, -1);
  if (!info || info->channels <= 0 || info->channels > 255 || info->rate <= 0 || samples < 0) {
    CloseOggDecoderState(decoder);
    return -1;
  }
  const WaveFormat format = MakePcmWaveFormat(info->channels, static_cast<int>(info->rate),
                                              decoder->ogg.bytesPerSample * 8);
  const int64_t totalBytes = samples * format.blockAlign;
  if (!IsUsableWaveFormat(format) || totalBytes > INT_MAX) {
    CloseOggDecoderState(decoder);
    return -1;
  }
  decoder->outFormat = format;
  decoder->blockBytes = kOggBlockBytes;
  decoder->dataBytes = static_cast<int>(totalBytes);
  decoder->kind = kDecoderOgg;
  return 0;
}

int DecodeOggBlock(SoundDecoder* decoder) {
  const int sampleBytes = decoder->ogg.bytesPerSample;
  for (int holes = 0; holes < kHoleLimit; ++holes) {
    int bitstream = 0;
    const long got =
        ov_read(decoder->ogg.file, reinterpret_cast<char*>(decoder->block), decoder->blockBytes, 0,
                sampleBytes, sampleBytes == 1 ? 0 : 1, &bitstream);
    if (got == OV_HOLE) continue;
    // End of data, or a bad link that cannot be read past.
    if (got <= 0) return -1;
    decoder->blockLeft = static_cast<int>(got > decoder->blockBytes ? decoder->blockBytes : got);
    return 0;
  }
  return -1;
}

void SeekOggDecoder(SoundDecoder* decoder, int sample) {
  ov_pcm_seek(decoder->ogg.file, sample);
  decoder->blockLeft = 0;
  decoder->blockReadOffset = 0;
  decoder->outPos = sample * decoder->outFormat.blockAlign;
}

void CloseOggDecoderState(SoundDecoder* decoder) {
  if (decoder->ogg.open) ov_clear(decoder->ogg.file);
  FreeTrackedMemory(decoder->ogg.file);
  decoder->ogg = OggDecoderState{};
}
