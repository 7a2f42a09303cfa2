// The camp's play time: whole hours and the minutes within the hour.
#ifndef MOONLITCAIRN_CPLAYTIMEWINDOW_H
#define MOONLITCAIRN_CPLAYTIMEWINDOW_H

#include <stdint.h>

#include <vector>

#include "CFrameWindow.h"
#include "WindowDrawing.h"

class CGame;

class CPlayTimeWindow : public CFrameWindow {
 public:
  CPlayTimeWindow();

  // 1 when the window skin was available.
  int Init(const CGame* newGame);
  // The frame while visible; the texts always (the camp draws it only while
  // it is open).
  void Draw() override;
  // "TIME" and the game's play time.
  std::vector<WindowText> Texts() const;

  const CGame* game = nullptr;  // its play time is shown
  int32_t lit = 1;  // 0: dimmed while the party is arranged
};

// "%02d : %02d" of the hours and the minutes within the hour, the seconds
// taken as an unsigned 32-bit count.
std::string FormatPlayTime(int64_t seconds);

#endif
