#include "sound/theora_decoder.h"

#include <stdlib.h>
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/movie_fixtures.h"
#include "support/sound_fixtures.h"
#include "system/file_access.h"

namespace {

constexpr int kGreyTolerance = 8;

int Grey(const GraphImage& image, int x, int y) {
  const uint8_t* pixel = static_cast<const uint8_t*>(image.pixels) + y * image.pitch + x * 4;
  return (pixel[0] + pixel[1] + pixel[2]) / 3;
}

int ShownFrame(const GraphImage& image) {
  return ReadFrameNumber(static_cast<const uint8_t*>(image.pixels), image.pitch, image.width,
                         image.height);
}

// A movie file written into the test's folder and opened as a stream.
class MovieFile {
 public:
  MovieFile(const std::string& name, const MovieBytes& bytes) : name_(name) {
    EXPECT_TRUE(WriteMovieFile(name, bytes));
    stream_ = OpenStream(name.c_str(), 0, 1, 0);
    EXPECT_NE(stream_, 0u);
  }
  ~MovieFile() {
    if (stream_) CloseStream(stream_);
    DeleteFileA(name_.c_str());
  }
  TheoraDecoder* Open(int stock = 10) {
    return OpenTheoraDecoder(GetFileAccessTable(), stream_, stock);
  }

