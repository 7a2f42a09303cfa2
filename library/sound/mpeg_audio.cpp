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

namespace {

uint32_t BigEndian32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

// Bytes of Layer III side information after the 4-byte header.
int SideInfoBytes(const MpegFrameHeader& frame) {
  if (frame.mpeg1) return frame.channels == 1 ? 17 : 32;
  return frame.channels == 1 ? 9 : 17;
}

// Whether the frame at p (of frame.frameBytes, all inside the image) is an
// encoder's information frame rather than sound; reads a LAME tag's delay
// and padding when there is one.
bool ReadInfoFrame(const uint8_t* p, const MpegFrameHeader& frame, MpegAudioScan* scan) {
  if (frame.layer != 3) return false;
  const int size = frame.frameBytes;
  constexpr int kVbriOffset = 4 + 32;
  if (size >= kVbriOffset + 4 && memcmp(p + kVbriOffset, "VBRI", 4) == 0) return true;
  int at = 4 + SideInfoBytes(frame);
  if (size < at + 8 || (memcmp(p + at, "Xing", 4) != 0 && memcmp(p + at, "Info", 4) != 0)) {
    return false;
  }
  const uint32_t flags = BigEndian32(p + at + 4);
  at += 8;
  if (flags & 1) at += 4;    // frame count
  if (flags & 2) at += 4;    // byte count
  if (flags & 4) at += 100;  // seek table
  if (flags & 8) at += 4;    // quality
  // The LAME extension: a 9-byte encoder name, then at byte 21 the delay
  // and the padding, 12 bits each.
  if (size >= at + 24 && (memcmp(p + at, "LAME", 4) == 0 || memcmp(p + at, "Lavc", 4) == 0 ||
                          memcmp(p + at, "Lavf", 4) == 0)) {
    const uint8_t* d = p + at + 21;
    scan->encoderDelay = (d[0] << 4) | (d[1] >> 4);
    scan->encoderPadding = ((d[1] & 0x0F) << 8) | d[2];
  }
  return true;
}

}  // namespace

int ScanMpegAudioImage(const uint8_t* image, int size, MpegAudioScan* out) {
  if (size <= kTrailingTagBytes) return -1;
  const int tagBytes =
      memcmp(image + size - kTrailingTagBytes, "TAG", 3) == 0 ? kTrailingTagBytes : 0;
  const int limit = size - tagBytes;
  MpegAudioScan scan = {};
  scan.firstFrameOffset = -1;
  scan.encoderDelay = -1;
  scan.encoderPadding = -1;
  bool firstSeen = false;
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
    const int64_t frameEnd = static_cast<int64_t>(position) + frame.frameBytes;
    if (!firstSeen) {
      firstSeen = true;
      if (frameEnd <= limit && ReadInfoFrame(image + position, frame, &scan)) {
        position = static_cast<int>(frameEnd);
        continue;
      }
    }
    if (scan.firstFrameOffset < 0) {
      scan.firstFrameOffset = position;
      scan.firstFrame = frame;
    }
    totalSamples += frame.samplesPerFrame;
    if (totalSamples > INT_MAX) return -1;
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
