// A frame window with selectable entries and a current entry that the arrow
// keys move. All menus share the game's one cursor: only an active menu moves
// and draws it. A menu does not act on a decision itself; the screens' menus
// override Control to report X and Z to their owner.
#ifndef MOONLITCAIRN_CMENUWINDOW_H
#define MOONLITCAIRN_CMENUWINDOW_H

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "CFrameWindow.h"

class CCursor;
class CManipulator;

struct MenuEntry {
  int32_t id;       // the screen's own number for the entry
  int32_t enabled;  // 0 draws it grey
  int32_t x;        // text position inside the window
  int32_t y;
  std::string text;
  int32_t value1;  // interpreted by the owning screen only
  int32_t value2;
};

class CMenuWindow : public CFrameWindow {
 public:
  // Takes the game's shared cursor.
  CMenuWindow();
  // For the game object's own menus, built before the game can be reached.
  explicit CMenuWindow(CCursor* sharedCursor);

  void Draw() override;
  int IsMenu() override;
  // Also shows or hides the shared cursor.
  virtual void SetActive(int active);
  // The delayed visibility, then, while active, the arrow keys.
  virtual void Control(const CManipulator& keyboard);
  // Moves to the entry and puts the cursor beside it; an index outside the
  // entries changes nothing. Returns the current index.
  virtual int SetCursorIndex(int index);

  void AddItem(int id, int enabled, int itemX, int itemY, const char* text, int value1,
               int value2);
  // Replaces the text of the entry at the position and enables it.
  void SetItemText(int position, const char* text, int value2);
  // The current index stays as it was.
  void ClearItems();
  int GetItemCount() const { return static_cast<int>(entries.size()); }

  // 0: entries run downwards (DOWN forward); 1: across (RIGHT forward).
  int32_t horizontal = 0;
  std::vector<std::unique_ptr<MenuEntry>> entries;
  CCursor* cursor;
  int32_t index = 0;
  int32_t active = 0;
  int32_t wrap = 0;  // 1: moving past either end continues at the other
};

#endif
