#include "CBattleCursorManager.h"

#include <stdio.h>

#include "CCoWndManager.h"
#include "CCursor.h"
#include "CEnemy.h"
#include "CGame.h"
#include "CManipulator.h"

namespace {

// The cursor's tip stands this far left of an enemy's picture.
constexpr int kCursorLead = 8;
// No enemy is this far away or farther on a 320-pixel screen.
constexpr int kFarthest = 320;

}  // namespace

CBattleCursorManager::CBattleCursorManager() : cursor(&CGame::GetInstance()->cursor) {}

CBattleCursorManager::CBattleCursorManager(CCursor* sharedCursor) : cursor(sharedCursor) {}

CBattleCursorManager::~CBattleCursorManager() = default;

int CBattleCursorManager::Init(const std::vector<std::unique_ptr<CEnemy>>& battleEnemies,
                               CPlayerParty* battleParty, CCoWndManager* newOwner) {
  enemies.clear();
  for (const std::unique_ptr<CEnemy>& enemy : battleEnemies) enemies.push_back(enemy.get());
  party = battleParty;
  owner = newOwner;
  // The index of the last battle is kept, but it must name an enemy of this
  // one when the fight command asks for it.
  if (currentIndex < 0 || currentIndex >= static_cast<int>(enemies.size())) currentIndex = 0;
  cursorX = 320;
  cursorY = 240;
  cursor->x = cursorX;
  cursor->y = cursorY;
  Move(KEY_LEFT);
  return 1;
}

void CBattleCursorManager::Control(const CManipulator& keyboard) {
  for (int key : {KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT}) {
    if (keyboard.IsTriggered(key)) Move(key);
  }
  if (owner == nullptr) return;
  if (keyboard.IsTriggered(KEY_X)) {
    owner->OnSelect(nullptr, currentIndex);
  } else if (keyboard.IsTriggered(KEY_Z)) {
    owner->OnCancel(nullptr);
  }
}

int CBattleCursorManager::Move(int direction) {
  const bool towardLeft = direction == KEY_LEFT || direction == KEY_UP;
  int best = -1;
  int bestDistance = kFarthest;
  for (size_t i = 0; i < enemies.size(); ++i) {
    const CEnemy* enemy = enemies[i];
    if (enemy == nullptr || enemy->values.hp <= 0 || static_cast<int>(i) == currentIndex) {
      continue;
    }
    const int enemyX = enemy->x - kCursorLead;
    const int distance = towardLeft ? cursorX - enemyX : enemyX - cursorX;
    if (distance >= 0 && distance < bestDistance) {
      best = static_cast<int>(i);
      bestDistance = distance;
    }
  }
  if (best < 0) {
    printf("カーソル変化無し\n");
    return 0;
  }
  currentIndex = best;
  PlaceOn(*enemies[static_cast<size_t>(best)]);
  return 1;
}

void CBattleCursorManager::CheckTarget() {
  const bool inList = currentIndex >= 0 && currentIndex < static_cast<int>(enemies.size());
  const CEnemy* current = inList ? enemies[static_cast<size_t>(currentIndex)] : nullptr;
  if (current != nullptr && current->values.hp > 0) {
    PlaceOn(*current);
  } else if (!Move(KEY_RIGHT)) {
    Move(KEY_LEFT);
  }
  cursor->visible = 1;
}

void CBattleCursorManager::PlaceOn(const CEnemy& enemy) {
  cursorX = enemy.x - kCursorLead;
  cursorY = enemy.y + enemy.pictureHeight / 2 - kCursorLead;
  cursor->x = cursorX;
  cursor->y = cursorY;
}
