#include "sound/mpeg_audio.h"

#include <gtest/gtest.h>

#include <string.h>

#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

TEST(MpegAudioTest, FrameHeaderFields) {
  struct Case {
    uint8_t header[4];
    int result, mpeg1, layer, kbps, rate, padding, channels, frameBytes, samples;
  };
  const Case cases[] = {
      {{0xFF, 0xFB, 0x90, 0x44}, 0, 1, 3, 128, 44100, 0, 2, 417, 1152},
      {{0xFF, 0xFB, 0x92, 0xC4}, 0, 1, 3, 128, 44100, 1, 1, 418, 1152},
      {{0xFF, 0xF3, 0x40, 0xC0}, 0, 0, 3, 32, 22050, 0, 1, 104, 576},
      {{0xFF, 0xFD, 0x44, 0x00}, 0, 1, 2, 64, 48000, 0, 2, 192, 1152},
      {{0xFF, 0xFF, 0x18, 0x00}, 0, 1, 1, 32, 32000, 0, 2, 48, 384},
      {{0xFF, 0xF9, 0x90, 0x00}, -1, 0, 0, 0, 0, 0, 0, 0, 0},  // layer 0
      {{0xFF, 0xFB, 0x00, 0x00}, -1, 0, 0, 0, 0, 0, 0, 0, 0},  // free bitrate
      {{0xFF, 0xFB, 0xF0, 0x00}, -1, 0, 0, 0, 0, 0, 0, 0, 0},  // bitrate 15
      {{0xFF, 0xFB, 0x9C, 0x00}, -1, 0, 0, 0, 0, 0, 0, 0, 0},  // rate 3
      {{0xFF, 0xE3, 0x90, 0x00}, -2, 0, 0, 0, 0, 0, 0, 0, 0},  // MPEG 2.5
      {{0xFE, 0xFB, 0x90, 0x00}, -2, 0, 0, 0, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    MpegFrameHeader frame = {};
    ASSERT_EQ(ParseMpegAudioFrameHeader(c.header, &frame), c.result) << int{c.header[1]};
    if (c.result != 0) continue;
    EXPECT_EQ(frame.mpeg1, c.mpeg1);
    EXPECT_EQ(frame.layer, c.layer);
    EXPECT_EQ(frame.bitrateKbps, c.kbps);
    EXPECT_EQ(frame.samplesPerSec, c.rate);
    EXPECT_EQ(frame.padding, c.padding);
    EXPECT_EQ(frame.channels, c.channels);
    EXPECT_EQ(frame.frameBytes, c.frameBytes);
    EXPECT_EQ(frame.samplesPerFrame, c.samples);
  }
}

// Frames of 417 bytes (MPEG-1 layer III, 128 kbit/s, 44100 Hz).
Bytes Frames(int count) {
  Bytes out;
  for (int i = 0; i < count; ++i) {
    Bytes frame(417, 0x11);
    frame[0] = 0xFF;
    frame[1] = 0xFB;
    frame[2] = 0x90;
    frame[3] = 0x44;
    out.insert(out.end(), frame.begin(), frame.end());
  }
  return out;
}

Bytes Id3v2Tag(int version, int flags, int bodyBytes) {
  Bytes tag = {'I', 'D', '3', static_cast<uint8_t>(version), 0, static_cast<uint8_t>(flags)};
  tag.push_back(static_cast<uint8_t>((bodyBytes >> 21) & 0x7F));
  tag.push_back(static_cast<uint8_t>((bodyBytes >> 14) & 0x7F));
  tag.push_back(static_cast<uint8_t>((bodyBytes >> 7) & 0x7F));
  tag.push_back(static_cast<uint8_t>(bodyBytes & 0x7F));
  // A sync pattern inside the tag must not be taken for a frame.
  Bytes body(static_cast<size_t>(bodyBytes), 0xFF);
  tag.insert(tag.end(), body.begin(), body.end());
  return tag;
}

Bytes Trailer() {
  Bytes tag(128, 0xFF);
  tag[0] = 'T';
  tag[1] = 'A';
  tag[2] = 'G';
  return tag;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

TEST(MpegAudioTest, ScanSkipsTagsAndCountsFrames) {
  struct Case {
    const char* name;
    Bytes image;
    int first, end, samples;
  };
  const Bytes footer = Bytes(10, 0xFF);
  const Case cases[] = {
      {"bare", Frames(3), 0, 1251, 3 * 1152},
      {"id3v2.3", Join({Id3v2Tag(3, 0, 200), Frames(2)}), 210, 210 + 834, 2 * 1152},
      // Version 4 with the footer flag: the frames start 20 bytes after the tag data.
      {"id3v2.4 footer", Join({Id3v2Tag(4, 0x10, 200), footer, Frames(2)}), 220, 220 + 834,
       2 * 1152},
      {"trailing TAG", Join({Frames(2), Trailer()}), 0, 834, 2 * 1152},
      {"junk between frames", Join({Frames(1), Bytes(5, 0x00), Frames(1)}), 0, 839, 2 * 1152},
  };
  for (const Case& c : cases) {
    MpegAudioScan scan = {};
    ASSERT_EQ(ScanMpegAudioImage(c.image.data(), static_cast<int>(c.image.size()), &scan), 0)
        << c.name;
    EXPECT_EQ(scan.firstFrameOffset, c.first) << c.name;
    EXPECT_EQ(scan.dataEnd, c.end) << c.name;
    EXPECT_EQ(scan.totalSamples, c.samples) << c.name;
  }
}

TEST(MpegAudioTest, LastFrameIsCutAtTheTrailingTag) {
  Bytes image = Frames(3);
  image.resize(image.size() - 100);  // the last frame runs into the tag
  const Bytes withTag = Join({image, Trailer()});
  MpegAudioScan scan = {};
  ASSERT_EQ(ScanMpegAudioImage(withTag.data(), static_cast<int>(withTag.size()), &scan), 0);
  EXPECT_EQ(scan.dataEnd, static_cast<int>(image.size()));
  EXPECT_EQ(scan.totalSamples, 3 * 1152);
}

TEST(MpegAudioTest, ScanRejects) {
  const Bytes oneFrame = Frames(1);
  const Bytes badHeader = Join({Frames(1), Bytes{0xFF, 0xFB, 0xF0, 0x00}, Bytes(200, 0)});
  const std::pair<const char*, Bytes> cases[] = {
      {"no frame", Bytes(400, 0x00)},
      {"128 bytes", Bytes(oneFrame.begin(), oneFrame.begin() + 128)},
      {"bad header at a sync", badHeader},
      {"tag larger than the file", Join({Id3v2Tag(3, 0, 100), Frames(1)})},
  };
  for (const auto& [name, image] : cases) {
    Bytes copy = image;
    if (std::string(name) == "tag larger than the file") copy[8] = 0x7F;
    MpegAudioScan scan = {};
    EXPECT_EQ(ScanMpegAudioImage(copy.data(), static_cast<int>(copy.size()), &scan), -1) << name;
  }
}

}  // namespace

namespace {

// An information frame as encoders write it first: a mono MPEG-2 layer III
// frame at 56 kbit/s (22050 Hz, 182 bytes) whose side information (9 bytes)
// is followed by the tag, here with frame and byte counts and a LAME
// extension stating a delay of 576 and a padding of 1242 samples.
Bytes InfoFrame(const char* tag, bool lame) {
  Bytes frame(182, 0);
  frame[0] = 0xFF;
  frame[1] = 0xF3;
  frame[2] = 0x70;  // bitrate index 7: 56 kbit/s for MPEG-2
  frame[3] = 0xC4;  // mono
  size_t at = 4 + 9;
  memcpy(&frame[at], tag, 4);
  frame[at + 7] = 0x03;  // frames and bytes present
  at += 8 + 4 + 4;
  if (lame) {
    memcpy(&frame[at], "LAME3.100", 9);
    // 576 = 0x240, 1242 = 0x4DA: 24 04 DA
    frame[at + 21] = 0x24;
    frame[at + 22] = 0x04;
    frame[at + 23] = 0xDA;
  }
  return frame;
}

// Mono MPEG-2 layer III frames at 32 kbit/s, 22050 Hz: 104 bytes.
Bytes AudioFrames32(int count) {
  Bytes out;
  for (int i = 0; i < count; ++i) {
    Bytes frame(104, 0x22);
    frame[0] = 0xFF;
    frame[1] = 0xF3;
    frame[2] = 0x40;
    frame[3] = 0xC4;
    out.insert(out.end(), frame.begin(), frame.end());
  }
  return out;
}

TEST(MpegAudioTest, AnInformationFrameIsNeitherCountedNorDescribed) {
  const struct {
    const char* name;
    Bytes first;
    int delay, padding;
  } cases[] = {
      {"Xing with a LAME tag", InfoFrame("Xing", true), 576, 1242},
      {"Info without one", InfoFrame("Info", false), -1, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes image = c.first;
    const Bytes audio = AudioFrames32(20);
    image.insert(image.end(), audio.begin(), audio.end());
    MpegAudioScan scan = {};
    ASSERT_EQ(ScanMpegAudioImage(image.data(), static_cast<int>(image.size()), &scan), 0);
    EXPECT_EQ(scan.firstFrameOffset, 182);
    EXPECT_EQ(scan.firstFrame.bitrateKbps, 32) << "described by the audio, not the tag frame";
    EXPECT_EQ(scan.totalSamples, 20 * 576);
    EXPECT_EQ(scan.dataEnd, static_cast<int>(image.size()));
    EXPECT_EQ(scan.encoderDelay, c.delay);
    EXPECT_EQ(scan.encoderPadding, c.padding);
  }
  // An ordinary first frame is audio.
  const Bytes plain = AudioFrames32(20);
  MpegAudioScan scan = {};
  ASSERT_EQ(ScanMpegAudioImage(plain.data(), static_cast<int>(plain.size()), &scan), 0);
  EXPECT_EQ(scan.firstFrameOffset, 0);
  EXPECT_EQ(scan.totalSamples, 20 * 576);
  EXPECT_EQ(scan.encoderDelay, -1);
}

}  // namespace
