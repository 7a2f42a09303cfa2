#include "sound/audio_conversion.h"

#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "sound/dshow_guids.h"
#include "sound/sound_state.h"
#include "support/log_capture.h"
#include "support/movie_fixtures.h"
#include "support/sound_fixtures.h"
#include "system/tracked_memory.h"

namespace {

// Opens a decoder over the image with every opener but DirectShow masked.
int OpenThroughDirectShowOnly(const SoundBytes& image, SoundDecoder* decoder) {
  MemoryStream* memory = OpenMemoryStream(image.data(), static_cast<int>(image.size()));
  const SourceStream stream = MakeSourceStream(GetMemoryStreamOps(), memory);
  GetSoundSystemState().decoderDisableMask = 0x0F;
  const int result = OpenSoundDecoder(&stream, decoder);
  GetSoundSystemState().decoderDisableMask = 0;
  if (result == 0) CloseSoundDecoder(decoder);
  CloseMemoryStream(memory);
  return result;
}

TEST(AudioConversionTest, FailuresAreLoggedWithTheirTextsAndFreeEverything) {
  SoundSystemScope sound;
  ASSERT_EQ(sound.result(), 0);
  TheoraMovieSpec spec;
  const struct {
    const char* name;
    SoundBytes image;
    const char* text;
  } cases[] = {
      {"nothing DirectShow can parse", SoundBytes(4000, 0), "グラフの構築に失敗しました"},
      {"a movie without sound", MakeTheoraMovie(spec),
       "音声が含まれていないか、オーディオフォーマットの取得に失敗しました。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const MemoryTotals before = CurrentMemoryTotals();
    LogCapture log;
    SoundDecoder decoder = {};
    EXPECT_EQ(OpenThroughDirectShowOnly(c.image, &decoder), -1);
    EXPECT_NE(log.Read().find(c.text), std::string::npos) << log.Read();
    EXPECT_EQ(decoder.memory.pcm, nullptr);
    EXPECT_EQ(CurrentMemoryTotals(), before);
  }
}

TEST(AudioConversionTest, AWavDecodesThroughTheGraphToItsOwnSamples) {
  SoundSystemScope sound;
  const SoundBytes pcm = ToneSamples16(22050, 2, 11025, 440);
  const SoundBytes wave = MakePcmWave(2, 22050, 16, pcm);
  MemoryStream* memory = OpenMemoryStream(wave.data(), static_cast<int>(wave.size()));
  const SourceStream stream = MakeSourceStream(GetMemoryStreamOps(), memory);
  GetSoundSystemState().decoderDisableMask = 0x0F;
  SoundDecoder decoder = {};
  ASSERT_EQ(OpenSoundDecoder(&stream, &decoder), 0);
  GetSoundSystemState().decoderDisableMask = 0;
  EXPECT_EQ(decoder.kind, kDecoderMemoryPcm);
  EXPECT_EQ(decoder.outFormat.blockAlign, 4);
  EXPECT_EQ(decoder.outFormat.avgBytesPerSec, 88200u);
  EXPECT_EQ(decoder.blockBytes, 88200);
  // The buffer started at ten times the file and never had to grow.
  EXPECT_EQ(decoder.memory.capacity, static_cast<int>(wave.size()) * 10);
  ASSERT_EQ(decoder.memory.pcmBytes, static_cast<int>(pcm.size()));
  EXPECT_EQ(memcmp(decoder.memory.pcm, pcm.data(), pcm.size()), 0);
  CloseSoundDecoder(&decoder);
  CloseMemoryStream(memory);
}

// A real sample from the platform's allocator, holding bytes.
class FilledSample {
 public:
  FilledSample(int bytes, uint8_t value) {
    D_CoCreateInstance(D_CLSID_MemoryAllocator, __uuidof(IMemAllocator),
                       reinterpret_cast<void**>(&allocator_));
    if (!allocator_) return;
    ALLOCATOR_PROPERTIES wanted = {1, bytes, 1, 0}, got = {};
    allocator_->SetProperties(&wanted, &got);
    allocator_->Commit();
    allocator_->GetBuffer(&sample_, nullptr, nullptr, 0);
    if (!sample_) return;
    BYTE* data = nullptr;
    sample_->GetPointer(&data);
    memset(data, value, static_cast<size_t>(bytes));
    sample_->SetActualDataLength(bytes);
  }
  ~FilledSample() {
    if (sample_) sample_->Release();
    if (allocator_) {
      allocator_->Decommit();
      allocator_->Release();
    }
  }
  IMediaSample* get() const { return sample_; }

 private:
  IMemAllocator* allocator_ = nullptr;
  IMediaSample* sample_ = nullptr;
};

TEST(AudioConversionTest, GrabbedPcmGrowsInMegabyteSteps) {
  SoundSystemScope sound;
  constexpr int kMegabyte = 0x100000;
  SoundDecoder decoder = {};
  decoder.memory.capacity = 10 * kMegabyte;
  decoder.memory.pcm = static_cast<uint8_t*>(TRACKED_ALLOC(decoder.memory.capacity));
  ASSERT_NE(decoder.memory.pcm, nullptr);
  decoder.memory.pcmBytes = 10 * kMegabyte - 1000;
  memset(decoder.memory.pcm, 0x11, static_cast<size_t>(decoder.memory.pcmBytes));
  FilledSample sample(kMegabyte / 2, 0x22);
  ASSERT_NE(sample.get(), nullptr);
  // 1000 bytes short of 10 MB plus half a megabyte: one step of 1 MB.
  EXPECT_EQ(AppendGrabbedPcm(sample.get(), nullptr, nullptr, &decoder), S_OK);
  EXPECT_EQ(decoder.memory.capacity, 11 * kMegabyte);
  EXPECT_EQ(decoder.memory.pcmBytes, 10 * kMegabyte - 1000 + kMegabyte / 2);
  EXPECT_EQ(decoder.memory.pcm[10 * kMegabyte - 1001], 0x11);
  EXPECT_EQ(decoder.memory.pcm[10 * kMegabyte - 1000], 0x22);
  EXPECT_EQ(decoder.memory.pcm[decoder.memory.pcmBytes - 1], 0x22);
  FreeTrackedMemory(decoder.memory.pcm);
  // With the buffer gone (a growth failed before) nothing more is taken.
  decoder.memory = MemoryPcmState{};
  EXPECT_EQ(AppendGrabbedPcm(sample.get(), nullptr, nullptr, &decoder), S_OK);
  EXPECT_EQ(decoder.memory.pcmBytes, 0);
}

}  // namespace
