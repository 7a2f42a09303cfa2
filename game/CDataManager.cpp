#include "CDataManager.h"

#include <stdio.h>
#include <string.h>

#include "CEnemy.h"
#include "CMapData.h"
#include "CsvTable.h"
#include "ErrorMessage.h"
#include "GameSettings.h"
#include "Ombrel.h"

namespace {

constexpr int kPartySlots = 10;

std::string TablePath(const char* folder, const char* file) {
  return DataPath(folder) + "\\" + file;
}

std::string LevelTablePath(int characterNo) {
  char file[32];
  snprintf(file, sizeof file, "LvInfo%03d.csv", characterNo);
  return TablePath("lvinfo", file);
}

const char* ItemTableName(int itemId) {
  if (itemId < kFirstWeaponId) return "NormalItem.csv";
  if (itemId < kFirstArmorId) return "Weapon.csv";
  return "Armor.csv";
}

void ReadItemRow(CCsvRow* row, int itemId, ItemData* item) {
  item->id = itemId;
  row->ReadText(item->name, sizeof item->name);
  item->price = row->ReadInt();
  row->ReadText(item->description, sizeof item->description);
  if (itemId < kFirstWeaponId) return;
  item->equipGroup = row->ReadInt();
  item->kind = row->ReadInt();
  ItemBattleBonus& bonus = item->battleBonus;
  for (int32_t* value : {&bonus.attack, &bonus.defence, &bonus.magicDefence, &bonus.evasion,
                         &bonus.magicEvasion, &bonus.weight, &bonus.ratePercent}) {
    *value = row->ReadInt();
  }
  for (int32_t& value : item->extra) value = row->ReadInt();
}

void ReadEnemyRow(CCsvRow* row, EnemyValues* values) {
  row->ReadText(values->name, sizeof values->name);
  values->column3 = row->ReadInt();
  values->hp = values->maxHp = row->ReadInt();
  values->mp = values->maxMp = row->ReadInt();
  values->atbGauge = row->ReadInt();
  for (int32_t& value : values->battle) value = row->ReadInt();
  for (int32_t& value : values->attributes) value = row->ReadInt();
  values->money = row->ReadInt();
  values->exp = row->ReadInt();
  for (int32_t& value : values->further) value = row->ReadInt();
}

// Opens the table, finds the key's row and lets read take its columns. A table
// that cannot be opened and a row cut short or too wide are reported; 1 only
// when read took a whole row.
template <typename Read>
int ReadKeyedRow(const std::string& path, size_t lineSize, int key, Read read) {
  CCsvTable table(path, lineSize);
  if (!table.IsOpen()) {
    ReportTableOpenFailure(path);
    return 0;
  }
  CCsvRow row(nullptr);
  if (!table.FindRow(key, &row)) return 0;
  read(&row);
  if (!row.IsComplete()) {
    ReportMalformedRow(path, key);
    return 0;
  }
  return 1;
}

// Hands every row to read, which returns the row's key; stops at the first
// malformed row.
template <typename Read>
int ReadEveryRow(const std::string& path, size_t lineSize, Read read) {
  CCsvTable table(path, lineSize);
  if (!table.IsOpen()) {
    ReportTableOpenFailure(path);
    return 0;
  }
  while (const char* text = table.NextRow()) {
    CCsvRow row(text);
    const int key = read(&row);
    if (!row.IsComplete()) {
      ReportMalformedRow(path, key);
      return 0;
    }
  }
  return 1;
}

// Through the library's file access, so a map may also come from an archive.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes) {
  const StreamHandle file = OpenDataFile(path.c_str(), 0);
  if (file == 0) return false;
  bool ok = SeekStream(file, 0, SEEK_END) == 0;
  const int size = ok ? TellStream(file) : -1;
  ok = ok && size >= 0 && SeekStream(file, 0, SEEK_SET) == 0;
  if (ok) {
    bytes->resize(static_cast<size_t>(size));
    ok = bytes->empty() || ReadDataFile(bytes->data(), bytes->size(), file) ==
                               static_cast<int>(bytes->size());
  }
  CloseStream(file);
  return ok;
}

}  // namespace

