#include "CMenuWindow.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CCursor.h"
#include "CMark.h"
#include "ErrorMessage.h"
#include "window_fixture.h"

namespace {

// A menu of count entries, 15 pixels apart, at (40, 30) in the window.
void AddEntries(CMenuWindow* menu, int count) {
  for (int i = 0; i < count; ++i) {
    menu->AddItem(100 + i, 1, 40, 30 + 15 * i, ("entry " + std::to_string(i)).c_str(), 0, 0);
  }
}

class MenuControlTest : public ::testing::Test {
 protected:
  MenuControlTest() : menu(&cursor) {
    menu.x = 10;
    menu.y = 20;
    AddEntries(&menu, 3);
    menu.SetActive(1);
  }
  // One frame with the keys down.
  void Frame(std::initializer_list<int> held) {
    PressKeys(&keyboard, held);
    menu.Control(keyboard);
  }
  CCursor cursor;
  CMenuWindow menu;
  CManipulator keyboard;
};

TEST_F(MenuControlTest, MovesAlongTheEntriesWithOrWithoutWrap) {
  struct Case {
    int wrap, horizontal, start, key, expected;
  };
  const Case cases[] = {
      {0, 0, 0, KEY_DOWN, 1}, {0, 0, 2, KEY_DOWN, 2},  {1, 0, 2, KEY_DOWN, 0},
      {0, 0, 0, KEY_UP, 0},   {1, 0, 0, KEY_UP, 2},    {0, 0, 2, KEY_UP, 1},
      {0, 1, 0, KEY_RIGHT, 1}, {1, 1, 0, KEY_LEFT, 2}, {0, 1, 0, KEY_DOWN, 0},
      {0, 0, 0, KEY_RIGHT, 0},
  };
  for (const Case& c : cases) {
    menu.wrap = c.wrap;
    menu.horizontal = c.horizontal;
    menu.SetCursorIndex(c.start);
    Frame({});
    Frame({c.key});
    EXPECT_EQ(menu.index, c.expected)
        << "wrap " << c.wrap << ", horizontal " << c.horizontal << ", from " << c.start
        << ", key " << c.key;
  }
}

TEST_F(MenuControlTest, HeldKeyMovesOnTheFirstFrameThenEveryThirdFromThe31st) {
  menu.ClearItems();
  AddEntries(&menu, 40);
  menu.SetCursorIndex(0);
  std::vector<int> movedOn;
  for (int frame = 1; frame <= 40; ++frame) {
    const int before = menu.index;
    Frame({KEY_DOWN});
    if (menu.index != before) movedOn.push_back(frame);
  }
  EXPECT_EQ(movedOn, (std::vector<int>{1, 31, 34, 37, 40}));
}

TEST_F(MenuControlTest, ForwardKeyWinsWhenBothTrigger) {
  menu.SetCursorIndex(1);
  Frame({KEY_DOWN, KEY_UP});
  EXPECT_EQ(menu.index, 2);
  // Back only triggers on a frame where forward does not.
  Frame({KEY_DOWN, KEY_UP});
  EXPECT_EQ(menu.index, 2);
}

TEST_F(MenuControlTest, CursorStandsSixteenPixelsLeftOfTheEntryText) {
  EXPECT_EQ(menu.SetCursorIndex(2), 2);
  EXPECT_EQ(cursor.x, 10 + 40 - 16);
  EXPECT_EQ(cursor.y, 20 + 30 + 30);
  // Outside the entries nothing changes.
  for (int bad : {3, -1}) {
    EXPECT_EQ(menu.SetCursorIndex(bad), 2) << bad;
    EXPECT_EQ(cursor.x, 34);
    EXPECT_EQ(cursor.y, 80);
  }
}

TEST_F(MenuControlTest, EmptyOrInactiveMenuIgnoresTheKeys) {
  menu.SetCursorIndex(1);
  menu.SetActive(0);
  EXPECT_EQ(cursor.visible, 0) << "deactivating hides the shared cursor";
  Frame({KEY_DOWN});
  EXPECT_EQ(menu.index, 1);
  menu.SetActive(1);
  EXPECT_EQ(cursor.visible, 1);
  menu.ClearItems();
  EXPECT_EQ(menu.index, 1) << "clearing keeps the index";
  menu.wrap = 1;
  Frame({});
  Frame({KEY_DOWN});
  Frame({});
  Frame({KEY_UP});
  EXPECT_EQ(menu.index, 1);
  EXPECT_EQ(menu.SetCursorIndex(0), 1);
}

TEST_F(MenuControlTest, ControlRunsTheDelayedVisibility) {
  menu.pending = 1;
  menu.delay = 2;
  Frame({});
  Frame({});
  EXPECT_EQ(menu.visible, 0);
  Frame({});
  EXPECT_EQ(menu.visible, 1);
}

// A menu that records every move it is told to make.
class RecordingMenu : public CMenuWindow {
 public:
  explicit RecordingMenu(CCursor* cursor) : CMenuWindow(cursor) {}
  int SetCursorIndex(int i) override {
    asked.push_back(i);
    return CMenuWindow::SetCursorIndex(i);
  }
  std::vector<int> asked;
};

TEST_F(MenuControlTest, MovesGoThroughTheOverridableCursorIndex) {
  RecordingMenu recording(&cursor);
  AddEntries(&recording, 2);
  recording.wrap = 1;
  recording.SetActive(1);
  for (int key : {KEY_DOWN, KEY_DOWN, KEY_UP}) {
    PressKeys(&keyboard, {});
    PressKeys(&keyboard, {key});
    recording.Control(keyboard);
  }
  EXPECT_EQ(recording.asked, (std::vector<int>{1, 0, 1}));
}

TEST_F(MenuControlTest, SetItemTextEnablesAndResetsTheValues) {
  menu.AddItem(7, 0, 0, 0, "old", 5, 6);
  menu.SetItemText(3, "new", 9);
  const MenuEntry& entry = *menu.entries[3];
  EXPECT_EQ(entry.id, 7);
  EXPECT_EQ(entry.text, "new");
  EXPECT_EQ(entry.enabled, 1);
  EXPECT_EQ(entry.value1, 0);
  EXPECT_EQ(entry.value2, 9);
}

using MenuDrawTest = WindowTest;

TEST_F(MenuDrawTest, EntriesInWhiteOrGreyAndTheCursorOnlyWhileActive) {
  CCursor cursor;
  ASSERT_EQ(cursor.Load(), 1);
  CMenuWindow menu(&cursor);
  ASSERT_EQ(menu.CopyWindowSkin(), 1);
  menu.x = 20;
  menu.y = 100;
  menu.width = 200;
  menu.height = 64;
  menu.AddItem(0, 1, 30, 10, "Yes", 0, 0);
  menu.AddItem(1, 0, 30, 30, "No", 0, 0);
  menu.SetVisible(1);
  menu.SetCursorIndex(1);
  menu.Draw();
  const Rgb grey = {144, 144, 144};
  EXPECT_TRUE(AnyPixelIs(50, 110, 80, 126, kWhite)) << "enabled entry";
  EXPECT_FALSE(AnyPixelIs(50, 110, 80, 126, grey));
  EXPECT_TRUE(AnyPixelIs(50, 130, 80, 146, grey)) << "disabled entry";
  EXPECT_FALSE(AnyPixelIs(50, 130, 80, 146, kWhite));
  EXPECT_NE(ScreenPixel(34 + 4, 130 + 4), kCursorColour) << "inactive: no cursor";

  menu.SetActive(1);
  ClearDrawTarget(nullptr);
  menu.Draw();
  // The cursor at (20 + 30 - 16, 100 + 30), its transparent pixel showing
  // the window under it.
  EXPECT_EQ(ScreenPixel(34 + 1, 130), kCursorColour);
  EXPECT_EQ(ScreenPixel(34 + 7, 130 + 7), kCursorColour);
  EXPECT_NE(ScreenPixel(34, 130), kCursorColour);
  EXPECT_NE(ScreenPixel(34 + 8, 130), kCursorColour);

  menu.SetVisible(0);
  ClearDrawTarget(nullptr);
  menu.Draw();
  EXPECT_FALSE(AnyPixelIs(0, 0, 320, 240, kCursorColour)) << "a hidden menu draws nothing";
}

TEST_F(MenuDrawTest, MarksBlinkTwoFramesOnTwoOffWhileTheCursorShows) {
  CCursor cursor;
  ASSERT_EQ(cursor.Load(), 1);
  cursor.visible = 1;
  cursor.Update();
  cursor.AddMark(50, 60);
  cursor.AddMark(200, 10);
  EXPECT_EQ(cursor.blinkCounter, 0);
  std::vector<int> shown;
  for (int counter = 0; counter <= 11; ++counter) {
    ClearDrawTarget(nullptr);
    cursor.DrawMarks();
    const bool first = ScreenPixel(51, 61) == kCursorColour;
    EXPECT_EQ(ScreenPixel(201, 11) == kCursorColour, first) << counter;
    if (first) shown.push_back(counter);
    cursor.Update();
  }
  EXPECT_EQ(shown, (std::vector<int>{2, 3, 6, 7, 10, 11}));
  // Hidden, the cursor shows no marks; shown again, they come back.
  cursor.blinkCounter = 2;
  cursor.visible = 0;
  ClearDrawTarget(nullptr);
  cursor.DrawMarks();
  EXPECT_FALSE(AnyPixelIs(0, 0, 320, 240, kCursorColour));
  cursor.visible = 1;
  cursor.DrawMarks();
  EXPECT_EQ(ScreenPixel(51, 61), kCursorColour);
  cursor.ClearMarks();
  ClearDrawTarget(nullptr);
  cursor.DrawMarks();
  EXPECT_FALSE(AnyPixelIs(0, 0, 320, 240, kCursorColour));
}

TEST_F(MenuDrawTest, CursorAndMarkLoadFromTheSystemPictures) {
  CMark mark;
  ASSERT_EQ(mark.Load(), 1);
  mark.x = 100;
  mark.y = 100;
  mark.visible = 1;
  mark.Draw();
  EXPECT_EQ(ScreenPixel(103, 103), kMarkColour);
  mark.Release();
  EXPECT_EQ(mark.graph, 0);

  remove("fixture\\graphs\\system\\cursor.png");
  ErrorMessageCapture errors;
  CCursor cursor;
  EXPECT_EQ(cursor.Load(), 0);
  ASSERT_EQ(errors.Messages().size(), 1u);
  EXPECT_EQ(errors.Messages()[0], "画像読み込み失敗 [fixture\\graphs\\system\\cursor.png]");
}

}  // namespace
