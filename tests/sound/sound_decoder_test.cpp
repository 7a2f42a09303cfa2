#include "sound/sound_decoder.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include "Ombrel.h"
#include "sound/acm_codec.h"
#include "sound/sound_state.h"
#include "support/sound_fixtures.h"
#include "system/tracked_memory.h"

namespace {

// A decoder over a memory image, closed with everything it made.
class MemoryDecoder {
 public:
  explicit MemoryDecoder(const SoundBytes& image)
      : memory_(OpenMemoryStream(image.data(), static_cast<int>(image.size()))) {
    const SourceStream stream = MakeSourceStream(GetMemoryStreamOps(), memory_);
    result_ = OpenSoundDecoder(&stream, &decoder_);
  }
  ~MemoryDecoder() {
    if (decoder_.valid) CloseSoundDecoder(&decoder_);
    CloseMemoryStream(memory_);
  }
  int result() const { return result_; }
  SoundDecoder* operator->() { return &decoder_; }
  SoundDecoder* get() { return &decoder_; }

  SoundBytes ReadAll() {
    SoundBytes out;
    uint8_t chunk[3001];
    int got;
    while ((got = ReadSoundDecoder(&decoder_, chunk, sizeof chunk)) > 0) {
      out.insert(out.end(), chunk, chunk + got);
    }
    return out;
  }

