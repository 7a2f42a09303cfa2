// The one hand cursor that every menu moves beside its current entry, with
// any number of blinking copies ("marks") that screens use to point at
// several things at once.
#ifndef MOONLITCAIRN_CCURSOR_H
#define MOONLITCAIRN_CCURSOR_H

#include <stdint.h>

#include <vector>

#include "CDrawable.h"

struct CursorMark {
  int32_t x;
  int32_t y;
};

class CCursor : public CDrawable {
 public:
  CCursor();
  // Removes the picture when it is set.
  ~CCursor() override;
  CCursor(const CCursor&) = delete;
  CCursor& operator=(const CCursor&) = delete;

  // "cursor.png" from the system pictures; 0 after an error box.
  int Load() override;
  // One frame of the blink counter.
  void Update() override;
  void Draw() override;
  void Release() override;

  // Restarts the blink, so a new mark first shows two frames later.
  void AddMark(int markX, int markY);
  void ClearMarks();
  // While the cursor is visible the marks show two frames on, two off.
  void DrawMarks();

  int32_t graph = 0;  // owned
  std::vector<CursorMark> marks;
  int32_t blinkCounter = 0;
};

// Loads a picture of the system pictures folder; 0 (after the error box)
// when it cannot be read.
int LoadSystemGraph(const char* fileName, int32_t* graph);

#endif
