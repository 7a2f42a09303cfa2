// Random encounters: on maps with encounters a step counter fires after 10 to
// 39 steps, and the encounter area under the player picks an enemy party by a
// weighted roll over its ten (party, weight) pairs.
#ifndef MOONLITCAIRN_CENCOUNTMANAGER_H
#define MOONLITCAIRN_CENCOUNTMANAGER_H

#include <stdint.h>

#include <vector>

#include "GameData.h"

class CMapData;

class CEncountManager {
 public:
  CEncountManager();
  virtual ~CEncountManager();

  void SetMap(const CMapData* map) { m_map = map; }

  // Called once per field frame in which the player stands on a cell: an
  // enemy party id (0 or more) when an encounter fires, else -1.
  int Check(int playerX, int playerY);
  // The party of the encounter area under the player, or -1 for no battle.
  int ChooseParty(int playerX, int playerY);

  int32_t threshold = 0;  // steps until the next encounter; 0 = not drawn yet
  int32_t stepCount = 0;
  int32_t lastX = 0;
  int32_t lastY = 0;

 private:
  const CMapData* m_map = nullptr;
};

// The weighted pick for a roll of 0 to 100: the first pair at which the
// running sum of weights reaches the roll, or -1 when the sum stays below it.
int PickEncountParty(const std::vector<EncountEntry>& entries, int roll);
// 10 to 39 steps.
int DrawEncountThreshold();

#endif
