// The game's data object: the readers of the tables under the data folder and
// the picture caches of the field (chip sheets, animated chips, character
// sheets, window skin). Tables are re-read on every lookup, so an edited table
// is seen by the next one.
#ifndef MOONLITCAIRN_CDATAMANAGER_H
#define MOONLITCAIRN_CDATAMANAGER_H

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "GameData.h"

class CEnemy;
class CMapData;

// A row of the chip-sheet table: a chip set and its picture under "map".
struct ChipSheetInfo {
  int32_t chipSetId;
  std::string fileName;
};

// An animated chip: its chip set and chip value, a parameter kept from the
// table, and the 256 frames of its pixel-row rotation.
struct AniChip {
  int32_t chipSetId;
  int32_t chipValue;
  int32_t parameter;
  int32_t frames[256];
};

// A row of the map table.
struct MapInfo {
  int32_t mapId;
  int32_t wrap;
  int32_t encount;
  std::string fileName;
  int32_t chipSetIds[3];
};

class CDataManager {
 public:
  static CDataManager& GetInstance();
  virtual ~CDataManager();

  // Fills *out with the item (zero-filled first, so an item that is not found
  // reads as id 0 with an empty name). 1 when the row was found.
  int LoadItem(int itemId, ItemData* out);
  // 1 and the level's eight base values of the character's level table; 0
  // leaves *out alone.
  int LoadLvInfo(LevelParams* out, int level, int characterNo);
  // 1 and the total EXP at which the level is reached; 0 when the character's
  // table has no row for it.
  int LoadLvExp(int level, int characterNo, int* totalExp);
  // The EXP still needed for level + 1; 0 at the last level of the table.
  int GetExpToNext(int level, int characterNo, int exp);
  // Appends the area's ten (party, weight) pairs; 0 when the area has no row.
  int LoadEncountInfo(int areaId, std::vector<EncountEntry>* out);
  // Refills out with the enemies of the party, placed by its arrangement, in
  // the order of the enemy table. 0 when a table is missing or malformed.
  int LoadEnemyParty(int partyId, std::vector<std::unique_ptr<CEnemy>>* out);

  int LoadMapInfo(int mapId, MapInfo* out);
  // Reads the map's row and file into map. 0 when the map has no row, its
  // file cannot be read or is refused, or its layers are cut short.
  int LoadMap(CMapData* map, int mapId);
  // The rows of the chip-sheet and animated-chip tables, for the loaders of
  // their pictures.
  int ReadMapChipInfo(std::vector<ChipSheetInfo>* out);
  int ReadAniChipInfo(std::vector<AniChip>* out);

  // Which character sheet (0 or 1) and row hold picture id 1 to 24; false for
  // any other id (0 is no picture).
  static bool GetCharSheetRow(int pictureId, int* sheet, int* row);

  // Picture caches, filled by their loaders once per run.
  int32_t mapChipsLoaded = 0;
  int32_t charGraphLoaded = 0;
  int32_t windowSkinLoaded = 0;
  int32_t charSheets[2] = {-1, -1};
  int32_t windowSkinChips[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
  int32_t windowBackground = -1;
  std::vector<int32_t> chipSheets;
  std::vector<std::unique_ptr<AniChip>> aniChips;

 private:
  CDataManager();
};

#endif
