#include "CMsgWindow.h"

#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CChoiceMsgWindow.h"
#include "CCursor.h"
#include "CGame.h"
#include "CYesNoMsgWindow.h"
#include "MessageText.h"
#include "window_fixture.h"

namespace {

// Code page 932 bytes: "あ" and a character whose trail byte is a backslash.
const std::string kA = "\x82\xA0";
const std::string kBackslashTrail = "\x95\x5C";

std::string Repeat(const std::string& s, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += s;
  return out;
}

// True when the text ends with a lead byte whose trail byte is missing.
bool EndsInsideACharacter(const char* text) {
  size_t i = 0;
  const size_t length = strlen(text);
  while (i < length) i += IsTextLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
  return i != length;
}

// The longest beginning of the text made of whole characters whose drawn
// width plus the two 10-pixel margins is at most the window's width; the
// first character at least.
std::string ExpectedFit(const std::string& text, int windowWidth) {
  std::vector<size_t> ends;
  for (size_t i = 0; i < text.size();) {
    i += IsTextLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    ends.push_back(i);
  }
  std::string best = text.substr(0, ends.front());
  for (size_t end : ends) {
    const std::string part = text.substr(0, end);
    if (MeasureStringWidth(part.c_str(), -1, 0) + 20 <= windowWidth) best = part;
  }
  return best;
}

using MessageTextTest = WindowTest;

TEST_F(MessageTextTest, ConvertNewlineTurnsThePairIntoABreakByCharacters) {
  struct Case {
    const char* what;
    std::string text, expected;
  };
  const Case cases[] = {
      {"pair between words", "one\\ntwo", "one\ntwo"},
      {"pair at both ends", "\\nx\\n", "\nx\n"},
      {"lone backslash", "a\\b", "a\\b"},
      {"break byte kept", "a\nb", "a\nb"},
      {"trail byte before n", kBackslashTrail + "n", kBackslashTrail + "n"},
      {"trail byte, then a pair", kBackslashTrail + "\\n" + kA, kBackslashTrail + "\n" + kA},
      {"lead byte cut by the end", "ab\x82", "ab"},
  };
  for (const Case& c : cases) {
    char out[kMessageWorkBytes];
    memset(out, 'x', sizeof out);
    ConvertNewline(out, c.text.c_str());
    EXPECT_EQ(std::string(out), c.expected) << c.what;
  }
}

TEST_F(MessageTextTest, ConvertNewlineKeepsTheWorkTextWithinItsBufferAtACharacter) {
  char out[kMessageWorkBytes + 8];
  memset(out, 'x', sizeof out);
  ConvertNewline(out, std::string(1500, 'a').c_str());
  EXPECT_EQ(strlen(out), 1023u);
  EXPECT_EQ(out[kMessageWorkBytes], 'x') << "nothing past the buffer";
  // 2 + 2 x 511 = 1024 bytes would leave no room for the terminator: the
  // last whole character that fits ends at 1022.
  ConvertNewline(out, ("ab" + Repeat(kA, 600)).c_str());
  EXPECT_EQ(strlen(out), 1022u);
  EXPECT_FALSE(EndsInsideACharacter(out));
}

TEST_F(MessageTextTest, FitCutsALineToTheWindowBetweenCharacters) {
  const std::vector<std::string> lines = {
      std::string(60, 'W'),
      Repeat(kA, 30),
      "a" + Repeat(kA, 30),  // a byte-wise cut would split a character
      "short",
  };
  for (const std::string& text : lines) {
    char line[kMessageLineBytes];
    EXPECT_EQ(FitTextWidth(text.c_str(), line, 280), 0);
    EXPECT_EQ(std::string(line), ExpectedFit(text, 280)) << text;
    EXPECT_LE(MeasureStringWidth(line, -1, 0) + 20, 280) << text;
    EXPECT_FALSE(EndsInsideACharacter(line)) << text;
  }
  // A 300-pixel line is cut to at most 260 pixels.
  std::string wide;
  while (MeasureStringWidth(wide.c_str(), -1, 0) < 300) wide += kA;
  char line[kMessageLineBytes];
  FitTextWidth(wide.c_str(), line, 280);
  EXPECT_LE(MeasureStringWidth(line, -1, 0), 260);
  EXPECT_GT(MeasureStringWidth((std::string(line) + kA).c_str(), -1, 0), 260);
  // The first character stays even when it alone is too wide.
  FitTextWidth(("W" + kA).c_str(), line, 10);
  EXPECT_EQ(std::string(line), "W");
  FitTextWidth((kA + "W").c_str(), line, 10);
  EXPECT_EQ(std::string(line), kA);
}

TEST_F(MessageTextTest, LinePartsAreBoundedAtACharacter) {
  // A wide window fits everything, so only the bound cuts.
  char line[kMessageLineBytes + 8];
  memset(line, 'x', sizeof line);
  FitTextWidth(std::string(700, 'a').c_str(), line, 1 << 20);
  EXPECT_EQ(strlen(line), 479u);
  FitTextWidth(Repeat(kA, 300).c_str(), line, 1 << 20);
  EXPECT_EQ(strlen(line), 478u) << "479 bytes would cut a character";
  MessageLines lines;
  memset(lines, 'x', sizeof lines);
  // 500 + 1 + 600 bytes: the work text ends at 1023 bytes, within the second part.
  const std::string text = std::string(500, 'b') + "\\n" + Repeat(kA, 300);
  EXPECT_EQ(SplitTextIntoLines(text.c_str(), 1 << 20, lines, 0), 2);
  EXPECT_EQ(strlen(lines[0]), 479u);
  EXPECT_EQ(strlen(lines[1]), 478u);
  EXPECT_EQ(lines[2][0], '\0');
  EXPECT_EQ(SplitTextIntoLines((std::string(700, 'b') + "\\n" + Repeat(kA, 300)).c_str(), 1 << 20,
                               lines, 0),
            2);
  EXPECT_EQ(strlen(lines[1]), 322u) << "the rest of the 1023-byte work text";
}

TEST_F(MessageTextTest, SplittingFillsAtMostFourLines) {
  CMsgWindow window;
  window.width = 280;
  window.SetMessage("one\\ntwo\\nthree\\nfour");
  EXPECT_EQ(window.nextLine, 4);
  EXPECT_STREQ(window.lines[0], "one");
  EXPECT_STREQ(window.lines[3], "four");
  // A fifth line has nowhere to go.
  window.SetMessage("1\\n2\\n3\\n4\\n5\\n6");
  EXPECT_EQ(window.nextLine, 4);
  EXPECT_STREQ(window.lines[3], "4");
  window.AddMessage("more");
  EXPECT_EQ(window.nextLine, 4);
  EXPECT_STREQ(window.lines[3], "4");
  // Appending continues after the lines already shown.
  window.SetMessage("first\nsecond");
  EXPECT_EQ(window.nextLine, 2);
  EXPECT_STREQ(window.lines[2], "") << "a new text clears the old lines";
  window.AddMessage("third\\nfourth");
  EXPECT_EQ(window.nextLine, 4);
  EXPECT_STREQ(window.lines[0], "first");
  EXPECT_STREQ(window.lines[1], "second");
  EXPECT_STREQ(window.lines[2], "third");
  EXPECT_STREQ(window.lines[3], "fourth");
  // A null text changes nothing, not even the key flag.
  window.keyFlag = 1;
  window.SetMessage(nullptr);
  window.AddMessage(nullptr);
  EXPECT_EQ(window.keyFlag, 1);
  EXPECT_STREQ(window.lines[0], "first");
  window.SetMessage("x");
  EXPECT_EQ(window.keyFlag, 0);
}

TEST_F(MessageTextTest, KeyFlagIsSetByXOrZOnAVisibleWindow) {
  CMsgWindow window;
  CManipulator keyboard;
  for (int key : {KEY_X, KEY_Z, KEY_S}) {
    for (int shown : {0, 1}) {
      window.SetVisible(shown);
      window.keyFlag = 0;
      PressKeys(&keyboard, {});
      PressKeys(&keyboard, {key});
      window.Control(keyboard);
      EXPECT_EQ(window.keyFlag, shown && key != KEY_S ? 1 : 0) << key << " shown " << shown;
    }
  }
}

// The rows of line i of a window's text: from y + 8 + 15 i, 15 rows.
bool LineDrawn(const CFrameWindow& window, int i) {
  return AnyPixelIs(window.x + 10, window.y + 8 + 15 * i, window.x + window.width - 10,
                    window.y + 8 + 15 * i + 15, kWhite);
}

TEST_F(MessageTextTest, MessageWindowDrawsItsFourLines) {
  CMsgWindow window;
  ASSERT_EQ(window.CopyWindowSkin(), 1);
  window.x = 20;
  window.y = 5;
  window.width = 280;
  window.height = 72;
  window.SetMessage("Line one\\nLine two\\n\\nLine four");
  window.SetVisible(1);
  window.Draw();
  EXPECT_TRUE(LineDrawn(window, 0));
  EXPECT_TRUE(LineDrawn(window, 1));
  EXPECT_FALSE(LineDrawn(window, 2)) << "an empty line";
  EXPECT_TRUE(LineDrawn(window, 3));
  EXPECT_FALSE(AnyPixelIs(20, 5, 30, 77, kWhite)) << "the text starts at x + 10";
  EXPECT_FALSE(AnyPixelIs(20, 5, 300, 13, kWhite)) << "the text starts at y + 8";
}

class QuestionTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_EQ(cursor.Load(), 1);
  }
  // One frame: a key pressed after a frame without keys.
  void Press(CYesNoMsgWindow* window, int key) {
    PressKeys(&keyboard, {});
    window->Control(keyboard);
    PressKeys(&keyboard, {key});
    window->Control(keyboard);
  }
  CCursor cursor;
  CManipulator keyboard;
};

