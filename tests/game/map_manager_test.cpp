#include "CMapManager.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CGame.h"
#include "CMapObject.h"
#include "game_fixture.h"
#include "stdout_capture.h"
#include "system/random.h"

namespace {

// Records the objects whose events were started.
class RecordingRunner : public CObjectEventRunner {
 public:
  void ExecObject(CMapObject* object) override { started.push_back(object); }
  bool IsRunning() const override { return running; }
  std::vector<CMapObject*> started;
  bool running = false;
};

// The random source as the game's draws will see it after SeedRandom(seed).
class RandomReplay {
 public:
  explicit RandomReplay(uint32_t seed) { SeedMersenneTwisterState(&generator_, seed); }
  int Next(int max) { return MapRandomWord(NextRandomWordFrom(&generator_), max); }

 private:
  MersenneTwisterState generator_;
};

class MapManagerTest : public GameDataFixture {
 protected:
  void SetUp() override {
    GameDataFixture::SetUp();
    game = CGame::GetInstance();
    game->SetMode();
    map.eventRunner = &runner;
  }
  void TearDown() override {
    game->modes.clear();
    GameDataFixture::TearDown();
  }

  // A map of the size with every pass value 0, the player at (px, py).
  void MakeMap(int width, int height, int px, int py, bool wrap = false) {
    map.data.width = width;
    map.data.height = height;
    map.data.wrap = wrap ? 1 : 0;
    for (std::vector<uint16_t>& layer : map.data.layers) layer.assign(width * height, 0);
    map.event.width = width;
    map.event.height = height;
    map.playerX = px;
    map.playerY = py;
    map.scrollX = map.scrollY = 0;
  }
  void SetPass(int x, int y, uint16_t value) {
    map.data.layers[MAP_LAYER_PASS][y * map.data.width + x] = value;
  }
  // An object on the cell: picture 1 makes it visible (no sheet is loaded,
  // so it cuts no frames).
  CMapObject* AddObject(int x, int y, int type, int trigger, int picture = 1) {
    auto object = std::make_unique<CMapObject>();
    object->SetType(type);
    object->trigger = trigger;
    object->pictureId = picture;
    object->Place(y, x);
    CMapObject* raw = object.get();
    map.event.AddObject(std::move(object));
    return raw;
  }
  static void WriteSettings(const std::string& text) {
    WriteFileBytes("fixture\\debug.ini", text);
  }

