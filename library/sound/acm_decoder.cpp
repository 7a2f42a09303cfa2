// Compressed RIFF/WAVE and MP3 through the audio compression manager. The
// compressed data is read whole at opening and fed to two conversions: the
// main one that plays and a parked one that trails just before the loop
// start, so that a looping track jumps back without decoding from the start.
// An MP3 whose encoder's tag states its delay and padding is trimmed to the
// samples it was made from.
#include <limits.h>
#include <string.h>

#include "sound/acm_codec.h"
#include "sound/decoder_kinds.h"
#include "sound/mpeg_audio.h"
#include "system/tracked_memory.h"

namespace {

constexpr int kChunkBytes = 2048;
// The parked conversion stops this far short of the loop start, so it never
// passes it within one chunk.
constexpr int kParkedLead = 10240;

#pragma pack(push, 2)
struct MpegLayer3Format {
  WaveFormat wave;
  uint16_t id;
  uint32_t flags;
  uint16_t blockSize;
  uint16_t framesPerBlock;
  uint16_t codecDelay;
};
#pragma pack(pop)
static_assert(sizeof(MpegLayer3Format) == 30, "the MPEG layer-3 format record is 30 bytes");

constexpr uint16_t kMpegLayer3Extra = 12;
constexpr uint16_t kMpegLayer3IdMpeg = 1;
constexpr uint16_t kMpegLayer3CodecDelay = 700;
// The Layer III decoder's own delay in samples: a LAME tag's delay and
// padding count without it, so a trimmed start drops it too.
constexpr int kMp3DecoderDelay = 529;

uint8_t* AllocZeroed(int bytes) {
  return static_cast<uint8_t*>(TRACKED_ALLOC_ZEROED(static_cast<size_t>(bytes)));
}

// Opens both conversions, allocates the parked block and sets the output
// format; on failure everything already in the state is left for the caller
// to free.
int StartConversions(SoundDecoder* decoder, int blockBytes) {
  AcmDecoderState& acm = decoder->acm;
  if (SuggestAcmPcmFormat(acm.sourceFormat, &decoder->outFormat) != 0 ||
      decoder->outFormat.formatTag != kWaveFormatPcm || !IsUsableWaveFormat(decoder->outFormat)) {
    return -1;
  }
  if (blockBytes == 0) blockBytes = static_cast<int>(decoder->outFormat.avgBytesPerSec);
  if (blockBytes <= 0) return -1;
  if (OpenAcmStream(acm.sourceFormat, &decoder->outFormat, &acm.mainStream) != 0 ||
      OpenAcmStream(acm.sourceFormat, &decoder->outFormat, &acm.parkedStream) != 0) {
    return -1;
  }
  acm.parkedBlock = AllocZeroed(blockBytes);
  if (!acm.parkedBlock) return -1;
  acm.mainLeadLeft = acm.leadBytes;
  acm.parkedLeadLeft = acm.leadBytes;
  decoder->blockBytes = blockBytes;
  decoder->kind = kDecoderAcm;
  return 0;
}

int FailOpen(SoundDecoder* decoder) {
  CloseAcmDecoderState(decoder);
  return -1;
}

bool ReopenStream(SoundDecoder* decoder, uintptr_t* stream) {
  CloseAcmStream(*stream);
  *stream = 0;
  return OpenAcmStream(decoder->acm.sourceFormat, &decoder->outFormat, stream) == 0;
}

// Converts one chunk of compressed data from *position, dropping what is
// left of the lead; when the lead takes a whole chunk the next is converted,
// so that only the end of the data yields nothing.
int ConvertFrom(SoundDecoder* decoder, uintptr_t stream, int* position, int* leadLeft,
                uint8_t* dest, int destBytes, int* produced) {
  AcmDecoderState& acm = decoder->acm;
  for (;;) {
    const int left = acm.dataBytes - *position;
    int used = 0;
    *produced = 0;
    if (ConvertAcmChunk(stream, acm.data + *position,
                        left < acm.chunkBytes ? left : acm.chunkBytes, dest, destBytes, &used,
                        produced) != 0) {
      return -1;
    }
    *position += used;
    if (*leadLeft <= 0) return 0;
    const int drop = *produced < *leadLeft ? *produced : *leadLeft;
    memmove(dest, dest + drop, static_cast<size_t>(*produced - drop));
    *produced -= drop;
    *leadLeft -= drop;
    if (*produced > 0 || used == 0 || *position >= acm.dataBytes) return 0;
  }
}

void AdvanceParkedConversion(SoundDecoder* decoder) {
  AcmDecoderState& acm = decoder->acm;
  if (acm.parkedProduced == decoder->loopStartBytes) return;
  if (acm.parkedProduced > decoder->loopStartBytes) {
    if (!ReopenStream(decoder, &acm.parkedStream)) return;
    acm.parkedSourcePosition = 0;
    acm.parkedProduced = 0;
    acm.parkedLeadLeft = acm.leadBytes;
  }
  const int shortBy = decoder->loopStartBytes - acm.parkedProduced;
  if (shortBy <= kParkedLead || acm.parkedSourcePosition >= acm.dataBytes) return;
  const int destBytes = shortBy < decoder->blockBytes ? shortBy : decoder->blockBytes;
  int produced = 0;
  if (ConvertFrom(decoder, acm.parkedStream, &acm.parkedSourcePosition, &acm.parkedLeadLeft,
                  acm.parkedBlock, destBytes, &produced) == 0) {
    acm.parkedProduced += produced;
  }
}

}  // namespace

