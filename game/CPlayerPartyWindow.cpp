#include "CPlayerPartyWindow.h"

#include <stdio.h>

#include "CCursor.h"
#include "CPlayerBattle.h"
#include "CPlayerChar.h"
#include "GameColors.h"
#include "Ombrel.h"

namespace {

constexpr int kNameLeft = 10;
constexpr int kHpLeft = 85;
constexpr int kGaugeLeft = 120;
constexpr int kRowTop = 8;
constexpr int kRowStep = 15;

}  // namespace

CPlayerPartyWindow::CPlayerPartyWindow() = default;

int CPlayerPartyWindow::Init(CPlayerParty* battleParty) {
  party = battleParty;
  x = 130;
  y = 170;
  width = 190;
  height = 70;
  int result = CopyWindowSkin();
  int row = 0;
  for (int slot = 0; slot < kPartyMemberSlots; ++slot) {
    if (party == nullptr || party->GetMember(slot) == nullptr) continue;
    CAtbGauge& gauge = gauges[slot];
    gauge.x = x + kGaugeLeft;
    gauge.y = y + kRowTop + kRowStep * row;
    gauge.value = 0;
    gauge.Release();
    if (!LoadSystemGraph("atb_gauge.png", &gauge.picture)) {
      gauge.picture = -1;
      result = 0;
    }
    ++row;
  }
  return result;
}

void CPlayerPartyWindow::Update() {
  CFrameWindow::Update();
  if (party == nullptr) return;
  for (int slot = 0; slot < kPartyMemberSlots; ++slot) {
    CPlayerChar* member = party->GetMember(slot);
    if (member == nullptr) continue;
    // The member's battle sprite counts the frames the gauge steps on.
    if (auto* sprite = dynamic_cast<CPlayerBattle*>(member->GetSprite())) {
      member->atbGauge = sprite->AddAtb(member->atbGauge);
    }
    const int value = member->atbGauge;
    gauges[slot].value = value < 0 ? 0 : (value > 100 ? 100 : value);
    gauges[slot].Update();
  }
}

void CPlayerPartyWindow::Draw() {
  CFrameWindow::Draw();
  if (party == nullptr) return;
  int row = 0;
  for (int slot = 0; slot < kPartyMemberSlots; ++slot) {
    const CPlayerChar* member = party->GetMember(slot);
    if (member == nullptr) continue;
    const int rowY = y + kRowTop + kRowStep * row;
    DrawStringDefaultFont(x + kNameLeft, rowY, member->name, COLOR_WHITE, 0);
    char hp[16];
    snprintf(hp, sizeof hp, "%5d", member->hp);
    DrawStringDefaultFont(x + kHpLeft, rowY, hp, COLOR_WHITE, 0);
    gauges[slot].Draw();
    ++row;
  }
}

void CPlayerPartyWindow::Release() {
  for (CAtbGauge& gauge : gauges) gauge.Release();
}
