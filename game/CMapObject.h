// Everything on a field map that is not a tile: characters who walk about and
// talk, shop keepers, invisible floor triggers and treasure chests. The map's
// event script describes each object by keywords; the object then stands on
// the cell of its event id and, when it walks at random, decides after a
// pause where to step next.
#ifndef MOONLITCAIRN_CMAPOBJECT_H
#define MOONLITCAIRN_CMAPOBJECT_H

#include <stdint.h>

#include "CCharacterObject.h"

class CMapManager;

enum MapObjectType : int32_t {
  OBJECT_NPC = 0,
  OBJECT_STORE = 1,
  OBJECT_FLOOR = 2,
  OBJECT_STABLE = 3,  // a treasure chest
};

enum MapObjectMoveType : int32_t {
  MOVE_RANDOM = 0,
  MOVE_STAND = 1,
};

// Move speed, move frequency and animation speed.
enum MapObjectPace : int32_t {
  PACE_LOW = 0,
  PACE_NORMAL = 1,
  PACE_HIGH = 2,
};

enum MapObjectTrigger : int32_t {
  TRIGGER_NONE = 0,
  TRIGGER_BUTTON = 1,     // the player talks to it with X
  TRIGGER_ADJOINING = 2,  // recognised; nothing starts an event for it
  TRIGGER_PLAYER_ON = 3,  // a floor object's event starts when the player stands on it
};

// The keyword texts of an object's script table, compared exactly; null is a
// value that is not a text. Unknown texts give the defaults.
int MapObjectTypeFromText(const char* text);     // default NPC
int MapObjectMoveTypeFromText(const char* text); // default MOVE_STAND
int MapObjectPaceFromText(const char* text);     // default PACE_NORMAL
int MapObjectTriggerFromText(const char* text);  // default TRIGGER_NONE

// Frames of one step at a move speed: 32, 16 or 8.
int MapObjectStepFrames(int moveSpeed);
// The least pause before a random walker's next decision at a move
// frequency: 240, 60 or 30 frames; up to 60 more are drawn at random.
int MapObjectPauseBase(int moveFrequency);

class CMapObject : public CCharacterObject {
 public:
  CMapObject();
  ~CMapObject() override;

  // Sets the type and the pass value that goes with it: floor objects can be
  // walked on (0), every other kind blocks (9).
  void SetType(int objectType);
  // Puts the object on the cell with its picture; a chest shows itself
  // opened when its treasure is already taken or it holds none.
  void Place(int row, int column);
  // One frame on the field: the floor trigger, the step under way, or the
  // random walk's next decision.
  void UpdateOnMap(CMapManager* map);
  // Moves the cell at once and starts the step's slide from the old cell:
  // the direction, or 0 when the neighbour lies outside the map. Does not
  // look at the target's pass value.
  int StartMove(const CMapManager& map, int moveDirection, int frames);
  bool IsMoving() const { return moveFramesLeft >= 1; }

  int32_t moveFramesLeft = 0;  // 0: standing
  int32_t moveFramesTotal = 0;
  int32_t type = OBJECT_NPC;
  int32_t moveType = MOVE_STAND;
  int32_t moveFrequency = PACE_NORMAL;
  int32_t moveSpeed = PACE_NORMAL;
  int32_t animationSpeed = PACE_NORMAL;  // kept from the script; no rule reads it
  uint16_t passValue = 9;
  int32_t trigger = TRIGGER_NONE;
  int32_t pauseCounter = 0;  // frames until the next random-walk decision
};

#endif
