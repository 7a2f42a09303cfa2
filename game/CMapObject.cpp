#include "CMapObject.h"

#include <string.h>

#include "CGame.h"
#include "CMapManager.h"
#include "Ombrel.h"
#include "Treasure.h"

namespace {

bool TextIs(const char* text, const char* keyword) {
  return text != nullptr && strcmp(text, keyword) == 0;
}

// Step frames across one cell by how far the step has still to go, for cells
// whose x + y is even and odd: the feet alternate from cell to cell.
constexpr int kWalkFrames[2][4] = {{1, 0, 0, 1}, {1, 2, 2, 1}};

int Magnitude(int value) { return value < 0 ? -value : value; }

}  // namespace

int MapObjectTypeFromText(const char* text) {
  if (TextIs(text, "STORE")) return OBJECT_STORE;
  if (TextIs(text, "FLOOR")) return OBJECT_FLOOR;
  if (TextIs(text, "STABLE")) return OBJECT_STABLE;
  return OBJECT_NPC;
}

int MapObjectMoveTypeFromText(const char* text) {
  return TextIs(text, "RANDOM") ? MOVE_RANDOM : MOVE_STAND;
}

int MapObjectPaceFromText(const char* text) {
  if (TextIs(text, "LOW")) return PACE_LOW;
  if (TextIs(text, "HIGH")) return PACE_HIGH;
  return PACE_NORMAL;
}

int MapObjectTriggerFromText(const char* text) {
  if (TextIs(text, "BUTTON")) return TRIGGER_BUTTON;
  if (TextIs(text, "ADJOINING")) return TRIGGER_ADJOINING;
  if (TextIs(text, "PLAYER_ON")) return TRIGGER_PLAYER_ON;
  return TRIGGER_NONE;
}

int MapObjectStepFrames(int moveSpeed) {
  switch (moveSpeed) {
    case PACE_LOW:
      return 32;
    case PACE_HIGH:
      return 8;
    default:
      return 16;
  }
}

int MapObjectPauseBase(int moveFrequency) {
  switch (moveFrequency) {
    case PACE_LOW:
      return 240;
    case PACE_HIGH:
      return 30;
    default:
      return 60;
  }
}

CMapObject::CMapObject() = default;
CMapObject::~CMapObject() { Release(); }

void CMapObject::SetType(int objectType) {
  type = objectType;
  passValue = objectType == OBJECT_FLOOR ? 0 : 9;
}

void CMapObject::Place(int row, int column) {
  cellX = column;
  cellY = row;
  SetCharacter(eventId, pictureId);
  if (type != OBJECT_STABLE) return;
  CGame* game = CGame::GetInstance();
  const TreasureInfo* treasure = FindTreasure(game->map.mapId, eventId);
  // A chest without a row in the treasure table stays closed.
  if (treasure == nullptr) {
    stepFrame = 0;
    return;
  }
  const bool opened = treasure->index < 0 || game->treasureFlags.IsTaken(treasure->index);
  stepFrame = opened ? 1 : 0;
}

void CMapObject::UpdateOnMap(CMapManager* map) {
  if (type == OBJECT_FLOOR && trigger == TRIGGER_PLAYER_ON && cellX == map->playerX &&
      cellY == map->playerY && map->scrollX == 0 && map->scrollY == 0 &&
      !map->IsScriptRunning()) {
    map->ExecObjectEvent(this);
  }

  if (moveFramesLeft >= 1) {
    --moveFramesLeft;
    const int d = moveFramesTotal > 0
                      ? static_cast<int>(moveFramesLeft * 16.0 / moveFramesTotal)
                      : 0;
    if (offsetX < 0) offsetX = -d;
    if (offsetX > 0) offsetX = d;
    if (offsetY < 0) offsetY = -d;
    if (offsetY > 0) offsetY = d;
    const int progress = (Magnitude(offsetX) + Magnitude(offsetY)) / 4;
    stepFrame = kWalkFrames[(cellX + cellY) & 1][progress & 3];
    return;
  }

  if (moveType != MOVE_RANDOM) return;
  if (pauseCounter > 0) {
    --pauseCounter;
    return;
  }
  const int r = GetRandomInt(4);
  pauseCounter = MapObjectPauseBase(moveFrequency) + GetRandomInt(60);
  if (r == 4) return;  // stands still for this pause

  int nextX = cellX;
  int nextY = cellY;
  map->GetNextCell(&nextX, &nextY, cellX, cellY, r);
  const uint16_t pass = map->GetPassValue(nextY, nextX);
  if (pass == 9 || pass == 20) {
    // Blocked: decide again on the next frame.
    pauseCounter = 0;
    return;
  }
  StartMove(*map, r, MapObjectStepFrames(moveSpeed));
}

int CMapObject::StartMove(const CMapManager& map, int moveDirection, int frames) {
  int nextX = 0;
  int nextY = 0;
  if (!map.GetNextCell(&nextX, &nextY, cellX, cellY, moveDirection)) return 0;
  cellX = nextX;
  cellY = nextY;
  moveFramesLeft = frames;
  moveFramesTotal = frames;
  direction = moveDirection;
  offsetX = 0;
  offsetY = 0;
  switch (moveDirection) {
    case DIR_DOWN:
      offsetY = -16;
      break;
    case DIR_LEFT:
      offsetX = 16;
      break;
    case DIR_UP:
      offsetY = 16;
      break;
    case DIR_RIGHT:
      offsetX = -16;
      break;
    default:
      break;
  }
  return moveDirection;
}
