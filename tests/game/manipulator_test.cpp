#include "CManipulator.h"

#include <string.h>

#include <vector>

#include <gtest/gtest.h>

namespace {

// Holds the key down for the given number of frames and counts the frames
// in which it tests as triggered.
int TriggersWhileHeld(CManipulator& keys, int key, int frames) {
  char states[kKeyCount] = {};
  states[key] = 1;
  int triggers = 0;
  for (int i = 0; i < frames; ++i) {
    keys.Update(states);
    if (keys.IsTriggered(key)) ++triggers;
  }
  return triggers;
}

void ReleaseAll(CManipulator& keys) {
  const char none[kKeyCount] = {};
  keys.Update(none);
}

TEST(ManipulatorTest, HeldKeyTriggersFirstThenEveryThirdFrameFromTheThirtyFirst) {
  // Held 1, 30, 31, 34 frames: triggered once, once, twice, three times.
  const struct {
    int frames;
    int triggers;
  } cases[] = {{1, 1}, {2, 1}, {29, 1}, {30, 1}, {31, 2}, {33, 2}, {34, 3}, {37, 4}, {100, 25}};
  for (const auto& c : cases) {
    CManipulator keys;
    EXPECT_EQ(TriggersWhileHeld(keys, KEY_X, c.frames), c.triggers) << c.frames << " frames";
  }
}

TEST(ManipulatorTest, RepeatFramesAreThe31st34th37th) {
  CManipulator keys;
  char states[kKeyCount] = {};
  states[KEY_UP] = 1;
  std::vector<int> frames;
  for (int frame = 1; frame <= 40; ++frame) {
    keys.Update(states);
    EXPECT_EQ(keys.heldCounts[KEY_UP], static_cast<uint32_t>(frame));
    if (keys.IsTriggered(KEY_UP)) frames.push_back(frame);
  }
  EXPECT_EQ(frames, (std::vector<int>{1, 31, 34, 37, 40}));
}

TEST(ManipulatorTest, ReleaseResetsTheCountAndTheNextPressTriggersAtOnce) {
  CManipulator keys;
  EXPECT_EQ(TriggersWhileHeld(keys, KEY_Z, 5), 1);
  ReleaseAll(keys);
  EXPECT_EQ(keys.heldCounts[KEY_Z], 0u);
  EXPECT_FALSE(keys.IsHeld(KEY_Z));
  EXPECT_FALSE(keys.IsTriggered(KEY_Z));
  char states[kKeyCount] = {};
  states[KEY_Z] = 1;
  keys.Update(states);
  EXPECT_TRUE(keys.IsTriggered(KEY_Z));
  EXPECT_TRUE(keys.IsHeld(KEY_Z));
}

TEST(ManipulatorTest, KeysCountApartAndTriggerInTheSameFrame) {
  CManipulator keys;
  char states[kKeyCount] = {};
  states[KEY_Q] = 1;
  keys.Update(states);
  states[KEY_W] = 1;
  keys.Update(states);
  EXPECT_EQ(keys.heldCounts[KEY_Q], 2u);
  EXPECT_EQ(keys.heldCounts[KEY_W], 1u);
  EXPECT_TRUE(keys.IsHeld(KEY_Q) && keys.IsHeld(KEY_W));
  states[KEY_S] = states[KEY_A] = 1;
  ReleaseAll(keys);
  keys.Update(states);
  EXPECT_TRUE(keys.IsTriggered(KEY_S) && keys.IsTriggered(KEY_A) && keys.IsTriggered(KEY_Q));
}

TEST(ManipulatorTest, KeysAreTheKeyboardScanCodes) {
  const struct {
    int key;
    int scanCode;
  } keys[] = {{KEY_X, 0x2D},  {KEY_Z, 0x2C},    {KEY_S, 0x1F},     {KEY_A, 0x1E},
              {KEY_Q, 0x10},  {KEY_W, 0x11},    {KEY_UP, 0xC8},    {KEY_DOWN, 0xD0},
              {KEY_LEFT, 0xCB}, {KEY_RIGHT, 0xCD}};
  for (const auto& k : keys) EXPECT_EQ(k.key, k.scanCode);
}

TEST(ManipulatorTest, CodesOutsideTheTableAreNeitherHeldNorTriggered) {
  CManipulator keys;
  char states[kKeyCount];
  memset(states, 1, sizeof states);
  keys.Update(states);
  EXPECT_FALSE(keys.IsHeld(-1));
  EXPECT_FALSE(keys.IsTriggered(256));
  EXPECT_TRUE(keys.IsTriggered(255));
}

}  // namespace
