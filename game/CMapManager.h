// The field map that the player walks: the loaded map's size and layers, the
// player's cell, the scroll offsets that slide a one-cell step smoothly, the
// chip-set table and the map's objects. It draws the tile layers around the
// player, moves the player by the map's pass rules and wrap-around, and
// finds what the player talks to.
#ifndef MOONLITCAIRN_CMAPMANAGER_H
#define MOONLITCAIRN_CMAPMANAGER_H

#include <stdint.h>

#include <map>

#include "CMapData.h"
#include "CMapEvent.h"

// What runs the event scripts of map objects. The map's script host sets
// itself here; without one, an event that starts runs nothing.
class CObjectEventRunner {
 public:
  virtual ~CObjectEventRunner() = default;
  virtual void ExecObject(CMapObject* object) = 0;
  virtual bool IsRunning() const = 0;
};

// Pass values that stop the player; 20 is a counter that talking reaches
// across, 9 also answers for walls outside the map and for characters.
constexpr uint16_t kPassCounter = 20;
constexpr uint16_t kPassWall = 9;

// Reads "IgnorePassFlag" of section "Map" in the settings at every call:
// non-zero lets the player walk anywhere. Otherwise 1, 2, 7, 8, 9 and 20 block.
bool IsPassable(int passValue);

// Where the player stands on the screen; its cell is drawn under its feet.
constexpr int kPlayerScreenX = 152;
constexpr int kPlayerScreenY = 104;

class CMapManager {
 public:
  CMapManager();
  // Frees the layers, the chip sheets and animated chips, and the objects.
  virtual ~CMapManager();
  CMapManager(const CMapManager&) = delete;
  CMapManager& operator=(const CMapManager&) = delete;

  // Empties the objects and the layers, then reads the map. 1 when it was
  // read; after a failure every size is 0, so nothing reads a layer that is
  // not there, and the game goes on.
  int LoadMap(int newMapId);
  // Eases the scroll offsets toward 0 by 1 pixel (mode 0), 2 (mode 1, Z held)
  // or 4 (mode 2) per frame.
  void UpdateScroll(int speedMode);
  // Tile layer 0, 1 or 2 in the 23 x 17 cells around the player.
  void DrawLayer(int layer);
  // One cell; 1 when the player moved, which starts the scroll.
  int MovePlayer(int dx, int dy);
  // The cell's pass value: 9 outside the map and on the player's cell, the
  // pass value of a visible object on it, else the pass layer's.
  uint16_t GetPassValue(int row, int column) const;
  // The neighbour of (x, y) in the direction (0 down, 1 left, 2 up, 3 right;
  // any other: the cell itself); false with (x, y) when it is outside.
  bool GetNextCell(int* outX, int* outY, int x, int y, int direction) const;
  // Talks to the object in front of the player, across counters.
  void CheckFront(int direction);
  // Enters event mode and runs the object's script.
  void ExecObjectEvent(CMapObject* object);
  // One frame of every map object.
  void UpdateObjects();
  bool IsScriptRunning() const;
  bool IsScrolling() const { return scrollX != 0 || scrollY != 0; }

  int32_t mapId = 0;
  // Size, flags, chip sets and the tile, pass and encounter-area layers; the
  // event layer moves to the object list's keeping once read.
  CMapData data;
  CMapEvent event;
  int32_t scrollX = 0;  // 16 x the last step's dx right after it, eased to 0
  int32_t scrollY = 0;
  int32_t scrollMode = 0;
  std::map<int32_t, int32_t> chipSets;  // chip-set id -> sheet graph
  int32_t playerX = 0;
  int32_t playerY = 0;
  uint32_t animationCounter = 0;  // picks the frame of animated chips
  CObjectEventRunner* eventRunner = nullptr;
};

#endif
