// The base of every screen: it keeps the screen's windows (members of the
// derived screen) in the order in which they take input and are drawn,
// passes the keyboard to them once per frame and moves the input focus from
// one menu to another. Menus report X and Z back through OnSelect and
// OnCancel, the only way a menu's decision reaches game logic.
#ifndef MOONLITCAIRN_CCOWNDMANAGER_H
#define MOONLITCAIRN_CCOWNDMANAGER_H

#include <list>

#include "CDrawable.h"

class CFrameWindow;
class CManipulator;
class CMenuWindow;

class CCoWndManager : public CDrawable {
 public:
  CCoWndManager();

  int Load() override = 0;
  void Draw() override;
  void Release() override = 0;
  // The menu becomes active at the end of the next Control, after every
  // window has had that frame's input; the cursor moves to it at once.
  // Returns the menu's current index.
  virtual int SetFocus(CMenuWindow* menu);
  // A child reports X on it (the window and its current index).
  virtual void OnSelect(CFrameWindow* window, int index) = 0;
  // A child reports Z on it.
  virtual void OnCancel(CFrameWindow* window) = 0;

  // Menus take the keys, other windows their delayed visibility; then a
  // pending focus deactivates every menu of the list and activates the new
  // one.
  void Control(const CManipulator& keyboard);

  std::list<CFrameWindow*> windows;  // not owned; later windows draw over earlier ones
  CMenuWindow* pendingFocus = nullptr;
};

#endif
