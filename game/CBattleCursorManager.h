// The battle's target cursor: moves the game's shared hand cursor over the
// living enemies, left of each picture and halfway down it, and reports the
// chosen enemy (X) or a cancel (Z) to the owner (the battle) with a null
// window. Only the horizontal positions decide where it goes: UP moves as
// LEFT and DOWN as RIGHT.
#ifndef MOONLITCAIRN_CBATTLECURSORMANAGER_H
#define MOONLITCAIRN_CBATTLECURSORMANAGER_H

#include <stdint.h>

#include <memory>
#include <vector>

class CCoWndManager;
class CCursor;
class CEnemy;
class CManipulator;
class CPlayerParty;

class CBattleCursorManager {
 public:
  // Takes the game's shared cursor.
  CBattleCursorManager();
  // For a battle built as a member of the game object.
  explicit CBattleCursorManager(CCursor* sharedCursor);
  virtual ~CBattleCursorManager();

  // Copies the enemy list (the same enemies), records party and owner, puts
  // the cursor at the screen's centre and moves it LEFT onto the rightmost
  // living enemy; the current index is kept from before (see Move). 1.
  int Init(const std::vector<std::unique_ptr<CEnemy>>& battleEnemies, CPlayerParty* battleParty,
           CCoWndManager* newOwner);
  // UP, DOWN, LEFT and RIGHT as triggered (each may act in one frame), then
  // X reports the current enemy, else Z a cancel, to the owner.
  void Control(const CManipulator& keyboard);
  // direction is KEY_UP, KEY_DOWN, KEY_LEFT or KEY_RIGHT. The nearest living
  // enemy other than the current one on that side (the same x counts as
  // either side; of equal distances the first in the list) becomes current
  // and the cursor moves to it: 1. None: 0 and nothing changes.
  int Move(int direction);
  // Puts the cursor on the current enemy while it lives, else on the nearest
  // living one to the right, else to the left; then shows the cursor.
  void CheckTarget();

  CCursor* cursor;
  std::vector<CEnemy*> enemies;  // not owned
  CPlayerParty* party = nullptr;
  CCoWndManager* owner = nullptr;
  int32_t currentIndex = 0;
  int32_t cursorX = 0;
  int32_t cursorY = 0;

 private:
  void PlaceOn(const CEnemy& enemy);
};

#endif
