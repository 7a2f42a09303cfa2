#include "CDataManager.h"

#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CEnemy.h"
#include "CMapData.h"
#include "Treasure.h"
#include "game_fixture.h"

namespace {

using DataManagerTest = GameDataFixture;

CDataManager& Data() { return CDataManager::GetInstance(); }

const char kWeaponRow[] = "2000,ナイフ,100,みじかい,3,1,5,1,2,3,4,6,100,11,12,13,14,15,16,17,18";

TEST_F(DataManagerTest, ItemIdsChooseTheirTable) {
  WriteTable("item\\NormalItem.csv", {"1,やくそう,10,かいふく"});
  WriteTable("item\\Weapon.csv", {kWeaponRow, "2999,さいご,1,x,0,1,0,0,0,0,0,0,100,0,0,0,0,0,0,0,0"});
  WriteTable("item\\Armor.csv", {"3000,ふく,20,y,0,6,0,2,0,0,0,1,100,0,0,0,0,0,0,0,0"});
  const struct {
    int id;
    int found;
    const char* name;
  } cases[] = {{1, 1, "やくそう"}, {2000, 1, "ナイフ"}, {2999, 1, "さいご"}, {3000, 1, "ふく"},
               {3999, 0, ""},     {4000, 0, ""},        {7, 0, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    ItemData item;
    memset(&item, 0x5A, sizeof item);
    EXPECT_EQ(Data().LoadItem(c.id, &item), c.found);
    EXPECT_EQ(item.id, c.found ? c.id : 0);
    EXPECT_STREQ(item.name, c.name);
    // The record was zero-filled whole.
    if (!c.found) {
      EXPECT_EQ(item.kind, 0);
    }
  }
}

TEST_F(DataManagerTest, IdsFromFourThousandUpAreNoItemsAndOpenNoTable) {
  // Rows under those ids in the armour table are not found by them.
  WriteTable("item\\Armor.csv", {"4000,x,1,y,0,6,0,2,0,0,0,1,100,0,0,0,0,0,0,0,0",
                                   "2147483647,z,1,y,0,6,0,2,0,0,0,1,100,0,0,0,0,0,0,0,0"});
  for (int id : {4000, 4001, 2147483647}) {
    SCOPED_TRACE(id);
    ItemData item;
    memset(&item, 0x5A, sizeof item);
    EXPECT_EQ(Data().LoadItem(id, &item), 0);
    EXPECT_EQ(item.id, 0);
    EXPECT_EQ(item.battleBonus.defence, 0);
  }
  // Without any item table there is no file to report either.
  ErrorMessageCapture errors;
  remove("fixture\\item\\Armor.csv");
  ItemData item;
  EXPECT_EQ(Data().LoadItem(4000, &item), 0);
  EXPECT_TRUE(errors.Messages().empty());
  EXPECT_EQ(Data().LoadItem(3000, &item), 0);
  EXPECT_EQ(errors.Messages().size(), 1u);
}

TEST_F(DataManagerTest, WeaponColumnsLandInTheRecord) {
  WriteTable("item\\Weapon.csv", {kWeaponRow});
  ItemData item;
  ASSERT_EQ(Data().LoadItem(2000, &item), 1);
  EXPECT_EQ(item.price, 100);
  EXPECT_STREQ(item.description, "みじかい");
  EXPECT_EQ(item.equipGroup, 3);
  EXPECT_EQ(item.kind, 1);
  const ItemBattleBonus& b = item.battleBonus;
  EXPECT_EQ((std::vector<int>{b.attack, b.defence, b.magicDefence, b.evasion, b.magicEvasion,
                              b.weight, b.ratePercent}),
            (std::vector<int>{5, 1, 2, 3, 4, 6, 100}));
  EXPECT_EQ(item.extra[0], 11);
  EXPECT_EQ(item.extra[7], 18);
  EXPECT_EQ(item.baseBonus.maxHp, 0);  // no column fills the base-value bonuses
  EXPECT_EQ(item.reserved, 0);
}

TEST_F(DataManagerTest, LookupsFindTheFirstMatchingRowOnly) {
  WriteTable("item\\NormalItem.csv",
             {"5,まえ,1,a", "5,あと,2,b", "x,もじ,3,c", "6,カンマ,入り,4,d"});
  ItemData item;
  ASSERT_EQ(Data().LoadItem(5, &item), 1);
  EXPECT_STREQ(item.name, "まえ");
  // A key that is not a number reads as 0 and is found by a lookup of 0.
  ASSERT_EQ(Data().LoadItem(0, &item), 1);
  EXPECT_STREQ(item.name, "もじ");
  // A comma inside a text splits it: the rest becomes the price column.
  ASSERT_EQ(Data().LoadItem(6, &item), 1);
  EXPECT_STREQ(item.name, "カンマ");
  EXPECT_EQ(item.price, 0);
  EXPECT_STREQ(item.description, "4");
}

TEST_F(DataManagerTest, HeaderOnlyTableFindsNothing) {
  WriteTable("item\\NormalItem.csv", {});
  WriteTable("lvinfo\\LvInfo001.csv", {});
  WriteTable("enemy\\EncountInfo.csv", {});
  ErrorMessageCapture errors;
  ItemData item;
  LevelParams level{};
  std::vector<EncountEntry> pairs;
  EXPECT_EQ(Data().LoadItem(1, &item), 0);
  EXPECT_EQ(Data().LoadLvInfo(&level, 1, 1), 0);
  EXPECT_EQ(Data().LoadEncountInfo(1, &pairs), 0);
  EXPECT_TRUE(pairs.empty());
  EXPECT_TRUE(errors.Messages().empty());
}

TEST_F(DataManagerTest, MissingTableIsReportedWithItsPath) {
  ErrorMessageCapture errors;
  ItemData item;
  EXPECT_EQ(Data().LoadItem(2001, &item), 0);
  ASSERT_EQ(errors.Messages().size(), 1u);
  EXPECT_EQ(errors.Messages()[0], "ファイル読み込み失敗 [fixture\\item\\Weapon.csv]");
}

TEST_F(DataManagerTest, RowCutShortOrTooWideIsRefused) {
  WriteTable("item\\Weapon.csv", {"2001,みじかい,10,x,0,1,5", kWeaponRow});
  WriteTable("item\\NormalItem.csv", {"1,ながすぎるなまえのアイテム,10,x"});
  ErrorMessageCapture errors;
  ItemData item;
  EXPECT_EQ(Data().LoadItem(2001, &item), 0);
  EXPECT_EQ(item.id, 0);
  EXPECT_STREQ(item.name, "");
  EXPECT_EQ(Data().LoadItem(1, &item), 0);
  EXPECT_EQ(Data().LoadItem(2000, &item), 1);  // the good rows still load
  ASSERT_EQ(errors.Messages().size(), 2u);
  EXPECT_EQ(errors.Messages()[0], "データ形式不正 [fixture\\item\\Weapon.csv] ID [2001]");
}

TEST_F(DataManagerTest, LevelRowsAndExpToNext) {
  WriteTable("lvinfo\\LvInfo001.csv",
             {"1,0,30,5,10,11,12,13,14,15", "2,20,40,6,11,12,13,14,15,16", "3,50,50,7,1,1,1,1,1,1"});
  LevelParams level{};
  ASSERT_EQ(Data().LoadLvInfo(&level, 2, 1), 1);
  EXPECT_EQ(level.maxHp, 40);
  EXPECT_EQ(level.maxMp, 6);
  EXPECT_EQ(level.luck, 16);
  LevelParams untouched{};
  untouched.maxHp = 77;
  EXPECT_EQ(Data().LoadLvInfo(&untouched, 9, 1), 0);
  EXPECT_EQ(untouched.maxHp, 77);

  const struct {
    int level, exp, toNext;
  } cases[] = {{1, 0, 20}, {1, 15, 5}, {1, 20, 0}, {1, 500, 0}, {2, 20, 30}, {3, 50, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.level * 1000 + c.exp);
    EXPECT_EQ(Data().GetExpToNext(c.level, 1, c.exp), c.toNext);
  }
  ErrorMessageCapture errors;
  EXPECT_EQ(Data().GetExpToNext(1, 2, 0), 0);  // no table for character 2
  EXPECT_EQ(errors.Messages().size(), 1u);
}

TEST_F(DataManagerTest, EncounterPairsAreAppendedInColumnOrder) {
  WriteTable("enemy\\EncountInfo.csv", {"4,5,60,6,40,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0"});
  std::vector<EncountEntry> pairs = {{99, 99}};
  ASSERT_EQ(Data().LoadEncountInfo(4, &pairs), 1);
  ASSERT_EQ(pairs.size(), 11u);
  EXPECT_EQ(pairs[1].partyId, 5);
  EXPECT_EQ(pairs[1].weight, 60);
  EXPECT_EQ(pairs[2].partyId, 6);
  EXPECT_EQ(pairs[10].weight, 0);
}

std::string EnemyRow(int id, const char* name, int hp, int attack, int defence) {
  // id,name,x,hp,mp,atb,attack,defence,b3..b5,6 attributes,gil,exp,9 more
  char row[256];
  snprintf(row, sizeof row, "%d,%s,3,%d,4,40,%d,%d,8,9,10,1,2,3,4,5,6,17,18,20,21,22,23,24,25,26,27,28",
           id, name, hp, attack, defence);
  return row;
}

class EnemyPartyTest : public GameDataFixture {
 protected:
  void SetUp() override {
    GameDataFixture::SetUp();
    WriteTable("enemy\\EnemyPartyTable.csv",
               {"1,ふたり,0,1,7,3,0,0,0,0,0,0,0,0,0,0,0,0",       // slots in reverse table order
                "2,おなじ,0,2,3,3,0,0,0,0,0,0,0,0,0,0,0,0",       // one row, two slots
                "3,いない,0,1,42,0,0,0,0,0,0,0,0,0,0,0,0,0",      // an id without a row
                "4,おおい,0,3,3,0,0,0,0,0,0,0,0,0,0,0,0,0",       // count above the slots
                "5,ひとり,0,4,7,3,0,0,0,0,0,0,0,0,0,0,0,0"});     // count below the slots
    WriteTable("enemy\\ArrangeTable.csv",
               {"1,2,10,20,30,40,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0",
                "2,2,50,60,70,80,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0",
                "3,5,1,2,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0",
                "4,1,11,12,13,14,15,16,0,0,0,0,0,0,0,0,0,0,0,0,0,0"});
    // The blank line reads as enemy 0, which must not fill the empty slots.
    WriteTable("enemy\\EnemyTable.csv",
               {"", EnemyRow(3, "スライム", 30, 11, 10), EnemyRow(7, "ゴブリン", 22, 13, 4)});
  }

  std::vector<std::unique_ptr<CEnemy>> Load(int party, int expected) {
    std::vector<std::unique_ptr<CEnemy>> enemies;
    enemies.push_back(std::make_unique<CEnemy>());  // emptied first
    EXPECT_EQ(Data().LoadEnemyParty(party, &enemies), expected);
    return enemies;
  }
};

TEST_F(EnemyPartyTest, EnemiesFollowTheEnemyTableOrderAndTakeTheirSlotPlace) {
  const auto enemies = Load(1, 1);
  ASSERT_EQ(enemies.size(), 2u);
  EXPECT_EQ(enemies[0]->values.id, 3);  // slot 1, but first in the table
  EXPECT_EQ(enemies[0]->x, 30);
  EXPECT_EQ(enemies[0]->y, 40);
  EXPECT_EQ(enemies[1]->values.id, 7);
  EXPECT_EQ(enemies[1]->x, 10);

  const EnemyValues& v = enemies[1]->values;
  EXPECT_STREQ(v.name, "ゴブリン");
  EXPECT_EQ(v.column3, 3);
  EXPECT_EQ(v.hp, 22);
  EXPECT_EQ(v.maxHp, 22);
  EXPECT_EQ(v.mp, 4);
  EXPECT_EQ(v.maxMp, 4);
  EXPECT_EQ(v.atbGauge, 40);
  EXPECT_EQ(v.Attack(), 13);
  EXPECT_EQ(v.Defence(), 4);
  EXPECT_EQ(v.battle[4], 10);
  EXPECT_EQ(v.attributes[5], 6);
  EXPECT_EQ(v.money, 17);
  EXPECT_EQ(v.exp, 18);
  EXPECT_EQ(v.further[8], 28);
  EXPECT_EQ(v.abp, 0);
}

TEST_F(EnemyPartyTest, SlotsSharingAnIdMakeOneEnemyEach) {
  const auto enemies = Load(2, 1);
  ASSERT_EQ(enemies.size(), 2u);
  EXPECT_EQ(enemies[0]->x, 50);
  EXPECT_EQ(enemies[1]->x, 70);
  EXPECT_EQ(enemies[1]->values.id, 3);
}

TEST_F(EnemyPartyTest, ScanStopsOnceTheArrangementCountIsReached) {
  // Count 1 with enemies 7 and 3 in the slots: the table's first row (3)
  // makes its enemy and the scan ends there, before the row of enemy 7.
  const auto enemies = Load(5, 1);
  ASSERT_EQ(enemies.size(), 1u);
  EXPECT_EQ(enemies[0]->values.id, 3);
  EXPECT_EQ(enemies[0]->x, 13);
  EXPECT_EQ(enemies[0]->y, 14);
}

TEST_F(EnemyPartyTest, MissingRowsGiveWhatExists) {
  EXPECT_TRUE(Load(3, 1).empty());   // enemy 42 has no row
  EXPECT_TRUE(Load(99, 1).empty());  // no such party
  EXPECT_EQ(Load(4, 1).size(), 1u);  // the scan ends with the table
}

TEST_F(EnemyPartyTest, MissingOrBrokenTableFails) {
  ErrorMessageCapture errors;
  WriteTable("enemy\\EnemyTable.csv", {"3,スライム,3,30"});
  EXPECT_TRUE(Load(1, 0).empty());
  remove("fixture\\enemy\\ArrangeTable.csv");
  EXPECT_TRUE(Load(1, 0).empty());
  ASSERT_EQ(errors.Messages().size(), 2u);
  EXPECT_EQ(errors.Messages()[1], "ファイル読み込み失敗 [fixture\\enemy\\ArrangeTable.csv]");
}

std::string MapBytes(int width, int height, int format, size_t layerBytes) {
  std::string bytes(20, '\0');
  for (int i = 0; i < 4; ++i) {
    bytes[8 + i] = static_cast<char>(width >> (8 * i));
    bytes[12 + i] = static_cast<char>(height >> (8 * i));
  }
  bytes[18] = static_cast<char>(format);
  for (size_t i = 0; i < layerBytes; ++i) bytes += static_cast<char>(i / 2 + 1);
  return bytes;
}

class MapFileTest : public GameDataFixture {
 protected:
  void SetUp() override {
    GameDataFixture::SetUp();
    WriteTable("map\\MapInfo.csv", {"5,1,1,test.map,11,12,13"});
  }
};

TEST_F(MapFileTest, ReadsSizeFlagsAndSixLayers) {
  WriteFileBytes("fixture\\map\\test.map", MapBytes(3, 2, 6, 6 * 3 * 2 * 2));
  CMapData map;
  ASSERT_EQ(Data().LoadMap(&map, 5), 1);
  EXPECT_EQ(map.width, 3);
  EXPECT_EQ(map.height, 2);
  EXPECT_EQ(map.eventWidth, 3);
  EXPECT_EQ(map.wrap, 1);
  EXPECT_EQ(map.encount, 1);
  EXPECT_EQ(map.chipSetIds[2], 13);
  // Cells count up from 1 through the file, and each byte pair is little-endian.
  EXPECT_EQ(map.GetCell(MAP_LAYER_TILE0, 0, 0), 0x0101);
  EXPECT_EQ(map.GetCell(MAP_LAYER_TILE0, 2, 1), 0x0606);
  EXPECT_EQ(map.GetCell(MAP_LAYER_AREA, 2, 1), 0x2424);
  EXPECT_EQ(map.GetCell(MAP_LAYER_AREA, 3, 1), 0);  // outside the map
  EXPECT_EQ(map.GetCell(MAP_LAYER_AREA, -1, 0), 0);
}

TEST_F(MapFileTest, RefusedFilesLeaveNoLayersAndNoSize) {
  const struct {
    const char* what;
    std::string bytes;
    bool reported;
  } cases[] = {
      {"format 7", MapBytes(3, 2, 7, 72), false},
      {"header only", std::string(12, '\0'), false},
      {"negative height", MapBytes(3, -2, 1, 72), true},
      // The size is checked before anything is allocated: 65536 x 65536
      // cells of six layers do not fit the address space, and a header may
      // not ask for more than 2048 x 2048 cells whatever the file holds.
      {"huge", MapBytes(65536, 65536, 1, 72), true},
      {"one row past the largest map", MapBytes(2048, 2049, 1, 72), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ErrorMessageCapture errors;
    // A good map first: a failed load must not keep its size.
    WriteFileBytes("fixture\\map\\test.map", MapBytes(3, 2, 6, 72));
    CMapData map;
    ASSERT_EQ(Data().LoadMap(&map, 5), 1);
    WriteFileBytes("fixture\\map\\test.map", c.bytes);
    EXPECT_EQ(Data().LoadMap(&map, 5), 0);
    EXPECT_FALSE(map.HasLayers());
    EXPECT_EQ(map.width, 0);
    EXPECT_EQ(map.height, 0);
    EXPECT_EQ(map.eventWidth, 0);
    EXPECT_EQ(map.eventHeight, 0);
    EXPECT_EQ(map.GetCell(MAP_LAYER_PASS, 0, 0), 0);
    EXPECT_EQ(errors.Messages().size(), c.reported ? 1u : 0u);
  }
}

TEST_F(MapFileTest, FileCutShortInsideALayerReadsTheRestAsZero) {
  ErrorMessageCapture errors;
  // Layer 0 whole (6 cells), two cells of layer 1 and half a cell.
  WriteFileBytes("fixture\\map\\test.map", MapBytes(3, 2, 6, 6 * 2 + 2 * 2 + 1));
  CMapData map;
  ASSERT_EQ(Data().LoadMap(&map, 5), 1);
  EXPECT_EQ(map.width, 3);
  EXPECT_EQ(map.height, 2);
  EXPECT_EQ(map.GetCell(MAP_LAYER_TILE0, 2, 1), 0x0606);
  EXPECT_EQ(map.GetCell(MAP_LAYER_TILE1, 0, 0), 0x0707);
  EXPECT_EQ(map.GetCell(MAP_LAYER_TILE1, 1, 0), 0x0808);
  EXPECT_EQ(map.GetCell(MAP_LAYER_TILE1, 2, 0), 0) << "the half cell is not read";
  for (int layer = MAP_LAYER_TILE2; layer <= MAP_LAYER_AREA; ++layer) {
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 3; ++x) EXPECT_EQ(map.GetCell(layer, x, y), 0) << layer;
    }
  }
  // A map without cells is read as one.
  WriteFileBytes("fixture\\map\\test.map", MapBytes(0, 2, 1, 0));
  ASSERT_EQ(Data().LoadMap(&map, 5), 1);
  EXPECT_EQ(map.width, 0);
  EXPECT_EQ(map.GetCell(MAP_LAYER_TILE0, 0, 0), 0);
  EXPECT_TRUE(errors.Messages().empty());
}

TEST_F(MapFileTest, MapWithoutRowOrFileFailsQuietly) {
  ErrorMessageCapture errors;
  CMapData map;
  EXPECT_EQ(Data().LoadMap(&map, 6), 0);
  EXPECT_EQ(Data().LoadMap(&map, 5), 0);
  EXPECT_TRUE(errors.Messages().empty());
}

TEST(MapDataTest, ChipAndCharacterSheetPositions) {
  EXPECT_EQ(ChipSheetX(0x0103), 48);
  EXPECT_EQ(ChipSheetY(0x0103), 16);
  int sheet = -1, row = -1;
  ASSERT_TRUE(CDataManager::GetCharSheetRow(13, &sheet, &row));
  EXPECT_EQ(sheet, 1);
  EXPECT_EQ(row, 0);
  ASSERT_TRUE(CDataManager::GetCharSheetRow(12, &sheet, &row));
  EXPECT_EQ(sheet, 0);
  EXPECT_EQ(row, 11);
  EXPECT_FALSE(CDataManager::GetCharSheetRow(0, &sheet, &row));
  EXPECT_FALSE(CDataManager::GetCharSheetRow(25, &sheet, &row));
}

TEST_F(DataManagerTest, ChipTablesListTheirRows) {
  WriteTable("map\\MapChipInfo.csv", {"1,a.png", "1,b.png"});
  WriteTable("map\\AniChipInfo.csv", {"1,3,7"});
  std::vector<ChipSheetInfo> sheets;
  std::vector<AniChip> chips;
  ASSERT_EQ(Data().ReadMapChipInfo(&sheets), 1);
  ASSERT_EQ(sheets.size(), 2u);
  EXPECT_EQ(sheets[1].fileName, "b.png");
  ASSERT_EQ(Data().ReadAniChipInfo(&chips), 1);
  ASSERT_EQ(chips.size(), 1u);
  EXPECT_EQ(chips[0].chipValue, 3);
  EXPECT_EQ(chips[0].parameter, 7);
}

TEST_F(DataManagerTest, TreasureIsFoundByMapAndNumber) {
  WriteTable("treasure\\Treasure.csv", {"12,2,7", "13,2,7", "14,3,7"});
  const TreasureInfo* found = FindTreasure(2, 7);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->index, 12);
  EXPECT_EQ(FindTreasure(3, 7)->index, 14);
  EXPECT_EQ(FindTreasure(2, 8), nullptr);
  remove("fixture\\treasure\\Treasure.csv");
  ErrorMessageCapture errors;
  EXPECT_EQ(FindTreasure(2, 7), nullptr);
  EXPECT_EQ(errors.Messages().size(), 1u);
}

TEST(TreasureFlagsTest, IndicesOutsideTheFlagsNameNoFlag) {
  TreasureFlags flags;
  flags.SetTaken(1023);
  flags.SetTaken(1024);
  flags.SetTaken(-1);
  EXPECT_TRUE(flags.IsTaken(1023));
  EXPECT_FALSE(flags.IsTaken(1024));
  EXPECT_FALSE(flags.IsTaken(-1));
  EXPECT_FALSE(flags.IsTaken(0));
}

}  // namespace
