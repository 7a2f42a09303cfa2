// The battle's target cursor: where each arrow key takes it over the living
// enemies, and what X and Z report to the battle.
#include "CBattleCursorManager.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CCoWndManager.h"
#include "CCursor.h"
#include "CEnemy.h"
#include "CManipulator.h"
#include "stdout_capture.h"
#include "window_fixture.h"

namespace {

struct Report {
  CFrameWindow* window;
  int value;  // -1 for a cancel
  bool operator==(const Report&) const = default;
};

class RecordingOwner : public CCoWndManager {
 public:
  int Load() override { return 0; }
  void Release() override {}
  void OnSelect(CFrameWindow* window, int value) override { reports.push_back({window, value}); }
  void OnCancel(CFrameWindow* window) override { reports.push_back({window, -1}); }
  std::vector<Report> reports;
};

class BattleCursorTest : public ::testing::Test {
 protected:
  BattleCursorTest() : manager(&cursor) {}
  // Enemies at the given x, each 32 pixels high at y = 20 + 10 i.
  void MakeEnemies(std::initializer_list<int> xs) {
    int i = 0;
    for (int enemyX : xs) {
      auto enemy = std::make_unique<CEnemy>();
      enemy->x = enemyX;
      enemy->y = 20 + 10 * i++;
      enemy->pictureHeight = 32;
      enemy->values.hp = 5;
      enemies.push_back(std::move(enemy));
    }
  }
  // Where the cursor must stand on enemy i: 8 left of its picture, halfway
  // down it less 8.
  void ExpectOn(int i) {
    EXPECT_EQ(manager.currentIndex, i);
    const CEnemy& enemy = *enemies[static_cast<size_t>(i)];
    EXPECT_EQ(cursor.x, enemy.x - 8);
    EXPECT_EQ(cursor.y, enemy.y + 16 - 8);
    EXPECT_EQ(manager.cursorX, cursor.x);
    EXPECT_EQ(manager.cursorY, cursor.y);
  }
  void Frame(std::initializer_list<int> held) {
    PressKeys(&keyboard, held);
    manager.Control(keyboard);
  }

  CCursor cursor;
  CBattleCursorManager manager;
  RecordingOwner owner;
  CManipulator keyboard;
  std::vector<std::unique_ptr<CEnemy>> enemies;
};

TEST_F(BattleCursorTest, StartsOnTheRightmostLivingEnemy) {
  MakeEnemies({30, 110, 20, 60});
  enemies[1]->values.hp = 0;
  EXPECT_EQ(manager.Init(enemies, nullptr, &owner), 1);
  ExpectOn(3);
  ASSERT_EQ(manager.enemies.size(), 4u);
  EXPECT_EQ(manager.enemies[2], enemies[2].get());
}

TEST_F(BattleCursorTest, MoveTable) {
  // Enemies at x 40, 40, 100 and 70; the cursor stands 8 left of each.
  const struct {
    int from;
    int key;
    int moved;
    int to;
  } cases[] = {
      {2, KEY_LEFT, 1, 3},  {3, KEY_LEFT, 1, 0},  // the first of a tie in list order
      {0, KEY_LEFT, 1, 1},                        // the same x counts with distance 0
      {1, KEY_LEFT, 1, 0},  {0, KEY_RIGHT, 1, 1}, {1, KEY_RIGHT, 1, 0},
      {0, KEY_UP, 1, 1},    {1, KEY_DOWN, 1, 0},  {3, KEY_RIGHT, 1, 2},
      {3, KEY_DOWN, 1, 2},  {3, KEY_UP, 1, 0},    {2, KEY_RIGHT, 0, 2},  // nothing further right
  };
  MakeEnemies({40, 40, 100, 70});
  manager.Init(enemies, nullptr, &owner);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "from " << c.from << " key " << c.key);
    manager.currentIndex = c.from;
    manager.cursorX = enemies[static_cast<size_t>(c.from)]->x - 8;
    StdoutCapture trace;
    EXPECT_EQ(manager.Move(c.key), c.moved);
    EXPECT_EQ(trace.Take(), c.moved ? "" : "カーソル変化無し\n");
    EXPECT_EQ(manager.currentIndex, c.to);
  }
}

