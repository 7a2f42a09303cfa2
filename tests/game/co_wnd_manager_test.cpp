#include "CCoWndManager.h"

#include <vector>

#include <gtest/gtest.h>

#include "CCursor.h"
#include "CManipulator.h"
#include "CMenuWindow.h"
#include "window_fixture.h"

namespace {

class TestScreen;

// A screen's menu: reports Z and X to its owner, as the screens' menus do.
class ReportingMenu : public CMenuWindow {
 public:
  ReportingMenu(CCursor* cursor, CCoWndManager* owner) : CMenuWindow(cursor), m_owner(owner) {}
  void Control(const CManipulator& keyboard) override {
    if (!active) return;
    CMenuWindow::Control(keyboard);
    if (keyboard.IsTriggered(KEY_Z)) {
      m_owner->OnCancel(this);
    } else if (keyboard.IsTriggered(KEY_X)) {
      m_owner->OnSelect(this, index);
    }
  }

 private:
  CCoWndManager* m_owner;
};

struct Report {
  CFrameWindow* window;
  int index;  // -1 for a cancel
  bool operator==(const Report&) const = default;
};

// Two menus and an information window; X on the first menu focuses the
// second, Z on the second goes back.
class TestScreen : public CCoWndManager {
 public:
  explicit TestScreen(CCursor* cursor) : first(cursor, this), second(cursor, this) {
    first.x = 0;
    first.y = 0;
    second.x = 100;
    second.y = 50;
    for (ReportingMenu* menu : {&first, &second}) {
      for (int i = 0; i < 3; ++i) menu->AddItem(i, 1, 20, 10 + 15 * i, "entry", 0, 0);
    }
    windows.push_back(&first);
    windows.push_back(&info);
    windows.push_back(&second);
  }
  int Load() override { return 0; }
  void Release() override {}
  void OnSelect(CFrameWindow* window, int index) override {
    reports.push_back({window, index});
    if (window == &first) SetFocus(&second);
  }
  void OnCancel(CFrameWindow* window) override {
    reports.push_back({window, -1});
    if (window == &second) SetFocus(&first);
  }

  ReportingMenu first;
  CFrameWindow info;
  ReportingMenu second;
  std::vector<Report> reports;
};

class CoWndManagerTest : public ::testing::Test {
 protected:
  CoWndManagerTest() : screen(&cursor) {}
  void Frame(std::initializer_list<int> held) {
    PressKeys(&keyboard, held);
    screen.Control(keyboard);
  }
  CCursor cursor;
  TestScreen screen;
  CManipulator keyboard;
};

TEST_F(CoWndManagerTest, FocusMovesAtTheEndOfTheFrameSoTheNewMenuIgnoresTheSameKey) {
  EXPECT_EQ(screen.visible, 1);
  screen.second.SetCursorIndex(2);
  EXPECT_EQ(screen.SetFocus(&screen.first), 0);
  Frame({});
  ASSERT_EQ(screen.first.active, 1);
  Frame({KEY_DOWN});
  Frame({KEY_X});
  // The second menu comes after the first in the list, yet X did not reach it.
  EXPECT_EQ(screen.reports, (std::vector<Report>{{&screen.first, 1}}));
  EXPECT_EQ(screen.first.active, 0);
  EXPECT_EQ(screen.second.active, 1);
  EXPECT_EQ(cursor.visible, 1);
  EXPECT_EQ(cursor.x, 100 + 20 - 16) << "beside the second menu's current entry";
  EXPECT_EQ(cursor.y, 50 + 40);
  EXPECT_EQ(screen.pendingFocus, nullptr);
  // From the next frame the second menu takes the keys, the first none.
  Frame({KEY_UP});
  EXPECT_EQ(screen.second.index, 1);
  EXPECT_EQ(screen.first.index, 1);
  Frame({KEY_Z});
  EXPECT_EQ(screen.reports.back(), (Report{&screen.second, -1}));
  EXPECT_EQ(screen.first.active, 1);
  EXPECT_EQ(cursor.x, 0 + 20 - 16);
  EXPECT_EQ(cursor.y, 0 + 25);
}

TEST_F(CoWndManagerTest, SetFocusPlacesTheCursorAtOnceButActivatesLater) {
  screen.SetFocus(&screen.first);
  Frame({});
  screen.second.SetCursorIndex(1);
  screen.first.SetCursorIndex(0);
  EXPECT_EQ(screen.SetFocus(&screen.second), 1);
  EXPECT_EQ(cursor.x, 104);
  EXPECT_EQ(cursor.y, 75);
  EXPECT_EQ(screen.first.active, 1) << "the old menu stays active until the frame ends";
  EXPECT_EQ(screen.second.active, 0);
  // Focus on the menu that is already active keeps it active.
  Frame({});
  screen.SetFocus(&screen.second);
  Frame({});
  EXPECT_EQ(screen.second.active, 1);
  EXPECT_EQ(cursor.visible, 1);
}

TEST_F(CoWndManagerTest, FocusOutsideTheListDeactivatesEveryListedMenu) {
  ReportingMenu outside(&cursor, &screen);
  outside.AddItem(0, 1, 8, 8, "x", 0, 0);
  screen.SetFocus(&screen.first);
  Frame({});
  screen.SetFocus(&outside);
  Frame({});
  EXPECT_EQ(outside.active, 1);
  EXPECT_EQ(screen.first.active, 0);
  EXPECT_EQ(screen.second.active, 0);
  EXPECT_EQ(cursor.visible, 1);
}

TEST_F(CoWndManagerTest, WindowsThatAreNotMenusRunTheirDelayedVisibility) {
  screen.info.pending = 1;
  screen.info.delay = 1;
  Frame({});
  EXPECT_EQ(screen.info.visible, 0);
  Frame({});
  EXPECT_EQ(screen.info.visible, 1);
}

TEST_F(CoWndManagerTest, ScreenWithoutWindowsDoesNothing) {
  TestScreen empty(&cursor);
  empty.windows.clear();
  PressKeys(&keyboard, {KEY_X});
  empty.Control(keyboard);
  empty.Draw();
  EXPECT_TRUE(empty.reports.empty());
}

using CoWndManagerDrawTest = WindowTest;

TEST_F(CoWndManagerDrawTest, WindowsDrawInListOrder) {
  CCursor cursor;
  TestScreen screen(&cursor);
  for (CFrameWindow* window : screen.windows) {
    ASSERT_EQ(window->CopyWindowSkin(), 1);
    window->width = 64;
    window->height = 48;
    window->SetVisible(1);
  }
  screen.info.x = 32;
  screen.info.y = 0;
  screen.info.stretch = 1;
  screen.Draw();
  // The information window lies over the first menu where they overlap:
  // its corner chip, and the whole gradient shrunk into it (row 21 of 48
  // samples row 105 of 240).
  EXPECT_EQ(ScreenPixel(40, 4), SkinChipPixel(CHIP_TOP_LEFT, 8, 4));
  EXPECT_EQ(ScreenPixel(60, 21), BandColour(105));
  EXPECT_EQ(ScreenPixel(20, 20), BandColour(20));
}

}  // namespace