  CGame* game = nullptr;
  CMapManager map;
  RecordingRunner runner;
};

TEST(PassRuleTest, BlockingValues) {
  const struct {
    int value;
    bool passable;
  } cases[] = {{0, true},   {1, false},  {2, false},  {3, true},  {6, true},  {7, false},
               {8, false},  {9, false},  {10, true},  {19, true}, {20, false}, {21, true},
               {0x10009, false} /* taken as 16 bits */, {65535, true}};
  for (const auto& c : cases) EXPECT_EQ(IsPassable(c.value), c.passable) << c.value;
}

TEST_F(MapManagerTest, WalkingStopsOnBlockingPassValues) {
  for (int value : {0, 1, 2, 3, 7, 8, 9, 20, 30}) {
    SCOPED_TRACE(value);
    MakeMap(5, 5, 2, 2);
    SetPass(3, 2, static_cast<uint16_t>(value));
    const bool passable = value != 1 && value != 2 && value != 7 && value != 8 && value != 9 &&
                          value != 20;
    EXPECT_EQ(map.MovePlayer(1, 0), passable ? 1 : 0);
    EXPECT_EQ(map.playerX, passable ? 3 : 2);
    EXPECT_EQ(map.scrollX, passable ? 16 : 0);
    EXPECT_EQ(map.scrollY, 0);
  }
}

TEST_F(MapManagerTest, WrapMapEntersAtTheOppositeEdge) {
  MakeMap(20, 15, 0, 14, true);
  ASSERT_EQ(map.MovePlayer(-1, 0), 1);
  EXPECT_EQ(map.playerX, 19);
  EXPECT_EQ(map.scrollX, -16) << "a wrapped step slides like any other";
  map.scrollX = 0;
  ASSERT_EQ(map.MovePlayer(0, 1), 1);
  EXPECT_EQ(map.playerY, 0);
  EXPECT_EQ(map.scrollY, 16);
  map.scrollY = 0;
  ASSERT_EQ(map.MovePlayer(1, 0), 1);
  ASSERT_EQ(map.MovePlayer(0, -1), 1);
  EXPECT_EQ(map.playerX, 0);
  EXPECT_EQ(map.playerY, 14);
  // A wall on the far side still blocks.
  map.scrollX = map.scrollY = 0;
  SetPass(19, 14, 9);
  EXPECT_EQ(map.MovePlayer(-1, 0), 0);
}

TEST_F(MapManagerTest, NoWrapStopsAtEveryEdgeEvenIgnoringPassValues) {
  WriteSettings("[Map]\r\nIgnorePassFlag=1\r\n");
  const struct {
    int px, py, dx, dy;
  } cases[] = {{0, 2, -1, 0}, {4, 2, 1, 0}, {2, 0, 0, -1}, {2, 4, 0, 1}};
  for (const auto& c : cases) {
    MakeMap(5, 5, c.px, c.py);
    EXPECT_EQ(map.MovePlayer(c.dx, c.dy), 0);
    EXPECT_EQ(map.playerX, c.px);
    EXPECT_EQ(map.playerY, c.py);
    EXPECT_EQ(map.scrollX, 0);
    EXPECT_EQ(map.scrollY, 0);
  }
  // Walls and other characters are walked onto.
  MakeMap(5, 5, 2, 2);
  SetPass(3, 2, 9);
  AddObject(2, 3, OBJECT_NPC, TRIGGER_NONE);
  EXPECT_EQ(map.MovePlayer(1, 0), 1);
  map.playerX = 2;
  EXPECT_EQ(map.MovePlayer(0, 1), 1);
  WriteSettings("[Map]\r\nIgnorePassFlag=0\r\n");
  MakeMap(5, 5, 2, 2);
  SetPass(3, 2, 9);
  EXPECT_EQ(map.MovePlayer(1, 0), 0);
}

TEST_F(MapManagerTest, ScrollEasesOneCellIn16Or8Or4Frames) {
  const struct {
    int mode, frames;
  } cases[] = {{0, 16}, {1, 8}, {2, 4}, {5, 16}};
  for (const auto& c : cases) {
    for (int start : {16, -16}) {
      map.scrollX = start;
      map.scrollY = -start;
      int frames = 0;
      while (map.IsScrolling() && frames < 100) {
        map.UpdateScroll(c.mode);
        ++frames;
      }
      EXPECT_EQ(frames, c.frames) << c.mode;
      EXPECT_EQ(map.scrollMode, c.mode);
    }
  }
  map.scrollX = 3;
  map.UpdateScroll(2);
  EXPECT_EQ(map.scrollX, 0) << "stops at 0";
}

TEST_F(MapManagerTest, PassValueOfCellsObjectsAndThePlayer) {
  MakeMap(6, 4, 0, 0);
  SetPass(1, 1, 9);
  SetPass(2, 1, 9);
  SetPass(3, 1, 4);
  SetPass(4, 1, 4);
  AddObject(1, 1, OBJECT_FLOOR, TRIGGER_NONE);
  AddObject(2, 1, OBJECT_NPC, TRIGGER_NONE, 0);  // no picture: invisible
  AddObject(3, 1, OBJECT_STORE, TRIGGER_NONE);
  EXPECT_EQ(map.GetPassValue(1, 1), 0) << "a visible floor object";
  EXPECT_EQ(map.GetPassValue(1, 2), 9) << "an invisible object leaves the layer";
  EXPECT_EQ(map.GetPassValue(1, 3), 9) << "any other visible object";
  EXPECT_EQ(map.GetPassValue(1, 4), 4);
  EXPECT_EQ(map.GetPassValue(0, 0), 9) << "the player's cell";
  EXPECT_EQ(map.GetPassValue(-1, 0), 9);
  EXPECT_EQ(map.GetPassValue(0, 6), 9);
  EXPECT_EQ(map.GetPassValue(4, 0), 9);
  // Walking: the floor object's cell is open, the invisible one's wall stays.
  map.playerX = 1;
  map.playerY = 0;
  EXPECT_EQ(map.MovePlayer(0, 1), 1);
  map.playerX = 2;
  map.playerY = 0;
  EXPECT_EQ(map.MovePlayer(0, 1), 0);
}

TEST_F(MapManagerTest, NextCellStaysInsideTheMap) {
  MakeMap(10, 30, 0, 0);
  const struct {
    int x, y, direction;
    bool inside;
    int nx, ny;
  } cases[] = {{5, 15, 0, true, 5, 16},  {5, 15, 1, true, 4, 15},  {5, 15, 2, true, 5, 14},
               {5, 15, 3, true, 6, 15},  {5, 29, 0, false, 5, 29}, {0, 15, 1, false, 0, 15},
               {5, 0, 2, false, 5, 0},   {9, 20, 3, false, 9, 20}, {5, 15, 7, true, 5, 15},
               {9, 20, 0, true, 9, 21}};
  for (const auto& c : cases) {
    int nx = -1, ny = -1;
    EXPECT_EQ(map.GetNextCell(&nx, &ny, c.x, c.y, c.direction), c.inside);
    EXPECT_EQ(nx, c.nx);
    EXPECT_EQ(ny, c.ny);
  }
}

TEST_F(MapManagerTest, TalkingReachesAcrossCounters) {
  StdoutCapture out;
  MakeMap(8, 3, 1, 1);
  SetPass(2, 1, 20);
  SetPass(3, 1, 20);
  CMapObject* keeper = AddObject(4, 1, OBJECT_STORE, TRIGGER_BUTTON);
  map.CheckFront(DIR_RIGHT);
  ASSERT_EQ(runner.started.size(), 1u) << "two counters in a row are both crossed";
  EXPECT_EQ(runner.started[0], keeper);
  EXPECT_EQ(game->GetMode(), MODE_EVENT);
  EXPECT_EQ(out.Take(), "PushMode 2\n");

  // Facing elsewhere, or an object with another trigger: nothing.
  game->SetMode();
  map.CheckFront(DIR_UP);
  keeper->trigger = TRIGGER_ADJOINING;
  map.CheckFront(DIR_RIGHT);
  EXPECT_EQ(runner.started.size(), 1u);
  EXPECT_EQ(game->GetMode(), MODE_FIELD);

  // A counter at the map's edge with nothing beyond it.
  MakeMap(3, 3, 1, 1);
  map.event.Clear();
  SetPass(2, 1, 20);
  map.CheckFront(DIR_RIGHT);
  // A counter with empty floor behind it.
  MakeMap(5, 3, 1, 1);
  SetPass(2, 1, 20);
  map.CheckFront(DIR_RIGHT);
  EXPECT_EQ(runner.started.size(), 1u);
  EXPECT_EQ(game->GetMode(), MODE_FIELD);
}

TEST_F(MapManagerTest, InvisibleButtonObjectCanBeTalkedTo) {
  MakeMap(10, 30, 4, 14);
  CMapObject* hidden = AddObject(4, 15, OBJECT_NPC, TRIGGER_BUTTON, 0);
  EXPECT_EQ(hidden->visible, 0);
  map.CheckFront(DIR_DOWN);
  ASSERT_EQ(runner.started.size(), 1u) << "rows are bounded by the height";
  EXPECT_EQ(runner.started[0], hidden);
  // It does not block: the layer's pass value counts.
  game->SetMode();
  EXPECT_EQ(map.MovePlayer(0, 1), 1);
}

TEST_F(MapManagerTest, FailedLoadLeavesAnEmptyMapThatIsSafeToWalk) {
  ErrorMessageCapture errors;
  WriteTable("map\\MapInfo.csv", {"5,1,0,test.map,1,1,1"});
  std::string bytes(20, '\0');
  bytes[8] = 4;
  bytes[12] = 3;
  bytes[18] = 6;
  bytes += std::string(6 * 4 * 3 * 2, '\0');
  WriteFileBytes("fixture\\map\\test.map", bytes);
  ASSERT_EQ(map.LoadMap(5), 1);
  EXPECT_EQ(map.data.width, 4);
  EXPECT_EQ(map.event.width, 4);
  EXPECT_EQ(map.event.layer.size(), 12u);

  bytes[18] = 7;  // refused
  WriteFileBytes("fixture\\map\\test.map", bytes);
  EXPECT_EQ(map.LoadMap(5), 0);
  EXPECT_EQ(map.mapId, 5);
  EXPECT_EQ(map.data.width, 0);
  EXPECT_EQ(map.data.height, 0);
  EXPECT_EQ(map.event.width, 0);
  EXPECT_EQ(map.event.height, 0);
  EXPECT_TRUE(map.event.layer.empty());
  EXPECT_EQ(map.GetPassValue(0, 0), 9);
  map.playerX = map.playerY = 0;
  EXPECT_EQ(map.MovePlayer(1, 0), 0);
  map.DrawLayer(0);
  map.CheckFront(DIR_RIGHT);
  EXPECT_EQ(map.LoadMap(6), 0) << "no row";
  EXPECT_EQ(map.data.width, 0);
  EXPECT_TRUE(errors.Messages().empty());
}

TEST(MapObjectKeywordTest, TextsAndDefaults) {
  const struct {
    int (*parse)(const char*);
    const char* text;
    int value;
  } cases[] = {
      {MapObjectTypeFromText, "NPC", OBJECT_NPC},
      {MapObjectTypeFromText, "STORE", OBJECT_STORE},
      {MapObjectTypeFromText, "FLOOR", OBJECT_FLOOR},
      {MapObjectTypeFromText, "STABLE", OBJECT_STABLE},
      {MapObjectTypeFromText, "floor", OBJECT_NPC},
      {MapObjectTypeFromText, nullptr, OBJECT_NPC},
      {MapObjectMoveTypeFromText, "RANDOM", MOVE_RANDOM},
      {MapObjectMoveTypeFromText, "STOP", MOVE_STAND},
      {MapObjectMoveTypeFromText, nullptr, MOVE_STAND},
      {MapObjectPaceFromText, "LOW", PACE_LOW},
      {MapObjectPaceFromText, "NORMAL", PACE_NORMAL},
      {MapObjectPaceFromText, "HIGH", PACE_HIGH},
      {MapObjectPaceFromText, "High", PACE_NORMAL},
      {MapObjectPaceFromText, nullptr, PACE_NORMAL},
      {MapObjectTriggerFromText, "BUTTON", TRIGGER_BUTTON},
      {MapObjectTriggerFromText, "ADJOINING", TRIGGER_ADJOINING},
      {MapObjectTriggerFromText, "PLAYER_ON", TRIGGER_PLAYER_ON},
      {MapObjectTriggerFromText, "", TRIGGER_NONE},
      {MapObjectTriggerFromText, nullptr, TRIGGER_NONE},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.parse(c.text), c.value) << (c.text ? c.text : "(not a text)");
  }
  CMapObject floor;
  floor.SetType(OBJECT_FLOOR);
  EXPECT_EQ(floor.passValue, 0);
  floor.SetType(OBJECT_STABLE);
  EXPECT_EQ(floor.passValue, 9);
}