CDataManager& CDataManager::GetInstance() {
  static CDataManager instance;
  return instance;
}

CDataManager::CDataManager() = default;
CDataManager::~CDataManager() = default;

int CDataManager::LoadItem(int itemId, ItemData* out) {
  *out = ItemData{};
  if (itemId >= kFirstNonItemId) return 0;
  ItemData item{};
  const int found =
      ReadKeyedRow(TablePath("item", ItemTableName(itemId)), kTableLineSize, itemId,
                   [&](CCsvRow* row) { ReadItemRow(row, itemId, &item); });
  if (found) *out = item;
  return found;
}

int CDataManager::LoadLvExp(int level, int characterNo, int* totalExp) {
  int value = 0;
  const int found = ReadKeyedRow(LevelTablePath(characterNo), kTableLineSize, level,
                                 [&](CCsvRow* row) { value = row->ReadInt(); });
  if (found) *totalExp = value;
  return found;
}

int CDataManager::LoadLvInfo(LevelParams* out, int level, int characterNo) {
  LevelParams values;
  const int found =
      ReadKeyedRow(LevelTablePath(characterNo), kTableLineSize, level, [&](CCsvRow* row) {
        row->Skip(1);
        for (int32_t* value : {&values.maxHp, &values.maxMp, &values.strength, &values.stamina,
                               &values.agility, &values.magic, &values.spirit, &values.luck}) {
          *value = row->ReadInt();
        }
      });
  if (found) *out = values;
  return found;
}

int CDataManager::GetExpToNext(int level, int characterNo, int exp) {
  int nextExp = 0;
  if (!LoadLvExp(level + 1, characterNo, &nextExp)) return 0;
  const int64_t needed = static_cast<int64_t>(nextExp) - exp;
  return needed > 0 ? static_cast<int>(needed) : 0;
}

int CDataManager::LoadEncountInfo(int areaId, std::vector<EncountEntry>* out) {
  EncountEntry entries[10];
  const int found = ReadKeyedRow(TablePath("enemy", "EncountInfo.csv"), kTableLineSize, areaId,
                                 [&](CCsvRow* row) {
                                   for (EncountEntry& entry : entries) {
                                     entry.partyId = row->ReadInt();
                                     entry.weight = row->ReadInt();
                                   }
                                 });
  if (found) out->insert(out->end(), std::begin(entries), std::end(entries));
  return found;
}

int CDataManager::LoadEnemyParty(int partyId, std::vector<std::unique_ptr<CEnemy>>* out) {
  out->clear();
  const std::string partyPath = TablePath("enemy", "EnemyPartyTable.csv");
  const std::string arrangePath = TablePath("enemy", "ArrangeTable.csv");
  const std::string enemyPath = TablePath("enemy", "EnemyTable.csv");
  CCsvTable parties(partyPath, kTableLineSize);
  CCsvTable arrangements(arrangePath, kTableLineSize);
  CCsvTable enemies(enemyPath, kTableLineSize);
  for (const CCsvTable* table : {&parties, &arrangements, &enemies}) {
    if (!table->IsOpen()) {
      ReportTableOpenFailure(table == &parties       ? partyPath
                             : table == &arrangements ? arrangePath
                                                      : enemyPath);
      return 0;
    }
  }

  int enemyIds[kPartySlots] = {};
  int positions[kPartySlots][2] = {};
  int enemyCount = 0;
  CCsvRow row(nullptr);
  if (parties.FindRow(partyId, &row)) {
    row.Skip(2);
    const int arrangementId = row.ReadInt();
    for (int& id : enemyIds) id = row.ReadInt();
    row.Skip(4);
    if (!row.IsComplete()) {
      ReportMalformedRow(partyPath, partyId);
      return 0;
    }
    if (arrangements.FindRow(arrangementId, &row)) {
      enemyCount = row.ReadInt();
      for (int(&position)[2] : positions) {
        position[0] = row.ReadInt();
        position[1] = row.ReadInt();
      }
      if (!row.IsComplete()) {
        ReportMalformedRow(arrangePath, arrangementId);
        return 0;
      }
    }
  }

  while (const char* text = enemies.NextRow()) {
    CCsvRow enemyRow(text);
    const int enemyId = enemyRow.ReadInt();
    bool wanted = false;
    // 0 marks an empty slot, so a row without a number (a blank line) is no
    // enemy of any party.
    for (int id : enemyIds) wanted = wanted || (id != 0 && id == enemyId);
    if (wanted) {
      EnemyValues values{};
      values.id = enemyId;
      ReadEnemyRow(&enemyRow, &values);
      if (!enemyRow.IsComplete()) {
        out->clear();
        ReportMalformedRow(enemyPath, enemyId);
        return 0;
      }
      for (int slot = 0; slot < kPartySlots; ++slot) {
        if (enemyIds[slot] != enemyId) continue;
        auto enemy = std::make_unique<CEnemy>();
        enemy->values = values;
        enemy->positionX = positions[slot][0];
        enemy->positionY = positions[slot][1];
        out->push_back(std::move(enemy));
      }
    }
    if (static_cast<int>(out->size()) >= enemyCount) break;
  }
  return 1;
}

