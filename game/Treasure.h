// The treasure table ties a (map id, treasure number) pair to a treasure
// index, which is at once the index of the treasure's flag and the item id of
// its content; the flags say which treasures have been taken.
#ifndef MOONLITCAIRN_TREASURE_H
#define MOONLITCAIRN_TREASURE_H

#include <stdint.h>

constexpr int kTreasureFlagCount = 1024;

struct TreasureInfo {
  int32_t index;
  int32_t mapId;
  int32_t number;  // for chests, the chest object's event id
};

// The first row of "treasure\Treasure.csv" whose map id and number match, or
// null. The answer is one record shared by all lookups: each overwrites it.
const TreasureInfo* FindTreasure(int mapId, int number);

// One byte per treasure index, 1 once taken. Indices outside 0-1023 name no
// flag: they read as not taken and cannot be set.
struct TreasureFlags {
  uint8_t flags[kTreasureFlagCount] = {};

  bool IsTaken(int index) const;
  void SetTaken(int index);
  void Clear();
};

#endif
