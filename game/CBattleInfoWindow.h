// The battle's one-line message window at the top of the screen: the escape
// and annihilation messages, and the victory pages (the win, EXP, money, ABP
// and the level-ups) that the player steps through with X or Z.
#ifndef MOONLITCAIRN_CBATTLEINFOWINDOW_H
#define MOONLITCAIRN_CBATTLEINFOWINDOW_H

#include <stdint.h>

#include <list>
#include <string>
#include <vector>

#include "CMsgWindow.h"

class CManipulator;

// The most bytes of one victory page, its terminator included.
constexpr int kInfoPageBytes = 480;

class CBattleInfoWindow : public CMsgWindow {
 public:
  CBattleInfoWindow();

  // Stores the totals, switches paging on, shows "戦いに勝った！" and queues
  // the pages: EXP, money and ABP (each only when above 0), then the
  // level-up lines in the given order.
  void SetVictoryMessage(int moneyTotal, int expTotal, int abpTotal,
                         const std::vector<std::string>& levelUpLines);
  // While paging is on, X or Z shows the next page, or hides the window
  // when none is left. Paging stays on for later battles.
  void Control(const CManipulator& keyboard) override;

  int32_t paging = 0;
  int32_t money = 0;
  int32_t exp = 0;
  int32_t abp = 0;
  std::list<std::string> pages;  // front first, each under kInfoPageBytes
};

#endif
