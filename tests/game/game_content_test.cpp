// The repository's own data folder, read by the game's readers: every table
// row must load whole, and the tables must agree with one another and with
// what a new game needs.
#include <stdio.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <lua.hpp>

#include "CDataManager.h"
#include "CEnemy.h"
#include "CMapData.h"
#include "CPlayerParty.h"
#include "CsvTable.h"
#include "Treasure.h"
#include "graphics/image_loaders.h"
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

std::string ReadWholeFile(const std::string& path) {
  std::string bytes;
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) return bytes;
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
  fclose(file);
  return bytes;
}

uint32_t Be32(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) << 24 | uint32_t(uint8_t(b[at + 1])) << 16 |
         uint32_t(uint8_t(b[at + 2])) << 8 | uint32_t(uint8_t(b[at + 3]));
}

// The size in a PNG's header, or false when the file is no PNG.
bool PngSize(const std::string& path, int* width, int* height) {
  const std::string b = ReadWholeFile(path);
  if (b.size() < 24 || b.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || b.compare(12, 4, "IHDR") != 0) {
    return false;
  }
  *width = int(Be32(b, 16));
  *height = int(Be32(b, 20));
  return true;
}

// The playing time of an MPEG-1 layer III file, walked frame by frame from
// the first frame header; 0 when no frame is found.
double Mp3Seconds(const std::string& path) {
  static const int kBitrates[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
  static const int kRates[4] = {44100, 48000, 32000, 0};
  const std::string b = ReadWholeFile(path);
  size_t at = 0;
  if (b.compare(0, 3, "ID3") == 0 && b.size() > 10) {
    at = 10 + ((size_t(b[6] & 0x7F) << 21) | (size_t(b[7] & 0x7F) << 14) | (size_t(b[8] & 0x7F) << 7) |
               size_t(b[9] & 0x7F));
  }
  int frames = 0, rate = 0;
  while (at + 4 <= b.size()) {
    const uint32_t h = Be32(b, at);
    // Sync, MPEG-1, layer III.
    if ((h & 0xFFFE0000u) != 0xFFFA0000u) break;
    const int bitrate = kBitrates[(h >> 12) & 15], sampleRate = kRates[(h >> 10) & 3];
    if (bitrate == 0 || sampleRate == 0) break;
    at += size_t(144 * bitrate * 1000 / sampleRate + ((h >> 9) & 1));
    rate = sampleRate;
    ++frames;
  }
  return rate ? frames * 1152.0 / rate : 0;
}

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
  StartLibraryForPictures();
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
      EXPECT_GE(enemy->x, 0);
      EXPECT_LT(enemy->x, 200);
      EXPECT_GE(enemy->y, 0);
      EXPECT_LT(enemy->y, 200);
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

TEST_F(GameContentTest, EveryPictureTheGameLoadsHasItsLayout) {
  const std::string data = RepositoryDataFolder();
  const struct {
    const char* file;
    int width, height;  // 0: any size
  } pictures[] = {
      // Two sheets of twelve characters, sixteen 16 x 24 frames each.
      {"char\\char01.png", 256, 288},
      {"char\\char02.png", 256, 288},
      // A row of eighteen 24 x 24 battle frames per party member.
      {"char\\char_battle01.png", 432, 24},
      {"char\\char_battle02.png", 432, 24},
      {"char\\char_battle03.png", 432, 24},
      {"char\\char_battle04.png", 432, 24},
      // A row of nine 16 x 16 cells, the first eight the window border.
      {"graphs\\system\\wnd_frame_chip.png", 144, 16},
      {"graphs\\system\\cursor.png", 16, 16},
      {"graphs\\system\\mark.png", 16, 16},
      {"graphs\\system\\list_arrow_up.png", 0, 0},
      {"graphs\\system\\list_arrow_down.png", 0, 0},
      {"graphs\\system\\atb_gauge.png", 0, 0},
      // The battle background covers the 320 x 240 screen.
      {"field\\field_01.png", 320, 240},
  };
  for (const auto& p : pictures) {
    SCOPED_TRACE(p.file);
    int width = 0, height = 0;
    ASSERT_TRUE(PngSize(data + "\\" + p.file, &width, &height));
    if (p.width != 0) {
      EXPECT_EQ(width, p.width);
      EXPECT_EQ(height, p.height);
    }
    EXPECT_GT(width, 0);
    EXPECT_GT(height, 0);
  }
  // The full gauge's line ends 62 pixels right of the picture's left edge
  // and the frame is drawn over it, so it must reach that far.
  int width = 0, height = 0;
  ASSERT_TRUE(PngSize(data + "\\graphs\\system\\atb_gauge.png", &width, &height));
  EXPECT_GT(width, 62);
  // The list arrows sit 12 pixels from the window's right edge.
  ASSERT_TRUE(PngSize(data + "\\graphs\\system\\list_arrow_up.png", &width, &height));
  EXPECT_LE(width, 12);
}

TEST_F(GameContentTest, EveryEnemyHasAPictureThatFitsTheEnemySide) {
  const std::vector<int> enemies = Keys("enemy", "EnemyTable.csv");
  EXPECT_GE(enemies.size(), 6u);
  for (int id : enemies) {
    SCOPED_TRACE(id);
    char name[64];
    snprintf(name, sizeof name, "%s\\enemy\\graphs\\enemy_%03d.png", RepositoryDataFolder().c_str(), id);
    int width = 0, height = 0;
    ASSERT_TRUE(PngSize(name, &width, &height));
    // Above the windows (y 170) and left of the party.
    EXPECT_LE(width, 100);
    EXPECT_LE(height, 100);
  }
  // Every arrangement places its pictures on the enemy side above the windows.
  for (int party : Keys("enemy", "EnemyPartyTable.csv")) {
    SCOPED_TRACE(party);
    std::vector<std::unique_ptr<CEnemy>> list;
    ASSERT_EQ(data.LoadEnemyParty(party, &list), 1);
    for (const std::unique_ptr<CEnemy>& enemy : list) {
      char name[64];
      snprintf(name, sizeof name, "%s\\enemy\\graphs\\enemy_%03d.png", RepositoryDataFolder().c_str(),
               enemy->values.id);
      int width = 0, height = 0;
      ASSERT_TRUE(PngSize(name, &width, &height));
      EXPECT_LE(enemy->x + width, 200);
      EXPECT_LE(enemy->y + height, 170);
    }
  }
}

TEST_F(GameContentTest, EnemyPartiesCoverTheDebugBattleRange) {
  // The debug battle and a script's party 0 pick 1 to 18 at random.
  const std::vector<int> parties = Keys("enemy", "EnemyPartyTable.csv");
  for (int id = 1; id <= 18; ++id) {
    EXPECT_NE(std::find(parties.begin(), parties.end(), id), parties.end()) << id;
  }
  const std::vector<int> arrangements = Keys("enemy", "ArrangeTable.csv");
  for (int count = 1; count <= 4; ++count) {
    EXPECT_NE(std::find(arrangements.begin(), arrangements.end(), count), arrangements.end()) << count;
  }
}

TEST_F(GameContentTest, EveryTileChipLiesInsideItsSheet) {
  std::vector<ChipSheetInfo> sheets;
  ASSERT_EQ(data.ReadMapChipInfo(&sheets), 1);
  std::map<int, std::pair<int, int>> sizes;  // chip-set id -> sheet size
  for (const ChipSheetInfo& sheet : sheets) {
    int width = 0, height = 0;
    ASSERT_TRUE(PngSize(DataPath("map") + "\\" + sheet.fileName, &width, &height)) << sheet.fileName;
    EXPECT_EQ(width % 16, 0);
    EXPECT_EQ(height % 16, 0);
    EXPECT_LE(width, 256 * 16);
    sizes.emplace(sheet.chipSetId, std::make_pair(width, height));
  }
  auto inside = [&](int set, int value) {
    const auto& size = sizes.at(set);
    return (value % 256) * 16 + 16 <= size.first && (value / 256) * 16 + 16 <= size.second;
  };
  std::vector<AniChip> animated;
  ASSERT_EQ(data.ReadAniChipInfo(&animated), 1);
  EXPECT_FALSE(animated.empty());  // the water
  for (const AniChip& chip : animated) EXPECT_TRUE(inside(chip.chipSetId, chip.chipValue));
  for (int mapId : Keys("map", "MapInfo.csv")) {
    SCOPED_TRACE(mapId);
    CMapData map;
    ASSERT_EQ(data.LoadMap(&map, mapId), 1);
    bool animatedUsed = false;
    for (int layer = MAP_LAYER_TILE0; layer <= MAP_LAYER_TILE2; ++layer) {
      for (int y = 0; y < map.height; ++y) {
        for (int x = 0; x < map.width; ++x) {
          const int value = map.GetCell(layer, x, y);
          if (value == 0) continue;
          ASSERT_TRUE(inside(map.chipSetIds[layer], value)) << layer << ": " << x << "," << y;
          for (const AniChip& chip : animated) {
            animatedUsed |= chip.chipSetId == map.chipSetIds[layer] && chip.chipValue == value;
          }
        }
      }
    }
    if (mapId != 1) {
      EXPECT_TRUE(animatedUsed);  // the village and the field have water
    }
  }
}

TEST_F(GameContentTest, TheWorldHasItsThreeMaps) {
  const struct {
    int id, wrap, encount;
  } maps[] = {{1, 0, 0}, {2, 0, 0}, {3, 1, 1}};
  for (const auto& m : maps) {
    SCOPED_TRACE(m.id);
    CMapData map;
    ASSERT_EQ(data.LoadMap(&map, m.id), 1);
    EXPECT_EQ(map.wrap, m.wrap);
    EXPECT_EQ(map.encount, m.encount);
    std::set<int> areas;
    bool upper = false;
    for (int y = 0; y < map.height; ++y) {
      for (int x = 0; x < map.width; ++x) {
        areas.insert(map.GetCell(MAP_LAYER_AREA, x, y));
        upper |= map.GetCell(MAP_LAYER_TILE2, x, y) != 0;
      }
    }
    if (m.encount) {
      EXPECT_EQ(areas, (std::set<int>{1, 2}));
    }
    if (m.id == 2) {
      EXPECT_EQ(map.width, 24);
      EXPECT_EQ(map.height, 18);
      EXPECT_TRUE(upper);  // roofs and tree crowns over the characters
    }
  }
}

TEST_F(GameContentTest, ItemTextsAgreeWithTheirRules) {
  ItemData ether;
  ASSERT_EQ(data.LoadItem(3, &ether), 1);
  // Ether restores 25 to 35 MP.
  EXPECT_NE(std::string(ether.description).find("２５～３５"), std::string::npos);
  // Every equipment slot kind and equip group is on sale somewhere.
  std::set<int> kinds, groups;
  for (const char* file : {"Weapon.csv", "Armor.csv"}) {
    for (int id : Keys("item", file)) {
      ItemData item;
      ASSERT_EQ(data.LoadItem(id, &item), 1);
      kinds.insert(item.kind);
      groups.insert(item.equipGroup);
    }
  }
  EXPECT_EQ(kinds, (std::set<int>{1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(groups, (std::set<int>{0, 1, 2, 3, 4, 5}));
}

TEST_F(GameContentTest, MusicPiecesAreMp3LongerThanTheVictoryLoopPoint) {
  for (const char* file : {"isekai.mp3", "forest.mp3", "battle3.mp3", "battle_win.mp3"}) {
    SCOPED_TRACE(file);
    // The victory piece loops back to 5170 ms, so every piece runs past it.
    EXPECT_GT(Mp3Seconds(RepositoryDataFolder() + "\\bgm\\" + file), 5.17);
  }
}

// Runs a map's script as the game does, with the host functions replaced by
// recorders: the chunk, GetMapObject for every event cell, and events.
class MapScript {
 public:
  explicit MapScript(int mapId) : state_(luaL_newstate()) {
    luaL_openlibs(state_);
    char path[512];
    snprintf(path, sizeof path, "%s\\mapevt%06d.lua", DataPath("event").c_str(), mapId);
    loaded_ = luaL_loadfile(state_, path) == 0 && lua_pcall(state_, 0, LUA_MULTRET, 0) == 0;
    if (!loaded_) error_ = lua_tostring(state_, -1);
    lua_settop(state_, 0);
  }
  ~MapScript() { lua_close(state_); }

  bool loaded() const { return loaded_; }
  const std::string& error() const { return error_; }
  lua_State* state() { return state_; }

  // The host functions' names, each recording its call and answering 0
  // (or an item name): enough to walk an event's coroutine to its end.
  void RegisterRecorders(std::vector<std::string>* calls) {
    static const char* const kNames[] = {
        "expShowMessage",   "expCloseMessage",    "expAddMessage",        "expStartFadeout",
        "expStartFadein",   "expShake",           "expChangeMap",         "expGetTreasureFlag",
        "expGetTreasure",   "expMovePlayer",      "expMoveMapObject",     "expWaitFrame",
        "expOpenStore",     "expLoadSoundFile",   "expPlayBGM",           "expStopBGM",
        "expStartBattle",   "expGetGameFlag",     "expSetGameFlag",       "expShowYesNoMessage",
        "expShowChoiceMessage", "expGetYesNoAnswer", "expGetChooseAnswer"};
    for (const char* name : kNames) {
      lua_pushlightuserdata(state_, calls);
      lua_pushstring(state_, name);
      lua_pushcclosure(state_, &Record, 2);
      lua_setfield(state_, LUA_GLOBALSINDEX, name);
    }
  }

  // Runs a global as a coroutine, resuming every yield; false when it fails.
  bool RunToEnd(const char* global, int argument) {
    lua_State* thread = lua_newthread(state_);
    lua_getfield(thread, LUA_GLOBALSINDEX, global);
    int args = 0;
    if (argument >= 0) {
      lua_pushnumber(thread, argument);
      args = 1;
    }
    for (int resumes = 0; resumes < 100; ++resumes) {
      const int status = lua_resume(thread, args);
      args = 0;
      if (status == 0) {
        lua_settop(state_, 0);
        return true;
      }
      if (status != LUA_YIELD) {
        error_ = lua_tostring(thread, -1);
        lua_settop(state_, 0);
        return false;
      }
    }
    lua_settop(state_, 0);
    return false;
  }

 private:
  static int Record(lua_State* L) {
    auto* calls = static_cast<std::vector<std::string>*>(lua_touserdata(L, lua_upvalueindex(1)));
    std::string call = lua_tostring(L, lua_upvalueindex(2));
    for (int i = 1; i <= lua_gettop(L); ++i) {
      call += i == 1 ? " " : ",";
      if (lua_type(L, i) == LUA_TSTRING || lua_type(L, i) == LUA_TNUMBER) {
        call += lua_tostring(L, i);
      } else {
        call += lua_typename(L, lua_type(L, i));
      }
    }
    calls->push_back(call);
    lua_settop(L, 0);
    if (call.compare(0, 14, "expGetTreasure") == 0 && call.compare(0, 18, "expGetTreasureFlag") != 0) {
      lua_pushstring(L, "item");
      return 1;
    }
    lua_pushnumber(L, 0);
    return 1;
  }

  lua_State* state_;
  bool loaded_ = false;
  std::string error_;
};

TEST_F(GameContentTest, EveryMapScriptDescribesTheObjectsOnItsEventCells) {
  static const char* const kTypes[] = {"NPC", "STORE", "FLOOR", "STABLE"};
  static const char* const kTriggers[] = {"BUTTON", "PLAYER_ON"};
  for (int mapId : Keys("map", "MapInfo.csv")) {
    SCOPED_TRACE(mapId);
    MapScript script(mapId);
    ASSERT_TRUE(script.loaded()) << script.error();
    lua_State* L = script.state();
    for (const char* global : {"GetMapObject", "InitProc", "ExecObject", "GetBGMID"}) {
      lua_getfield(L, LUA_GLOBALSINDEX, global);
      EXPECT_EQ(lua_type(L, -1), LUA_TFUNCTION) << global;
      lua_settop(L, 0);
    }
    lua_getfield(L, LUA_GLOBALSINDEX, "GetBGMID");
    ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0);
    const int bgm = int(lua_tonumber(L, -1));
    EXPECT_TRUE(bgm == 1 || bgm == 2) << bgm;  // the field pieces; 3 and 4 belong to battles
    lua_settop(L, 0);

    CMapData map;
    ASSERT_EQ(data.LoadMap(&map, mapId), 1);
    for (int y = 0; y < map.height; ++y) {
      for (int x = 0; x < map.width; ++x) {
        const int id = map.GetCell(MAP_LAYER_EVENT, x, y);
        if (id == 0) continue;
        SCOPED_TRACE(id);
        lua_getfield(L, LUA_GLOBALSINDEX, "GetMapObject");
        lua_pushnumber(L, id);
        ASSERT_EQ(lua_pcall(L, 1, 1, 0), 0);
        ASSERT_EQ(lua_type(L, -1), LUA_TTABLE);
        lua_getfield(L, -1, "PicID");
        const int picture = int(lua_tonumber(L, -1));
        EXPECT_GE(picture, 0);
        EXPECT_LE(picture, 24);
        lua_getfield(L, -2, "Type");
        const std::string type = lua_isstring(L, -1) ? lua_tostring(L, -1) : "";
        EXPECT_NE(std::find(std::begin(kTypes), std::end(kTypes), type), std::end(kTypes));
        lua_getfield(L, -3, "ScriptTriger");
        const std::string trigger = lua_isstring(L, -1) ? lua_tostring(L, -1) : "";
        EXPECT_NE(std::find(std::begin(kTriggers), std::end(kTriggers), trigger), std::end(kTriggers));
        if (type == "STABLE") {
          EXPECT_NE(FindTreasure(mapId, id), nullptr);
        }
        if (type == "FLOOR") {
          EXPECT_EQ(trigger, "PLAYER_ON");
        }
        lua_settop(L, 0);

        // Every event runs to its end through the host functions.
        std::vector<std::string> calls;
        script.RegisterRecorders(&calls);
        EXPECT_TRUE(script.RunToEnd("ExecObject", id)) << script.error();
        EXPECT_FALSE(calls.empty());
      }
    }
    std::vector<std::string> calls;
    script.RegisterRecorders(&calls);
    EXPECT_TRUE(script.RunToEnd("InitProc", -1)) << script.error();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "expPlayBGM " + std::to_string(bgm) + ",0"), calls.end());
  }
}

TEST_F(GameContentTest, ScriptTextsKeepTheShiftJisTrailByteBackslash) {
  // "ソ" is 0x83 0x5C in Shift-JIS: inside a Lua string its second byte must
  // not start an escape sequence.
  MapScript script(2);
  ASSERT_TRUE(script.loaded()) << script.error();
  std::vector<std::string> calls;
  script.RegisterRecorders(&calls);
  ASSERT_TRUE(script.RunToEnd("ExecObject", 5)) << script.error();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls[0], "expShowMessage かじや「ロングソードは　せんしに　ぴったりだ。」");
  EXPECT_NE(std::find(calls.begin(), calls.end(), "expOpenStore 2,1,100,table"), calls.end());
  // The game's line break is the two characters backslash and n.
  calls.clear();
  ASSERT_TRUE(script.RunToEnd("ExecObject", 1)) << script.error();
  ASSERT_FALSE(calls.empty());
  EXPECT_NE(calls[0].find("むらへ。\\nここは"), std::string::npos) << calls[0];
}