int OpenAcmWavDecoder(SoundDecoder* decoder) {
  if (!IsAcmCodecReady()) return -1;
  WaveChunks chunks;
  if (FindWaveChunks(decoder->stream, &chunks) != 0 || chunks.dataBytes <= 0) return -1;
  AcmDecoderState& acm = decoder->acm;
  const int formatBytes = chunks.formatBytes > static_cast<int>(sizeof(WaveFormat))
                              ? chunks.formatBytes
                              : static_cast<int>(sizeof(WaveFormat));
  acm.sourceFormat = AllocZeroed(formatBytes);
  if (!acm.sourceFormat) return -1;
  WaveFormat head;
  if (!SeekSource(decoder->stream, chunks.formatOffset, 0) ||
      !ReadSourceBytes(decoder->stream, acm.sourceFormat,
                       static_cast<size_t>(chunks.formatBytes)) ||
      ReadWaveFormatChunk(decoder->stream, chunks, &head) != 0) {
    return FailOpen(decoder);
  }
  // A 16-byte PCM record is completed like the PCM opener does; any other
  // record goes to the codec as the file has it.
  if (head.formatTag == kWaveFormatPcm) memcpy(acm.sourceFormat, &head, sizeof head);
  WaveFormat stored;
  memcpy(&stored, acm.sourceFormat, sizeof stored);
  // The codec reads extraSize bytes after the record: they must be in it.
  if (stored.channels == 0 || stored.blockAlign == 0 || stored.samplesPerSec == 0 ||
      static_cast<int>(sizeof stored) + stored.extraSize > formatBytes) {
    return FailOpen(decoder);
  }
  acm.data = AllocZeroed(chunks.dataBytes);
  if (!acm.data || !SeekSource(decoder->stream, chunks.dataOffset, 0) ||
      !ReadSourceBytes(decoder->stream, acm.data, static_cast<size_t>(chunks.dataBytes)) ||
      !SeekSource(decoder->stream, chunks.dataOffset, 0)) {
    return FailOpen(decoder);
  }
  acm.dataBytes = chunks.dataBytes;
  // A chunk always holds at least one whole compressed block, or a codec
  // converting whole blocks only would see none and end the sound.
  acm.chunkBytes = stored.blockAlign > kChunkBytes ? stored.blockAlign : kChunkBytes;
  acm.totalSamples = -1;
  decoder->formatChunkOffset = chunks.formatOffset;
  decoder->formatChunkBytes = chunks.formatBytes;
  decoder->dataOffset = chunks.dataOffset;
  decoder->dataBytes = chunks.dataBytes;
  if (StartConversions(decoder, 0) != 0) return FailOpen(decoder);
  return 0;
}

int OpenMp3Decoder(SoundDecoder* decoder) {
  if (!IsAcmCodecReady()) return -1;
  int fileBytes = 0;
  if (!SeekSource(decoder->stream, 0, 0) || !CountSourceBytesLeft(decoder->stream, &fileBytes) ||
      fileBytes <= 128) {
    return -1;
  }
  AcmDecoderState& acm = decoder->acm;
  acm.data = AllocZeroed(fileBytes);
  if (!acm.data || !ReadSourceBytes(decoder->stream, acm.data, static_cast<size_t>(fileBytes))) {
    return FailOpen(decoder);
  }
  MpegAudioScan scan;
  if (ScanMpegAudioImage(acm.data, fileBytes, &scan) != 0 || scan.firstFrame.layer != 3) {
    return FailOpen(decoder);
  }
  const int maxFormatBytes = GetAcmMaxFormatBytes();
  const int formatBytes = maxFormatBytes > static_cast<int>(sizeof(MpegLayer3Format))
                              ? maxFormatBytes
                              : static_cast<int>(sizeof(MpegLayer3Format));
  acm.sourceFormat = AllocZeroed(formatBytes);
  if (!acm.sourceFormat) return FailOpen(decoder);
  const MpegFrameHeader& first = scan.firstFrame;
  MpegLayer3Format format = {};
  format.wave.formatTag = kWaveFormatMpegLayer3;
  format.wave.channels = static_cast<uint16_t>(first.channels);
  format.wave.samplesPerSec = static_cast<uint32_t>(first.samplesPerSec);
  format.wave.avgBytesPerSec = static_cast<uint32_t>(first.bitrateKbps * 1000 / 8);
  format.wave.blockAlign = 1;
  format.wave.extraSize = kMpegLayer3Extra;
  format.id = kMpegLayer3IdMpeg;
  format.flags = static_cast<uint32_t>(first.padding);
  format.blockSize = static_cast<uint16_t>(first.frameBytes);
  format.framesPerBlock = 1;
  format.codecDelay = kMpegLayer3CodecDelay;
  memcpy(acm.sourceFormat, &format, sizeof format);

  decoder->dataOffset = scan.firstFrameOffset;
  decoder->dataBytes = scan.dataEnd - scan.firstFrameOffset;
  memmove(acm.data, acm.data + scan.firstFrameOffset, static_cast<size_t>(decoder->dataBytes));
  acm.dataBytes = decoder->dataBytes;
  acm.chunkBytes = kChunkBytes;
  acm.totalSamples = scan.totalSamples;
  if (!SeekSource(decoder->stream, scan.firstFrameOffset, 0) ||
      SuggestAcmPcmFormat(acm.sourceFormat, &decoder->outFormat) != 0 ||
      !IsUsableWaveFormat(decoder->outFormat)) {
    return FailOpen(decoder);
  }
  // An encoder's tag that states its delay and padding: the sound is the
  // samples between them, as it was before encoding.
  if (scan.encoderDelay >= 0) {
    const int64_t trimmed =
        static_cast<int64_t>(scan.totalSamples) - scan.encoderDelay - scan.encoderPadding;
    if (trimmed > 0) {
      acm.totalSamples = static_cast<int>(trimmed);
      acm.leadBytes = (scan.encoderDelay + kMp3DecoderDelay) * decoder->outFormat.blockAlign;
    }
  }
  const int64_t totalBytes =
      static_cast<int64_t>(scan.totalSamples) * decoder->outFormat.blockAlign;
  if (totalBytes > INT_MAX) return FailOpen(decoder);
  const int blockBytes = static_cast<int>(decoder->outFormat.avgBytesPerSec * 4u / 3u);
  if (StartConversions(decoder, blockBytes) != 0) return FailOpen(decoder);
  return 0;
}

