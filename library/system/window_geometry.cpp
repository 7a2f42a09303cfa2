#include "system/window_geometry.h"

namespace {

constexpr WindowStyles kWindowModeStyles[kWindowStyleCount] = {
    {0x80CA0000, 0x300}, {0x80080000, 0x300}, {0x80080000, 0x0},   {0x80CA0000, 0x80},
    {0x80080000, 0x80},  {0x80C80000, 0x100}, {0x80CA0000, 0x300}, {0x80CB0000, 0x300},
    {0x81CB0000, 0x300}, {0x80CA0000, 0x100}, {0x0, 0x0},
};

int Clamp(int value, int limit) { return value > limit ? limit : value; }

}  // namespace

WindowStyles GetWindowModeStyles(int styleNumber, int layered, int visible) {
  WindowStyles styles = styleNumber >= 0 && styleNumber < kWindowStyleCount
                            ? kWindowModeStyles[styleNumber]
                            : kWindowModeStyles[0];
  if (layered) styles.exStyle |= kWindowExStyleLayered;
  if (visible) styles.style |= kWindowStyleVisible;
  return styles;
}

int ScaleScreenLength(int length, double scale) { return static_cast<int>(length * scale); }

int CentreOffset(int desktopLength, int outerLength) { return (desktopLength - outerLength) / 2; }

double FitSizingToAspect(int edge, const SizingFrame& frame, SizingRect* rect) {
  const int maxWidth = frame.desktopWidth - frame.frameWidth;
  const int maxHeight = frame.desktopHeight - frame.frameHeight;
  int width = Clamp(rect->right - rect->left - frame.frameWidth, maxWidth);
  int height = Clamp(rect->bottom - rect->top - frame.frameHeight, maxHeight);
  if (width < 1) width = 1;
  if (height < 1) height = 1;

  bool widthLeads;
  switch (edge) {
    case kSizingLeft:
    case kSizingRight:
      widthLeads = true;
      break;
    case kSizingTop:
    case kSizingBottom:
      widthLeads = false;
      break;
    default:
      // A corner follows the side that grew more against the screen; the
      // products compare width / screen width with height / screen height.
      widthLeads = static_cast<int64_t>(width) * frame.screenHeight >
                   static_cast<int64_t>(height) * frame.screenWidth;
      break;
  }
  if (widthLeads) {
    height = Clamp(static_cast<int>(static_cast<int64_t>(width) * frame.screenHeight /
                                    frame.screenWidth),
                   maxHeight);
  } else {
    width = Clamp(static_cast<int>(static_cast<int64_t>(height) * frame.screenWidth /
                                   frame.screenHeight),
                  maxWidth);
  }

  // The side that was dragged keeps its edge where the drag put it; the
  // other edge of that axis stays where it was.
  const bool movesLeft = edge == kSizingLeft || edge == kSizingTopLeft ||
                         edge == kSizingBottomLeft;
  const bool movesTop = edge == kSizingTop || edge == kSizingTopLeft || edge == kSizingTopRight;
  if (movesLeft) {
    rect->left = rect->right - frame.frameWidth - width;
  } else {
    rect->right = rect->left + frame.frameWidth + width;
  }
  if (movesTop) {
    rect->top = rect->bottom - frame.frameHeight - height;
  } else {
    rect->bottom = rect->top + frame.frameHeight + height;
  }
  return static_cast<double>(width) / frame.screenWidth;
}
