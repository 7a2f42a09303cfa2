// The base of everything the game puts on the screen, and the three drawing
// functions that field and window pictures go through: they add the screen
// effect's shake offset, so the field and its windows shake together while
// text and the battle stay still.
#ifndef MOONLITCAIRN_CDRAWABLE_H
#define MOONLITCAIRN_CDRAWABLE_H

#include <stdint.h>

class CDrawable {
 public:
  CDrawable();
  virtual ~CDrawable();

  // Prepares the object's pictures; non-zero on success.
  virtual int Load();
  // The per-frame step that takes no input.
  virtual void Update();
  virtual void Draw() = 0;
  virtual void Release() = 0;

  int32_t visible = 0;
  int32_t offsetX = 0;  // added to the position by classes that move smoothly
  int32_t offsetY = 0;
  int32_t x = 0;
  int32_t y = 0;
};

int PutGraphWithShake(int x, int y, int graph, int transFlag);
// Always without transparency.
int PutGraphStretchedWithShake(int x1, int y1, int x2, int y2, int graph);
int PutGraphPartWithShake(int x, int y, int srcX, int srcY, int width, int height, int graph,
                          int transFlag);

#endif
