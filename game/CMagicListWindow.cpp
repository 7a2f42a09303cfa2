#include "CMagicListWindow.h"

#include "CCoWndManager.h"
#include "CCursor.h"
#include "CManipulator.h"

namespace {

constexpr int kShownRows = 18;
constexpr int kTotalRows = 256;
constexpr int kColumnX[3] = {30, 120, 210};

}  // namespace

CMagicListWindow::CMagicListWindow(CCursor* sharedCursor) : CListWindow(sharedCursor) {}

int CMagicListWindow::Init(CPlayerParty* newParty, CCoWndManager* newOwner) {
  party = newParty;
  owner = newOwner;
  horizontal = 1;
  rowsPerPage = kShownRows;
  totalRows = kTotalRows;
  firstRow = 0;
  const int ready = CListWindow::Init(80, 320, 160);
  ClearItems();
  for (int i = 0; i < kShownRows; ++i) {
    AddItem(i, 1, kColumnX[i % 3], 10 + 15 * (i / 3), "まほう", 0, 0);
  }
  return ready;
}

void CMagicListWindow::Control(const CManipulator& keyboard) {
  CMenuWindow::Control(keyboard);
  if (!active) return;
  if (keyboard.IsTriggered(KEY_Z)) {
    owner->OnCancel(this);
  } else if (keyboard.IsTriggered(KEY_X)) {
    owner->OnSelect(this, firstRow + index);
  }
}

void CMagicListWindow::Draw() {
  if (!visible) return;
  DrawListFrame();
  if (active) cursor->Draw();
}
