#include "CFrameWindow.h"

#include <string.h>

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "CGame.h"
#include "CListWindow.h"
#include "CTagWindow.h"
#include "ErrorMessage.h"
#include "window_fixture.h"

namespace {

using FrameWindowTest = WindowTest;

CFrameWindow SkinnedWindow(int x, int y, int width, int height) {
  CFrameWindow window;
  EXPECT_EQ(window.CopyWindowSkin(), 1);
  window.x = x;
  window.y = y;
  window.width = width;
  window.height = height;
  window.SetVisible(1);
  return window;
}

TEST_F(FrameWindowTest, BorderChipsOfA280By72Window) {
  const int x = 20, y = 5;
  CFrameWindow window = SkinnedWindow(x, y, 280, 72);
  window.Draw();
  struct Case {
    const char* what;
    int chip, left, top;
  };
  // 17 edge chips across (the last at x + 256), 4 down (the last at y + 48);
  // the corners at x + 264 and y + 56 cover what the edges leave.
  const Case cases[] = {
      {"top-left corner", CHIP_TOP_LEFT, x, y},
      {"top-right corner", CHIP_TOP_RIGHT, x + 264, y},
      {"bottom-left corner", CHIP_BOTTOM_LEFT, x, y + 56},
      {"bottom-right corner", CHIP_BOTTOM_RIGHT, x + 264, y + 56},
      {"top edge 1", CHIP_TOP, x + 16, y},
      {"top edge 16", CHIP_TOP, x + 256, y},
      {"bottom edge 5", CHIP_BOTTOM, x + 80, y + 56},
      {"left edge 1", CHIP_LEFT, x, y + 16},
      {"left edge 3", CHIP_LEFT, x, y + 48},
      {"right edge 2", CHIP_RIGHT, x + 264, y + 32},
  };
  for (const Case& c : cases) {
    for (int py : {0, 5, 7}) {
      for (int px : {0, 3, 6}) {
        EXPECT_EQ(ScreenPixel(c.left + px, c.top + py), SkinChipPixel(c.chip, px, py))
            << c.what << " at " << px << ", " << py;
      }
    }
  }
  // Edge 16 is cut by the top-right corner after its first 8 columns.
  EXPECT_EQ(ScreenPixel(x + 263, y + 1), SkinChipPixel(CHIP_TOP, 7, 1));
  EXPECT_EQ(ScreenPixel(x + 264, y + 1), SkinChipPixel(CHIP_TOP_RIGHT, 0, 1));
  // Left edge 3 reaches y + 55, then the bottom-left corner.
  EXPECT_EQ(ScreenPixel(x + 1, y + 55), SkinChipPixel(CHIP_LEFT, 1, 7));
  EXPECT_EQ(ScreenPixel(x + 1, y + 56), SkinChipPixel(CHIP_BOTTOM_LEFT, 1, 0));
  // A transparent chip pixel shows the background band under it: band 1
  // (rows 4 to 11) at row 7.
  EXPECT_EQ(ScreenPixel(x + 16 + 7, y + 2), (Rgb{119, 119, 255}));
  EXPECT_EQ(ScreenPixel(x + 7, y + 2), (Rgb{119, 119, 255}));
  // Nothing outside the window.
  EXPECT_EQ(ScreenPixel(x - 1, y + 30), kBlack);
  EXPECT_EQ(ScreenPixel(x + 280, y + 30), kBlack);
  EXPECT_EQ(ScreenPixel(x + 100, y + 72), kBlack);
}

TEST_F(FrameWindowTest, BackgroundIsTheGradientUnderTheWindow) {
  // Two windows side by side share one gradient; their inside spans rows 112
  // to 127. A window in the corner shows the top band through its
  // transparent chip pixel.
  CFrameWindow upper = SkinnedWindow(20, 5, 280, 72);
  CFrameWindow left = SkinnedWindow(40, 96, 100, 48);
  CFrameWindow right = SkinnedWindow(140, 96, 100, 48);
  CFrameWindow corner = SkinnedWindow(0, 0, 16, 16);
  for (CFrameWindow* w : {&upper, &left, &right, &corner}) w->Draw();
  EXPECT_EQ(ScreenPixel(7, 2), (Rgb{128, 128, 255}));
  EXPECT_EQ(ScreenPixel(100, 112), (Rgb{8, 8, 255}));
  EXPECT_EQ(ScreenPixel(100, 115), (Rgb{8, 8, 255}));
  EXPECT_EQ(ScreenPixel(100, 120), (Rgb{0, 0, 247}));
  EXPECT_EQ(ScreenPixel(200, 116), (Rgb{0, 0, 247}));
  EXPECT_EQ(ScreenPixel(200, 123), (Rgb{0, 0, 247}));
  EXPECT_EQ(ScreenPixel(200, 124), (Rgb{0, 0, 239}));
  for (int y = 21; y < 61; y += 3) {
    EXPECT_EQ(ScreenPixel(60, y), BandColour(y)) << y;
    EXPECT_EQ(ScreenPixel(250, y), BandColour(y)) << y;
  }
  for (int y = 112; y < 128; ++y) {
    EXPECT_EQ(ScreenPixel(123, y), ScreenPixel(156, y)) << "continuous across windows, row " << y;
  }
}

TEST_F(FrameWindowTest, StretchedBackgroundShowsTheWholeGradient) {
  CFrameWindow window = SkinnedWindow(20, 5, 280, 72);
  window.stretch = 1;
  window.Draw();
  // Row 41 of 72 samples the gradient near row 137 of 240, inside band 17
  // (rows 132 to 139); row 19 near row 64, inside band 8 (rows 60 to 67).
  EXPECT_EQ(ScreenPixel(150, 5 + 41), BandColour(136));
  EXPECT_EQ(ScreenPixel(150, 5 + 19), BandColour(64));
}

TEST_F(FrameWindowTest, DelayedShowTakesEffectOnTheEleventhUpdate) {
  CFrameWindow window = SkinnedWindow(20, 5, 280, 72);
  window.SetVisible(0);
  window.pending = 1;
  window.delay = 10;
  EXPECT_TRUE(window.IsShown()) << "about to be shown";
  for (int update = 1; update <= 11; ++update) {
    window.Update();
    ClearDrawTarget(nullptr);
    window.Draw();
    const bool drawn = ScreenPixel(100, 30) != kBlack;
    EXPECT_EQ(window.visible, update == 11 ? 1 : 0) << update;
    EXPECT_EQ(drawn, update == 11) << update;
  }
  // Hidden the same way.
  window.pending = 0;
  window.delay = 10;
  for (int update = 1; update <= 10; ++update) window.Update();
  EXPECT_EQ(window.visible, 1);
  EXPECT_TRUE(window.IsShown());
  window.Update();
  EXPECT_EQ(window.visible, 0);
  EXPECT_FALSE(window.IsShown());
  ClearDrawTarget(nullptr);
  window.Draw();
  EXPECT_EQ(ScreenPixel(100, 30), kBlack);
}

TEST_F(FrameWindowTest, WindowWithoutSkinDrawsNoPictures) {
  remove("fixture\\graphs\\system\\wnd_frame_chip.png");
  ErrorMessageCapture errors;
  CFrameWindow window;
  EXPECT_EQ(window.CopyWindowSkin(), 0);
  EXPECT_EQ(window.background, 0);
  EXPECT_EQ(window.chips[0], 0);
  ASSERT_EQ(errors.Messages().size(), 1u);
  EXPECT_NE(errors.Messages()[0].find("wnd_frame_chip.png"), std::string::npos);
  window.SetVisible(1);
  window.Draw();
  EXPECT_FALSE(AnyPixelIs(0, 0, 320, 240, kWhite));
  EXPECT_EQ(ScreenPixel(5, 5), kBlack);
}

TEST_F(FrameWindowTest, TagTextIsDrawnWholeInWhiteInsideTheWindow) {
  CTagWindow tag;
  ASSERT_EQ(tag.CopyWindowSkin(), 1);
  tag.x = 30;
  tag.y = 40;
  tag.width = 200;
  tag.height = 28;
  const std::string long63(63, 'M');
  memcpy(tag.text, long63.c_str(), 64);
  tag.SetVisible(1);
  tag.Draw();
  const int textWidth = MeasureStringWidth(tag.text, -1, 0);
  ASSERT_GT(textWidth, 320 - 42) << "the text runs past the window and the screen";
  EXPECT_TRUE(AnyPixelIs(42, 48, 58, 64, kWhite));
  EXPECT_TRUE(AnyPixelIs(300, 48, 320, 64, kWhite)) << "not trimmed to the window";
  EXPECT_FALSE(AnyPixelIs(30, 40, 42, 68, kWhite)) << "nothing left of x + 12";
  EXPECT_FALSE(AnyPixelIs(42, 40, 230, 48, kWhite)) << "nothing above y + 8";
  // Hidden: nothing at all.
  ClearDrawTarget(nullptr);
  tag.SetVisible(0);
  tag.Draw();
  EXPECT_FALSE(AnyPixelIs(0, 0, 320, 240, kWhite));
}

TEST_F(FrameWindowTest, SidewaysShakeMovesTheFrameButNotTheText) {
  CTagWindow tag;
  ASSERT_EQ(tag.CopyWindowSkin(), 1);
  tag.x = 40;
  tag.y = 40;
  tag.width = 96;
  tag.height = 32;
  strcpy(tag.text, "Tag");
  tag.SetVisible(1);
  tag.Draw();
  std::vector<std::pair<int, int>> still;
  for (int y = 48; y < 64; ++y) {
    for (int x = 52; x < 100; ++x) {
      if (ScreenPixel(x, y) == kWhite) still.emplace_back(x, y);
    }
  }
  ASSERT_FALSE(still.empty());
  CEffect& effect = CGame::GetInstance()->effect;
  effect.type = EFFECT_SHAKE_H;
  effect.offset = 3;
  ClearDrawTarget(nullptr);
  tag.Draw();
  effect.type = EFFECT_NONE;
  effect.offset = 0;
  EXPECT_EQ(ScreenPixel(43, 41), SkinChipPixel(CHIP_TOP_LEFT, 0, 1)) << "the frame moved by 3";
  EXPECT_EQ(ScreenPixel(42, 41), kBlack);
  for (const auto& [x, y] : still) EXPECT_EQ(ScreenPixel(x, y), kWhite) << x << ", " << y;
}

TEST_F(FrameWindowTest, ListArrowsShowWhenRowsDoNotFit) {
  CListWindow list(nullptr);
  ASSERT_EQ(list.Init(73, 320, 167), 1);
  EXPECT_EQ(list.x, 0);
  EXPECT_EQ(list.y, 73);
  struct Case {
    int total, perPage, first, visible;
    bool up, down;
  };
  const Case cases[] = {
      {5, 8, 0, 1, false, false},  {20, 8, 0, 1, false, true}, {20, 8, 12, 1, true, false},
      {20, 8, 4, 1, true, true},   {20, 8, 4, 0, true, true},  {8, 8, 0, 1, false, false},
  };
  // The arrows at (x + width - 12, y + 30) and (x + width - 12, y + height - 30).
  const int arrowX = 320 - 12, upY = 73 + 30, downY = 73 + 167 - 30;
  for (const Case& c : cases) {
    list.totalRows = c.total;
    list.rowsPerPage = c.perPage;
    list.firstRow = c.first;
    list.visible = list.pending = c.visible;
    ClearDrawTarget(nullptr);
    list.DrawListFrame();
    const std::string name = std::to_string(c.total) + " rows, " + std::to_string(c.perPage) +
                             " a page, from " + std::to_string(c.first) +
                             (c.visible ? "" : ", hidden");
    EXPECT_EQ(ScreenPixel(arrowX, upY) == kUpArrowColour, c.up) << name;
    EXPECT_EQ(ScreenPixel(arrowX + 7, upY + 7) == kUpArrowColour, c.up) << name;
    EXPECT_EQ(ScreenPixel(arrowX, downY) == kDownArrowColour, c.down) << name;
    EXPECT_EQ(ScreenPixel(arrowX - 1, downY) == kDownArrowColour, false) << name;
    EXPECT_EQ(ScreenPixel(100, 150) != kBlack, c.visible == 1) << name << ": the background";
  }
}

TEST_F(FrameWindowTest, ListInitFailsOnAMissingArrowWithoutTryingTheOther) {
  remove("fixture\\graphs\\system\\list_arrow_up.png");
  ErrorMessageCapture errors;
  CListWindow list(nullptr);
  EXPECT_EQ(list.Init(10, 100, 50), 0);
  ASSERT_EQ(errors.Messages().size(), 1u);
  EXPECT_EQ(errors.Messages()[0], "画像読み込み失敗 [fixture\\graphs\\system\\list_arrow_up.png]");
  EXPECT_EQ(list.downArrow, 0);
}

}  // namespace
