// A damage number that pops up over a combatant. The battle's sprites give
// each combatant one; the rules only start it and ask whether it still shows.
#ifndef MOONLITCAIRN_CNUMBERDISPLAY_H
#define MOONLITCAIRN_CNUMBERDISPLAY_H

#include "Ombrel.h"

class CNumberDisplay {
 public:
  virtual ~CNumberDisplay() = default;
  // Shows value (0 or more) with its first digit at (x, y).
  virtual void Start(int x, int y, int value, ColorCode colour) = 0;
  virtual void Update() = 0;
  virtual void Draw() = 0;
  virtual bool IsVisible() const = 0;
};

// Colours of damage and healing numbers.
inline ColorCode DamageNumberColour(int value) {
  return value >= 0 ? ComposeColorCode(255, 255, 255) : ComposeColorCode(96, 255, 96);
}

// How many characters "%d" writes for value, at most 8 counted.
int NumberDigitCount(int value);

#endif
