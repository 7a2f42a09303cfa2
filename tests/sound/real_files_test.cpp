// Files made at test time by the machine's own encoders (sox, oggenc, lame,
// ffmpeg; see real_files/make_real_files.sh), decoded by the library and
// compared with what each encoder's own decoder makes of the same file.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Ombrel.h"
#include "sound/acm_codec.h"
#include "sound/decoder_kinds.h"
#include "sound/sound_decoder.h"
#include "sound/sound_state.h"
#include "sound/theora_decoder.h"
#include "support/log_capture.h"
#include "support/sound_fixtures.h"
#include "system/file_access.h"

namespace {

std::string RealFile(const std::string& name) { return std::string(REAL_FILES_DIR) + "/" + name; }

SoundBytes ReadWhole(const std::string& path) {
  SoundBytes bytes;
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) return bytes;
  uint8_t chunk[65536];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  fclose(file);
  return bytes;
}

// A decoder over a file image in memory.
class ImageDecoder {
 public:
  explicit ImageDecoder(const SoundBytes& image)
      : image_(image), memory_(OpenMemoryStream(image_.data(), static_cast<int>(image_.size()))) {
    const SourceStream stream = MakeSourceStream(GetMemoryStreamOps(), memory_);
    result_ = OpenSoundDecoder(&stream, &decoder_);
  }
  ~ImageDecoder() {
    if (decoder_.valid) CloseSoundDecoder(&decoder_);
    CloseMemoryStream(memory_);
  }
  int result() const { return result_; }
  SoundDecoder* get() { return &decoder_; }
  SoundBytes ReadAll() {
    SoundBytes out;
    uint8_t chunk[4099];
    int got;
    while ((got = ReadSoundDecoder(&decoder_, chunk, sizeof chunk)) > 0) {
      out.insert(out.end(), chunk, chunk + got);
    }
    return out;
  }

 private:
  SoundBytes image_;
  MemoryStream* memory_;
  SoundDecoder decoder_ = {};
  int result_;
};

// "name.ext" -> "name.ref"
std::string ReferenceOf(const std::string& file) { return file.substr(0, file.rfind('.')) + ".ref"; }

int16_t At16(const SoundBytes& bytes, size_t index) {
  int16_t value;
  memcpy(&value, &bytes[2 * index], 2);
  return value;
}

class RealFilesTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(LoadAcmCodec(), 0);
    GetSoundSystemState().decoderDisableMask = 0;
  }
};

