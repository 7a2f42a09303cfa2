// The screen that opens a sub-screen (the camp opens the item, magic,
// equipment and status screens) and is shown again when the sub-screen
// closes. The sub-screens know only this, so they are built and tested
// without the camp.
#ifndef MOONLITCAIRN_CSUBSCREENOWNER_H
#define MOONLITCAIRN_CSUBSCREENOWNER_H

class CSubScreenOwner {
 public:
  virtual ~CSubScreenOwner() = default;
  // Shows the owner's windows again and gives the focus back to its menu,
  // without resetting its cursor.
  virtual void ShowAgain() = 0;
};

#endif
