// The window can carry a menu bar and a toolbar, but nothing attaches
// either, so every query reports their absence.
#include "system/system_state.h"

int IsMenuBarShown() {
  const SystemRuntime& run = GetSystemState().run;
  return run.menu && run.menuInUse && !run.menuHidden ? 1 : 0;
}

int SetMenuBarVisible(int flag) { return 0; }

int GetToolbarHeight() { return GetSystemState().run.toolbarHeight; }

int FindToolbarButton(int id) { return -1; }

int RemoveAllToolbarButtons() { return -1; }

int GetMenuItemName(int id, char* name) { return -1; }
