// The camp's party window: four rows, one per member slot (a slot may be
// empty), with picture, name, job, level, HP and MP. It serves two uses: party
// arrangement (X marks a row, X on a second row swaps the two slots, X on the
// marked row again moves that member between the front and the back row) and,
// while the camp asks for one, choosing the member a screen is opened for.
#ifndef MOONLITCAIRN_CCAMPPARTYWINDOW_H
#define MOONLITCAIRN_CCAMPPARTYWINDOW_H

#include <stdint.h>

#include <vector>

#include "CMenuWindow.h"
#include "WindowDrawing.h"

class CCampWindow;
class CManipulator;
class CPlayerParty;

class CCampPartyWindow : public CMenuWindow {
 public:
  explicit CCampPartyWindow(CCursor* sharedCursor);

  // The window over the whole screen and its four rows; 1 when the window
  // skin was available.
  int Init(CPlayerParty* newParty, CCampWindow* newOwner);
  void Control(const CManipulator& keyboard) override;
  void Draw() override;

  // Reports the row to the owner while choosing; else swaps the marked row
  // with the current one, or turns the marked member to the other battle row.
  void Decide();
  // The texts of the member in the slot (none for an empty slot).
  std::vector<WindowText> RowTexts(int slot) const;
  // Where the member's picture stands and which frame it shows; false for an
  // empty slot.
  bool RowPicture(int slot, int* pictureX, int* pictureY, int* frame) const;

  int32_t chooseForScreen = 0;  // 1: the next X reports the row to the owner
  CCampWindow* owner = nullptr;
  CPlayerParty* party = nullptr;
  int32_t marked = 0;
  int32_t markedRow = 0;

 private:
  // Moves the cursor to the nearest row with a member, searching at most
  // one round of the four rows (upwards when UP triggered). False when no row
  // has a member.
  bool SkipEmptyRows(bool upwards);
  bool HasMember(int row) const;
};

#endif
