#include "CGillWindow.h"

#include "CPlayerParty.h"

namespace {

constexpr int kDimAlpha = 128;

}  // namespace

CGillWindow::CGillWindow() = default;

int CGillWindow::Init(const CPlayerParty* newParty) {
  party = newParty;
  x = 240;
  y = 205;
  width = 80;
  height = 35;
  return CopyWindowSkin();
}

std::vector<WindowText> CGillWindow::Texts() const {
  return {{x + 18, y + 6, FormatWindowText("%9d", party != nullptr ? party->money : 0)},
          {x + 50, y + 18, "ギル"}};
}

void CGillWindow::Draw() {
  CFrameWindow::Draw();
  DrawWindowTexts(Texts());
  if (!lit) DrawDimBox(*this, kDimAlpha);
}
