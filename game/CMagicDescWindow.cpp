#include "CMagicDescWindow.h"

CMagicDescWindow::CMagicDescWindow() = default;

int CMagicDescWindow::Init(CCoWndManager* newOwner) {
  owner = newOwner;
  x = 70;
  y = 0;
  width = 250;
  height = 32;
  return CopyWindowSkin();
}
