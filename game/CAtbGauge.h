// A member's time gauge in the battle's party window: a grey bar with a white
// top line that grows 1 pixel per 2 points, a yellow line once full, and the
// gauge's frame picture over it.
#ifndef MOONLITCAIRN_CATBGAUGE_H
#define MOONLITCAIRN_CATBGAUGE_H

#include <stdint.h>

#include "CDrawable.h"

class CAtbGauge : public CDrawable {
 public:
  CAtbGauge();
  // Frees the picture.
  ~CAtbGauge() override;
  CAtbGauge(const CAtbGauge&) = delete;
  CAtbGauge& operator=(const CAtbGauge&) = delete;

  void Draw() override;
  // Frees the picture.
  void Release() override;

  int32_t value = 0;     // 0 to 100
  int32_t picture = -1;  // "atb_gauge.png", owned
};

#endif
