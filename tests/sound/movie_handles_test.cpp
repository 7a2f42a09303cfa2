#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Ombrel.h"
#include "sound/movie_services.h"
#include "sound/theora_decoder.h"
#include "support/movie_fixtures.h"
#include "support/sound_fixtures.h"
#include "system/file_access.h"

namespace {

TEST(MovieHandlesTest, TheoraFrameFollowsTheClock) {
  const struct {
    int64_t microseconds;
    int count;
    int hasSound;
    int loop;
    int frame;
  } cases[] = {
      {2500000, 100, 0, 0, 75}, {2500000, 60, 0, 2, 15}, {2500000, 60, 0, 0, 59},
      {2500000, 60, 1, 2, 59},  {-40000, 60, 0, 0, 0},   {33333, 60, 0, 0, 0},
      {33334, 60, 0, 0, 1},     {INT64_C(1) << 50, 60, 0, 2, 2147483647 % 60},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.microseconds);
    EXPECT_EQ(TheoraFrameAtTime(c.microseconds, 30.0, c.count, c.hasSound, c.loop), c.frame);
  }
  EXPECT_EQ(TheoraFrameAtTime(2500000, 30.0, 0, 0, 0), 0);
}

// A Theora movie at one frame per second, so that the clock can be set by
// whole seconds with half a second to spare.
class MovieHandlesFileTest : public ::testing::Test {
 protected:
  void WriteMovie(int frames, int soundMilliseconds = 0) {
    TheoraMovieSpec spec;
    spec.frames = frames;
    spec.fpsNumerator = 1;
    spec.soundMilliseconds = soundMilliseconds;
    ASSERT_TRUE(WriteMovieFile(path_, MakeTheoraMovie(spec)));
  }
  void TearDown() override { DeleteFileA(path_.c_str()); }

  static void StartAt(MovieRecord* movie, double seconds) {
    movie->playing = 1;
    movie->stopped = 0;
    movie->startClock = GetTickMicroseconds(0) - static_cast<int64_t>(seconds * 1000000);
  }
  static int Shown(MovieRecord* movie) {
    const GraphImage& image = movie->frameImage;
    return ReadFrameNumber(static_cast<const uint8_t*>(image.pixels), image.pitch, image.width,
                           image.height);
  }

  std::string path_ = "movie.ogv";
};

struct CallbackLog {
  std::vector<int> frames;
  std::vector<int> users;
};
CallbackLog callbackLog;

void RecordFrame(MovieRecord* movie, int user) {
  UpdateTheoraFrameImage(movie->theoraDecoder, 1, 0);
  callbackLog.frames.push_back(ReadFrameNumber(static_cast<const uint8_t*>(movie->frameImage.pixels),
                                               movie->frameImage.pitch, movie->frameImage.width,
                                               movie->frameImage.height));
  callbackLog.users.push_back(user);
}

TEST_F(MovieHandlesFileTest, OpensTheoraStoppedAtFrameZeroAndClosesCleanly) {
  WriteMovie(12);
  const MemoryTotals before = CurrentMemoryTotals();
  int width = 0;
  int height = 0;
  const int movie = OpenMovie(path_.c_str(), &width, &height, 0);
  ASSERT_GE(movie, 0);
  EXPECT_EQ(movie & 0x78000000, 0x18000000);
  EXPECT_EQ(width, 64);
  EXPECT_EQ(height, 48);
  MovieRecord* record = GetMovieRecord(movie);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->theora, 1);
  EXPECT_EQ(record->stopped, 1);
  EXPECT_EQ(record->playing, 0);
  EXPECT_EQ(record->playType, 1);
  EXPECT_EQ(record->sound, -1);  // no sound system, and no track
  EXPECT_EQ(Shown(record), 0);
  // A stopped movie stays on its frame whatever the clock says.
  record->startClock = GetTickMicroseconds(0) - 5000000;
  EXPECT_EQ(UpdateMovieFrame(movie, 0), 0);
  EXPECT_EQ(GetTheoraCurrentFrame(record->theoraDecoder), 0);
  EXPECT_EQ(record->frameShown, 0);  // no callback yet
  EXPECT_EQ(CloseMovieHandle(movie), 0);
  EXPECT_EQ(CurrentMemoryTotals(), before);
  EXPECT_EQ(GetMovieRecord(movie), nullptr);
  EXPECT_EQ(CloseMovieHandle(movie), -1);
  EXPECT_EQ(CloseMovieHandle(-1), -1);
  EXPECT_EQ(UpdateMovieFrame(movie, 0), -1);
  EXPECT_EQ(PauseMovieHandle(movie, 0), -1);
  EXPECT_EQ(SetMovieFrameCallback(movie, RecordFrame, 0), -1);
}

