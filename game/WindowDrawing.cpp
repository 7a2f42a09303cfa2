#include "WindowDrawing.h"

#include <stdarg.h>
#include <stdio.h>

#include "CDrawable.h"
#include "CFrameWindow.h"
#include "CPlayerBattle.h"
#include "CPlayerChar.h"
#include "GameColors.h"
#include "Ombrel.h"

std::string FormatWindowText(const char* format, ...) {
  char text[kWindowTextBytes];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

void DrawWindowTexts(const std::vector<WindowText>& texts) {
  for (const WindowText& t : texts) DrawStringDefaultFont(t.x, t.y, t.text.c_str(), COLOR_WHITE, 0);
}

void DrawDimBox(const CFrameWindow& window, int alpha) {
  SetBlendModeAndParam(1, alpha);
  PaintBox(window.x, window.y, window.x + window.width, window.y + window.height,
           ComposeColorCode(0, 0, 0), 1);
  SetBlendModeAndParam(0, 255);
}

void DrawMemberFrame(const CPlayerChar& member, int frame, int x, int y) {
  if (frame < 0 || frame >= kBattleSpriteFrames) return;
  PutGraphWithShake(x, y, member.battle.frames[frame], 1);
}

const char* MemberNameOrQuestion(const CPlayerChar& member) {
  return member.name[0] != '\0' ? member.name : "?";
}
