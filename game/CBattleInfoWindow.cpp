#include "CBattleInfoWindow.h"

#include <stdio.h>

#include "CManipulator.h"

namespace {

std::string FormatPage(const char* format, int value) {
  char page[kInfoPageBytes];
  snprintf(page, sizeof page, format, value);
  return page;
}

}  // namespace

CBattleInfoWindow::CBattleInfoWindow() = default;

void CBattleInfoWindow::SetVictoryMessage(int moneyTotal, int expTotal, int abpTotal,
                                          const std::vector<std::string>& levelUpLines) {
  money = moneyTotal;
  exp = expTotal;
  abp = abpTotal;
  paging = 1;
  SetMessage("戦いに勝った！");
  if (expTotal > 0) pages.push_back(FormatPage("%d EXP", expTotal));
  if (moneyTotal > 0) pages.push_back(FormatPage("%d ギル", moneyTotal));
  if (abpTotal > 0) pages.push_back(FormatPage("%d ABP", abpTotal));
  for (const std::string& line : levelUpLines) {
    pages.push_back(line.substr(0, kInfoPageBytes - 1));
  }
}

void CBattleInfoWindow::Control(const CManipulator& keyboard) {
  if (!paging) return;
  if (!keyboard.IsTriggered(KEY_X) && !keyboard.IsTriggered(KEY_Z)) return;
  if (pages.empty()) {
    SetVisible(0);
    return;
  }
  SetMessage(pages.front().c_str());
  pages.pop_front();
}