TEST_F(BattleCursorTest, ThreeLeftsCycleThroughTwoEnemiesAtOneX) {
  MakeEnemies({40, 40, 100});
  manager.Init(enemies, nullptr, &owner);
  ExpectOn(2);
  manager.Move(KEY_LEFT);
  ExpectOn(0);
  manager.Move(KEY_LEFT);
  ExpectOn(1);
  manager.Move(KEY_LEFT);
  ExpectOn(0);
}

TEST_F(BattleCursorTest, FallenAndMissingEnemiesAreSkipped) {
  MakeEnemies({20, 60, 100});
  manager.Init(enemies, nullptr, &owner);
  ExpectOn(2);
  enemies[1]->values.hp = 0;
  manager.enemies[0] = nullptr;
  StdoutCapture trace;
  EXPECT_EQ(manager.Move(KEY_LEFT), 0);
  EXPECT_EQ(trace.Take(), "カーソル変化無し\n");
  ExpectOn(2);
}

TEST_F(BattleCursorTest, TheNextBattleStartsFromTheKeptIndex) {
  // The first move skips the enemy the last battle's index names, so the
  // cursor starts on the second rightmost.
  MakeEnemies({20, 60, 100});
  manager.currentIndex = 2;
  manager.Init(enemies, nullptr, &owner);
  ExpectOn(1);
  // An index past the new list is not kept.
  enemies.resize(2);
  manager.currentIndex = 5;
  manager.Init(enemies, nullptr, &owner);
  ExpectOn(1);
  manager.currentIndex = 5;
  enemies.resize(1);
  manager.Init(enemies, nullptr, &owner);
  manager.CheckTarget();
  ExpectOn(0);
}

TEST_F(BattleCursorTest, CheckTargetKeepsALivingTargetElseGoesRightThenLeft) {
  MakeEnemies({20, 60, 100});
  manager.Init(enemies, nullptr, &owner);
  manager.Move(KEY_LEFT);
  ExpectOn(1);
  cursor.visible = 0;
  cursor.x = 0;  // something else moved the shared cursor
  manager.CheckTarget();
  ExpectOn(1);
  EXPECT_EQ(cursor.visible, 1);

  enemies[1]->values.hp = 0;
  manager.CheckTarget();
  ExpectOn(2);  // the nearest to the right
  enemies[2]->values.hp = 0;
  manager.CheckTarget();
  ExpectOn(0);  // none to the right: the nearest to the left
  enemies[0]->values.hp = 0;
  StdoutCapture trace;
  manager.CheckTarget();
  EXPECT_EQ(trace.Take(), "カーソル変化無し\nカーソル変化無し\n");
  EXPECT_EQ(manager.currentIndex, 0);
  EXPECT_EQ(cursor.visible, 1);
}

TEST_F(BattleCursorTest, KeysMoveThenReportToTheOwner) {
  MakeEnemies({20, 60, 100});
  manager.Init(enemies, nullptr, &owner);
  Frame({KEY_LEFT});
  ExpectOn(1);
  Frame({});
  Frame({KEY_LEFT, KEY_X});  // the move first, then the choice
  ExpectOn(0);
  Frame({});
  Frame({KEY_Z});
  Frame({});
  Frame({KEY_X, KEY_Z});  // X wins
  // Both arrows in one frame: LEFT (nothing further left), then RIGHT.
  Frame({});
  Frame({KEY_RIGHT, KEY_LEFT});
  ExpectOn(1);
  EXPECT_EQ(owner.reports, (std::vector<Report>{{nullptr, 0}, {nullptr, -1}, {nullptr, 0}}));
}

}  // namespace