 private:
  std::string name_;
  StreamHandle stream_ = 0;
};

int WantFrame(TheoraDecoder* decoder) {
  if (UpdateTheoraFrameImage(decoder, 1, 0) != 1) return -2;
  return ShownFrame(*GetTheoraFrameImage(decoder));
}

TEST(TheoraDecoderTest, ReportsTheStreamAndShowsFrameZeroTheRightWayUp) {
  TheoraMovieSpec spec;
  spec.width = 80;
  spec.height = 48;
  spec.fpsNumerator = 24000;
  spec.fpsDenominator = 1001;
  MovieFile file("info.ogv", MakeTheoraMovie(spec));
  TheoraDecoder* decoder = file.Open();
  ASSERT_NE(decoder, nullptr);
  TheoraMovieInfo info{};
  ReadTheoraMovieInfo(decoder, &info);
  EXPECT_DOUBLE_EQ(info.framesPerSecond, 24000.0 / 1001.0);
  EXPECT_EQ(info.frameCount, spec.frames);
  EXPECT_EQ(info.width, 80);
  EXPECT_EQ(info.height, 48);
  EXPECT_EQ(GetTheoraCurrentFrame(decoder), 0);
  const GraphImage& image = *GetTheoraFrameImage(decoder);
  ASSERT_EQ(image.width, 80);
  // Opening converted frame 0 already: nothing more is needed.
  EXPECT_EQ(UpdateTheoraFrameImage(decoder, 1, 0), 0);
  EXPECT_NEAR(Grey(image, 5, 1), kBandGrey, kGreyTolerance);
  EXPECT_NEAR(Grey(image, 5, kBandRows + 2), (128 - 16) * 1.164, kGreyTolerance);
  EXPECT_EQ(ShownFrame(image), 0);
  EXPECT_EQ(GetTheoraYUVSurface(decoder), nullptr);
  CloseTheoraDecoder(decoder);
}

// A picture smaller than the coded frame (whose sides are whole blocks of
// 16) is reported and drawn by itself, from its offsets: the band is its top
// rows and the frame's black margins never show.
TEST(TheoraDecoderTest, ShowsThePictureRegionAtItsOffsets) {
  TheoraMovieSpec spec;
  spec.width = 64;
  spec.height = 64;
  spec.frames = 6;
  spec.pictureLeft = 8;
  spec.pictureTop = 16;
  spec.pictureWidth = 48;
  spec.pictureHeight = 40;
  MovieFile file("picture.ogv", MakeTheoraMovie(spec));
  TheoraDecoder* decoder = file.Open();
  ASSERT_NE(decoder, nullptr);
  TheoraMovieInfo info{};
  ReadTheoraMovieInfo(decoder, &info);
  EXPECT_EQ(info.width, 48);
  EXPECT_EQ(info.height, 40);
  const GraphImage& image = *GetTheoraFrameImage(decoder);
  ASSERT_EQ(image.width, 48);
  ASSERT_EQ(image.height, 40);
  for (int frame = 0; frame < spec.frames; ++frame) {
    SCOPED_TRACE(frame);
    if (frame > 0) {
      AdvanceTheoraFrame(decoder, 1);
      ASSERT_EQ(UpdateTheoraFrameImage(decoder, 1, 0), 1);
    }
    for (const int x : {0, 24, 47}) {
      EXPECT_NEAR(Grey(image, x, 0), kBandGrey, kGreyTolerance) << "the band is the top row";
      EXPECT_NEAR(Grey(image, x, kBandRows + 2), (128 - 16) * 1.164, kGreyTolerance);
    }
    EXPECT_EQ(ShownFrame(image), frame);
  }
  CloseTheoraDecoder(decoder);
}

TEST(TheoraDecoderTest, RefusesWhatIsNoTheoraMovieAndFreesEverything) {
  TheoraMovieSpec spec;
  const MovieBytes movie = MakeTheoraMovie(spec);
  // The Theora headers end after the first pages; cut inside them.
  const MovieBytes cutInHeaders(movie.begin(), movie.begin() + 120);
  const MovieBytes notOgg = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '};
  const struct {
    const char* name;
    MovieBytes bytes;
  } cases[] = {
      {"empty", {}},
      {"not Ogg", notOgg},
      {"Vorbis only", MakeVorbisOnlyOgg(300)},
      {"cut in the headers", cutInHeaders},
      {"just the magic", {'O', 'g', 'g', 'S'}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const MemoryTotals before = CurrentMemoryTotals();
    {
      MovieFile file("refused.ogv", c.bytes);
      EXPECT_EQ(file.Open(), nullptr);
    }
    EXPECT_EQ(CurrentMemoryTotals(), before);
  }
}

TEST(TheoraDecoderTest, IndexesEveryPageAndKeyFrame) {
  TheoraMovieSpec spec;
  spec.frames = 10;
  spec.keyFrameInterval = 4;
  MovieFile file("index.ogv", MakeTheoraMovie(spec));
  TheoraDecoder* decoder = file.Open();
  ASSERT_NE(decoder, nullptr);
  ASSERT_EQ(decoder->packetCount, 10);
  ASSERT_EQ(decoder->pageCount, 10);  // one page per frame
  for (int i = 0; i < 10; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(decoder->keyFlags[i], i % 4 == 0 ? 1 : 0);
    EXPECT_EQ(decoder->pages[i].firstPacket, i);
    EXPECT_EQ(decoder->pages[i].packetCount, 1);
    EXPECT_EQ(decoder->pages[i].keyFrame, decoder->keyFlags[i]);
  }
  EXPECT_EQ(decoder->pages[0].offset, 0);
  EXPECT_GT(decoder->pages[1].offset, decoder->pages[0].offset);
  CloseTheoraDecoder(decoder);
}

TEST(TheoraDecoderTest, AdvancesFrameByFrameAndWrapsToTheFirstPage) {
  for (const bool pagePerFrame : {true, false}) {
    SCOPED_TRACE(pagePerFrame ? "a page per frame" : "the encoder's pages");
    TheoraMovieSpec spec;
    spec.frames = 14;
    spec.keyFrameInterval = 5;
    spec.pagePerFrame = pagePerFrame;
    MovieFile file("advance.ogv", MakeTheoraMovie(spec));
    TheoraDecoder* decoder = file.Open(4);
    ASSERT_NE(decoder, nullptr);
    std::vector<int> shown;
    for (int step = 0; step < 2 * spec.frames + 3; ++step) {
      AdvanceTheoraFrame(decoder, 1);
      shown.push_back(WantFrame(decoder));
    }
    std::vector<int> expected;
    for (int step = 0; step < 2 * spec.frames + 3; ++step) expected.push_back((step + 1) % spec.frames);
    EXPECT_EQ(shown, expected);
    CloseTheoraDecoder(decoder);
  }
}

TEST(TheoraDecoderTest, SeeksToAnyFrameThroughItsKeyFramePage) {
  TheoraMovieSpec spec;
  spec.frames = 20;
  spec.keyFrameInterval = 6;
  MovieFile file("seek.ogv", MakeTheoraMovie(spec));
  TheoraDecoder* decoder = file.Open();
  ASSERT_NE(decoder, nullptr);
  for (const int target : {13, 2, 19, 6, 9, 0, 18, 12}) {
    SCOPED_TRACE(target);
    SeekTheoraFrame(decoder, target);
    EXPECT_EQ(GetTheoraCurrentFrame(decoder), target);
    EXPECT_EQ(WantFrame(decoder), target);
    // Frames after a seek follow on from it.
    AdvanceTheoraFrame(decoder, 1);
    EXPECT_EQ(WantFrame(decoder), (target + 1) % spec.frames);
  }
  // Beyond the end is the last frame, before the start the first.
  SeekTheoraFrame(decoder, 500);
  EXPECT_EQ(WantFrame(decoder), spec.frames - 1);
  SeekTheoraFrame(decoder, -3);
  EXPECT_EQ(WantFrame(decoder), 0);
  CloseTheoraDecoder(decoder);
}

TEST(TheoraDecoderTest, FullStockOfLastFramesMakesRoomWhenTheWantedFrameWraps) {
  TheoraMovieSpec spec;
  spec.frames = 14;
  MovieFile file("full.ogv", MakeTheoraMovie(spec));
  TheoraDecoder* decoder = file.Open(4);
  ASSERT_NE(decoder, nullptr);
  AdvanceTheoraFrame(decoder, 10);
  ASSERT_EQ(WantFrame(decoder), 10);
  // The stock fills with frames 10 to 13 and the thread idles.
  for (int i = 0; i < 2000 && __atomic_load_n(&decoder->threadState, __ATOMIC_SEQ_CST) != kTheoraIdle; ++i) {
    Sleep(1);
  }
  ASSERT_EQ(decoder->threadState, kTheoraIdle);
  AdvanceTheoraFrame(decoder, 4);  // straight past the end to frame 0
  EXPECT_EQ(WantFrame(decoder), 0);
  CloseTheoraDecoder(decoder);
}

// The thread frees slots by the wanted frame it last saw while the caller
// converts the slot of the frame it has just moved to: every image must show
// the frame asked for, whatever the thread does meanwhile.
TEST(TheoraDecoderTest, ConvertedFrameIsNeverFreedUnderTheCaller) {
  TheoraMovieSpec spec;
  spec.frames = 23;
  spec.keyFrameInterval = 3;
  MovieFile file("race.ogv", MakeTheoraMovie(spec));
  TheoraDecoder* decoder = file.Open(3);
  ASSERT_NE(decoder, nullptr);
  int expected = 0;
  int wrong = 0;
  for (int step = 0; step < 400; ++step) {
    const int advance = 1 + step % 5;  // some within the stock, some past it
    AdvanceTheoraFrame(decoder, advance);
    expected = (expected + advance) % spec.frames;
    if (WantFrame(decoder) != expected) ++wrong;
  }
  EXPECT_EQ(wrong, 0);
  CloseTheoraDecoder(decoder);
}

TEST(TheoraDecoderTest, AdvanceWrapsOnceAtTheFrameCount) {
  TheoraMovieSpec spec;
  spec.frames = 60;
  spec.keyFrameInterval = 30;
  MovieFile file("wrap.ogv", MakeTheoraMovie(spec));
  TheoraDecoder* decoder = file.Open();
  ASSERT_NE(decoder, nullptr);
  SeekTheoraFrame(decoder, 58);
  AdvanceTheoraFrame(decoder, 5);
  EXPECT_EQ(GetTheoraCurrentFrame(decoder), 3);
  EXPECT_EQ(WantFrame(decoder), 3);
  AdvanceTheoraFrame(decoder, 0);
  AdvanceTheoraFrame(decoder, -4);
  EXPECT_EQ(GetTheoraCurrentFrame(decoder), 3);
  // A step longer than the movie still lands on a frame that exists.
  AdvanceTheoraFrame(decoder, 125);
  EXPECT_EQ(GetTheoraCurrentFrame(decoder), 8);
  EXPECT_EQ(WantFrame(decoder), 8);
  CloseTheoraDecoder(decoder);
}

TEST(TheoraDecoderTest, ClosesWhileDecodingOrPausedAndFreesEverything) {
  TheoraMovieSpec spec;
  spec.frames = 30;
  const MovieBytes movie = MakeTheoraMovie(spec);
  for (const bool paused : {false, true}) {
    SCOPED_TRACE(paused ? "paused" : "decoding");
    const MemoryTotals before = CurrentMemoryTotals();
    {
      MovieFile file("close.ogv", movie);
      TheoraDecoder* decoder = file.Open(3);
      ASSERT_NE(decoder, nullptr);
      if (paused) {
        __atomic_store_n(&decoder->pauseRequest, 1, __ATOMIC_SEQ_CST);
        while (__atomic_load_n(&decoder->threadState, __ATOMIC_SEQ_CST) != kTheoraPaused) Sleep(1);
      } else {
        AdvanceTheoraFrame(decoder, 17);  // the thread jumps there now
      }
      EXPECT_EQ(CloseTheoraDecoder(decoder), 0);
    }
    EXPECT_EQ(CurrentMemoryTotals(), before);
  }
}

TEST(TheoraDecoderTest, FindsTheSeekPageBeforeTheKeyFrame) {
  // Pages of 3 packets; key frames on pages 0 and 3.
  const TheoraPageEntry pages[] = {
      {0, 0, 1, 3}, {100, 3, 0, 3}, {200, 6, 0, 3}, {300, 9, 1, 3}, {400, 12, 0, 3}, {500, 15, 0, 3},
  };
  const struct {
    int target;
    int page;
  } cases[] = {
      {0, 0}, {2, 0}, {3, 0}, {8, 0}, {11, 0}, {12, 2}, {17, 2}, {18, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    EXPECT_EQ(FindTheoraSeekPage(pages, 6, c.target), c.page);
  }
  EXPECT_EQ(FindTheoraSeekPage(pages, 0, 0), -1);
}

}  // namespace
