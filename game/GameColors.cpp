#include "GameColors.h"

const ColorCode COLOR_WHITE = ComposeColorCode(255, 255, 255);
const ColorCode COLOR_GRAY = ComposeColorCode(144, 144, 144);
const ColorCode COLOR_GOLD = ComposeColorCode(255, 201, 10);
const ColorCode COLOR_DARK_TEAL = ComposeColorCode(kSheetKeyRed, kSheetKeyGreen, kSheetKeyBlue);

const ColorCode COLOR_GAUGE_YELLOW = ComposeColorCode(255, 255, 96);
const ColorCode COLOR_GAUGE_GRAY = ComposeColorCode(210, 210, 210);
const ColorCode COLOR_GAUGE_WHITE = ComposeColorCode(255, 255, 255);
