#include "CBattleInfoWindow.h"

#include <stdio.h>

#include "CManipulator.h"
#include "MessageText.h"

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
    // A page holds whole characters only.
    size_t length = 0;
    while (length < line.size()) {
      const int step = TextCharLength(line.c_str() + length);
      if (step == 0 || length + step > static_cast<size_t>(kInfoPageBytes - 1)) break;
      length += static_cast<size_t>(step);
    }
    pages.push_back(line.substr(0, length));
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