TEST_F(MovieHandlesFileTest, RefusesHandlesOfOtherKindsAndSlots) {
  WriteMovie(3);
  const int movie = OpenMovie(path_.c_str(), nullptr, nullptr, 0);
  ASSERT_GE(movie, 0);
  const int slot = movie & 0xFFFF;
  for (const int bad : {movie ^ (1 << 27), movie ^ (1 << 16), (movie & ~0xFFFF) | 100,
                        movie | static_cast<int>(0x80000000u)}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(GetMovieRecord(bad), nullptr);
    EXPECT_EQ(CloseMovieHandle(bad), -1);
  }
  EXPECT_EQ(CloseMovieHandle(movie), 0);
  // The slot is taken again with a new check id.
  const int again = OpenMovie(path_.c_str(), nullptr, nullptr, 0);
  EXPECT_EQ(again & 0xFFFF, slot);
  EXPECT_NE(again, movie);
  EXPECT_EQ(GetMovieRecord(movie), nullptr);
  CloseMovieHandle(again);
}

TEST_F(MovieHandlesFileTest, RunningMovieShowsTheFrameOfItsClockThroughTheCallback) {
  WriteMovie(12);
  const int movie = OpenMovie(path_.c_str(), nullptr, nullptr, 0);
  ASSERT_GE(movie, 0);
  MovieRecord* record = GetMovieRecord(movie);
  callbackLog = {};
  ASSERT_EQ(SetMovieFrameCallback(movie, RecordFrame, 77), 0);
  StartAt(record, 5.5);
  UpdateMovieFrame(movie, 0);
  EXPECT_EQ(record->frameShown, 1);
  // Looping: past the end the clock wraps.
  record->playType = 3;
  StartAt(record, 12 * 2 + 3.5);
  UpdateMovieFrame(movie, 0);
  // A single play holds the last frame, then ends.
  record->playType = 1;
  StartAt(record, 40.5);
  UpdateMovieFrame(movie, 0);
  EXPECT_EQ(record->stopped, 0);
  UpdateMovieFrame(movie, 0);
  EXPECT_EQ(record->stopped, 1);
  EXPECT_EQ(record->playing, 0);
  EXPECT_EQ(callbackLog.frames, (std::vector<int>{5, 3, 11, 11}));
  EXPECT_EQ(callbackLog.users, (std::vector<int>{77, 77, 77, 77}));
  EXPECT_GE(record->frameTimeMs, 40000);
  CloseMovieHandle(movie);
}

TEST_F(MovieHandlesFileTest, PauseAllKeepsRunningMoviesForResumeAtTheirFrame) {
  WriteMovie(12);
  const int running = OpenMovie(path_.c_str(), nullptr, nullptr, 0);
  const int idle = OpenMovie(path_.c_str(), nullptr, nullptr, 0);
  ASSERT_GE(running, 0);
  ASSERT_GE(idle, 0);
  MovieRecord* record = GetMovieRecord(running);
  StartAt(record, 4.5);
  EXPECT_EQ(PauseAllMovies(), 0);
  EXPECT_EQ(record->stopped, 1);
  EXPECT_EQ(record->playing, 1);
  EXPECT_EQ(GetTheoraCurrentFrame(record->theoraDecoder), 4);
  record->playType = 0;  // taken as a single play
  EXPECT_EQ(ResumeAllMovies(), 0);
  EXPECT_EQ(record->stopped, 0);
  EXPECT_EQ(record->playType, 1);
  // The clock restarts where frame 4 began.
  const int64_t since = GetTickMicroseconds(0) - record->startClock;
  EXPECT_GE(since, 4000000);
  EXPECT_LT(since, 4500000);
  // A movie that was never running stays stopped.
  EXPECT_EQ(GetMovieRecord(idle)->stopped, 1);
  EXPECT_EQ(GetMovieRecord(idle)->playing, 0);
  // A pause without keep forgets it.
  EXPECT_EQ(PauseMovieHandle(running, 0), 0);
  EXPECT_EQ(record->playing, 0);
  ResumeAllMovies();
  EXPECT_EQ(record->stopped, 1);
  CloseMovieHandle(running);
  CloseMovieHandle(idle);
}

