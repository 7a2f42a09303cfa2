#include "graphics/screen_images.h"

#include <initializer_list>

#include "graphics/draw_target.h"
#include "graphics/screen_settings.h"
#include "system/system_state.h"

namespace {

SOFTIMG primaryScreen = {};
SOFTIMG workScreen = {};
SOFTIMG alphaWorkScreen = {};

}  // namespace

SOFTIMG* GetPrimaryScreenSoftImg() { return &primaryScreen; }

SOFTIMG* GetWorkScreenSoftImg() { return &workScreen; }

SOFTIMG* GetAlphaWorkScreenSoftImg() { return &alphaWorkScreen; }

uint32_t BackgroundColorValue(const SOFTIMG* image) {
  const SystemSettings& settings = GetSystemState().settings;
  if (!IsSoftImgValid(image)) return 0;
  return PackColorCode(image->body->format, settings.backgroundRed, settings.backgroundGreen,
                       settings.backgroundBlue, 0);
}

int CreatePrimaryScreenImage() {
  const ScreenSettings& screen = GetScreenSettings();
  const int colorType = screen.colorBits == 16 ? kSoftImgColor16 : kSoftImgColor32;
  if (CreateScreenSoftImg(&primaryScreen, screen.width, screen.height, colorType) != 0) {
    ExitWithError("プライマリサーフェス用の SOFTIMG の作成に失敗しました\n");
  }
  ReleaseSoftImg(&workScreen);
  ReleaseSoftImg(&alphaWorkScreen);
  workScreen = SOFTIMG{};
  alphaWorkScreen = SOFTIMG{};
  CreateSoftImg(&workScreen, screen.width, screen.height, -1, 0, colorType, 0, 0, 0, nullptr);
  CreateSoftImg(&alphaWorkScreen, screen.width, screen.height, -1, 0, colorType, 0, 1, 0,
                nullptr);
  FillSoftImgRaw(&primaryScreen, nullptr, BackgroundColorValue(&primaryScreen));
  SetCurrentDrawSoftImg(&primaryScreen);
  return 0;
}

void ReleaseScreenImages() {
  for (SOFTIMG* image : {&primaryScreen, &workScreen, &alphaWorkScreen}) {
    ReleaseSoftImg(image);
  }
  SetCurrentDrawSoftImg(nullptr);
}
