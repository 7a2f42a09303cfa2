#include "CMapEvent.h"

#include <algorithm>

CMapEvent::CMapEvent() = default;
CMapEvent::~CMapEvent() = default;

void CMapEvent::Clear() {
  objects.clear();
  std::vector<uint16_t>().swap(layer);
}

void CMapEvent::AddObject(std::unique_ptr<CMapObject> object) {
  objects.push_back(std::move(object));
}

void CMapEvent::SortByRow() {
  std::stable_sort(objects.begin(), objects.end(),
                   [](const std::unique_ptr<CMapObject>& a, const std::unique_ptr<CMapObject>& b) {
                     return a->cellY < b->cellY;
                   });
}

void CMapEvent::Draw(int topRow, CCharacterObject* player, int leftColumn, int scrollX,
                     int scrollY) {
  bool playerDrawn = player == nullptr;
  for (const std::unique_ptr<CMapObject>& object : objects) {
    if (object->cellX < leftColumn - 1 || object->cellX > leftColumn + 22 ||
        object->cellY < topRow - 1 || object->cellY > topRow + 16) {
      continue;
    }
    if (!playerDrawn && object->cellY > topRow + 7) {
      player->Draw();
      playerDrawn = true;
    }
    object->x = scrollX + (object->cellX - leftColumn) * 16 - 8;
    object->y = scrollY + (object->cellY - topRow) * 16 - 8;
    object->Draw();
  }
  if (!playerDrawn) player->Draw();
}

CMapObject* CMapEvent::FindObject(int x, int y) const {
  for (const std::unique_ptr<CMapObject>& object : objects) {
    if (object->cellX == x && object->cellY == y) return object.get();
  }
  return nullptr;
}

uint16_t CMapEvent::GetEventId(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  const size_t index = static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
  return index < layer.size() ? layer[index] : 0;
}