// PCM through the WAV opener byte for byte; Vorbis through libvorbisfile,
// whose float synthesis rounds a few samples in ten thousand the other way
// with the Windows build's maths library than with the tool's.
TEST_F(RealFilesTest, PcmAndVorbisDecodeToTheToolsOwnDecode) {
  const struct {
    const char* file;
    int kind, channels, rate, bits;
    int largest;  // 0: byte for byte
  } cases[] = {
      {"pcm_u8_mono_8000.wav", kDecoderWavPcm, 1, 8000, 8, 0},
      {"pcm_u8_stereo_11025.wav", kDecoderWavPcm, 2, 11025, 8, 0},
      {"pcm_s16_mono_22050.wav", kDecoderWavPcm, 1, 22050, 16, 0},
      {"pcm_s16_stereo_44100.wav", kDecoderWavPcm, 2, 44100, 16, 0},
      {"pcm_s16_stereo_7350.wav", kDecoderWavPcm, 2, 7350, 16, 0},
      {"pcm_s16_stereo_32000_list.wav", kDecoderWavPcm, 2, 32000, 16, 0},
      {"vorbis_stereo_44100.ogg", kDecoderOgg, 2, 44100, 16, 1},
      {"vorbis_mono_22050.ogg", kDecoderOgg, 1, 22050, 16, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const SoundBytes image = ReadWhole(RealFile(c.file));
    const SoundBytes reference = ReadWhole(RealFile(ReferenceOf(c.file)));
    ASSERT_FALSE(image.empty());
    ASSERT_FALSE(reference.empty());
    ImageDecoder decoder(image);
    ASSERT_EQ(decoder.result(), 0);
    EXPECT_EQ(decoder.get()->kind, c.kind);
    EXPECT_EQ(decoder.get()->outFormat.channels, c.channels);
    EXPECT_EQ(static_cast<int>(decoder.get()->outFormat.samplesPerSec), c.rate);
    EXPECT_EQ(decoder.get()->outFormat.bitsPerSample, c.bits);
    EXPECT_EQ(GetSoundDecoderTotalBytes(decoder.get()), static_cast<int>(reference.size()));
    const SoundBytes pcm = decoder.ReadAll();
    ASSERT_EQ(pcm.size(), reference.size());
    if (c.largest == 0) {
      EXPECT_TRUE(pcm == reference);
    } else {
      size_t differing = 0;
      for (size_t i = 0; i < pcm.size() / 2; ++i) {
        const int diff = abs(At16(pcm, i) - At16(reference, i));
        EXPECT_LE(diff, c.largest) << "sample " << i;
        if (diff) ++differing;
      }
      EXPECT_LT(differing * 1000, pcm.size() / 2) << "fewer than one sample in a thousand";
    }
  }
}

// How far two 16-bit decodes of one file lie apart: the largest sample
// difference and the root mean square of the differences.
struct Difference {
  int largest;
  double rms;
};

Difference Compare16(const SoundBytes& a, const SoundBytes& b) {
  const size_t n = std::min(a.size(), b.size()) / 2;
  Difference d{0, 0};
  double sum = 0;
  for (size_t i = 0; i < n; ++i) {
    const int diff = abs(At16(a, i) - At16(b, i));
    d.largest = std::max(d.largest, diff);
    sum += static_cast<double>(diff) * diff;
  }
  d.rms = n ? std::sqrt(sum / n) : 0;
  return d;
}

// Lossy codecs decoded through the compression manager: the same length,
// the same sample positions (a shift of even one sample makes the tones
// differ by thousands) and only rounding apart. An MP3 with an encoder's tag
// is trimmed to the encoded sound; one without keeps the decoder's delay of
// 529 samples that the tool drops.
TEST_F(RealFilesTest, AdpcmAndMp3DecodeToTheToolsOwnDecodeWithinRounding) {
  const struct {
    const char* file;
    int channels, rate;
    int largest;  // the rounding between the two decoders
    bool lengthKnown;  // compressed WAV reports the converter's estimate
    int leadSamples;  // what ours holds before the reference's first sample
  } cases[] = {
      {"ima_mono_22050.wav", 1, 22050, 0, false, 0},
      {"ima_stereo_22050.wav", 2, 22050, 0, false, 0},
      // The two MS ADPCM decoders part only in the last, partial block.
      {"ms_mono_22050.wav", 1, 22050, 128, false, 0},
      {"ms_stereo_22050.wav", 2, 22050, 128, false, 0},
      {"mp3_cbr_info.mp3", 2, 44100, 4, true, 0},
      {"mp3_cbr_notag.mp3", 2, 44100, 4, true, 529},
      {"mp3_vbr_xing.mp3", 2, 44100, 4, true, 0},
      {"mp3_vbr_mono_22050.mp3", 1, 22050, 4, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const SoundBytes image = ReadWhole(RealFile(c.file));
    const SoundBytes reference = ReadWhole(RealFile(ReferenceOf(c.file)));
    ASSERT_FALSE(image.empty());
    ASSERT_FALSE(reference.empty());
    ImageDecoder decoder(image);
    ASSERT_EQ(decoder.result(), 0);
    EXPECT_EQ(decoder.get()->kind, kDecoderAcm);
    EXPECT_EQ(decoder.get()->outFormat.channels, c.channels);
    EXPECT_EQ(static_cast<int>(decoder.get()->outFormat.samplesPerSec), c.rate);
    const int blockAlign = decoder.get()->outFormat.blockAlign;
    const int expectedBytes = static_cast<int>(reference.size()) + c.leadSamples * blockAlign;
    if (c.lengthKnown) EXPECT_EQ(GetSoundDecoderTotalBytes(decoder.get()), expectedBytes);
    SoundBytes pcm = decoder.ReadAll();
    EXPECT_EQ(static_cast<int>(pcm.size()), expectedBytes);
    ASSERT_GE(pcm.size(), static_cast<size_t>(c.leadSamples * blockAlign));
    pcm.erase(pcm.begin(), pcm.begin() + c.leadSamples * blockAlign);
    const Difference d = Compare16(pcm, reference);
    EXPECT_LE(d.largest, c.largest) << "rms " << d.rms;
    EXPECT_LT(d.rms, 8.0);
  }
}

// A looping MP3 with an encoder's tag goes back through the parked
// conversion to the same trimmed samples a straight decode gives.
TEST_F(RealFilesTest, TrimmedMp3LoopsBackThroughTheParkedConversion) {
  const SoundBytes image = ReadWhole(RealFile("mp3_vbr_xing.mp3"));
  const SoundBytes reference = ReadWhole(RealFile("mp3_vbr_xing.ref"));
  ImageDecoder linear(image);
  ASSERT_EQ(linear.result(), 0);
  const SoundBytes straight = linear.ReadAll();
  ASSERT_EQ(straight.size(), reference.size());
  constexpr int kLoopStart = 30000;  // samples, 120000 bytes
  constexpr int kLoopBytes = kLoopStart * 4;
  ImageDecoder looping(image);
  ASSERT_EQ(looping.result(), 0);
  looping.get()->loopStartBytes = kLoopBytes;
  SoundBytes played = looping.ReadAll();
  EXPECT_TRUE(played == straight);
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass);
    // Parked within the lead before the loop start, so the loop-back
    // decodes at most that much again.
    EXPECT_GE(looping.get()->acm.parkedProduced, kLoopBytes - 10240);
    EXPECT_LE(looping.get()->acm.parkedProduced, kLoopBytes);
    SeekSoundDecoder(looping.get(), kLoopStart);
    EXPECT_EQ(looping.get()->outPos, kLoopBytes);
    played = looping.ReadAll();
    ASSERT_EQ(played.size(), straight.size() - kLoopBytes);
    EXPECT_TRUE(std::equal(played.begin(), played.end(), straight.begin() + kLoopBytes));
  }
}