TEST_F(GameContentTest, EventsThatLeaveAMapEndWithTheChange) {
  // Each exit fades out, then asks for the change as the event's last call,
  // onto a walkable cell of its target map.
  const struct {
    int map, event;
  } exits[] = {{1, 1}, {2, 10}, {2, 11}, {3, 1}};
  for (const auto& e : exits) {
    SCOPED_TRACE(e.map * 100 + e.event);
    MapScript script(e.map);
    ASSERT_TRUE(script.loaded()) << script.error();
    std::vector<std::string> calls;
    script.RegisterRecorders(&calls);
    ASSERT_TRUE(script.RunToEnd("ExecObject", e.event));
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].compare(0, 15, "expStartFadeout"), 0);
    int target = 0, x = 0, y = 0, direction = 0;
    ASSERT_EQ(sscanf(calls[1].c_str(), "expChangeMap %d,%d,%d,%d", &target, &x, &y, &direction), 4);
    CMapData map;
    ASSERT_EQ(data.LoadMap(&map, target), 1);
    ASSERT_LT(x, map.width);
    ASSERT_LT(y, map.height);
    EXPECT_EQ(map.GetCell(MAP_LAYER_PASS, x, y), 0);
    EXPECT_EQ(map.GetCell(MAP_LAYER_EVENT, x, y), 0);  // not onto another exit
  }
}

