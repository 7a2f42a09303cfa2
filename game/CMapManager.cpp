#include "CMapManager.h"

#include "CDataManager.h"
#include "CDrawable.h"
#include "CGame.h"
#include "GameSettings.h"
#include "Ombrel.h"

bool IsPassable(int passValue) {
  if (ReadDebugSetting("Map", "IgnorePassFlag", 0) != 0) return true;
  switch (static_cast<uint16_t>(passValue)) {
    case 1:
    case 2:
    case 7:
    case 8:
    case 9:
    case kPassCounter:
      return false;
    default:
      return true;
  }
}

CMapManager::CMapManager() {
  // The data manager must outlive the map manager, whose destructor releases
  // the chips through it; being built first, it is destroyed last.
  CDataManager::GetInstance();
}

CMapManager::~CMapManager() {
  data.FreeLayers();
  CDataManager::GetInstance().ReleaseMapChips();
  chipSets.clear();
  event.Clear();
}

int CMapManager::LoadMap(int newMapId) {
  mapId = newMapId;
  event.Clear();
  event.width = 0;
  event.height = 0;
  data.FreeLayers();
  const int loaded = CDataManager::GetInstance().LoadMap(&data, newMapId);
  if (!loaded) return 0;
  event.width = data.eventWidth;
  event.height = data.eventHeight;
  event.layer.swap(data.layers[MAP_LAYER_EVENT]);
  return 1;
}

void CMapManager::UpdateScroll(int speedMode) {
  scrollMode = speedMode;
  const int step = speedMode == 1 ? 2 : speedMode == 2 ? 4 : 1;
  for (int32_t* offset : {&scrollX, &scrollY}) {
    if (*offset > 0) {
      *offset = *offset > step ? *offset - step : 0;
    } else if (*offset < 0) {
      *offset = *offset < -step ? *offset + step : 0;
    }
  }
}

void CMapManager::DrawLayer(int layer) {
  if (layer < MAP_LAYER_TILE0 || layer > MAP_LAYER_TILE2 || !data.HasLayers()) return;
  const int32_t chipSetId = data.chipSetIds[layer];
  const auto sheet = chipSets.find(chipSetId);
  if (sheet == chipSets.end()) return;
  const CDataManager& manager = CDataManager::GetInstance();
  const uint32_t frame = (animationCounter / 2) % 256;
  for (int y = playerY - 8; y <= playerY + 8; ++y) {
    if (y < 0 || y >= data.height) continue;
    for (int x = playerX - 11; x <= playerX + 11; ++x) {
      if (x < 0 || x >= data.width) continue;
      const uint16_t value = data.GetCell(layer, x, y);
      if (value == 0) continue;
      const int screenX = scrollX + (x - playerX + 10) * 16 - 8;
      const int screenY = scrollY + (y - playerY + 7) * 16;
      const AniChip* animated = nullptr;
      for (const std::unique_ptr<AniChip>& chip : manager.aniChips) {
        if (chip->chipSetId == chipSetId && chip->chipValue == value) {
          animated = chip.get();
          break;
        }
      }
      if (animated != nullptr) {
        PutGraphWithShake(screenX, screenY, animated->frames[frame], 0);
      } else {
        PutGraphPartWithShake(screenX, screenY, ChipSheetX(value), ChipSheetY(value), 16, 16,
                              sheet->second, 1);
      }
    }
  }
}

int CMapManager::MovePlayer(int dx, int dy) {
  int targetX = playerX + dx;
  int targetY = playerY + dy;
  if (data.wrap) {
    if (targetX < 0) targetX = data.width - 1;
    if (targetX >= data.width) targetX = 0;
    if (targetY < 0) targetY = data.height - 1;
    if (targetY >= data.height) targetY = 0;
  } else if (targetX < 0 || targetY < 0 || targetX >= data.width || targetY >= data.height) {
    return 0;
  }
  if (!IsPassable(GetPassValue(targetY, targetX))) return 0;
  scrollX = 16 * dx;
  scrollY = 16 * dy;
  playerX = targetX;
  playerY = targetY;
  return 1;
}

uint16_t CMapManager::GetPassValue(int row, int column) const {
  if (column < 0 || row < 0 || column >= data.width || row >= data.height) return kPassWall;
  uint16_t value = data.GetCell(MAP_LAYER_PASS, column, row);
  const CMapObject* object = event.FindObject(column, row);
  if (object != nullptr && object->visible) value = object->passValue;
  if (column == playerX && row == playerY) return kPassWall;
  return value;
}

bool CMapManager::GetNextCell(int* outX, int* outY, int x, int y, int direction) const {
  int nextX = x;
  int nextY = y;
  switch (direction) {
    case DIR_DOWN:
      ++nextY;
      break;
    case DIR_LEFT:
      --nextX;
      break;
    case DIR_UP:
      --nextY;
      break;
    case DIR_RIGHT:
      ++nextX;
      break;
    default:
      break;
  }
  if (nextX < 0 || nextX >= data.width || nextY < 0 || nextY >= data.height) {
    *outX = x;
    *outY = y;
    return false;
  }
  *outX = nextX;
  *outY = nextY;
  return true;
}

void CMapManager::CheckFront(int direction) {
  int x = 0;
  int y = 0;
  if (!GetNextCell(&x, &y, playerX, playerY, direction)) return;
  CMapObject* object = event.FindObject(x, y);
  if (object == nullptr) {
    // Talking reaches across counters to whoever stands behind them.
    while (!(x == playerX && y == playerY) && GetPassValue(y, x) == kPassCounter) {
      if (!GetNextCell(&x, &y, x, y, direction)) return;
    }
    object = event.FindObject(x, y);
    if (object == nullptr) return;
  }
  if (object->trigger == TRIGGER_BUTTON) ExecObjectEvent(object);
}

void CMapManager::ExecObjectEvent(CMapObject* object) {
  CGame::GetInstance()->PushMode(MODE_EVENT);
  if (eventRunner != nullptr) eventRunner->ExecObject(object);
}

void CMapManager::UpdateObjects() {
  // By index, so that an event which changes the list cannot leave the loop
  // on a freed element.
  for (size_t i = 0; i < event.objects.size(); ++i) event.objects[i]->UpdateOnMap(this);
}

bool CMapManager::IsScriptRunning() const {
  return eventRunner != nullptr && eventRunner->IsRunning();
}
