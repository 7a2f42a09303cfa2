#include "CAtbGauge.h"

#include "GameColors.h"
#include "Ombrel.h"

namespace {

constexpr int kBarLeft = 6;       // the bar starts this far right of the gauge
constexpr int kFullLineEnd = 62;  // a full gauge's line ends here
constexpr int kFull = 100;

}  // namespace

CAtbGauge::CAtbGauge() { visible = 1; }

CAtbGauge::~CAtbGauge() { Release(); }

void CAtbGauge::Draw() {
  const int left = x + kBarLeft;
  if (value < kFull) {
    const int end = left + static_cast<int>(value * 50.0 / 100.0);
    PaintLine(left, y + 4, end, y + 4, COLOR_GAUGE_GRAY, 3);
    PaintLine(left, y + 3, end, y + 3, COLOR_GAUGE_WHITE, 1);
  } else {
    PaintLine(left, y + 3, x + kFullLineEnd, y + 3, COLOR_GAUGE_YELLOW, 1);
  }
  PutGraph(x, y, picture, 1);
}

void CAtbGauge::Release() {
  if (picture != -1) RemoveGraph(picture, 0);
  picture = -1;
}
