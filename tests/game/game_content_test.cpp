// The repository's own data folder, read by the game's readers: every table
// row must load whole, and the tables must agree with one another and with
// what a new game needs.
#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CDataManager.h"
#include "CEnemy.h"
#include "CMapData.h"
#include "CPlayerParty.h"
#include "CsvTable.h"
#include "Treasure.h"
#include "game_fixture.h"

namespace {

class GameContentTest : public ::testing::Test {
 protected:
  void SetUp() override { SetGameDataFolder(RepositoryDataFolder()); }
  void TearDown() override {
    SetGameDataFolder("..\\data");
    EXPECT_TRUE(errors.Messages().empty()) << errors.Messages().front();
  }

  // The keys of a table, in file order.
  static std::vector<int> Keys(const char* folder, const char* file) {
    std::vector<int> keys;
    CCsvTable table(DataPath(folder) + "\\" + file, kTableLineSize);
    EXPECT_TRUE(table.IsOpen()) << file;
    while (const char* row = table.NextRow()) {
      const char* cursor = row;
      keys.push_back(ReadCsvInt(&cursor));
    }
    return keys;
  }

  CDataManager& data = CDataManager::GetInstance();
  ErrorMessageCapture errors;
};

TEST_F(GameContentTest, EveryItemLoadsWithinItsIdRange) {
  const struct {
    const char* file;
    int first, last;
  } tables[] = {{"NormalItem.csv", 1, 1023}, {"Weapon.csv", 2000, 2999}, {"Armor.csv", 3000, 3999}};
  for (const auto& t : tables) {
    const std::vector<int> ids = Keys("item", t.file);
    EXPECT_FALSE(ids.empty()) << t.file;
    EXPECT_EQ(std::set<int>(ids.begin(), ids.end()).size(), ids.size()) << t.file;
    for (int id : ids) {
      SCOPED_TRACE(id);
      EXPECT_GE(id, t.first);
      EXPECT_LE(id, t.last);
      ItemData item;
      ASSERT_EQ(data.LoadItem(id, &item), 1);
      EXPECT_STRNE(item.name, "");
      EXPECT_GT(item.price, 0);
      if (item.IsEquipment()) {
        EXPECT_NE(EquipSlotOfKind(item.kind), -1);
        EXPECT_GE(item.equipGroup, 0);
        EXPECT_LE(item.equipGroup, 5);
      }
    }
  }
}

TEST_F(GameContentTest, NewGameCanEquipItsStartingItems) {
  // The new game gives these, and its first two members (jobs 0 and 2) put
  // 2001 in the right hand and 3001 on the body.
  for (int id : {2001, 3001, 1, 2002, 2003, 3002}) {
    ItemData item;
    EXPECT_EQ(data.LoadItem(id, &item), 1) << id;
  }
  CPlayerParty party;
  party.Init();
  for (int n = 1; n <= 4; ++n) party.AddMember(n, n);
  for (int id : {2001, 3001}) party.AddItem(1, id);
  std::vector<ItemStack*> list;
  for (int job : {JOB_NONE, JOB_BLACK_MAGE}) {
    EXPECT_EQ(party.GetEquipList(&list, job, EQUIP_RIGHT_HAND), 1);
    EXPECT_EQ(party.GetEquipList(&list, job, EQUIP_BODY), 1);
  }
  for (int n = 0; n < 4; ++n) {
    const CPlayerChar* member = party.GetMember(n);
    ASSERT_NE(member, nullptr);
    EXPECT_GT(member->hp, 0);
    EXPECT_STRNE(member->name, "");
  }
}

TEST_F(GameContentTest, LevelTablesRunToNinetyNineWithRisingExperience) {
  for (int character = 1; character <= 4; ++character) {
    SCOPED_TRACE(character);
    int previousExp = -1;
    int previousHp = 0;
    for (int level = 1; level <= kMaxLevel; ++level) {
      int exp = 0;
      LevelParams values{};
      ASSERT_EQ(data.LoadLvExp(level, character, &exp), 1) << level;
      ASSERT_EQ(data.LoadLvInfo(&values, level, character), 1) << level;
      EXPECT_GT(exp, previousExp);
      EXPECT_LE(exp, kMaxExp);
      EXPECT_GE(values.maxHp, previousHp);
      previousExp = exp;
      previousHp = values.maxHp;
    }
    EXPECT_EQ(data.GetExpToNext(kMaxLevel, character, 0), 0);
  }
}

TEST_F(GameContentTest, EveryEnemyPartyFillsItsArrangement) {
  for (int party : Keys("enemy", "EnemyPartyTable.csv")) {
    SCOPED_TRACE(party);
    std::vector<std::unique_ptr<CEnemy>> enemies;
    ASSERT_EQ(data.LoadEnemyParty(party, &enemies), 1);
    EXPECT_FALSE(enemies.empty());
    EXPECT_LE(enemies.size(), 10u);
    for (const std::unique_ptr<CEnemy>& enemy : enemies) {
      EXPECT_GT(enemy->values.hp, 0);
      EXPECT_GT(enemy->values.Attack(), 0);
      EXPECT_GE(enemy->values.atbGauge, 0);
      EXPECT_LE(enemy->values.atbGauge, 100);
      // Enemies stand on the left of the 320 x 240 screen, the party on the right.
      EXPECT_GE(enemy->positionX, 0);
      EXPECT_LT(enemy->positionX, 200);
      EXPECT_GE(enemy->positionY, 0);
      EXPECT_LT(enemy->positionY, 200);
    }
  }
}

TEST_F(GameContentTest, EncounterAreasNameExistingPartiesAndCoverEveryRoll) {
  const std::vector<int> parties = Keys("enemy", "EnemyPartyTable.csv");
  for (int area : Keys("enemy", "EncountInfo.csv")) {
    SCOPED_TRACE(area);
    std::vector<EncountEntry> pairs;
    ASSERT_EQ(data.LoadEncountInfo(area, &pairs), 1);
    int total = 0;
    for (const EncountEntry& pair : pairs) {
      total += pair.weight;
      if (pair.weight > 0) {
        EXPECT_NE(std::find(parties.begin(), parties.end(), pair.partyId), parties.end());
      }
    }
    EXPECT_EQ(total, 100);
  }
}

TEST_F(GameContentTest, MapsLoadAndAgreeWithTheirEventsAndTreasure) {
  const std::vector<int> areas = Keys("enemy", "EncountInfo.csv");
  for (int mapId : Keys("map", "MapInfo.csv")) {
    SCOPED_TRACE(mapId);
    CMapData map;
    ASSERT_EQ(data.LoadMap(&map, mapId), 1);
    std::set<int> events;
    for (int y = 0; y < map.height; ++y) {
      for (int x = 0; x < map.width; ++x) {
        if (int id = map.GetCell(MAP_LAYER_EVENT, x, y)) events.insert(id);
        const int area = map.GetCell(MAP_LAYER_AREA, x, y);
        if (map.encount != 0) {
          EXPECT_NE(std::find(areas.begin(), areas.end(), area), areas.end()) << x << "," << y;
        }
      }
    }
    EXPECT_FALSE(events.empty());
    for (int number : events) {
      const TreasureInfo* treasure = FindTreasure(mapId, number);
      if (treasure == nullptr) continue;
      // A treasure's index is its flag and the id of a normal item.
      EXPECT_LT(treasure->index, kTreasureFlagCount);
      ItemData item;
      EXPECT_EQ(data.LoadItem(treasure->index, &item), 1);
    }
  }
  // Every treasure row stands on an event cell of its map.
  CCsvTable treasures(DataPath("treasure") + "\\Treasure.csv", kTableLineSize);
  while (const char* text = treasures.NextRow()) {
    CCsvRow row(text);
    const int index = row.ReadInt(), mapId = row.ReadInt(), number = row.ReadInt();
    SCOPED_TRACE(index);
    CMapData map;
    ASSERT_EQ(data.LoadMap(&map, mapId), 1);
    bool placed = false;
    for (int y = 0; y < map.height; ++y) {
      for (int x = 0; x < map.width; ++x) placed |= map.GetCell(MAP_LAYER_EVENT, x, y) == number;
    }
    EXPECT_TRUE(placed);
  }
}

TEST_F(GameContentTest, NewGameStartsOnAWalkableCellOfMapTwo) {
  CMapData map;
  ASSERT_EQ(data.LoadMap(&map, 2), 1);
  ASSERT_GT(map.width, 7);
  ASSERT_GT(map.height, 7);
  const int pass = map.GetCell(MAP_LAYER_PASS, 7, 7);
  for (int blocked : {1, 2, 7, 8, 9, 20}) EXPECT_NE(pass, blocked);
  EXPECT_EQ(map.encount, 0);  // the town has no encounters
}

TEST_F(GameContentTest, ChipTablesNameTheMapsChipSets) {
  std::vector<ChipSheetInfo> sheets;
  std::vector<AniChip> chips;
  ASSERT_EQ(data.ReadMapChipInfo(&sheets), 1);
  ASSERT_EQ(data.ReadAniChipInfo(&chips), 1);
  std::set<int> sets;
  for (const ChipSheetInfo& sheet : sheets) sets.insert(sheet.chipSetId);
  for (const AniChip& chip : chips) EXPECT_EQ(sets.count(chip.chipSetId), 1u);
  for (int mapId : Keys("map", "MapInfo.csv")) {
    MapInfo info;
    ASSERT_EQ(data.LoadMapInfo(mapId, &info), 1);
    for (int id : info.chipSetIds) EXPECT_EQ(sets.count(id), 1u) << mapId;
  }
}

TEST_F(GameContentTest, DebugSettingsHoldTheNewGameDefaults) {
  const struct {
    const char* section;
    const char* key;
    int value;
  } keys[] = {{"Init", "MapID", 2},       {"Init", "MapPosX", 7},     {"Init", "MapPosY", 7},
              {"Init", "PlayerCount", 4}, {"Init", "Gill", 2000},     {"Map", "IgnorePassFlag", 0},
              {"Battle", "EnemyAtack", 0}, {"System", "DebugLogWindow", 0}};
  for (const auto& k : keys) {
    EXPECT_EQ(ReadDebugSetting(k.section, k.key, -99), k.value) << k.key;
  }
  EXPECT_EQ(ReadDebugSetting("Init", "NoSuchKey", -99), -99);
}

}  // namespace
