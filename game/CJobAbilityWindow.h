// The camp's job and ability menu: two entries that cannot be chosen yet.
// The cursor rests on them; X and Z do nothing here.
#ifndef MOONLITCAIRN_CJOBABILITYWINDOW_H
#define MOONLITCAIRN_CJOBABILITYWINDOW_H

#include <stdint.h>

#include "CMenuWindow.h"

class CJobAbilityWindow : public CMenuWindow {
 public:
  explicit CJobAbilityWindow(CCursor* sharedCursor);

  // 1 when the window skin was available.
  int Init();
  void Draw() override;

  int32_t lit = 1;  // 0: dimmed while the party is arranged
};

#endif
