// The Theora decoder's thread and its frame stock under the thread
// sanitizer: the caller moves, seeks and converts frames while the thread
// decodes ahead, the file read through a read-ahead worker of its own.
#include "sound/theora_decoder.h"

#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/movie_fixtures.h"
#include "support/image_fixtures.h"
#include "system/win_file.h"

namespace {

// The frame the image shows once brought up to date (a seek to the frame
// already wanted leaves it as it is).
int ShownFrame(TheoraDecoder* decoder) {
  UpdateTheoraFrameImage(decoder, 1, 0);
  const GraphImage& image = *GetTheoraFrameImage(decoder);
  return ReadFrameNumber(static_cast<const uint8_t*>(image.pixels), image.pitch, image.width,
                         image.height);
}

// A movie written to a file and read through the cached Windows-file worker.
class MovieFile {
 public:
  MovieFile(const std::string& name, const TheoraMovieSpec& spec) : name_(name) {
    EXPECT_TRUE(WriteMovieFile(name, MakeTheoraMovie(spec)));
    file_ = OpenWinFile(name.c_str(), 1, 1, 0);
    EXPECT_NE(file_, nullptr);
  }
  ~MovieFile() {
    if (file_) CloseWinFile(file_);
    unlink(name_.c_str());
  }
  TheoraDecoder* Open(int stock) {
    return OpenTheoraDecoder(&kWinFileAccessTable, reinterpret_cast<StreamHandle>(file_), stock);
  }

 private:
  std::string name_;
  WinFile* file_ = nullptr;
};

// Steps of one to five frames, some inside the stock and some past it, then
// seeks: every converted image shows the frame asked for.
void PlayAndSeek(TheoraDecoder* decoder, int frames, int steps) {
  int expected = 0;
  int wrong = 0;
  for (int step = 0; step < steps; ++step) {
    const int advance = 1 + step % 5;
    AdvanceTheoraFrame(decoder, advance);
    expected = (expected + advance) % frames;
    if (ShownFrame(decoder) != expected) ++wrong;
  }
  EXPECT_EQ(wrong, 0);
  for (const int target : {13, 2, frames - 1, 6, 0}) {
    SeekTheoraFrame(decoder, target);
    EXPECT_EQ(ShownFrame(decoder), target);
    AdvanceTheoraFrame(decoder, 1);
    EXPECT_EQ(ShownFrame(decoder), (target + 1) % frames);
  }
}

TEST(TheoraDecoderThreadsTest, FramesShownWhileTheThreadDecodesAhead) {
  TheoraMovieSpec spec;
  spec.frames = 23;
  spec.keyFrameInterval = 3;
  MovieFile file("race.ogv", spec);
  TheoraDecoder* decoder = file.Open(3);
  ASSERT_NE(decoder, nullptr);
  PlayAndSeek(decoder, spec.frames, 150);
  EXPECT_EQ(CloseTheoraDecoder(decoder), 0);
}

// Closing while the thread decodes, while it seeks and while it is paused.
TEST(TheoraDecoderThreadsTest, ClosesWhateverTheThreadIsDoing) {
  TheoraMovieSpec spec;
  spec.frames = 30;
  const TrackedTotals before = TrackedTotals::Now();
  for (int how = 0; how < 3; ++how) {
    SCOPED_TRACE(how);
    MovieFile file("close.ogv", spec);
    TheoraDecoder* decoder = file.Open(3);
    ASSERT_NE(decoder, nullptr);
    if (how == 0) AdvanceTheoraFrame(decoder, 17);
    if (how == 1) SeekTheoraFrame(decoder, 25);
    if (how == 2) {
      __atomic_store_n(&decoder->pauseRequest, 1, __ATOMIC_SEQ_CST);
      while (__atomic_load_n(&decoder->threadState, __ATOMIC_SEQ_CST) != kTheoraPaused) usleep(1000);
    }
    EXPECT_EQ(CloseTheoraDecoder(decoder), 0);
  }
  EXPECT_EQ(TrackedTotals::Now(), before);
}

// Two movies played at once from two threads, each with its decode thread
// and file worker.
TEST(TheoraDecoderThreadsTest, TwoMoviesPlayAtOnce) {
  std::vector<std::thread> players;
  for (int i = 0; i < 2; ++i) {
    players.emplace_back([i] {
      TheoraMovieSpec spec;
      spec.frames = 20;
      spec.keyFrameInterval = 4 + i;
      spec.pagePerFrame = i == 0;
      MovieFile file("both" + std::to_string(i) + ".ogv", spec);
      TheoraDecoder* decoder = file.Open(4);
      ASSERT_NE(decoder, nullptr);
      PlayAndSeek(decoder, spec.frames, 60);
      EXPECT_EQ(CloseTheoraDecoder(decoder), 0);
    });
  }
  for (std::thread& player : players) player.join();
}

}  // namespace