int CDataManager::LoadMapInfo(int mapId, MapInfo* out) {
  MapInfo info;
  info.mapId = mapId;
  const int found =
      ReadKeyedRow(TablePath("map", "MapInfo.csv"), kMapTableLineSize, mapId, [&](CCsvRow* row) {
        info.wrap = row->ReadInt();
        info.encount = row->ReadInt();
        char fileName[kMapTableLineSize];
        row->ReadText(fileName, sizeof fileName);
        info.fileName = fileName;
        for (int32_t& id : info.chipSetIds) id = row->ReadInt();
      });
  if (found) *out = info;
  return found;
}

int CDataManager::LoadMap(CMapData* map, int mapId) {
  MapInfo info;
  if (!LoadMapInfo(mapId, &info)) return 0;
  const std::string path = DataPath("map") + "\\" + info.fileName;
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, &bytes)) return 0;
  if (bytes.size() < kMapHeaderSize || bytes[18] > kMapMaxFormat) return 0;
  for (int i = 0; i < 3; ++i) map->chipSetIds[i] = info.chipSetIds[i];
  map->wrap = info.wrap;
  map->encount = info.encount;
  if (ParseMapFile(bytes.data(), bytes.size(), map) != MAP_FILE_OK) {
    ShowErrorMessage("データ形式不正 [%s]", path.c_str());
    return 0;
  }
  return 1;
}

int CDataManager::ReadMapChipInfo(std::vector<ChipSheetInfo>* out) {
  out->clear();
  return ReadEveryRow(TablePath("map", "MapChipInfo.csv"), kMapTableLineSize, [&](CCsvRow* row) {
    ChipSheetInfo info;
    info.chipSetId = row->ReadInt();
    char fileName[kMapTableLineSize];
    row->ReadText(fileName, sizeof fileName);
    info.fileName = fileName;
    if (row->IsComplete()) out->push_back(std::move(info));
    return info.chipSetId;
  });
}

int CDataManager::ReadAniChipInfo(std::vector<AniChip>* out) {
  out->clear();
  return ReadEveryRow(TablePath("map", "AniChipInfo.csv"), kMapTableLineSize, [&](CCsvRow* row) {
    AniChip chip{};
    chip.chipSetId = row->ReadInt();
    chip.chipValue = row->ReadInt();
    chip.parameter = row->ReadInt();
    for (int32_t& frame : chip.frames) frame = -1;
    if (row->IsComplete()) out->push_back(chip);
    return chip.chipSetId;
  });
}

bool CDataManager::GetCharSheetRow(int pictureId, int* sheet, int* row) {
  if (pictureId < 1 || pictureId > 24) return false;
  *sheet = (pictureId - 1) / 12;
  *row = (pictureId - 1) % 12;
  return true;
}