TEST_F(MovieHandlesFileTest, MovieWithSoundFollowsTheSoundPosition) {
  SoundSystemScope sound;
  ASSERT_EQ(sound.result(), 0);
  WriteMovie(8, 6000);
  const int movie = OpenMovie(path_.c_str(), nullptr, nullptr, 0);
  ASSERT_GE(movie, 0);
  MovieRecord* record = GetMovieRecord(movie);
  ASSERT_NE(record->sound, -1);
  const int soundHandle = record->sound;
  EXPECT_EQ(GetSoundHandleTotalTimeMs(soundHandle) / 100, 60);
  StartAt(record, 7.5);  // the clock is not what counts
  UpdateMovieFrame(movie, 0);
  EXPECT_EQ(GetTheoraCurrentFrame(record->theoraDecoder), 0);
  // 3.5 s into the 22050 Hz mono 16-bit track.
  ASSERT_EQ(SetSoundHandlePosition(22050 * 2 * 7 / 2, soundHandle), 0);
  UpdateMovieFrame(movie, 0);
  EXPECT_EQ(GetTheoraCurrentFrame(record->theoraDecoder), 3);
  EXPECT_EQ(CloseMovieHandle(movie), 0);
  EXPECT_EQ(CheckSoundHandlePlaying(soundHandle), -1);  // deleted with the movie
}

// Counts the opens that reach the file table.
int opensSeen = 0;
StreamHandle CountingOpen(const char*, int, int, int) {
  ++opensSeen;
  return 0;
}

TEST_F(MovieHandlesFileTest, TheHundredAndFirstMovieFailsBeforeTouchingAFile) {
  WriteMovie(2);
  std::vector<int> movies;
  for (int i = 0; i < kMovieHandleLimit; ++i) {
    movies.push_back(OpenMovie(path_.c_str(), nullptr, nullptr, 0));
    ASSERT_GE(movies.back(), 0) << i;
  }
  FileAccessTable table = *GetFileAccessTable();
  table.Open = CountingOpen;
  InstallFileAccessTable(&table);
  opensSeen = 0;
  EXPECT_EQ(OpenMovie(path_.c_str(), nullptr, nullptr, 0), -1);
  InstallFileAccessTable(nullptr);
  EXPECT_EQ(opensSeen, 0);
  for (const int movie : movies) EXPECT_EQ(CloseMovieHandle(movie), 0);
}

TEST_F(MovieHandlesFileTest, FilesThatAreNoMovieFailAndLeaveNothing) {
  TheoraMovieSpec spec;
  const MovieBytes movie = MakeTheoraMovie(spec);
  const struct {
    const char* name;
    MovieBytes bytes;
  } cases[] = {
      {"cut in the headers", MovieBytes(movie.begin(), movie.begin() + 200)},
      {"text", MovieBytes{'h', 'e', 'l', 'l', 'o'}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(WriteMovieFile(path_, c.bytes));
    const MemoryTotals before = CurrentMemoryTotals();
    EXPECT_EQ(OpenMovie(path_.c_str(), nullptr, nullptr, 0), -1);
    EXPECT_EQ(CurrentMemoryTotals(), before);
  }
  EXPECT_EQ(OpenMovie("no such movie.ogv", nullptr, nullptr, 0), -1);
}

TEST_F(MovieHandlesFileTest, MovieCutAfterItsHeadersPlaysTheFramesItHas) {
  TheoraMovieSpec spec;
  spec.frames = 10;
  const MovieBytes whole = MakeTheoraMovie(spec);
  ASSERT_TRUE(WriteMovieFile(path_, MovieBytes(whole.begin(), whole.end() - 20)));
  const int movie = OpenMovie(path_.c_str(), nullptr, nullptr, 0);
  ASSERT_GE(movie, 0);
  MovieRecord* record = GetMovieRecord(movie);
  TheoraMovieInfo info{};
  ReadTheoraMovieInfo(record->theoraDecoder, &info);
  EXPECT_GT(info.frameCount, 0);
  EXPECT_LT(info.frameCount, 10);
  callbackLog = {};
  SetMovieFrameCallback(movie, RecordFrame, 0);
  StartAt(record, 30.5);
  UpdateMovieFrame(movie, 0);
  EXPECT_EQ(callbackLog.frames, (std::vector<int>{info.frameCount - 1}));
  CloseMovieHandle(movie);
}

}  // namespace
