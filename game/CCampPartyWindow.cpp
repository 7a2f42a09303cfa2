#include "CCampPartyWindow.h"

#include "CCampWindow.h"
#include "CCursor.h"
#include "CManipulator.h"
#include "CPlayerParty.h"
#include "GameColors.h"

namespace {

constexpr int kRows = kPartyMemberSlots;
constexpr int kRowHeight = 55;
// A mark stands this far left of and above the entry it points at.
constexpr int kMarkLeadX = 12;
constexpr int kMarkLeadY = 3;
// A member in the back row is drawn this far to the right.
constexpr int kBackRowShift = 20;
// The camp shows its own frame for a fallen member, not the battle's.
constexpr int kStandingFrame = 0;
constexpr int kCampFallenFrame = 12;

}  // namespace

CCampPartyWindow::CCampPartyWindow(CCursor* sharedCursor) : CMenuWindow(sharedCursor) {}

int CCampPartyWindow::Init(CPlayerParty* newParty, CCampWindow* newOwner) {
  party = newParty;
  owner = newOwner;
  x = 0;
  y = 0;
  width = 320;
  height = 240;
  wrap = 1;
  const int skinned = CopyWindowSkin();
  ClearItems();
  for (int row = 0; row < kRows; ++row) AddItem(row, 1, 20, 43 + kRowHeight * row, "", 0, 0);
  return skinned;
}

bool CCampPartyWindow::HasMember(int row) const {
  return row >= 0 && row < kRows && party != nullptr && party->GetMember(row) != nullptr;
}

bool CCampPartyWindow::SkipEmptyRows(bool upwards) {
  int row = index;
  for (int tried = 0; tried < kRows; ++tried) {
    if (HasMember(row)) {
      if (row != index) SetCursorIndex(row);
      return true;
    }
    row = (row + (upwards ? kRows - 1 : 1)) % kRows;
  }
  return false;
}

void CCampPartyWindow::Control(const CManipulator& keyboard) {
  CMenuWindow::Control(keyboard);
  if (!active) return;
  if (!chooseForScreen) {
    if (keyboard.IsTriggered(KEY_X)) {
      if (!marked) {
        marked = 1;
        markedRow = index;
        cursor->AddMark(x + entries[index]->x - kMarkLeadX, y + entries[index]->y - kMarkLeadY);
      } else {
        Decide();
        cursor->ClearMarks();
        marked = 0;
      }
    }
    if (keyboard.IsTriggered(KEY_Z)) {
      if (marked) {
        cursor->ClearMarks();
        marked = 0;
      } else {
        owner->FocusMenu();
      }
    }
    return;
  }
  // With nobody in the party there is no row to rest on and nothing to choose.
  const bool found = SkipEmptyRows(keyboard.IsTriggered(KEY_UP));
  if (found && keyboard.IsTriggered(KEY_X)) {
    Decide();
    cursor->ClearMarks();
    marked = 0;
  }
  if (keyboard.IsTriggered(KEY_Z)) owner->OnCancel(this);
}

void CCampPartyWindow::Decide() {
  if (chooseForScreen) {
    owner->OnSelect(this, index);
    chooseForScreen = 0;
  } else if (markedRow != index) {
    party->SwapMembers(markedRow, index);
  } else if (CPlayerChar* member = party->GetMember(index)) {
    member->backRow = member->backRow == 0 ? 1 : 0;
  }
}

std::vector<WindowText> CCampPartyWindow::RowTexts(int slot) const {
  const CPlayerChar* member = party != nullptr ? party->GetMember(slot) : nullptr;
  if (member == nullptr) return {};
  const int top = kRowHeight * slot;
  return {
      {20, 15 + top, MemberNameOrQuestion(*member)},
      {95, 15 + top, JobName(member->job)},
      {25, 26 + top, FormatWindowText("ＬＶ %4d", member->level)},
      {110, 42 + top, FormatWindowText("ＨＰ　%4d ／ %4d", member->hp, member->base.maxHp)},
      {110, 51 + top, FormatWindowText("ＭＰ　%4d ／ %4d", member->mp, member->base.maxMp)},
  };
}

bool CCampPartyWindow::RowPicture(int slot, int* pictureX, int* pictureY, int* frame) const {
  const CPlayerChar* member = party != nullptr ? party->GetMember(slot) : nullptr;
  if (member == nullptr) return false;
  *pictureX = 20 + (member->backRow != 0 ? kBackRowShift : 0);
  *pictureY = 35 + kRowHeight * slot;
  *frame = member->hp > 0 ? kStandingFrame : kCampFallenFrame;
  return true;
}

void CCampPartyWindow::Draw() {
  if (!visible) return;
  CMenuWindow::Draw();
  for (int slot = 0; slot < kRows; ++slot) {
    int pictureX, pictureY, frame;
    if (!RowPicture(slot, &pictureX, &pictureY, &frame)) continue;
    DrawMemberFrame(*party->GetMember(slot), frame, pictureX, pictureY);
    DrawWindowTexts(RowTexts(slot));
  }
  // The marks and the cursor stay above the texts.
  if (marked) {
    cursor->DrawMarks();
    cursor->Draw();
  }
}