// Decodes a picture with the library's own loaders.
class DecodedPicture {
 public:
  explicit DecodedPicture(const std::string& path) {
    ok_ = ReadGraphImageOrDib(path.c_str(), nullptr, 0, 0, 0, 0, &image_, nullptr, nullptr) == 0;
  }
  ~DecodedPicture() {
    if (ok_) FreeGraphImage(&image_);
  }
  bool ok() const { return ok_; }
  int width() const { return image_.width; }
  int height() const { return image_.height; }
  bool IsKey(int x, int y) {
    int r = 0, g = 0, b = 0, a = 0;
    GetGraphImagePixel(&image_, x, y, &r, &g, &b, &a);
    return r == 0 && g == 117 && b == 117;
  }
  // The share of pixels that are not the transparent key colour.
  double Coverage() {
    int drawn = 0;
    for (int y = 0; y < height(); ++y)
      for (int x = 0; x < width(); ++x) drawn += IsKey(x, y) ? 0 : 1;
    return double(drawn) / (width() * height());
  }

 private:
  GraphImage image_{};
  bool ok_ = false;
};

TEST_F(GameContentTest, SpritesDecodeWithTheTransparentKeyAroundTheirShapes) {
  // Every picture but the battle background is drawn with transparency in
  // (0, 117, 117), the colour set before the sheets load; the corner is
  // background and the shape covers a fair part of the picture.
  const struct {
    const char* file;
    double minCoverage, maxCoverage;
  } sprites[] = {
      {"char\\char01.png", 0.3, 0.8},         {"char\\char02.png", 0.3, 0.8},
      {"char\\char_battle01.png", 0.2, 0.7},  {"char\\char_battle02.png", 0.2, 0.7},
      {"char\\char_battle03.png", 0.2, 0.7},  {"char\\char_battle04.png", 0.2, 0.7},
      {"graphs\\system\\cursor.png", 0.2, 0.8}, {"graphs\\system\\mark.png", 0.1, 0.8},
      {"graphs\\system\\atb_gauge.png", 0.1, 0.7}, {"graphs\\system\\wnd_frame_chip.png", 0.05, 0.5},
      {"map\\chip_object.png", 0.2, 0.8},     {"map\\chip_upper.png", 0.1, 0.5},
  };
  for (const auto& s : sprites) {
    SCOPED_TRACE(s.file);
    DecodedPicture picture(RepositoryDataFolder() + "\\" + s.file);
    ASSERT_TRUE(picture.ok());
    EXPECT_TRUE(picture.IsKey(0, 0));
    EXPECT_GE(picture.Coverage(), s.minCoverage);
    EXPECT_LE(picture.Coverage(), s.maxCoverage);
  }
  for (int id : Keys("enemy", "EnemyTable.csv")) {
    SCOPED_TRACE(id);
    char name[64];
    snprintf(name, sizeof name, "\\enemy\\graphs\\enemy_%03d.png", id);
    DecodedPicture picture(RepositoryDataFolder() + name);
    ASSERT_TRUE(picture.ok());
    EXPECT_TRUE(picture.IsKey(0, 0));
    EXPECT_TRUE(picture.IsKey(picture.width() - 1, picture.height() - 1));
    EXPECT_GE(picture.Coverage(), 0.3);  // a silhouette, not a speck
    EXPECT_LE(picture.Coverage(), 0.9);  // and not a filled box
  }
  // The background covers the screen without a transparent pixel.
  DecodedPicture field(RepositoryDataFolder() + "\\field\\field_01.png");
  ASSERT_TRUE(field.ok());
  EXPECT_EQ(field.Coverage(), 1.0);
}

}  // namespace