// Files the four openers refuse reach DirectShow, which decodes them whole
// into memory: a 24-bit WAVE_FORMAT_EXTENSIBLE WAV, a WAV that begins with a
// "JUNK" chunk, and an MPEG 2.5 MP3 at 8 kHz.
TEST_F(RealFilesTest, WhatTheOtherOpenersRefuseDecodesThroughDirectShow) {
  SoundSystemScope sound;
  ASSERT_EQ(sound.result(), 0);
  const struct {
    const char* file;
    int channels, rate, bits;
    int largest;  // 0: byte for byte
    int leadSamples;  // what ours holds before the reference's first sample
  } cases[] = {
      {"dshow_s24_stereo_44100.wav", 2, 44100, 24, 0, 0},
      {"dshow_junk_first_22050.wav", 2, 22050, 16, 0, 0},
      // Its frames are too small for an encoder's tag: the decoder's delay
      // of 529 samples stays, as through the compression manager.
      {"mp3_mpeg25_8000.mp3", 1, 8000, 16, 4, 529},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const SoundBytes image = ReadWhole(RealFile(c.file));
    const SoundBytes reference = ReadWhole(RealFile(ReferenceOf(c.file)));
    ASSERT_FALSE(image.empty());
    // Without the last-resort opener nothing takes the file.
    GetSoundSystemState().decoderDisableMask = kDecoderMaskFallback;
    EXPECT_EQ(ImageDecoder(image).result(), -1);
    GetSoundSystemState().decoderDisableMask = 0;
    LogCapture log;
    ImageDecoder decoder(image);
    ASSERT_EQ(decoder.result(), 0) << "is the GStreamer plugin for this format installed?\n"
                                   << log.Read();
    EXPECT_EQ(decoder.get()->kind, kDecoderMemoryPcm);
    EXPECT_EQ(decoder.get()->outFormat.channels, c.channels);
    EXPECT_EQ(static_cast<int>(decoder.get()->outFormat.samplesPerSec), c.rate);
    EXPECT_EQ(decoder.get()->outFormat.bitsPerSample, c.bits);
    SoundBytes pcm = decoder.ReadAll();
    EXPECT_EQ(GetSoundDecoderTotalBytes(decoder.get()), static_cast<int>(pcm.size()));
    const size_t lead = static_cast<size_t>(c.leadSamples) * decoder.get()->outFormat.blockAlign;
    ASSERT_EQ(pcm.size(), reference.size() + lead);
    pcm.erase(pcm.begin(), pcm.begin() + static_cast<long>(lead));
    if (c.largest == 0) {
      EXPECT_TRUE(pcm == reference);
    } else {
      const Difference d = Compare16(pcm, reference);
      EXPECT_LE(d.largest, c.largest) << "rms " << d.rms;
    }
  }
}