TEST_F(QuestionTest, YesNoAnswersByPositionAndZAnswersNo) {
  struct Case {
    std::vector<int> keys;
    int answer;
  };
  const Case cases[] = {
      {{KEY_X}, 1}, {{KEY_DOWN, KEY_X}, 2}, {{KEY_Z}, 2}, {{KEY_DOWN, KEY_DOWN, KEY_UP, KEY_X}, 1},
  };
  for (const Case& c : cases) {
    CYesNoMsgWindow window(&cursor);
    ASSERT_EQ(window.Init(), 1);
    EXPECT_EQ(window.x, 20);
    EXPECT_EQ(window.y, 5);
    EXPECT_EQ(window.width, 280);
    EXPECT_EQ(window.height, 72);
    window.SetMessage("Go?");
    window.SetVisible(1);
    EXPECT_EQ(window.active, 1);
    EXPECT_EQ(cursor.visible, 1);
    EXPECT_EQ(cursor.x, 20 + 10 - 16);
    EXPECT_EQ(cursor.y, 5 + 40);
    for (size_t k = 0; k < c.keys.size(); ++k) {
      EXPECT_EQ(window.answer, 0);
      Press(&window, c.keys[k]);
    }
    EXPECT_EQ(window.answer, c.answer);
    EXPECT_EQ(window.visible, 0) << "closed at once";
    EXPECT_EQ(window.active, 0);
    EXPECT_EQ(cursor.visible, 0);
    // Closed, it takes no more keys.
    window.answer = 0;
    Press(&window, KEY_X);
    EXPECT_EQ(window.answer, 0);
  }
}

