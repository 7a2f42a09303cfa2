#include "CCampMenuWindow.h"

#include "CCampWindow.h"
#include "CCursor.h"
#include "CManipulator.h"
#include "WindowDrawing.h"

namespace {

constexpr int kDimAlpha = 96;
constexpr int kMarkLeadX = 12;
constexpr int kMarkLeadY = 3;

struct CampEntryText {
  CampEntry id;
  const char* text;
};

constexpr CampEntryText kEntries[] = {
    {CAMP_ITEM, "アイテム"}, {CAMP_MAGIC, "まほう"},     {CAMP_EQUIP, "そうび"},
    {CAMP_STATUS, "ステータス"}, {CAMP_CONFIG, "コンフィグ"}, {CAMP_SAVE, "セーブ"},
};

bool NeedsMember(int entry) {
  return entry == CAMP_MAGIC || entry == CAMP_EQUIP || entry == CAMP_STATUS;
}

}  // namespace

CCampMenuWindow::CCampMenuWindow(CCursor* sharedCursor) : CMenuWindow(sharedCursor) {}

int CCampMenuWindow::Init(CCampWindow* newOwner) {
  owner = newOwner;
  x = 250;
  y = 50;
  width = 70;
  height = 120;
  const int skinned = CopyWindowSkin();
  ClearItems();
  int row = 0;
  for (const CampEntryText& entry : kEntries) {
    AddItem(entry.id, 1, 8, 8 + 18 * row++, entry.text, 0, 0);
  }
  return skinned;
}

void CCampMenuWindow::ClearMark() {
  cursor->ClearMarks();
  memberChoice = 0;
}

void CCampMenuWindow::Control(const CManipulator& keyboard) {
  CMenuWindow::Control(keyboard);
  if (!active) return;
  if (keyboard.IsTriggered(KEY_Z)) {
    if (memberChoice) {
      memberChoice = 0;
    } else {
      owner->OnCancel(this);
    }
  } else if (keyboard.IsTriggered(KEY_X)) {
    if (NeedsMember(index)) {
      if (memberChoice) return;
      memberChoice = 1;
      cursor->AddMark(x + entries[index]->x - kMarkLeadX, y + entries[index]->y - kMarkLeadY);
      owner->partyWindow.chooseForScreen = 1;
      owner->SetFocus(&owner->partyWindow);
    } else {
      ClearMark();
      owner->OnSelect(this, index);
    }
  }
}

void CCampMenuWindow::Draw() {
  if (!visible) return;
  CMenuWindow::Draw();
  if (!lit) DrawDimBox(*this, kDimAlpha);
  if (memberChoice) cursor->DrawMarks();
}
