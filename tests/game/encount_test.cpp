#include "CEncountManager.h"

#include <vector>

#include <gtest/gtest.h>

#include "CMapData.h"
#include "GameColors.h"
#include "game_fixture.h"
#include "system/random.h"

namespace {

std::vector<EncountEntry> Pairs(std::vector<EncountEntry> first) {
  first.resize(10, EncountEntry{0, 0});
  return first;
}

TEST(EncountTest, WeightedPickOverTheRunningSum) {
  const auto a = Pairs({{5, 60}, {6, 40}});
  const auto b = Pairs({{5, 30}, {6, 30}});
  const auto zero = Pairs({{4, 0}, {6, 50}});
  const struct {
    const std::vector<EncountEntry>* pairs;
    int roll, party;
  } cases[] = {{&a, 0, 5},  {&a, 60, 5},    {&a, 61, 6},  {&a, 100, 6},  {&b, 60, 6},
               {&b, 61, -1}, {&b, 100, -1}, {&zero, 0, 4}, {&zero, 1, 6}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.roll);
    EXPECT_EQ(PickEncountParty(*c.pairs, c.roll), c.party);
  }
}

class EncountManagerTest : public GameDataFixture {
 protected:
  void SetUp() override {
    GameDataFixture::SetUp();
    WriteTable("enemy\\EncountInfo.csv", {"1,7,100,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0"});
    map.width = 4;
    map.height = 1;
    map.encount = 1;
    for (std::vector<uint16_t>& layer : map.layers) layer.assign(4, 0);
    map.layers[MAP_LAYER_AREA] = {1, 1, 2, 1};
    encounters.SetMap(&map);
  }
  CMapData map;
  CEncountManager encounters;
};

TEST_F(EncountManagerTest, FiresOnTheThresholdStepAndStartsOver) {
  encounters.threshold = 3;
  EXPECT_EQ(encounters.Check(0, 0), -1);  // standing on the start cell: no step
  EXPECT_EQ(encounters.stepCount, 0);
  EXPECT_EQ(encounters.Check(0, 0), -1);
  EXPECT_EQ(encounters.Check(1, 0), -1);
  EXPECT_EQ(encounters.Check(1, 0), -1);  // standing still does not count
  EXPECT_EQ(encounters.Check(0, 0), -1);
  EXPECT_EQ(encounters.stepCount, 2);
  EXPECT_EQ(encounters.Check(1, 0), 7);
  EXPECT_EQ(encounters.stepCount, 0);
  EXPECT_GE(encounters.threshold, 10);
  EXPECT_LE(encounters.threshold, 39);
}

TEST_F(EncountManagerTest, AreaWithoutRowGivesNoBattleButRestartsTheCount) {
  encounters.threshold = 1;
  encounters.lastX = 3;
  EXPECT_EQ(encounters.Check(2, 0), -1);
  EXPECT_EQ(encounters.stepCount, 0);
  EXPECT_NE(encounters.threshold, 1);
}

TEST_F(EncountManagerTest, MapWithoutEncountersCountsNothing) {
  encounters.threshold = 20;
  encounters.stepCount = 5;
  map.encount = 0;
  for (int x : {1, 2, 3, 0}) EXPECT_EQ(encounters.Check(x, 0), -1);
  EXPECT_EQ(encounters.stepCount, 5);
  EXPECT_EQ(encounters.lastX, 0);
  map.encount = 1;
  encounters.Check(1, 0);
  EXPECT_EQ(encounters.stepCount, 6);  // the count carries over
}

TEST(EncountTest, ThresholdIsTenToThirtyNineSteps) {
  SeedRandom(99);
  MersenneTwisterState twin;
  SeedMersenneTwisterState(&twin, 99);
  for (int i = 0; i < 200; ++i) {
    const int expected = MapRandomWord(NextRandomWordFrom(&twin), 99990) % 30 + 10;
    EXPECT_EQ(DrawEncountThreshold(), expected);
  }
}

TEST(GameColorsTest, ConstantsAreMadeBeforeStartUpInTheThirtyTwoBitForm) {
  // Nothing in this test starts the library; the values come from static
  // initialisation.
  EXPECT_EQ(COLOR_WHITE, 0xFFFFFFFFu);
  EXPECT_EQ(COLOR_GRAY, 0xFF909090u);
  EXPECT_EQ(COLOR_GOLD, 0xFFFFC90Au);
  EXPECT_EQ(COLOR_DARK_TEAL, 0xFF007575u);
  EXPECT_EQ(COLOR_GAUGE_YELLOW, 0xFFFFFF60u);
  EXPECT_EQ(COLOR_GAUGE_GRAY, 0xFFD2D2D2u);
  EXPECT_EQ(COLOR_GAUGE_WHITE, COLOR_WHITE);
}

}  // namespace