class RandomWalkTest : public MapManagerTest {
 protected:
  CMapObject* Walker(int x, int y, int frequency, int speed = PACE_NORMAL, int type = OBJECT_NPC) {
    CMapObject* object = AddObject(x, y, type, TRIGGER_NONE);
    object->moveType = MOVE_RANDOM;
    object->moveFrequency = frequency;
    object->moveSpeed = speed;
    return object;
  }
  // Seeds the game's random source and the replay alike.
  RandomReplay Seed(uint32_t seed) {
    SeedRandom(seed);
    return RandomReplay(seed);
  }
};

TEST_F(RandomWalkTest, PausesFollowTheFrequencyAndDirectionsTheDraw) {
  const struct {
    int frequency, base;
  } cases[] = {{PACE_HIGH, 30}, {PACE_NORMAL, 60}, {PACE_LOW, 240}};
  int standings = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.base);
    MakeMap(40, 40, 0, 0);
    map.event.Clear();
    CMapObject* walker = Walker(20, 20, c.frequency);
    RandomReplay replay = Seed(1234 + c.base);
    for (int decision = 0; decision < 12; ++decision) {
      const int r = replay.Next(4);
      const int pause = c.base + replay.Next(60);
      standings += r == 4;
      const int x = walker->cellX, y = walker->cellY;
      walker->UpdateOnMap(&map);
      ASSERT_EQ(walker->pauseCounter, pause);
      EXPECT_GE(pause, c.base);
      EXPECT_LE(pause, c.base + 60);
      int nx = x, ny = y;
      map.GetNextCell(&nx, &ny, x, y, r);
      EXPECT_EQ(walker->cellX, nx) << "r " << r;
      EXPECT_EQ(walker->cellY, ny);
      if (r != 4) EXPECT_EQ(walker->direction, r);
      // The step takes 16 frames, the pause goes on counting after it.
      int frames = 0;
      while ((walker->IsMoving() || walker->pauseCounter > 0) && frames < 1000) {
        walker->UpdateOnMap(&map);
        ++frames;
      }
      EXPECT_EQ(frames, (r == 4 ? 0 : 16) + pause);
      EXPECT_EQ(walker->offsetX, 0);
      EXPECT_EQ(walker->offsetY, 0);
    }
  }
  EXPECT_GT(standings, 0) << "the seeds must include draws that stand still";
}

