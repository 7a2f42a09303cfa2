// Drawing shared by the camp and its screens: texts laid out as a table of
// positions (so a window's texts can be read back without the screen), the
// dim box over a window that does not have the input, and a member's picture.
#ifndef MOONLITCAIRN_WINDOWDRAWING_H
#define MOONLITCAIRN_WINDOWDRAWING_H

#include <stdint.h>

#include <string>
#include <vector>

class CFrameWindow;
class CPlayerChar;

// The windows format their texts into buffers of this size.
constexpr int kWindowTextBytes = 64;

struct WindowText {
  int32_t x;  // screen position
  int32_t y;
  std::string text;
  bool operator==(const WindowText&) const = default;
};

// printf into a 64-byte buffer; a longer text is cut there.
std::string FormatWindowText(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Each text in white, in order.
void DrawWindowTexts(const std::vector<WindowText>& texts);
// A black box over the window's rectangle at the blend alpha; the blend mode
// is left off afterwards.
void DrawDimBox(const CFrameWindow& window, int alpha);
// One frame of the member's battle picture, with transparency.
void DrawMemberFrame(const CPlayerChar& member, int frame, int x, int y);
// The member's name, or "?" for an empty one.
const char* MemberNameOrQuestion(const CPlayerChar& member);

#endif
