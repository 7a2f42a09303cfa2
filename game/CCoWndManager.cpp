#include "CCoWndManager.h"

#include "CFrameWindow.h"
#include "CMenuWindow.h"

CCoWndManager::CCoWndManager() { visible = 1; }

void CCoWndManager::Control(const CManipulator& keyboard) {
  for (CFrameWindow* window : windows) {
    if (window->IsMenu()) {
      static_cast<CMenuWindow*>(window)->Control(keyboard);
    } else {
      window->Update();
    }
  }
  if (pendingFocus == nullptr) return;
  // Deactivating hides the shared cursor, so the new menu comes last.
  for (CFrameWindow* window : windows) {
    if (window->IsMenu()) static_cast<CMenuWindow*>(window)->SetActive(0);
  }
  pendingFocus->SetActive(1);
  pendingFocus = nullptr;
}

int CCoWndManager::SetFocus(CMenuWindow* menu) {
  pendingFocus = menu;
  return menu->SetCursorIndex(menu->index);
}

void CCoWndManager::Draw() {
  for (CFrameWindow* window : windows) window->Draw();
}