// The movie's frames against ffmpeg's decode of the same planes, converted
// by the colour formula of the movie path: each pixel takes the chroma
// sample of its own position under the layout's subsampling.
struct Planes {
  int width, height, chromaWidth, chromaHeight;
  const uint8_t* y;
  const uint8_t* u;
  const uint8_t* v;
};

int Channel(double value) {
  const int t = static_cast<int>(value);
  return t < 0 ? 0 : t > 255 ? 255 : t;
}

TEST_F(RealFilesTest, TheoraInEveryChromaLayoutShowsThePictureInItsColours) {
  const struct {
    const char* name;
    int chromaShiftX, chromaShiftY;
  } cases[] = {{"420", 1, 1}, {"422", 1, 0}, {"444", 0, 0}};
  constexpr int kWidth = 168, kHeight = 100, kFrames = 4;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string base = RealFile(std::string("theora_") + c.name + "_168x100");
    const SoundBytes reference = ReadWhole(base + ".ref");
    const int chromaWidth = kWidth >> c.chromaShiftX;
    const int chromaHeight = kHeight >> c.chromaShiftY;
    const size_t frameBytes = kWidth * kHeight + 2 * chromaWidth * chromaHeight;
    ASSERT_EQ(reference.size(), frameBytes * kFrames);
    const std::string path = base + ".ogv";
    const StreamHandle stream = OpenStream(path.c_str(), 0, 1, 0);
    ASSERT_NE(stream, 0u);
    TheoraDecoder* decoder = OpenTheoraDecoder(GetFileAccessTable(), stream, 10);
    ASSERT_NE(decoder, nullptr);
    TheoraMovieInfo info{};
    ReadTheoraMovieInfo(decoder, &info);
    EXPECT_EQ(info.width, kWidth) << "the picture, not the coded frame";
    EXPECT_EQ(info.height, kHeight);
    EXPECT_EQ(info.frameCount, kFrames);
    const GraphImage& image = *GetTheoraFrameImage(decoder);
    ASSERT_EQ(image.width, kWidth);
    ASSERT_EQ(image.height, kHeight);
    for (int frame = 0; frame < kFrames; ++frame) {
      SCOPED_TRACE(frame);
      if (frame > 0) {
        AdvanceTheoraFrame(decoder, 1);
        ASSERT_EQ(UpdateTheoraFrameImage(decoder, 1, 0), 1);
      }
      const uint8_t* y = &reference[frameBytes * frame];
      const uint8_t* u = y + kWidth * kHeight;
      const uint8_t* v = u + chromaWidth * chromaHeight;
      int largest = 0;
      double total = 0;
      for (int row = 0; row < kHeight; ++row) {
        for (int x = 0; x < kWidth; ++x) {
          const int chroma = (row >> c.chromaShiftY) * chromaWidth + (x >> c.chromaShiftX);
          const double luma = (y[row * kWidth + x] - 16) * 1.164;
          const int cu = u[chroma] - 128, cv = v[chroma] - 128;
          const int expected[3] = {Channel(luma + 2.018 * cu),
                                   Channel(luma - 0.391 * cu - 0.813 * cv),
                                   Channel(luma + 1.596 * cv)};
          const uint8_t* got = static_cast<const uint8_t*>(image.pixels) + row * image.pitch + x * 4;
          for (int k = 0; k < 3; ++k) {
            const int diff = abs(got[k] - expected[k]);
            largest = std::max(largest, diff);
            total += diff;
          }
        }
      }
      // The 4:2:0 path works in integer tables: one step of rounding apart.
      EXPECT_LE(largest, 1);
      EXPECT_LT(total / (kWidth * kHeight * 3), 0.5);
    }
    CloseTheoraDecoder(decoder);
    CloseStream(stream);
  }
}

}  // namespace
