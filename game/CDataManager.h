// The game's data object: the readers of the tables under the data folder and
// the picture caches of the field (chip sheets, animated chips, character
// sheets, window skin). Tables are re-read on every lookup, so an edited table
// is seen by the next one.
#ifndef MOONLITCAIRN_CDATAMANAGER_H
#define MOONLITCAIRN_CDATAMANAGER_H

#include <stdint.h>

#include <map>
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

// One band of the window skin's background, a line 8 pixels thick at y, running
// from (128, 128, 255) at the top to (0, 0, 135) at the bottom.
struct WindowSkinBand {
  int y;
  int red, green, blue;
};
constexpr int kWindowSkinBands = 30;
WindowSkinBand GetWindowSkinBand(int k);

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
  // Reads the map's row and file into map. 0 when the map has no row or its
  // file cannot be read or is refused; every size is then 0. Layers cut
  // short read as 0 from where the file ends.
  int LoadMap(CMapData* map, int mapId);
  // Once per run: the chip sheets of the chip-sheet table into chipSets (the
  // first sheet of an id stays), then the animated chips. 1 when all loaded.
  int LoadMapChips(std::map<int32_t, int32_t>* chipSets);
  // The animated chips, 256 frames each, from the sheets of chipSets. 0 at
  // the first chip whose chip set has no sheet; the chips before it stay.
  int LoadAniChips(const std::map<int32_t, int32_t>& chipSets);
  // Removes the chip sheets and the animated chips' frames and clears the
  // loaded flag.
  void ReleaseMapChips();
  // Once per run: the two character sheets.
  int LoadCharGraph();
  // Once per run: the eight border chips of the window skin and the 320 x 240
  // background of 30 gradient bands.
  int LoadWindowSkin();
  // The 256 frames of an animated chip from its 16 x 16 source graph. The
  // last frame is left as the draw target; the caller restores the screen.
  static void BuildAniChipFrames(int chip, int32_t frames[256]);
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
