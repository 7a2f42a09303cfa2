// The game's tables and map files as the data manager reads them. The data
// folder is a copy of the project's own tables; each input replaces one file
// (chosen by its first byte) and every reader then runs over it.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "CDataManager.h"
#include "CEnemy.h"
#include "CMapData.h"
#include "GameSettings.h"
#include "game_data_copy.h"

namespace {

// The files, as the readers name them under the data folder: paths joined
// with backslashes are single file names here, which is all a reader needs.
const char* const kFiles[] = {
    "item\\NormalItem.csv",   "item\\Weapon.csv",        "item\\Armor.csv",
    "lvinfo\\LvInfo001.csv",  "enemy\\EncountInfo.csv",  "enemy\\EnemyPartyTable.csv",
    "enemy\\ArrangeTable.csv", "enemy\\EnemyTable.csv",  "map\\MapInfo.csv",
    "map\\MapChipInfo.csv",   "map\\AniChipInfo.csv",    "map\\town.map",
    "map\\field.map",
};
constexpr int kFileCount = sizeof kFiles / sizeof kFiles[0];

std::vector<std::vector<uint8_t>> originals;

void Setup() {
  EnterFreshDataFolder("ombrel-table-fuzz");
  for (const char* file : kFiles) originals.push_back(CopyGameDataFile(file));
}

void ReadEverything() {
  CDataManager& data = CDataManager::GetInstance();
  for (int id : {1, 2, 5, 2000, 2001, 3000, 3001, 4000}) {
    ItemData item;
    data.LoadItem(id, &item);
  }
  for (int level : {1, 2, 50, 99, 100}) {
    LevelParams params{};
    data.LoadLvInfo(&params, level, 1);
    data.GetExpToNext(level, 1, 0);
  }
  for (int area : {0, 1, 2, 3}) {
    std::vector<EncountEntry> entries;
    data.LoadEncountInfo(area, &entries);
  }
  for (int party : {1, 2, 8, 18}) {
    std::vector<std::unique_ptr<CEnemy>> enemies;
    data.LoadEnemyParty(party, &enemies);
  }
  for (int map : {1, 2, 3}) {
    CMapData layers;
    data.LoadMap(&layers, map);
    layers.GetCell(0, layers.width - 1, layers.height - 1);
  }
  std::vector<ChipSheetInfo> sheets;
  data.ReadMapChipInfo(&sheets);
  std::vector<AniChip> chips;
  data.ReadAniChipInfo(&chips);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (originals.empty()) Setup();
  if (size < 1 || size > (1u << 16)) return 0;
  const int which = data[0] % kFileCount;
  const std::string path = std::string("data\\") + kFiles[which];
  WriteWhole(path, data + 1, size - 1);
  ReadEverything();
  WriteWhole(path, originals[which].data(), originals[which].size());
  return 0;
}
