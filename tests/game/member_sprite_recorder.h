// A member sprite that records what the rules asked it to show.
#ifndef MOONLITCAIRN_TESTS_GAME_MEMBER_SPRITE_RECORDER_H
#define MOONLITCAIRN_TESTS_GAME_MEMBER_SPRITE_RECORDER_H

#include <string>
#include <vector>

#include "CMemberSprite.h"

class MemberSpriteRecorder : public CMemberSprite {
 public:
  bool inBattle = true;
  std::vector<std::string> calls;
  int x = -1, y = -1;
  int escapeAttempt = -1;

  bool IsInBattle() const override { return inBattle; }
  void ShowNumber(int value, ColorCode colour) override {
    calls.push_back("number " + std::to_string(value) +
                    (colour == ComposeColorCode(255, 255, 255) ? " white" : " green"));
  }
  void StartPose(PlayerPose pose, int frames, int offsetX, int offsetY) override {
    calls.push_back("pose " + std::to_string(pose) + " " + std::to_string(frames) + " " +
                    std::to_string(offsetX) + " " + std::to_string(offsetY));
  }
  void ShowFrame(int frame) override { calls.push_back("frame " + std::to_string(frame)); }
  void SetPosition(int newX, int newY) override {
    x = newX;
    y = newY;
  }
  void SetEscapeAttempt(int flag) override { escapeAttempt = flag; }
};

#endif
