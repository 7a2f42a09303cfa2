// The battle's list of living enemies at the bottom left: one line per enemy
// id, in ascending id, with the count when more than one of that id lives.
// It is rebuilt only when the number of living enemies changes.
#ifndef MOONLITCAIRN_CENEMYPARTYWINDOW_H
#define MOONLITCAIRN_CENEMYPARTYWINDOW_H

#include <stdint.h>

#include <memory>
#include <vector>

#include "CMsgWindow.h"

class CEnemy;

class CEnemyPartyWindow : public CMsgWindow {
 public:
  CEnemyPartyWindow();

  // Places the window, copies the enemy list (the same enemies) and empties
  // the lines so the next Refresh rebuilds them; 1 when the window skin was
  // available, else 0.
  int Init(const std::vector<std::unique_ptr<CEnemy>>& battleEnemies);
  // The window manager's per-frame step of this window: Refresh.
  void Update() override;
  // Rebuilds the lines when the number of living enemies has changed. Only
  // the first four enemy ids (in ascending order) find a line.
  void Refresh();

  std::vector<CEnemy*> enemies;  // not owned
  int32_t shownCount = 0;        // living enemies when the lines were built
};

#endif
