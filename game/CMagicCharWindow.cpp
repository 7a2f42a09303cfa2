#include "CMagicCharWindow.h"

#include "CMagicWindow.h"
#include "CPlayerParty.h"

CMagicCharWindow::CMagicCharWindow() = default;

int CMagicCharWindow::Init(CMagicWindow* newOwner, CPlayerParty* newParty) {
  owner = newOwner;
  party = newParty;
  x = 0;
  y = 32;
  width = 320;
  height = 48;
  return CopyWindowSkin();
}

std::vector<WindowText> CMagicCharWindow::Texts() const {
  const CPlayerChar* member = party->GetMember(owner->memberIndex);
  if (member == nullptr) return {};
  return {
      {x + 50, y + 8, MemberNameOrQuestion(*member)},
      {x + 107, y + 8, FormatWindowText("ＬＶ %4d", member->level)},
      {x + 195, y + 8, JobName(member->job)},
      {x + 50, y + 20, FormatWindowText("ＨＰ　　%4d ／ %4d", member->hp, member->base.maxHp)},
      {x + 195, y + 20, FormatWindowText("Ｌ　%d\t%4d ／ %4d", member->jobLevel, 0, 0)},
      {x + 50, y + 32, FormatWindowText("ＭＰ　　%4d ／ %4d", member->mp, member->base.maxMp)},
  };
}

void CMagicCharWindow::Draw() {
  if (!visible) return;
  CFrameWindow::Draw();
  const CPlayerChar* member = party->GetMember(owner->memberIndex);
  if (member == nullptr) return;
  // A fallen member still shows its standing frame here.
  DrawMemberFrame(*member, 0, x + 10, y + 8);
  DrawWindowTexts(Texts());
}