TEST_F(RandomWalkTest, WallsAndCountersBlockOtherValuesDoNot) {
  // Every neighbour of the walker has the value; draws that stand still are
  // skipped by looking at the replay.
  for (int value : {9, 20, 1, 2, 7, 8}) {
    SCOPED_TRACE(value);
    MakeMap(3, 3, 0, 0);
    map.event.Clear();
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 3; ++x) {
        if (x != 1 || y != 1) SetPass(x, y, static_cast<uint16_t>(value));
      }
    }
    map.playerX = 0;
    map.playerY = 0;
    CMapObject* walker = Walker(1, 1, PACE_HIGH);
    RandomReplay replay = Seed(99);
    int r = 4;
    int tries = 0;
    while (r == 4) {
      r = replay.Next(4);
      replay.Next(60);
      walker->pauseCounter = 0;
      walker->UpdateOnMap(&map);
      ++tries;
    }
    if (value == 9 || value == 20) {
      EXPECT_EQ(walker->pauseCounter, 0) << "decides again next frame";
      EXPECT_EQ(walker->cellX, 1);
      EXPECT_EQ(walker->cellY, 1);
      EXPECT_FALSE(walker->IsMoving());
    } else {
      EXPECT_TRUE(walker->IsMoving());
      EXPECT_NE(walker->cellX * 3 + walker->cellY, 4);
    }
  }
}

