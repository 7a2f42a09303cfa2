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
        enemy->x = positions[slot][0];
        enemy->y = positions[slot][1];
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
  // Whatever fails below, no size outlives the layers it described.
  map->FreeLayers();
  map->width = map->height = map->eventWidth = map->eventHeight = 0;
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

int CDataManager::LoadMapChips(std::map<int32_t, int32_t>* chipSets) {
  if (mapChipsLoaded) return 1;
  std::vector<ChipSheetInfo> rows;
  if (!ReadMapChipInfo(&rows)) return 0;
  for (const ChipSheetInfo& row : rows) {
    const std::string path = DataPath("map") + "\\" + row.fileName;
    SetGraphTransColor(0, 117, 117);
    const int graph = CreateGraphFromFile(path.c_str(), 0);
    if (graph == -1) {
      ShowErrorMessage("画像読み込み失敗 [%s]", path.c_str());
      return 0;
    }
    chipSheets.push_back(graph);
    // The first sheet of an id stays in the table.
    chipSets->emplace(row.chipSetId, graph);
  }
  mapChipsLoaded = LoadAniChips(*chipSets);
  return mapChipsLoaded;
}

int CDataManager::LoadAniChips(const std::map<int32_t, int32_t>& chipSets) {
  std::vector<AniChip> rows;
  const int read = ReadAniChipInfo(&rows);
  int result = read;
  for (const AniChip& row : rows) {
    aniChips.push_back(std::make_unique<AniChip>(row));
    AniChip& chip = *aniChips.back();
    const auto sheet = chipSets.find(chip.chipSetId);
    if (sheet == chipSets.end()) {
      result = 0;
      break;
    }
    const int source = CreateDerivedGraph(ChipSheetX(chip.chipValue), ChipSheetY(chip.chipValue),
                                          16, 16, sheet->second);
    BuildAniChipFrames(source, chip.frames);
    RemoveGraph(source, 0);
  }
  SelectDrawTarget(-2);
  return result;
}

void CDataManager::BuildAniChipFrames(int chip, int32_t frames[256]) {
  // Each frame is the one before with one pixel row rotated right by one
  // pixel. The row steps by 9, which has no factor in common with 16, so
  // every 16 frames turn each row once and frame 255 is the chip again.
  int source = chip;
  int row = 0;
  for (int i = 0; i < 256; ++i) {
    const int frame = CreateEmptyGraph(16, 16, 0);
    SelectDrawTarget(frame);
    ClearDrawTarget(nullptr);
    if (row > 0) PutGraphPart(0, 0, 0, 0, 16, row, source, 0, 0);
    PutGraphPart(0, row, 15, row, 1, 1, source, 0, 0);
    PutGraphPart(1, row, 0, row, 15, 1, source, 0, 0);
    if (row < 15) PutGraphPart(0, row + 1, 0, row + 1, 16, 15 - row, source, 0, 0);
    frames[i] = frame;
    source = frame;
    row = (row + 9) % 16;
  }
}

void CDataManager::ReleaseMapChips() {
  for (int32_t sheet : chipSheets) RemoveGraph(sheet, 0);
  chipSheets.clear();
  for (const std::unique_ptr<AniChip>& chip : aniChips) {
    for (int32_t frame : chip->frames) {
      if (frame != -1) RemoveGraph(frame, 0);
    }
  }
  aniChips.clear();
  mapChipsLoaded = 0;
}

int CDataManager::LoadCharGraph() {
  if (charGraphLoaded) return 1;
  for (int n = 1; n <= 2; ++n) {
    char path[512];
    snprintf(path, sizeof path, "%s\\%s%02d.png", DataPath("char").c_str(), "char", n);
    SetGraphTransColor(0, 117, 117);
    const int graph = CreateGraphFromFile(path, 0);
    if (graph == -1) {
      ShowErrorMessage("画像読み込み失敗 [%s]", path);
      return 0;
    }
    if (charSheets[n - 1] != -1) RemoveGraph(charSheets[n - 1], 0);
    charSheets[n - 1] = graph;
  }
  charGraphLoaded = 1;
  return 1;
}

int CDataManager::LoadWindowSkin() {
  if (windowSkinLoaded) return 1;
  const std::string path = DataPath("graphs\\system") + "\\wnd_frame_chip.png";
  if (CreateDivGraphFromFile(path.c_str(), 8, 9, 1, 16, 16, windowSkinChips, 0) == -1) {
    ShowErrorMessage("画像読み込み失敗 [%s]", path.c_str());
    return 0;
  }
  windowBackground = CreateEmptyGraph(320, 240, 0);
  SelectDrawTarget(windowBackground);
  for (int k = 0; k < kWindowSkinBands; ++k) {
    const WindowSkinBand band = GetWindowSkinBand(k);
    PaintLine(0, band.y, 320, band.y, ComposeColorCode(band.red, band.green, band.blue), 8);
  }
  SelectDrawTarget(-2);
  windowSkinLoaded = 1;
  return 1;
}

WindowSkinBand GetWindowSkinBand(int k) {
  WindowSkinBand band{8 * k, 0, 0, 0};
  if (k < 15) {
    const int c = (15360 - 1024 * k) / 120;
    band.red = band.green = c;
    band.blue = 255;
  } else {
    band.blue = 367 - 8 * k;
  }
  return band;
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
