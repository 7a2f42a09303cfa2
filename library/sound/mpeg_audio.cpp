#include "sound/mpeg_audio.h"

#include <limits.h>
#include <string.h>

namespace {

// Kilobits per second by bitrate index, per [MPEG-1, MPEG-2][layer - 1];
// index 0 (free format) and 15 are invalid.
constexpr int kBitrates[2][3][15] = {
    {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
    },
    {
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
    },
};

constexpr int kSampleRates[2][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}};

constexpr int kTrailingTagBytes = 128;
constexpr int kId3HeaderBytes = 10;

bool IsSync(const uint8_t* bytes) { return bytes[0] == 0xFF && (bytes[1] & 0xF0) == 0xF0; }

int Id3v2TagBytes(const uint8_t* image, int size) {
  if (size < kId3HeaderBytes || memcmp(image, "ID3", 3) != 0) return 0;
  const int version = image[3];
  const int flags = image[5];
  int bytes = ((image[6] * 128 + image[7]) * 128 + image[8]) * 128 + image[9] + kId3HeaderBytes;
  if (version == 4 && (flags & 0x10)) bytes += kId3HeaderBytes;  // the footer
  return bytes;
}

}  // namespace

int ParseMpegAudioFrameHeader(const uint8_t header[4], MpegFrameHeader* out) {
  if (!IsSync(header)) return -2;
  const int mpeg1 = (header[1] >> 3) & 1;
  const int layerBits = (header[1] >> 1) & 3;
  const int bitrateIndex = header[2] >> 4;
  const int rateIndex = (header[2] >> 2) & 3;
  if (layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return -1;
  MpegFrameHeader frame = {};
  frame.mpeg1 = mpeg1;
  frame.layer = 4 - layerBits;
  frame.bitrateKbps = kBitrates[mpeg1 ? 0 : 1][frame.layer - 1][bitrateIndex];
  frame.samplesPerSec = kSampleRates[mpeg1 ? 0 : 1][rateIndex];
  frame.padding = (header[2] >> 1) & 1;
  frame.channels = (header[3] >> 6) == 3 ? 1 : 2;
  switch (frame.layer) {
    case 1:
      frame.samplesPerFrame = 384;
      frame.frameBytes = (12000 * frame.bitrateKbps / frame.samplesPerSec + frame.padding) * 4;
      break;
    case 2:
      frame.samplesPerFrame = 1152;
      frame.frameBytes = 144000 * frame.bitrateKbps / frame.samplesPerSec + frame.padding;
      break;
    default:
      frame.samplesPerFrame = mpeg1 ? 1152 : 576;
      frame.frameBytes =
          (mpeg1 ? 144000 : 72000) * frame.bitrateKbps / frame.samplesPerSec + frame.padding;
      break;
  }
  *out = frame;
  return 0;
}

int ScanMpegAudioImage(const uint8_t* image, int size, MpegAudioScan* out) {
  if (size <= kTrailingTagBytes) return -1;
  const int tagBytes =
      memcmp(image + size - kTrailingTagBytes, "TAG", 3) == 0 ? kTrailingTagBytes : 0;
  const int limit = size - tagBytes;
  MpegAudioScan scan = {};
  scan.firstFrameOffset = -1;
  int64_t totalSamples = 0;
  int position = Id3v2TagBytes(image, size);
  // A sync is looked for only where a frame could start before the trailing
  // tag, so the tag's bytes never count as data.
  while (position < limit && position + 4 <= size) {
    if (!IsSync(image + position)) {
      ++position;
      continue;
    }
    MpegFrameHeader frame;
    if (ParseMpegAudioFrameHeader(image + position, &frame) != 0 || frame.frameBytes <= 0) {
      return -1;
    }
    if (scan.firstFrameOffset < 0) {
      scan.firstFrameOffset = position;
      scan.firstFrame = frame;
    }
    totalSamples += frame.samplesPerFrame;
    if (totalSamples > INT_MAX) return -1;
    const int64_t frameEnd = static_cast<int64_t>(position) + frame.frameBytes;
    if (frameEnd >= limit) {
      scan.dataEnd = limit;
      break;
    }
    position = static_cast<int>(frameEnd);
    scan.dataEnd = position;
  }
  if (scan.firstFrameOffset < 0) return -1;
  scan.totalSamples = static_cast<int>(totalSamples);
  *out = scan;
  return 0;
}
