// The battle's background picture, drawn over the whole screen.
#ifndef MOONLITCAIRN_CFIELD_H
#define MOONLITCAIRN_CFIELD_H

#include <stdint.h>

#include "CDrawable.h"

class CField : public CDrawable {
 public:
  CField();
  // Frees the picture.
  ~CField() override;
  CField(const CField&) = delete;
  CField& operator=(const CField&) = delete;

  // The picture at (0, 0), without transparency.
  void Draw() override;
  // Frees the picture.
  void Release() override;

  int32_t number = 0;    // the background number the picture was loaded for
  int32_t picture = -1;  // owned; the battle loads it
};

#endif