TEST_F(QuestionTest, ChoiceAnswersOneTwoOrThreeAndZAnswersTwo) {
  struct Case {
    const char* third;
    std::vector<int> keys;
    int answer;
  };
  const Case cases[] = {
      {"C", {KEY_X}, 1},
      {"C", {KEY_DOWN, KEY_DOWN, KEY_X}, 3},
      {"C", {KEY_DOWN, KEY_DOWN, KEY_DOWN, KEY_X}, 3},
      {"C", {KEY_Z}, 2},
      {"", {KEY_X}, 1},
      {nullptr, {KEY_DOWN, KEY_X}, 2},
      {"", {KEY_DOWN, KEY_Z}, 2},
  };
  for (const Case& c : cases) {
    CChoiceMsgWindow window(&cursor);
    window.x = 20;
    window.y = 5;
    window.SetChoiceMessage("Which?", "A", "B", c.third);
    const bool three = c.third != nullptr && c.third[0] != '\0';
    ASSERT_EQ(window.GetItemCount(), three ? 3 : 2);
    // Two choices leave the first row empty.
    EXPECT_EQ(window.entries[0]->y, three ? 25 : 40);
    EXPECT_EQ(window.entries.back()->y, 55);
    EXPECT_EQ(window.entries[0]->text, "A");
    window.SetVisible(1);
    EXPECT_EQ(cursor.y, 5 + window.entries[0]->y) << "the cursor starts on choice 1";
    for (int key : c.keys) Press(&window, key);
    EXPECT_EQ(window.answer, c.answer) << (three ? "three" : "two") << " choices";
    EXPECT_EQ(window.visible, 0);
  }
}

