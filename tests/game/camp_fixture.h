// Helpers of the camp screens' tests: a member of character 1 whose battle
// picture shows frames 0 and 12 in colours of their own, and a stand-in for
// the screen that opens a sub-screen.
#ifndef MOONLITCAIRN_TESTS_GAME_CAMP_FIXTURE_H
#define MOONLITCAIRN_TESTS_GAME_CAMP_FIXTURE_H

#include <direct.h>

#include "CSubScreenOwner.h"
#include "window_fixture.h"

constexpr Rgb kStandingColour = {200, 40, 160};  // frame 0 of the battle picture
constexpr Rgb kFallenColour = {40, 200, 160};    // frame 12
constexpr Rgb kOtherFrameColour = {90, 90, 90};

// The level table of character 1 (levels 1 and 2: 100 experience) and its
// battle picture.
inline void WriteMemberFiles() {
  _mkdir("fixture\\lvinfo");
  _mkdir("fixture\\char");
  WriteFileBytes("fixture\\lvinfo\\LvInfo001.csv",
                 "id\r\nlevel\r\n1,0,40,10,12,9,5,4,6,29\r\n2,100,55,14,13,10,6,5,7,30\r\n");
  WritePngFile("fixture\\char\\char_battle01.png", 24 * 18, 24, [](int x, int) {
    const int frame = x / 24;
    return frame == 0 ? kStandingColour : frame == 12 ? kFallenColour : kOtherFrameColour;
  });
}

// Counts how often a sub-screen shows it again.
class RecordingOwner : public CSubScreenOwner {
 public:
  void ShowAgain() override { ++shown; }
  int shown = 0;
};

#endif
