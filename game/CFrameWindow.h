// The base of every game window: a rectangle on the 320 x 240 screen with a
// background picture and a border of 16 x 16 chips from the window skin, and
// a visibility that changes at once or after a delay counted in frames.
#ifndef MOONLITCAIRN_CFRAMEWINDOW_H
#define MOONLITCAIRN_CFRAMEWINDOW_H

#include <stdint.h>

#include "CDrawable.h"

constexpr int kWindowChipSize = 16;
constexpr int kWindowSkinChips = 8;

// Border chips in the order of the skin's picture columns.
enum WindowChip : int32_t {
  CHIP_TOP_LEFT = 0,
  CHIP_TOP_RIGHT,
  CHIP_BOTTOM_LEFT,
  CHIP_BOTTOM_RIGHT,
  CHIP_TOP,
  CHIP_BOTTOM,
  CHIP_LEFT,
  CHIP_RIGHT,
};

class CFrameWindow : public CDrawable {
 public:
  CFrameWindow();

  // The delayed visibility: a visibility written with a delay of d takes
  // effect on the (d + 1)-th update.
  void Update() override;
  // The background and the border.
  void Draw() override;
  void Release() override;
  // 1 for the windows that take input (menus).
  virtual int IsMenu();
  // Shows or hides at once.
  virtual void SetVisible(int visible);

  // Shown, or about to be.
  int IsShown() const;
  void DrawFrame();
  // Copies the nine handles of the shared window skin, loading it first when
  // needed; 0 (and the handles left alone) when the skin cannot be had.
  int CopyWindowSkin();

  // The window's top-left corner is the drawable's x and y.
  int32_t width = 320;
  int32_t height = 240;
  int32_t chips[kWindowSkinChips] = {};  // not owned: the skin's
  int32_t background = 0;                // not owned: the skin's 320 x 240 gradient
  int32_t delay = 0;                     // frames left before pending takes effect
  int32_t pending = 0;
  // 1 stretches the background over the window; 0 shows the part under the
  // window, so all windows share one continuous gradient.
  int32_t stretch = 0;
};

#endif