TEST_F(QuestionTest, YesNoShowsTwoQuestionLinesAndChoiceOne) {
  CYesNoMsgWindow yesNo(&cursor);
  ASSERT_EQ(yesNo.Init(), 1);
  yesNo.SetMessage("Line one\\nLine two\\nLine three");
  EXPECT_EQ(yesNo.nextLine, 3);
  EXPECT_STREQ(yesNo.lines[1], "Line two");
  EXPECT_STREQ(yesNo.lines[2], "") << "split but not shown";
  yesNo.SetVisible(1);
  yesNo.Draw();
  EXPECT_TRUE(LineDrawn(yesNo, 0));
  EXPECT_TRUE(LineDrawn(yesNo, 1));
  // Rows 2 and 3 hold the entries, from x + 10; the third question line
  // would run far past them.
  EXPECT_FALSE(AnyPixelIs(100, 5 + 38, 300, 5 + 72, kWhite));
  EXPECT_EQ(ScreenPixel(20 + 10 - 16 + 4, 5 + 40 + 4), kCursorColour);

  CChoiceMsgWindow choice(&cursor);
  choice.x = 20;
  choice.y = 5;
  choice.width = 280;
  choice.height = 72;
  choice.SetChoiceMessage("Question one\\nQuestion two", "A", "B", "");
  EXPECT_EQ(choice.nextLine, 2);
  choice.SetVisible(1);
  ClearDrawTarget(nullptr);
  choice.Draw();
  EXPECT_TRUE(LineDrawn(choice, 0));
  EXPECT_FALSE(LineDrawn(choice, 1)) << "the second question line is not drawn";
}

using ScriptWindowOverFieldTest = WindowTest;

TEST_F(ScriptWindowOverFieldTest, GameShowsItsMessageWindowTenFramesLater) {
  CGame& game = *CGame::GetInstance();
  game.SetMode();
  CMsgWindow& window = game.msgWindow;
  window.x = 20;
  window.y = 5;
  window.width = 280;
  window.height = 72;
  ASSERT_EQ(window.CopyWindowSkin(), 1);
  // What the field shows: stripes standing in for the map.
  auto field = []() {
    for (int x = 0; x < 320; x += 16) {
      PaintBox(x, 0, x + 16, 240, ComposeColorCode(40 + (x / 16) % 2 * 60, 120, 60), 1);
    }
  };
  window.SetMessage("月の光が石塚を照らしている。\\n"
                    "ここから先へは、鍵がなければ進めない。\\n"
                    "Ｘで閉じる");
  window.pending = 1;
  window.delay = 10;
  for (int frame = 1; frame <= 11; ++frame) {
    game.Update();
    ClearDrawTarget(nullptr);
    field();
    game.Draw();
    EXPECT_EQ(window.visible, frame == 11 ? 1 : 0) << frame;
  }
  WritePngFile(std::string(TEST_ARTIFACT_DIR) + "/game_message_window.png", 320, 240,
               ScreenPixel);
  EXPECT_EQ(ScreenPixel(20 + 100, 5 + 40), BandColour(45)) << "the gradient inside";
  EXPECT_EQ(ScreenPixel(20 + 100, 5 + 72), (Rgb{100, 120, 60})) << "the field below";
  EXPECT_TRUE(LineDrawn(window, 0));
  EXPECT_TRUE(LineDrawn(window, 1));
  EXPECT_TRUE(LineDrawn(window, 2));
  EXPECT_FALSE(LineDrawn(window, 3));
  window.SetVisible(0);
  game.modes.clear();
}

TEST_F(ScriptWindowOverFieldTest, GameSetUpPlacesTheScriptWindowsHiddenWithTheSkin) {
  ErrorMessageCapture errors;  // the game's tables and sheets are not written
  CGame game;
  game.Init();
  const CDataManager& data = CDataManager::GetInstance();
  ASSERT_EQ(data.windowSkinLoaded, 1);
  EXPECT_NE(game.cursor.graph, 0);
  EXPECT_EQ(game.cursor.visible, 0);
  const CFrameWindow* windows[] = {&game.msgWindow, &game.yesNoWindow, &game.choiceWindow};
  for (const CFrameWindow* window : windows) {
    EXPECT_EQ(window->x, 20);
    EXPECT_EQ(window->y, 5);
    EXPECT_EQ(window->width, 280);
    EXPECT_EQ(window->height, 72);
    EXPECT_EQ(window->stretch, 0);
    EXPECT_EQ(window->pending, 0);
    EXPECT_EQ(window->delay, 10);
    EXPECT_EQ(window->background, data.windowBackground);
    for (int i = 0; i < kWindowSkinChips; ++i) EXPECT_EQ(window->chips[i], data.windowSkinChips[i]);
  }
  ASSERT_EQ(game.yesNoWindow.GetItemCount(), 2);
  EXPECT_EQ(game.yesNoWindow.entries[0]->text, "はい");
  EXPECT_EQ(game.yesNoWindow.entries[1]->y, 55);
  EXPECT_EQ(game.yesNoWindow.horizontal, 0);
  EXPECT_EQ(game.choiceWindow.GetItemCount(), 0);
  game.Term();
  EXPECT_EQ(game.cursor.graph, 0);
  game.party.ClearMembers();
  game.party.ClearItems();
}

}  // namespace
