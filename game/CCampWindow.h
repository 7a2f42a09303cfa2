// The camp: the menu the player opens on the field with S. It shows the party,
// the money and the play time, lets the player rearrange the party (swap two
// members, or move one between the front and the back row) and opens the
// item screen, and the magic, equipment and status screens for a chosen
// member. While a sub-screen is open
// the camp hides and only drives and draws that screen; the screen shows the
// camp again when it closes.
#ifndef MOONLITCAIRN_CCAMPWINDOW_H
#define MOONLITCAIRN_CCAMPWINDOW_H

#include "CCampMenuWindow.h"
#include "CCampPartyWindow.h"
#include "CCoWndManager.h"
#include "CEquipWindow.h"
#include "CFormationWindow.h"
#include "CGillWindow.h"
#include "CItemWindow.h"
#include "CJobAbilityWindow.h"
#include "CMagicWindow.h"
#include "CPlayTimeWindow.h"
#include "CSaveWindow.h"
#include "CStatusWindow.h"
#include "CSubScreenOwner.h"

class CCursor;
class CGame;
class CManipulator;
class CPlayerParty;

class CCampWindow : public CCoWndManager, public CSubScreenOwner {
 public:
  // The camp is a member of the game object, so it is given the game (whose
  // mode it leaves and whose play time it shows) and the game's cursor
  // instead of reaching for the game while it is being built.
  CCampWindow(CCursor* sharedCursor, CGame* ownerGame);

  // Sets up the windows and the sub-screens (all hidden) with the focus on
  // the camp menu. Returns 1.
  int Init(CPlayerParty* newParty);
  int Load() override;
  using CDrawable::Update;
  // One frame: the open sub-screen's while the camp is hidden, else the
  // camp's own keys and windows.
  void Update(const CManipulator& keyboard);
  // The camp's windows while it is visible, else the sub-screens (each draws
  // only while it is visible).
  void Draw() override;
  void Release() override;
  void OnSelect(CFrameWindow* window, int index) override;
  void OnCancel(CFrameWindow* window) override;

  // From the field: the camp menu's first entry, then as ShowAgain. The
  // caller pushes the camp's mode.
  void Open();
  // The camp and its windows shown, the formation tag only while the party
  // is arranged, the focus on the camp menu (its cursor where it was).
  void ShowAgain() override;
  // Hides the camp and leaves its mode.
  void Close();
  // Hides the camp's windows (a sub-screen takes the screen).
  void Hide();
  // Ends party arrangement or member choice: the focus back to the menu the
  // arrangement was started from.
  void FocusMenu();

  CItemWindow item;
  CMagicWindow magic;
  CEquipWindow equip;
  CStatusWindow status;
  CSaveWindow save;
  CJobAbilityWindow jobAbility;
  CCampMenuWindow menu;
  CPlayTimeWindow playTime;
  CGillWindow gill;
  CCampPartyWindow partyWindow;
  CFormationWindow formation;
  CPlayerParty* party = nullptr;
  // The menu that gets the focus when arrangement ends; null counts as the
  // camp menu.
  CMenuWindow* returnMenu = nullptr;
  CCursor* cursor;
  CGame* game;

 private:
  // The steps of one frame while the camp is visible.
  void UpdateVisible(const CManipulator& keyboard);
};

#endif
