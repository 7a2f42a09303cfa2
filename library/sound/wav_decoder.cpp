// RIFF/WAVE files holding PCM, read block by block straight from the stream.
#include <string.h>

#include "sound/decoder_kinds.h"

namespace {

constexpr int kChunkHeaderBytes = 8;
constexpr int kPcmFormatBytes = 16;

uint32_t ReadLe32(const uint8_t* bytes) {
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

struct ChunkHeader {
  char id[4];
  uint32_t size;
};

bool ReadChunkHeader(const SourceStream& stream, int64_t position, int64_t streamBytes,
                     ChunkHeader* out) {
  uint8_t bytes[kChunkHeaderBytes];
  if (position + kChunkHeaderBytes > streamBytes) return false;
  if (!SeekSource(stream, static_cast<int>(position), 0) ||
      !ReadSourceBytes(stream, bytes, sizeof bytes)) {
    return false;
  }
  memcpy(out->id, bytes, 4);
  out->size = ReadLe32(bytes + 4);
  return true;
}

bool IsChunk(const ChunkHeader& header, const char* id) { return memcmp(header.id, id, 4) == 0; }

// Chunks are padded to an even size.
int64_t NextChunk(int64_t position, uint32_t size) {
  return position + kChunkHeaderBytes + size + (size & 1);
}

}  // namespace

int FindWaveChunks(const SourceStream& stream, WaveChunks* out) {
  int streamBytes = 0;
  if (!SeekSource(stream, 0, 0) || !CountSourceBytesLeft(stream, &streamBytes)) return -1;
  uint8_t riff[12];
  if (!ReadSourceBytes(stream, riff, sizeof riff) || memcmp(riff, "RIFF", 4) != 0 ||
      memcmp(riff + 8, "WAVE", 4) != 0) {
    return -1;
  }
  int64_t position = sizeof riff;
  ChunkHeader header;
  if (!ReadChunkHeader(stream, position, streamBytes, &header)) return -1;
  if (IsChunk(header, "bext")) {
    position = NextChunk(position, header.size);
    if (!ReadChunkHeader(stream, position, streamBytes, &header)) return -1;
  }
  if (!IsChunk(header, "fmt ") || header.size < kPcmFormatBytes ||
      position + kChunkHeaderBytes + header.size > streamBytes) {
    return -1;
  }
  WaveChunks chunks = {};
  chunks.formatOffset = static_cast<int>(position + kChunkHeaderBytes);
  chunks.formatBytes = static_cast<int>(header.size);
  for (;;) {
    position = NextChunk(position, header.size);
    if (!ReadChunkHeader(stream, position, streamBytes, &header)) return -1;
    if (IsChunk(header, "data")) break;
  }
  // A data chunk that runs past the end of the file (a cut file, or one
  // written as a stream, whose data size stays 0xFFFFFFFF) holds the bytes
  // that are there.
  const int64_t present = streamBytes - (position + kChunkHeaderBytes);
  chunks.dataOffset = static_cast<int>(position + kChunkHeaderBytes);
  chunks.dataBytes = static_cast<int>(header.size < present ? header.size : present);
  *out = chunks;
  return 0;
}

int ReadWaveFormatChunk(const SourceStream& stream, const WaveChunks& chunks, WaveFormat* out) {
  WaveFormat format = {};
  const int bytes = chunks.formatBytes < static_cast<int>(sizeof format)
                        ? chunks.formatBytes
                        : static_cast<int>(sizeof format);
  if (!SeekSource(stream, chunks.formatOffset, 0) ||
      !ReadSourceBytes(stream, &format, static_cast<size_t>(bytes))) {
    return -1;
  }
  if (chunks.formatBytes == kPcmFormatBytes) {
    format.bitsPerSample =
        format.channels ? static_cast<uint16_t>(format.blockAlign / format.channels * 8) : 0;
    format.extraSize = 0;
  }
  *out = format;
  return 0;
}

int OpenWavPcmDecoder(SoundDecoder* decoder) {
  WaveChunks chunks;
  WaveFormat format;
  if (FindWaveChunks(decoder->stream, &chunks) != 0 ||
      ReadWaveFormatChunk(decoder->stream, chunks, &format) != 0 ||
      format.formatTag != kWaveFormatPcm || !IsUsableWaveFormat(format) ||
      !SeekSource(decoder->stream, chunks.dataOffset, 0)) {
    return -1;
  }
  decoder->outFormat = format;
  decoder->formatChunkOffset = chunks.formatOffset;
  decoder->formatChunkBytes = chunks.formatBytes;
  decoder->dataOffset = chunks.dataOffset;
  // Whole sample frames only: a cut file's last partial frame is not sound.
  decoder->dataBytes = chunks.dataBytes - chunks.dataBytes % format.blockAlign;
  decoder->blockBytes = static_cast<int>(format.avgBytesPerSec);
  decoder->kind = kDecoderWavPcm;
  return 0;
}

int DecodeWavPcmBlock(SoundDecoder* decoder) {
  const int position = decoder->stream.tell(decoder->stream.data) - decoder->dataOffset;
  const int left = decoder->dataBytes - position;
  if (position < 0 || left <= 0) return -1;
  const int want = left < decoder->blockBytes ? left : decoder->blockBytes;
  const int got =
      decoder->stream.read(decoder->block, 1, static_cast<size_t>(want), decoder->stream.data);
  if (got <= 0) return -1;
  decoder->blockLeft = got > want ? want : got;
  return 0;
}