TEST_F(RandomWalkTest, AtTheEdgeAnObjectFindsItself) {
  // A seed whose first draw, found by the replay, points off the map from
  // the corner cell the walker is put on.
  uint32_t seed = 0;
  int r = 4;
  for (seed = 1; seed < 1000; ++seed) {
    RandomReplay replay(seed);
    r = replay.Next(4);
    if (r == 0 || r == 3) break;
  }
  ASSERT_LT(seed, 1000u);
  for (int type : {OBJECT_NPC, OBJECT_FLOOR}) {
    MakeMap(4, 4, 0, 0);
    map.event.Clear();
    CMapObject* walker = Walker(3, 3, PACE_HIGH, PACE_NORMAL, type);
    SeedRandom(seed);
    walker->UpdateOnMap(&map);
    EXPECT_EQ(walker->cellX, 3);
    EXPECT_EQ(walker->cellY, 3);
    EXPECT_FALSE(walker->IsMoving());
    if (type == OBJECT_NPC) {
      EXPECT_EQ(walker->pauseCounter, 0) << "its own pass value 9 blocks";
    } else {
      EXPECT_GE(walker->pauseCounter, 30) << "not blocked; the move itself is refused";
    }
  }
  MakeMap(4, 4, 0, 0);
  CMapObject standing;
  standing.cellX = 3;
  standing.cellY = 0;
  EXPECT_EQ(standing.StartMove(map, DIR_RIGHT, 16), 0);
  EXPECT_EQ(standing.cellX, 3);
  EXPECT_FALSE(standing.IsMoving());
}

