#include "CEncountManager.h"

#include <stdio.h>

#include "CDataManager.h"
#include "CMapData.h"
#include "Ombrel.h"

int DrawEncountThreshold() { return GetRandomInt(99990) % 30 + 10; }

int PickEncountParty(const std::vector<EncountEntry>& entries, int roll) {
  int64_t sum = 0;
  for (const EncountEntry& entry : entries) {
    sum += entry.weight;
    if (sum >= roll) return entry.partyId;
  }
  return -1;
}

CEncountManager::CEncountManager() = default;
CEncountManager::~CEncountManager() = default;

int CEncountManager::Check(int playerX, int playerY) {
  if (m_map == nullptr || m_map->encount == 0) return -1;
  if (playerX == lastX && playerY == lastY) return -1;
  lastX = playerX;
  lastY = playerY;
  if (threshold == 0) threshold = DrawEncountThreshold();
  if (++stepCount < threshold) return -1;
  threshold = DrawEncountThreshold();
  stepCount = 0;
  const int party = ChooseParty(playerX, playerY);
  printf("エンカウント [%d] 次のエンカウントまでの歩数 [%d]\n", party, threshold);
  return party;
}

int CEncountManager::ChooseParty(int playerX, int playerY) {
  if (m_map == nullptr) return -1;
  const int area = m_map->GetCell(MAP_LAYER_AREA, playerX, playerY);
  std::vector<EncountEntry> entries;
  if (!CDataManager::GetInstance().LoadEncountInfo(area, &entries)) return -1;
  const int roll = GetRandomInt(1009899) % 101;
  return PickEncountParty(entries, roll);
}
