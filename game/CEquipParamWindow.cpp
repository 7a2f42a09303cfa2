#include "CEquipParamWindow.h"

#include <stdio.h>

#include "CEquipWindow.h"
#include "CPlayerParty.h"
#include "GameColors.h"
#include "Ombrel.h"

namespace {

struct ParamRow {
  int y;
  const char* label;
  int32_t CharParams::*value;
  bool percent;
  bool lowerIsBetter;
};

const ParamRow kRows[] = {
    {3, "ちから", &CharParams::strength, false, false},
    {15, "たいりょく", &CharParams::stamina, false, false},
    {27, "すばやさ", &CharParams::agility, false, false},
    {39, "まりょく", &CharParams::magic, false, false},
    {51, "せいしん", &CharParams::spirit, false, false},
    {63, "うん", &CharParams::luck, false, false},
    {78, "こうげき", &CharParams::attack, false, false},
    {90, "ぼうぎょ", &CharParams::defence, false, false},
    {102, "まほうぼうぎょ", &CharParams::magicDefence, false, false},
    {114, "かいひりつ", &CharParams::evasion, true, false},
    {126, "まほうかいひ", &CharParams::magicEvasion, true, false},
    {138, "そうびのおもさ", &CharParams::equipWeight, false, true},
};

ColorCode CompareColour(int candidate, int current, bool lowerIsBetter) {
  if (candidate == current) return COLOR_WHITE;
  return (candidate > current) != lowerIsBetter ? COLOR_GOLD : COLOR_GRAY;
}

}  // namespace

CEquipParamWindow::CEquipParamWindow() = default;

int CEquipParamWindow::Init(CPlayerParty* memberParty, CEquipWindow* screen) {
  party = memberParty;
  owner = screen;
  x = 150;
  y = 85;
  width = 170;
  height = 155;
  return CopyWindowSkin();
}

void CEquipParamWindow::Draw() {
  CFrameWindow::Draw();
  const CPlayerChar* member = party->GetMember(owner->memberIndex);
  if (member == nullptr) return;
  const ItemData* candidate =
      owner->itemList.active ? owner->itemList.GetSelectedItem() : nullptr;
  CharParams with{};
  if (candidate != nullptr) member->CalcParamWith(&with, candidate, owner->currentSlot);
  char text[16];
  for (const ParamRow& row : kRows) {
    const int current = member->params.*row.value;
    DrawStringDefaultFont(x + 6, y + row.y, row.label, COLOR_WHITE, 0);
    snprintf(text, sizeof text, "%3d", current);
    DrawStringDefaultFont(x + 106, y + row.y, text, COLOR_WHITE, 0);
    ColorCode colour = COLOR_WHITE;
    if (candidate != nullptr) {
      const int value = with.*row.value;
      colour = CompareColour(value, current, row.lowerIsBetter);
      snprintf(text, sizeof text, "%3d", value);
      DrawStringDefaultFont(x + 138, y + row.y, text, colour, 0);
    }
    if (row.percent) DrawStringDefaultFont(x + 158, y + row.y, "％", colour, 0);
  }
}
