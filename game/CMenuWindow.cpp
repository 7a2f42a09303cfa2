#include "CMenuWindow.h"

#include "CCursor.h"
#include "CGame.h"
#include "CManipulator.h"
#include "GameColors.h"
#include "Ombrel.h"

namespace {

// The cursor's tip stands this far left of an entry's text.
constexpr int kCursorLead = 16;

}  // namespace

CMenuWindow::CMenuWindow() : cursor(&CGame::GetInstance()->cursor) {}

CMenuWindow::CMenuWindow(CCursor* sharedCursor) : cursor(sharedCursor) {}

int CMenuWindow::IsMenu() { return 1; }

void CMenuWindow::SetActive(int a) {
  active = a;
  cursor->visible = a;
}

int CMenuWindow::SetCursorIndex(int i) {
  if (i >= 0 && i < GetItemCount()) {
    index = i;
    cursor->x = x + entries[i]->x - kCursorLead;
    cursor->y = y + entries[i]->y;
  }
  return index;
}

void CMenuWindow::Control(const CManipulator& keyboard) {
  CFrameWindow::Update();
  if (!active) return;
  const int forward = horizontal ? KEY_RIGHT : KEY_DOWN;
  const int back = horizontal ? KEY_LEFT : KEY_UP;
  const int count = GetItemCount();
  // The forward key wins when both trigger in one frame.
  if (keyboard.IsTriggered(forward)) {
    if (index < count - 1) {
      SetCursorIndex(index + 1);
    } else if (wrap) {
      SetCursorIndex(0);
    }
  } else if (keyboard.IsTriggered(back)) {
    if (index > 0) {
      SetCursorIndex(index - 1);
    } else if (wrap) {
      SetCursorIndex(count - 1);
    }
  }
}

void CMenuWindow::Draw() {
  if (!visible) return;
  CFrameWindow::Draw();
  for (const std::unique_ptr<MenuEntry>& entry : entries) {
    DrawStringDefaultFont(x + entry->x, y + entry->y, entry->text.c_str(),
                          entry->enabled ? COLOR_WHITE : COLOR_GRAY, 0);
  }
  if (active) cursor->Draw();
}

void CMenuWindow::AddItem(int id, int enabled, int itemX, int itemY, const char* text, int value1,
                          int value2) {
  entries.push_back(std::unique_ptr<MenuEntry>(
      new MenuEntry{id, enabled, itemX, itemY, text != nullptr ? text : "", value1, value2}));
}

void CMenuWindow::SetItemText(int position, const char* text, int value2) {
  if (position < 0 || position >= GetItemCount()) return;
  MenuEntry& entry = *entries[position];
  entry.text = text != nullptr ? text : "";
  entry.enabled = 1;
  entry.value1 = 0;
  entry.value2 = value2;
}

void CMenuWindow::ClearItems() { entries.clear(); }
