// The camp's menu of six entries. The item screen opens at once; magic,
// equipment and status first ask for a member on the party window, with a
// blinking mark left on the chosen entry; config and save only report.
#ifndef MOONLITCAIRN_CCAMPMENUWINDOW_H
#define MOONLITCAIRN_CCAMPMENUWINDOW_H

#include <stdint.h>

#include "CMenuWindow.h"

class CCampWindow;
class CManipulator;

enum CampEntry : int32_t {
  CAMP_ITEM = 0,
  CAMP_MAGIC = 1,
  CAMP_EQUIP = 2,
  CAMP_STATUS = 3,
  CAMP_CONFIG = 4,
  CAMP_SAVE = 5,
};

class CCampMenuWindow : public CMenuWindow {
 public:
  explicit CCampMenuWindow(CCursor* sharedCursor);

  // 1 when the window skin was available.
  int Init(CCampWindow* newOwner);
  void Control(const CManipulator& keyboard) override;
  void Draw() override;
  // Removes every mark and ends the member choice.
  void ClearMark();

  CCampWindow* owner = nullptr;
  int32_t lit = 1;           // 0: dimmed while the party is arranged
  int32_t memberChoice = 0;  // 1: a member is being chosen for the entry
};

#endif
