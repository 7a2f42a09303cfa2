// A one-picture pointer of the cursor's kind, which the battle shows above
// the member whose command is being chosen.
#ifndef MOONLITCAIRN_CMARK_H
#define MOONLITCAIRN_CMARK_H

#include <stdint.h>

#include "CDrawable.h"

class CMark : public CDrawable {
 public:
  CMark();
  ~CMark() override;
  CMark(const CMark&) = delete;
  CMark& operator=(const CMark&) = delete;

  // "mark.png" from the system pictures; 0 after an error box.
  int Load() override;
  void Draw() override;
  void Release() override;

  int32_t graph = 0;  // owned
};

#endif
