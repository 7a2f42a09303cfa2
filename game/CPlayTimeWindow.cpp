#include "CPlayTimeWindow.h"

#include "CGame.h"

namespace {

constexpr int kDimAlpha = 128;

}  // namespace

CPlayTimeWindow::CPlayTimeWindow() = default;

int CPlayTimeWindow::Init(const CGame* newGame) {
  game = newGame;
  x = 245;
  y = 170;
  width = 75;
  height = 35;
  return CopyWindowSkin();
}

std::string FormatPlayTime(int64_t seconds) {
  const uint32_t s = static_cast<uint32_t>(seconds);
  return FormatWindowText("%02d : %02d", static_cast<int>(s / 3600), static_cast<int>(s / 60 % 60));
}

std::vector<WindowText> CPlayTimeWindow::Texts() const {
  return {{x + 7, y + 7, "TIME"}, {x + 30, y + 17, FormatPlayTime(game != nullptr ? game->playTime : 0)}};
}

void CPlayTimeWindow::Draw() {
  CFrameWindow::Draw();
  DrawWindowTexts(Texts());
  if (!lit) DrawDimBox(*this, kDimAlpha);
}
