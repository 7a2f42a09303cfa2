// The 16 x 24 character sprite of the field, shared by map objects and party
// members: sixteen frames cut from a character sheet, four steps for each of
// the four directions, drawn at the screen position plus the part of a step
// still to be walked.
#ifndef MOONLITCAIRN_CCHARACTEROBJECT_H
#define MOONLITCAIRN_CCHARACTEROBJECT_H

#include <stdint.h>

#include "CDrawable.h"

constexpr int kCharacterWidth = 16;
constexpr int kCharacterHeight = 24;
constexpr int kCharacterFrames = 16;

enum Direction : int32_t {
  DIR_DOWN = 0,
  DIR_LEFT = 1,
  DIR_UP = 2,
  DIR_RIGHT = 3,
};

class CCharacterObject : public CDrawable {
 public:
  CCharacterObject();
  ~CCharacterObject() override;
  CCharacterObject(const CCharacterObject&) = delete;
  CCharacterObject& operator=(const CCharacterObject&) = delete;

  // Stores both ids, faces down on step frame 1 and cuts the frames of the
  // picture (1 to 24) from the character sheets. Picture 0 hides the
  // character; any other id outside 1 to 24 leaves it without frames, so it
  // draws nothing. Returns 1.
  int SetCharacter(int eventId, int pictureId);
  // Frame 4 x direction + step frame, transparent colour skipped.
  void Draw() override;
  // Removes the frames.
  void Release() override;

  int32_t eventId = 0;
  int32_t pictureId = 0;  // 0: no picture
  int32_t cellX = 0;
  int32_t cellY = 0;
  int32_t direction = DIR_DOWN;
  int32_t stepFrame = 0;  // 0 to 3
  int32_t frames[kCharacterFrames];
};

#endif
