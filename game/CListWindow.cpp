#include "CListWindow.h"

#include "CCursor.h"
#include "Ombrel.h"

namespace {

// The arrows stand this far in from the window's right edge and from its
// top and bottom.
constexpr int kArrowInsetX = 12;
constexpr int kArrowInsetY = 30;

}  // namespace

CListWindow::CListWindow() = default;

CListWindow::CListWindow(CCursor* sharedCursor) : CMenuWindow(sharedCursor) {}

CListWindow::~CListWindow() {
  if (upArrow != 0) RemoveGraph(upArrow, 0);
  if (downArrow != 0) RemoveGraph(downArrow, 0);
}

int CListWindow::Init(int windowY, int windowWidth, int windowHeight) {
  x = 0;
  y = windowY;
  width = windowWidth;
  height = windowHeight;
  const int skinned = CopyWindowSkin();
  for (int32_t* arrow : {&upArrow, &downArrow}) {
    if (*arrow != 0) RemoveGraph(*arrow, 0);
    *arrow = 0;
  }
  if (!LoadSystemGraph("list_arrow_up.png", &upArrow)) return 0;
  if (!LoadSystemGraph("list_arrow_down.png", &downArrow)) return 0;
  return skinned;
}

void CListWindow::DrawListFrame() {
  CFrameWindow::Draw();
  if (rowsPerPage >= totalRows) return;
  if (firstRow > 0) PutGraphWithShake(x + width - kArrowInsetX, y + kArrowInsetY, upArrow, 1);
  if (firstRow + rowsPerPage < totalRows) {
    PutGraphWithShake(x + width - kArrowInsetX, y + height - kArrowInsetY, downArrow, 1);
  }
}