TEST_F(RandomWalkTest, StepFramesFollowTheSlideAndTheCellParity) {
  MakeMap(10, 30, 0, 0);
  CMapObject walker;
  walker.cellX = 5;
  walker.cellY = 19;
  ASSERT_EQ(walker.StartMove(map, DIR_DOWN, 16), DIR_DOWN);
  EXPECT_EQ(walker.cellY, 20) << "rows run to the height, not the width";
  EXPECT_EQ(walker.offsetY, -16);
  std::vector<int> offsets, steps;
  while (walker.IsMoving()) {
    walker.UpdateOnMap(&map);
    offsets.push_back(walker.offsetY);
    steps.push_back(walker.stepFrame);
  }
  // (5 + 20) is odd: 1, 2, 2, 1 as the offset shrinks from 15 to 0.
  EXPECT_EQ(offsets, (std::vector<int>{-15, -14, -13, -12, -11, -10, -9, -8, -7, -6, -5, -4, -3,
                                       -2, -1, 0}));
  EXPECT_EQ(steps, (std::vector<int>{1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 1, 1, 1, 1}));
  ASSERT_EQ(walker.StartMove(map, DIR_LEFT, 8), DIR_LEFT);
  EXPECT_EQ(walker.offsetX, 16);
  steps.clear();
  while (walker.IsMoving()) {
    walker.UpdateOnMap(&map);
    steps.push_back(walker.stepFrame);
  }
  // (4 + 20) is even; 8 frames: offsets 14, 12, ..., 0.
  EXPECT_EQ(steps, (std::vector<int>{1, 1, 0, 0, 0, 0, 1, 1}));
  EXPECT_EQ(walker.StartMove(map, DIR_UP, 32), DIR_UP);
  EXPECT_EQ(walker.offsetY, 16);
  EXPECT_EQ(walker.StartMove(map, DIR_RIGHT, 32), DIR_RIGHT);
  EXPECT_EQ(walker.offsetX, -16);
  EXPECT_EQ(walker.offsetY, 0);
}

TEST_F(MapManagerTest, FloorTriggerFiresWhileThePlayerStandsOnIt) {
  StdoutCapture out;
  MakeMap(5, 5, 2, 2);
  CMapObject* floor = AddObject(2, 2, OBJECT_FLOOR, TRIGGER_PLAYER_ON, 0);
  CMapObject* button = AddObject(2, 2, OBJECT_NPC, TRIGGER_BUTTON, 0);
  map.UpdateObjects();
  map.UpdateObjects();
  ASSERT_EQ(runner.started.size(), 2u) << "again on every frame";
  EXPECT_EQ(runner.started[1], floor);
  runner.running = true;
  map.UpdateObjects();
  runner.running = false;
  map.scrollX = 4;
  map.UpdateObjects();
  map.scrollX = 0;
  map.playerX = 3;
  map.UpdateObjects();
  floor->SetType(OBJECT_NPC);
  map.playerX = 2;
  map.UpdateObjects();
  EXPECT_EQ(runner.started.size(), 2u);
  EXPECT_NE(runner.started[0], button);
  EXPECT_EQ(out.Take(), "PushMode 2\nPushMode 2\n");
}

TEST_F(MapManagerTest, ChestShowsWhetherItsTreasureIsTaken) {
  WriteTable("treasure\\Treasure.csv", {"12,4,7", "-1,4,8"});
  map.mapId = 0;
  game->map.mapId = 4;
  game->treasureFlags.Clear();
  MakeMap(5, 5, 0, 0);
  const struct {
    int eventId;
    bool taken;
    int stepFrame;
  } cases[] = {{7, false, 0}, {7, true, 1}, {8, false, 1} /* no treasure */, {9, false, 0}};
  for (const auto& c : cases) {
    if (c.taken) game->treasureFlags.SetTaken(12);
    CMapObject chest;
    chest.SetType(OBJECT_STABLE);
    chest.eventId = c.eventId;
    chest.pictureId = 3;
    chest.Place(1, 2);
    EXPECT_EQ(chest.cellX, 2);
    EXPECT_EQ(chest.cellY, 1);
    EXPECT_EQ(chest.stepFrame, c.stepFrame) << c.eventId << " " << c.taken;
  }
  game->treasureFlags.Clear();
  game->map.mapId = 0;
}

}  // namespace