int DecodeAcmBlock(SoundDecoder* decoder) {
  AdvanceParkedConversion(decoder);
  AcmDecoderState& acm = decoder->acm;
  if (acm.mainSourcePosition >= acm.dataBytes) return -1;
  int produced = 0;
  if (ConvertFrom(decoder, acm.mainStream, &acm.mainSourcePosition, &acm.mainLeadLeft,
                  decoder->block, decoder->blockBytes, &produced) != 0) {
    return -1;
  }
  // A known length ends the sound there: what the codec makes of an MP3's
  // end padding is not handed out.
  if (acm.totalSamples >= 0) {
    const int64_t left =
        static_cast<int64_t>(acm.totalSamples) * decoder->outFormat.blockAlign - decoder->outPos;
    if (left < produced) produced = left > 0 ? static_cast<int>(left) : 0;
  }
  if (produced == 0) {
    acm.mainSourcePosition = acm.dataBytes;
    return -1;
  }
  decoder->blockLeft = produced;
  return 0;
}

void SeekAcmDecoder(SoundDecoder* decoder, int target) {
  AcmDecoderState& acm = decoder->acm;
  if (target < decoder->outPos) {
    if (acm.parkedProduced > target) {
      ReopenStream(decoder, &acm.mainStream);
      acm.mainSourcePosition = 0;
      acm.mainLeadLeft = acm.leadBytes;
      decoder->outPos = 0;
    } else {
      const uintptr_t parked = acm.parkedStream;
      acm.parkedStream = acm.mainStream;
      acm.mainStream = parked;
      acm.mainSourcePosition = acm.parkedSourcePosition;
      acm.mainLeadLeft = acm.parkedLeadLeft;
      decoder->outPos = acm.parkedProduced;
      ReopenStream(decoder, &acm.parkedStream);
      acm.parkedSourcePosition = 0;
      acm.parkedProduced = 0;
      acm.parkedLeadLeft = acm.leadBytes;
    }
    decoder->blockLeft = 0;
    decoder->blockReadOffset = 0;
  }
  while (decoder->outPos < target) {
    if (decoder->blockLeft == 0) {
      decoder->blockReadOffset = 0;
      if (DecodeAcmBlock(decoder) != 0) {
        decoder->endOfData = 1;
        return;
      }
    }
    const int gap = target - decoder->outPos;
    const int skip = decoder->blockLeft < gap ? decoder->blockLeft : gap;
    decoder->blockReadOffset += skip;
    decoder->blockLeft -= skip;
    decoder->outPos += skip;
  }
}

void CloseAcmDecoderState(SoundDecoder* decoder) {
  AcmDecoderState& acm = decoder->acm;
  CloseAcmStream(acm.mainStream);
  CloseAcmStream(acm.parkedStream);
  FreeTrackedMemory(acm.sourceFormat);
  FreeTrackedMemory(acm.data);
  FreeTrackedMemory(acm.parkedBlock);
  acm = AcmDecoderState{};
}

int GetAcmTotalBytes(SoundDecoder* decoder) {
  const AcmDecoderState& acm = decoder->acm;
  if (acm.totalSamples >= 0) return acm.totalSamples * decoder->outFormat.blockAlign;
  const int bytes = GetAcmDestinationBytes(acm.mainStream, acm.dataBytes);
  return bytes < 0 ? 0 : bytes;
}
