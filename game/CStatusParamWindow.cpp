#include "CStatusParamWindow.h"

#include "CDataManager.h"
#include "CPlayerParty.h"
#include "CStatusWindow.h"

CStatusParamWindow::CStatusParamWindow() = default;

int CStatusParamWindow::Init(CStatusWindow* newOwner, CPlayerParty* newParty) {
  owner = newOwner;
  party = newParty;
  x = 0;
  y = 0;
  width = 320;
  height = 240;
  return CopyWindowSkin();
}

std::vector<WindowText> CStatusParamWindow::Texts() const {
  const CPlayerChar* m = party->GetMember(owner->memberIndex);
  if (m == nullptr) return {};
  const int toNext =
      CDataManager::GetInstance().GetExpToNext(m->level, m->characterNumber, m->exp);
  return {
      {40, 10, MemberNameOrQuestion(*m)},
      {140, 10, FormatWindowText("%s ： %d", JobName(m->job), m->jobLevel)},
      {40, 25, FormatWindowText("ＬＶ　　　　  %4d", m->level)},
      {40, 40, FormatWindowText("ＨＰ　%4d ／ %4d", m->hp, m->base.maxHp)},
      {40, 55, FormatWindowText("ＭＰ　%4d ／ %4d", m->mp, m->base.maxMp)},
      {40, 70, FormatWindowText("けいけんち　　　　%8d", m->exp)},
      {40, 85, FormatWindowText("つぎのLvまで　　　%8d", toNext)},
      {40, 120, FormatWindowText("こうげき　　　　%3d", m->params.attack)},
      {40, 135, FormatWindowText("ぼうぎょ　　　　%3d", m->params.defence)},
      {40, 150, FormatWindowText("まほうぼうぎょ　%3d", m->params.magicDefence)},
      {40, 165, FormatWindowText("かいひりつ　　　%3d", m->params.evasion)},
      {40, 180, FormatWindowText("まほうかいひ　　%3d", m->params.magicEvasion)},
      {40, 195, FormatWindowText("そうびのおもさ　%3d", m->params.equipWeight)},
      {190, 120, FormatWindowText("ちから　　　　%3d", m->base.strength)},
      {190, 135, FormatWindowText("たいりょく　　%3d", m->base.stamina)},
      {190, 150, FormatWindowText("すばやさ　　　%3d", m->base.agility)},
      {190, 165, FormatWindowText("まりょく　　　%3d", m->base.magic)},
      {190, 180, FormatWindowText("せいしん　　　%3d", m->base.spirit)},
      {190, 195, FormatWindowText("うん　　　　　%3d", m->base.luck)},
      {40, 215, "そうびできる武器"},
  };
}

void CStatusParamWindow::Draw() {
  if (!visible) return;
  CFrameWindow::Draw();
  const CPlayerChar* member = party->GetMember(owner->memberIndex);
  if (member == nullptr) return;
  // A fallen member still shows its standing frame here.
  DrawMemberFrame(*member, 0, 6, 10);
  DrawWindowTexts(Texts());
}
