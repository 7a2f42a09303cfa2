#include "Treasure.h"

#include <string.h>

#include "CsvTable.h"
#include "GameSettings.h"

const TreasureInfo* FindTreasure(int mapId, int number) {
  static TreasureInfo shared;
  const std::string path = DataPath("treasure") + "\\Treasure.csv";
  CCsvTable table(path, kTableLineSize);
  if (!table.IsOpen()) {
    ReportTableOpenFailure(path);
    return nullptr;
  }
  while (const char* text = table.NextRow()) {
    CCsvRow row(text);
    TreasureInfo info;
    info.index = row.ReadInt();
    info.mapId = row.ReadInt();
    info.number = row.ReadInt();
    if (!row.IsComplete() || info.mapId != mapId || info.number != number) continue;
    shared = info;
    return &shared;
  }
  return nullptr;
}

bool TreasureFlags::IsTaken(int index) const {
  return index >= 0 && index < kTreasureFlagCount && flags[index] != 0;
}

void TreasureFlags::SetTaken(int index) {
  if (index >= 0 && index < kTreasureFlagCount) flags[index] = 1;
}

void TreasureFlags::Clear() { memset(flags, 0, sizeof flags); }
