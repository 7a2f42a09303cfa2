#include "CCampWindow.h"

#include "CCursor.h"
#include "CGame.h"
#include "CManipulator.h"

CCampWindow::CCampWindow(CCursor* sharedCursor, CGame* ownerGame)
    : item(sharedCursor),
      magic(sharedCursor),
      equip(sharedCursor),
      jobAbility(sharedCursor),
      menu(sharedCursor),
      partyWindow(sharedCursor),
      cursor(sharedCursor),
      game(ownerGame) {}

int CCampWindow::Init(CPlayerParty* newParty) {
  party = newParty;
  windows.clear();
  partyWindow.Init(party, this);
  windows.push_back(&partyWindow);
  jobAbility.Init();
  windows.push_back(&jobAbility);
  menu.Init(this);
  windows.push_back(&menu);
  playTime.Init(game);
  windows.push_back(&playTime);
  gill.Init(party);
  windows.push_back(&gill);
  formation.Init();
  formation.SetVisible(0);
  windows.push_back(&formation);

  item.Init(this, party);
  item.Show(0);
  magic.Init(party, this);
  magic.Hide();
  equip.Init(this, party);
  equip.Show(0);
  status.Init(party, this);
  status.Hide();
  save.Init(party, this);
  save.visible = 0;
  for (CFrameWindow* window : save.windows) window->SetVisible(0);
  SetFocus(&menu);
  return 1;
}

int CCampWindow::Load() { return 0; }

void CCampWindow::Release() {
  item.Release();
  magic.Release();
  equip.Release();
  status.Release();
  save.Release();
}

void CCampWindow::Hide() {
  visible = 0;
  for (CFrameWindow* window : windows) window->SetVisible(0);
  formation.SetVisible(0);
}

void CCampWindow::Close() {
  Hide();
  cursor->ClearMarks();
  cursor->visible = 0;
  game->PopMode();
}

void CCampWindow::Open() {
  menu.SetCursorIndex(0);
  ShowAgain();
}

void CCampWindow::ShowAgain() {
  visible = 1;
  for (CFrameWindow* window : windows) window->SetVisible(1);
  formation.SetVisible(partyWindow.active ? 1 : 0);
  SetFocus(&menu);
}

void CCampWindow::FocusMenu() {
  partyWindow.chooseForScreen = 0;
  partyWindow.SetActive(0);
  formation.SetVisible(0);
  SetFocus(returnMenu == &jobAbility ? static_cast<CMenuWindow*>(&jobAbility) : &menu);
}

void CCampWindow::Update(const CManipulator& keyboard) {
  if (visible) {
    UpdateVisible(keyboard);
    return;
  }
  if (item.visible) item.Control(keyboard);
  magic.Update(keyboard);
  if (equip.visible) equip.Control(keyboard);
  status.Update(keyboard);
  if (save.visible) save.Control(keyboard);
}

void CCampWindow::UpdateVisible(const CManipulator& keyboard) {
  if (keyboard.IsTriggered(KEY_S) && !partyWindow.active) {
    Close();
    return;
  }
  // Each menu's index is read before it moves this frame: the two menus act
  // as one column whose ends join.
  if (jobAbility.active) {
    if (keyboard.IsTriggered(KEY_DOWN) && jobAbility.index == jobAbility.GetItemCount() - 1) {
      SetFocus(&menu);
      return;
    }
    if (keyboard.IsTriggered(KEY_UP) && jobAbility.index == 0) {
      SetFocus(&menu);
      menu.SetCursorIndex(menu.GetItemCount() - 1);
      return;
    }
  }
  if (menu.active) {
    if (keyboard.IsTriggered(KEY_DOWN) && menu.index == menu.GetItemCount() - 1) {
      SetFocus(&jobAbility);
      jobAbility.SetCursorIndex(0);
      return;
    }
    if (keyboard.IsTriggered(KEY_UP) && menu.index == 0) {
      SetFocus(&jobAbility);
      jobAbility.SetCursorIndex(jobAbility.GetItemCount() - 1);
      return;
    }
  }
  if ((jobAbility.active || menu.active) && keyboard.IsTriggered(KEY_LEFT)) {
    returnMenu = jobAbility.active ? static_cast<CMenuWindow*>(&jobAbility) : &menu;
    formation.SetVisible(1);
    SetFocus(&partyWindow);
  }
  if (!jobAbility.active && !menu.active && partyWindow.active && !partyWindow.chooseForScreen &&
      keyboard.IsTriggered(KEY_RIGHT)) {
    FocusMenu();
  }
  // Everything but the party window is dimmed while the party is arranged.
  const int lit = formation.visible ? 0 : 1;
  jobAbility.lit = lit;
  menu.lit = lit;
  playTime.lit = lit;
  gill.lit = lit;
  Control(keyboard);
}

void CCampWindow::Draw() {
  if (visible) {
    for (CFrameWindow* window : windows) window->Draw();
    return;
  }
  item.Draw();
  magic.Draw();
  equip.Draw();
  status.Draw();
  save.Draw();
}

void CCampWindow::OnSelect(CFrameWindow* window, int index) {
  if (window == &menu) {
    if (index == CAMP_ITEM) {
      Hide();
      item.OpenFromCamp();
    }
    return;
  }
  if (window != &partyWindow) return;
  // The row of the chosen member, for the entry the choice was started from.
  cursor->ClearMarks();
  menu.memberChoice = 0;
  SetFocus(&menu);
  switch (menu.index) {
    case CAMP_MAGIC:
      Hide();
      magic.Open(index);
      break;
    case CAMP_EQUIP:
      Hide();
      equip.OpenFromCamp(index);
      break;
    case CAMP_STATUS:
      Hide();
      status.Open(index);
      break;
    default:
      break;
  }
}

void CCampWindow::OnCancel(CFrameWindow* window) {
  if (window == &menu) {
    Close();
  } else if (window == &partyWindow) {
    cursor->ClearMarks();
    menu.memberChoice = 0;
    FocusMenu();
  }
}