 private:
  MemoryStream* memory_;
  SoundDecoder decoder_ = {};
  int result_;
};

class SoundDecoderTest : public testing::Test {
 protected:
  void SetUp() override {
    LoadAcmCodec();
    GetSoundSystemState().decoderDisableMask = 0;
  }
  void TearDown() override { GetSoundSystemState().decoderDisableMask = 0; }
};

int16_t Sample16(const SoundBytes& bytes, size_t index) {
  int16_t value;
  memcpy(&value, &bytes[2 * index], 2);
  return value;
}

TEST_F(SoundDecoderTest, WavPcmLayoutsDecodeToTheirData) {
  const SoundBytes odd = PatternBytes(1001, 1);
  const SoundBytes stereo = PatternBytes(4000, 2);
  struct Case {
    const char* name;
    SoundBytes image;
    SoundBytes pcm;
    int channels, rate, bits;
  };
  WaveFormat shortForm = MakePcmWaveFormat(2, 22050, 16);
  shortForm.bitsPerSample = 12;  // a 16-byte chunk takes its bits from the block align
  const Case cases[] = {
      {"8-bit mono, odd size", MakePcmWave(1, 11025, 8, odd), odd, 1, 11025, 8},
      {"16-bit stereo", MakePcmWave(2, 44100, 16, stereo), stereo, 2, 44100, 16},
      {"bext first, list between",
       MakeWaveImage(MakePcmWaveFormat(1, 8000, 16), stereo, 18, {{"bext", PatternBytes(603, 3)}},
                     {{"LIST", PatternBytes(17, 4)}, {"fact", PatternBytes(4, 5)}}),
       stereo, 1, 8000, 16},
      {"16-byte format chunk", MakeWaveImage(shortForm, stereo, 16), stereo, 2, 22050, 16},
  };
  for (const Case& c : cases) {
    MemoryDecoder decoder(c.image);
    ASSERT_EQ(decoder.result(), 0) << c.name;
    EXPECT_EQ(decoder->kind, kDecoderWavPcm) << c.name;
    EXPECT_EQ(decoder->outFormat.channels, c.channels) << c.name;
    EXPECT_EQ(decoder->outFormat.samplesPerSec, static_cast<uint32_t>(c.rate)) << c.name;
    EXPECT_EQ(decoder->outFormat.bitsPerSample, c.bits) << c.name;
    EXPECT_EQ(decoder->outFormat.extraSize, 0) << c.name;
    EXPECT_EQ(GetSoundDecoderTotalBytes(decoder.get()), static_cast<int>(c.pcm.size())) << c.name;
    EXPECT_EQ(decoder.ReadAll(), c.pcm) << c.name;
    EXPECT_EQ(decoder->endOfData, 1) << c.name;
    uint8_t byte;
    EXPECT_EQ(ReadSoundDecoder(decoder.get(), &byte, 1), 0) << c.name;
  }
}

TEST_F(SoundDecoderTest, MalformedAndTruncatedFilesAreRejectedWithoutLeaks) {
  const SoundBytes pcm = PatternBytes(800, 6);
  const SoundBytes good = MakePcmWave(2, 8000, 16, pcm);
  WaveFormat noChannels = MakePcmWaveFormat(2, 8000, 16);
  noChannels.channels = 0;
  WaveFormat noBlock = MakePcmWaveFormat(2, 8000, 16);
  noBlock.blockAlign = 0;
  std::vector<std::pair<std::string, SoundBytes>> cases = {
      {"list chunk first",
       MakeWaveImage(MakePcmWaveFormat(1, 8000, 8), pcm, 18, {{"LIST", PatternBytes(8, 7)}})},
      {"no channels", MakeWaveImage(noChannels, pcm)},
      {"no block align", MakeWaveImage(noBlock, pcm)},
      {"format chunk of 14 bytes", MakeWaveImage(MakePcmWaveFormat(1, 8000, 8), pcm, 14)},
      {"not RIFF", SoundBytes(good.begin() + 1, good.end())},
      {"empty", {}},
  };
  // Every cut of a good file inside its header.
  constexpr size_t kHeaderBytes = 12 + 8 + 18 + 8;
  for (size_t size = 0; size < kHeaderBytes; size += 3) {
    cases.push_back(
        {"cut at " + std::to_string(size), SoundBytes(good.begin(), good.begin() + size)});
  }
  const MemoryTotals before = CurrentMemoryTotals();
  for (const auto& [name, image] : cases) {
    MemoryDecoder decoder(image);
    EXPECT_EQ(decoder.result(), -1) << name << " opened as kind " << decoder->kind;
  }
  // A cut inside the data, and a data size written as 0xFFFFFFFF by a
  // recorder that never came back to fill it in: the whole sample frames
  // that are there are the sound.
  for (size_t size = kHeaderBytes; size <= good.size(); size += 7) {
    SCOPED_TRACE(size);
    const SoundBytes image(good.begin(), good.begin() + size);
    MemoryDecoder cut(image);
    ASSERT_EQ(cut.result(), 0);
    EXPECT_EQ(cut->kind, kDecoderWavPcm);
    const int frames = static_cast<int>(size - kHeaderBytes) / 4 * 4;
    EXPECT_EQ(GetSoundDecoderTotalBytes(cut.get()), frames);
    EXPECT_EQ(cut.ReadAll(), SoundBytes(pcm.begin(), pcm.begin() + frames));
  }
  SoundBytes streamed = good;
  const uint8_t unknown[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  memcpy(&streamed[kHeaderBytes - 4], unknown, 4);
  {
    MemoryDecoder decoder(streamed);
    ASSERT_EQ(decoder.result(), 0);
    EXPECT_EQ(GetSoundDecoderTotalBytes(decoder.get()), static_cast<int>(pcm.size()));
    EXPECT_EQ(decoder.ReadAll(), pcm);
  }
  // Noise may hold something that looks like MPEG frames; it is then read
  // as such, without harm.
  for (uint32_t seed = 0; seed < 8; ++seed) {
    MemoryDecoder decoder(PatternBytes(5000, seed));
    if (decoder.result() == 0) decoder.ReadAll();
  }
  EXPECT_EQ(CurrentMemoryTotals(), before);
}

TEST_F(SoundDecoderTest, WavSeeksMoveToTheSampleAndIgnoreTinySteps) {
  const SoundBytes pcm = PatternBytes(40000, 9);
  MemoryDecoder decoder(MakePcmWave(2, 8000, 16, pcm));
  ASSERT_EQ(decoder.result(), 0);
  uint8_t buffer[64];
  ASSERT_EQ(ReadSoundDecoder(decoder.get(), buffer, 36), 36);
  // 3 samples of 16-bit stereo are 12 bytes: closer than 16, so nothing moves.
  EXPECT_EQ(SeekSoundDecoder(decoder.get(), 9 + 3), 0);
  EXPECT_EQ(decoder->outPos, 36);
  ASSERT_EQ(ReadSoundDecoder(decoder.get(), buffer, 8), 8);
  EXPECT_EQ(memcmp(buffer, &pcm[36], 8), 0);
  EXPECT_EQ(SeekSoundDecoder(decoder.get(), 5000), 0);
  ASSERT_EQ(ReadSoundDecoder(decoder.get(), buffer, 64), 64);
  EXPECT_EQ(memcmp(buffer, &pcm[20000], 64), 0);
  // Past the end: reads end, and a seek back clears the end.
  SeekSoundDecoder(decoder.get(), 20000);
  EXPECT_EQ(ReadSoundDecoder(decoder.get(), buffer, 64), 0);
  EXPECT_EQ(decoder->endOfData, 1);
  SeekSoundDecoder(decoder.get(), 0);
  EXPECT_EQ(decoder->endOfData, 0);
  ASSERT_EQ(ReadSoundDecoder(decoder.get(), buffer, 64), 64);
  EXPECT_EQ(memcmp(buffer, &pcm[0], 64), 0);
}

TEST_F(SoundDecoderTest, ImaAdpcmWavDecodesThroughTheCompressionManager) {
  // Blocks larger than the 2048 compressed bytes fed per conversion must
  // still be converted whole, not taken for the end of the data.
  for (int blockAlign : {256, 4096}) {
    SCOPED_TRACE(blockAlign);
    const int frames = 4 * ImaSamplesPerBlock(blockAlign);
    const SoundBytes tone = ToneSamples16(22050, 1, frames, 441);
    MemoryDecoder decoder(EncodeImaAdpcmWave(tone, 22050, blockAlign));
    ASSERT_EQ(decoder.result(), 0);
    EXPECT_EQ(decoder->kind, kDecoderAcm);
    EXPECT_EQ(decoder->outFormat.formatTag, kWaveFormatPcm);
    EXPECT_EQ(decoder->outFormat.bitsPerSample, 16);
    EXPECT_EQ(decoder->outFormat.channels, 1);
    const SoundBytes pcm = decoder.ReadAll();
    ASSERT_EQ(pcm.size(), tone.size());
    long long error = 0;
    for (int i = 0; i < frames; ++i) error += abs(Sample16(pcm, i) - Sample16(tone, i));
    EXPECT_LT(error / frames, 300) << "the decoded tone follows the source";
  }
}

TEST_F(SoundDecoderTest, OggVorbisDecodesAndSeeks) {
  const int frames = 22050;
  const SoundBytes tone = ToneSamples16(22050, 2, frames, 300);
  const SoundBytes image = EncodeOggVorbis(tone, 22050, 2);
  MemoryDecoder decoder(image);
  ASSERT_EQ(decoder.result(), 0);
  EXPECT_EQ(decoder->kind, kDecoderOgg);
  EXPECT_EQ(decoder->outFormat.samplesPerSec, 22050u);
  EXPECT_EQ(decoder->outFormat.blockAlign, 4);
  EXPECT_EQ(GetSoundDecoderTotalBytes(decoder.get()), frames * 4);
  const SoundBytes pcm = decoder.ReadAll();
  ASSERT_EQ(pcm.size(), static_cast<size_t>(frames * 4));
  SeekSoundDecoder(decoder.get(), 11025);
  uint8_t buffer[400];
  ASSERT_EQ(ReadSoundDecoder(decoder.get(), buffer, sizeof buffer), 400);
  EXPECT_EQ(memcmp(buffer, &pcm[11025 * 4], sizeof buffer), 0);

  const MemoryTotals before = CurrentMemoryTotals();
  for (size_t size = 0; size < image.size(); size += image.size() / 23) {
    MemoryDecoder cut(SoundBytes(image.begin(), image.begin() + size));
    if (cut.result() == 0) cut.ReadAll();
  }
  EXPECT_EQ(CurrentMemoryTotals(), before);
}

TEST_F(SoundDecoderTest, Mp3WithTagsDecodesEveryFrame) {
  const SoundBytes image = ReadMp3Fixture(TEST_SOURCE_DIR);
  ASSERT_GT(image.size(), 1000u);
  MemoryDecoder decoder(image);
  ASSERT_EQ(decoder.result(), 0);
  EXPECT_EQ(decoder->kind, kDecoderAcm);
  EXPECT_EQ(decoder->outFormat.samplesPerSec, 44100u);
  EXPECT_EQ(decoder->outFormat.channels, 2);
  EXPECT_EQ(decoder->blockBytes, 176400 * 4 / 3);
  // The data starts after the ID3v2 tag and stops before the 128-byte "TAG".
  EXPECT_EQ(memcmp(&image[0], "ID3", 3), 0);
  EXPECT_GT(decoder->dataOffset, 10);
  EXPECT_EQ(decoder->dataOffset + decoder->dataBytes, static_cast<int>(image.size()) - 128);
  const int total = GetSoundDecoderTotalBytes(decoder.get());
  EXPECT_EQ(total % (1152 * 4), 0);
  EXPECT_GE(total, 44100 * 4);
  const SoundBytes pcm = decoder.ReadAll();
  EXPECT_GE(static_cast<int>(pcm.size()), 44100 * 4);
  EXPECT_LE(static_cast<int>(pcm.size()), total + 1152 * 4);
  int peak = 0;
  for (size_t i = 0; i < pcm.size() / 2; ++i) peak = std::max(peak, abs(Sample16(pcm, i)));
  EXPECT_GT(peak, 8000) << "the tone is heard";
}

TEST_F(SoundDecoderTest, AcmLoopBackMatchesALinearDecode) {
  const SoundBytes image = ReadMp3Fixture(TEST_SOURCE_DIR);
  MemoryDecoder linear(image);
  ASSERT_EQ(linear.result(), 0);
  const SoundBytes reference = linear.ReadAll();
  const int loopStartSample = 20000;
  const int loopBytes = loopStartSample * 4;
  MemoryDecoder looping(image);
  ASSERT_EQ(looping.result(), 0);
  looping->loopStartBytes = loopBytes;
  for (int pass = 0; pass < 3; ++pass) {
    const SoundBytes played = looping.ReadAll();
    const size_t from = pass == 0 ? 0 : loopBytes;
    ASSERT_EQ(played.size(), reference.size() - from) << "pass " << pass;
    EXPECT_TRUE(std::equal(played.begin(), played.end(), reference.begin() + from))
        << "pass " << pass;
    // The parked conversion has caught up to within 10240 bytes of the loop
    // start and never passes it, so the loop-back resumes from there.
    EXPECT_GE(looping->acm.parkedProduced, loopBytes - 10240);
    EXPECT_LE(looping->acm.parkedProduced, loopBytes);
    SeekSoundDecoder(looping.get(), loopStartSample);
    EXPECT_EQ(looping->outPos, loopBytes);
  }
}

TEST_F(SoundDecoderTest, DisableMaskSkipsOpenersAndTheFallbackTakesTheRest) {
  const SoundBytes pcm = PatternBytes(4000, 10);
  const SoundBytes wave = MakePcmWave(2, 8000, 16, pcm);
  GetSoundSystemState().decoderDisableMask = kDecoderMaskWavPcm;
  {
    MemoryDecoder decoder(wave);
    ASSERT_EQ(decoder.result(), 0);
    EXPECT_EQ(decoder->kind, kDecoderAcm) << "the compression manager converts PCM too";
    EXPECT_EQ(decoder.ReadAll(), pcm);
  }
  GetSoundSystemState().decoderDisableMask = 0x1F;
  EXPECT_EQ(MemoryDecoder(wave).result(), -1);

  // The last-resort opener hands over whole PCM in memory.
  GetSoundSystemState().decoderDisableMask = 0x0F;
  SetSoundDecoderFallbackOpener([](SoundDecoder* decoder) {
    decoder->memory.pcm = static_cast<uint8_t*>(TRACKED_ALLOC(5000));
    memset(decoder->memory.pcm, 0x5A, 5000);
    decoder->memory.pcmBytes = decoder->memory.capacity = 5000;
    decoder->outFormat = MakePcmWaveFormat(1, 1000, 16);
    decoder->blockBytes = 2000;
    decoder->kind = kDecoderMemoryPcm;
    return 0;
  });
  {
    MemoryDecoder decoder(wave);
    ASSERT_EQ(decoder.result(), 0);
    SeekSoundDecoder(decoder.get(), 1000);
    EXPECT_EQ(decoder.ReadAll(), SoundBytes(3000, 0x5A));
  }
  SetSoundDecoderFallbackOpener(nullptr);
}

TEST_F(SoundDecoderTest, DecodeToMemoryHoldsTheWholeSound) {
  const SoundBytes pcm = PatternBytes(12346, 11);
  MemoryDecoder decoder(MakePcmWave(1, 8000, 16, pcm));
  ASSERT_EQ(decoder.result(), 0);
  uint8_t skip[100];
  ReadSoundDecoder(decoder.get(), skip, sizeof skip);
  WaveFormat format;
  void* block = nullptr;
  int size = 0;
  ASSERT_EQ(DecodeSoundToMemory(decoder.get(), &format, &block, &size), 0);
  EXPECT_EQ(size, 12346);
  EXPECT_EQ(memcmp(block, pcm.data(), pcm.size()), 0);
  EXPECT_EQ(format.samplesPerSec, 8000u);
  FreeTrackedMemory(block);
}

}  // namespace
