#include "sound/sound_decoder.h"

#include <limits.h>
#include <string.h>

#include "sound/decoder_kinds.h"
#include "sound/sound_state.h"
#include "system/tracked_memory.h"

namespace {

// Seeks closer than this to the current position are ignored: they cannot
// be heard, and a compressed stream would have to convert to get there.
constexpr int kSeekTolerance = 16;

struct Opener {
  int maskBit;
  int (*open)(SoundDecoder* decoder);
};

int OpenWithFallback(SoundDecoder* decoder) {
  const SoundDecoderOpener opener = GetSoundSystemState().fallbackOpener;
  return opener ? opener(decoder) : -1;
}

constexpr Opener kOpeners[] = {
    {kDecoderMaskWavPcm, OpenWavPcmDecoder},  {kDecoderMaskAcmWav, OpenAcmWavDecoder},
    {kDecoderMaskOgg, OpenOggDecoder},        {kDecoderMaskMp3, OpenMp3Decoder},
    {kDecoderMaskFallback, OpenWithFallback},
};

void FreeKindState(SoundDecoder* decoder) {
  switch (decoder->kind) {
    case kDecoderAcm:
      CloseAcmDecoderState(decoder);
      break;
    case kDecoderOgg:
      CloseOggDecoderState(decoder);
      break;
    case kDecoderMemoryPcm:
      FreeTrackedMemory(decoder->memory.pcm);
      decoder->memory = MemoryPcmState{};
      break;
    default:
      break;
  }
}

int DecodeMemoryPcmBlock(SoundDecoder* decoder) {
  MemoryPcmState& memory = decoder->memory;
  const int left = memory.pcmBytes - memory.readPosition;
  if (left <= 0) return -1;
  const int take = left < decoder->blockBytes ? left : decoder->blockBytes;
  memcpy(decoder->block, memory.pcm + memory.readPosition, static_cast<size_t>(take));
  memory.readPosition += take;
  decoder->blockLeft = take;
  return 0;
}

int DecodeNextBlock(SoundDecoder* decoder) {
  switch (decoder->kind) {
    case kDecoderWavPcm:
      return DecodeWavPcmBlock(decoder);
    case kDecoderAcm:
      return DecodeAcmBlock(decoder);
    case kDecoderOgg:
      return DecodeOggBlock(decoder);
    default:
      return DecodeMemoryPcmBlock(decoder);
  }
}

}  // namespace

int SetSoundDecoderFallbackOpener(SoundDecoderOpener opener) {
  GetSoundSystemState().fallbackOpener = opener;
  return 0;
}

int OpenSoundDecoder(const SourceStream* stream, SoundDecoder* decoder) {
  const SoundSystemState& state = GetSoundSystemState();
  SoundDecoder base = {};
  base.useOldVorbisFile = state.movieAudio;
  base.stream = *stream;
  base.loopStartBytes = 0;
  bool opened = false;
  for (const Opener& opener : kOpeners) {
    if (state.decoderDisableMask & opener.maskBit) continue;
    *decoder = base;
    SeekSource(base.stream, 0, 0);
    if (opener.open(decoder) == 0) {
      opened = true;
      break;
    }
  }
  if (!opened) {
    *decoder = SoundDecoder{};
    return -1;
  }
  decoder->block = static_cast<uint8_t*>(TRACKED_ALLOC(static_cast<size_t>(decoder->blockBytes)));
  if (!decoder->block) {
    FreeKindState(decoder);
    *decoder = SoundDecoder{};
    return -1;
  }
  decoder->blockLeft = 0;
  decoder->blockReadOffset = 0;
  decoder->outPos = 0;
  decoder->valid = 1;
  return 0;
}

int ReadSoundDecoder(SoundDecoder* decoder, void* buffer, int n) {
  if (!decoder->valid) return -1;
  if (decoder->endOfData || n <= 0) return 0;
  auto* out = static_cast<uint8_t*>(buffer);
  int copied = 0;
  while (copied < n) {
    if (decoder->blockLeft == 0) {
      decoder->blockReadOffset = 0;
      if (DecodeNextBlock(decoder) != 0) {
        decoder->endOfData = 1;
        break;
      }
    }
    const int take = decoder->blockLeft < n - copied ? decoder->blockLeft : n - copied;
    memcpy(out + copied, decoder->block + decoder->blockReadOffset, static_cast<size_t>(take));
    decoder->blockReadOffset += take;
    decoder->blockLeft -= take;
    decoder->outPos += take;
    copied += take;
  }
  return copied;
}

int SeekSoundDecoder(SoundDecoder* decoder, int sample) {
  if (!decoder->valid) return -1;
  if (sample < 0) sample = 0;
  const int64_t wide = static_cast<int64_t>(sample) * decoder->outFormat.blockAlign;
  const int target = wide > INT_MAX ? INT_MAX : static_cast<int>(wide);
  const int distance = target - decoder->outPos;
  if (distance > -kSeekTolerance && distance < kSeekTolerance) return 0;
  decoder->endOfData = 0;
  switch (decoder->kind) {
    case kDecoderWavPcm:
      SeekSource(decoder->stream, decoder->dataOffset + target, 0);
      decoder->outPos = target;
      decoder->blockLeft = decoder->blockReadOffset = 0;
      break;
    case kDecoderAcm:
      SeekAcmDecoder(decoder, target);
      break;
    case kDecoderOgg:
      SeekOggDecoder(decoder, sample);
      break;
    default:
      decoder->memory.readPosition = decoder->outPos = target;
      decoder->blockLeft = decoder->blockReadOffset = 0;
      break;
  }
  return 0;
}

int CloseSoundDecoder(SoundDecoder* decoder) {
  if (!decoder->valid) return -1;
  FreeTrackedMemory(decoder->block);
  FreeKindState(decoder);
  *decoder = SoundDecoder{};
  return 0;
}

int GetSoundDecoderFormat(const SoundDecoder* decoder, WaveFormat* out) {
  *out = decoder->outFormat;
  return 0;
}

int GetSoundDecoderTotalBytes(SoundDecoder* decoder) {
  switch (decoder->kind) {
    case kDecoderAcm:
      return GetAcmTotalBytes(decoder);
    case kDecoderMemoryPcm:
      return decoder->memory.pcmBytes;
    default:
      return decoder->dataBytes;
  }
}

int DecodeSoundToMemory(SoundDecoder* decoder, WaveFormat* format, void** block, int* size) {
  if (!decoder->valid) return -1;
  SeekSoundDecoder(decoder, 0);
  const int total = GetSoundDecoderTotalBytes(decoder);
  if (total <= 0) return -1;
  auto* pcm = static_cast<uint8_t*>(TRACKED_ALLOC(static_cast<size_t>(total)));
  if (!pcm) return -1;
  int got = 0;
  if (decoder->kind == kDecoderWavPcm) {
    if (SeekSource(decoder->stream, decoder->dataOffset, 0)) {
      got = decoder->stream.read(pcm, 1, static_cast<size_t>(total), decoder->stream.data);
    }
  } else {
    got = ReadSoundDecoder(decoder, pcm, total);
  }
  if (got <= 0) {
    FreeTrackedMemory(pcm);
    return -1;
  }
  *format = decoder->outFormat;
  *block = pcm;
  *size = got;
  return 0;
}
