#include "CSoundManager.h"

#include <direct.h>

#include <string>

#include <gtest/gtest.h>

#include "game_fixture.h"
#include "sound/sound_handles.h"
#include "sound/sound_record.h"
#include "stdout_capture.h"
#include "support/sound_fixtures.h"

namespace {

constexpr int kBattleWinRate = 8000;

// The sound system started and a data folder with the four pieces: the MP3
// tone as ids 1 to 3 and, for the victory music, six seconds of 8 kHz PCM so
// that its loop position lies inside it (the decoder goes by content).
class SoundManagerTest : public GameDataFixture {
 protected:
  void SetUp() override {
    GameDataFixture::SetUp();
    sound_ = std::make_unique<SoundSystemScope>();
    ASSERT_EQ(sound_->result(), 0);
    _mkdir("fixture\\bgm");
    const SoundBytes mp3 = ReadMp3Fixture(TEST_SOURCE_DIR);
    for (const char* name : {"isekai.mp3", "forest.mp3", "battle3.mp3"}) {
      WriteFileBytes(std::string("fixture\\bgm\\") + name, std::string(mp3.begin(), mp3.end()));
    }
    const SoundBytes wave =
        MakePcmWave(1, kBattleWinRate, 8, SoundBytes(kBattleWinRate * 6, 0x80));
    WriteFileBytes("fixture\\bgm\\battle_win.mp3", std::string(wave.begin(), wave.end()));
  }
  void TearDown() override {
    manager_.ReleaseAll();
    sound_.reset();
    GameDataFixture::TearDown();
  }

  ErrorMessageCapture errors_;
  std::unique_ptr<SoundSystemScope> sound_;
  CSoundManager manager_;
};

TEST_F(SoundManagerTest, TableHoldsTheFourPieces) {
  const struct {
    int id;
    const char* file;
    int loop;
  } rows[] = {{1, "bgm\\isekai.mp3", 0},
              {2, "bgm\\forest.mp3", 0},
              {3, "bgm\\battle3.mp3", 0},
              {4, "bgm\\battle_win.mp3", 5170}};
  for (const auto& row : rows) {
    const BgmEntry* entry = FindBgmEntry(row.id);
    ASSERT_NE(entry, nullptr) << row.id;
    EXPECT_STREQ(entry->fileName, row.file);
    EXPECT_EQ(entry->loopPositionMs, row.loop);
  }
  EXPECT_EQ(FindBgmEntry(0), nullptr);
  EXPECT_EQ(FindBgmEntry(5), nullptr);
}

TEST_F(SoundManagerTest, SecondLoadKeepsTheFirstHandleAndLoadsNothing) {
  const int first = manager_.LoadSoundFile(1);
  ASSERT_NE(first, -1);
  EXPECT_EQ(manager_.LoadSoundFile(1), first);
  EXPECT_EQ(manager_.GetHandle(1), first);
  EXPECT_TRUE(errors_.Messages().empty());
  // Every battle loads its two pieces again: no sound is left behind.
  const int battle = manager_.LoadSoundFile(3);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(manager_.LoadSoundFile(3), battle);
  int live = 0;
  for (int handle : {first, battle}) live += GetSoundRecord(handle) != nullptr;
  EXPECT_EQ(live, 2);
}

TEST_F(SoundManagerTest, UnknownIdAndMissingFileShowTheBoxAndMapToMinusOne) {
  EXPECT_EQ(manager_.LoadSoundFile(5), -1);
  EXPECT_EQ(manager_.GetHandle(5), -1);
  remove("fixture\\bgm\\forest.mp3");
  EXPECT_EQ(manager_.LoadSoundFile(2), -1);
  ASSERT_EQ(errors_.Messages().size(), 2u);
  EXPECT_EQ(errors_.Messages()[0], "サウンド読み込み失敗 ID : 5 []");
  EXPECT_EQ(errors_.Messages()[1], "サウンド読み込み失敗 ID : 2 [fixture\\bgm\\forest.mp3]");
  // Playing a failed id asks the library about -1, which refuses it.
  manager_.PlayBGM(2, 1);
}

TEST_F(SoundManagerTest, PlayPrintsTheTraceAndAnUnloadedIdChangesNothing) {
  const int handle = manager_.LoadSoundFile(1);
  StdoutCapture out;
  manager_.PlayBGM(1, 1);
  EXPECT_EQ(CheckSoundHandlePlaying(handle), 1);
  manager_.PlayBGM(2, 0);  // never loaded: the music plays on
  EXPECT_EQ(CheckSoundHandlePlaying(handle), 1);
  EXPECT_EQ(out.Take(), "BGM再生 [1] 巻き戻し[1]\nBGM再生 [2] 巻き戻し[0]\n");
  manager_.StopBGM();
  EXPECT_EQ(CheckSoundHandlePlaying(handle), 0);
}

TEST_F(SoundManagerTest, VictoryMusicLoopsFromItsLoopPosition) {
  const int handle = manager_.LoadSoundFile(4);
  ASSERT_NE(handle, -1);
  manager_.PlayBGM(4, 1);
  EXPECT_EQ(CheckSoundHandlePlaying(handle), 1);
  const SoundRecord* record = GetSoundRecord(handle);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->sources[0].loopStartSample, 5170 * kBattleWinRate / 1000);
  EXPECT_EQ(record->sources[0].loopCount, -1) << "loops for ever";
  const int plain = manager_.LoadSoundFile(1);
  manager_.PlayBGM(1, 1);
  EXPECT_EQ(CheckSoundHandlePlaying(handle), 0) << "one piece at a time";
  EXPECT_EQ(GetSoundRecord(plain)->sources[0].loopStartSample, 0);
  EXPECT_EQ(GetSoundRecord(plain)->sources[0].loopCount, -1);
}

TEST_F(SoundManagerTest, MapMusicResumesWhereTheBattleInterruptedIt) {
  const int map = manager_.LoadSoundFile(1);
  const int battle = manager_.LoadSoundFile(3);
  manager_.PlayBGM(1, 1);
  const int played = 44100 * 4 / 2;  // half a second of 16-bit stereo
  ASSERT_EQ(SetSoundHandlePosition(played, map), 0);
  const int stoppedAt = GetSoundHandlePosition(map);
  ASSERT_GE(stoppedAt, played);
  manager_.PlayBGM(3, 1);
  EXPECT_EQ(CheckSoundHandlePlaying(map), 0);
  EXPECT_EQ(CheckSoundHandlePlaying(battle), 1);
  // The battle's end: stop, then the map's piece without rewinding.
  manager_.StopBGM();
  manager_.PlayBGM(1, 0);
  EXPECT_EQ(CheckSoundHandlePlaying(map), 1);
  EXPECT_GE(GetSoundHandlePosition(map), stoppedAt);
  manager_.PlayBGM(1, 1);
  EXPECT_LT(GetSoundHandlePosition(map), played) << "rewind 1 starts from the top";
}

TEST_F(SoundManagerTest, ReleaseAllForgetsTheIdsAndDeletesTheSounds) {
  const int handle = manager_.LoadSoundFile(1);
  const int other = LoadSoundFileToHandle("fixture\\bgm\\forest.mp3", 1, -1);
  ASSERT_NE(other, -1);
  manager_.ReleaseAll();
  EXPECT_EQ(manager_.GetHandle(1), -1);
  EXPECT_EQ(GetSoundRecord(handle), nullptr);
  EXPECT_EQ(GetSoundRecord(other), nullptr) << "every sound of the library";
  EXPECT_NE(manager_.LoadSoundFile(1), -1) << "loaded again after the release";
}

}  // namespace
