// The arithmetic of the main window's styles, size and placement, kept free
// of Windows calls so that it can be checked on its own.
#ifndef OMBREL_SYSTEM_WINDOW_GEOMETRY_H
#define OMBREL_SYSTEM_WINDOW_GEOMETRY_H

#include <stdint.h>

constexpr uint32_t kWindowStyleVisible = 0x10000000;    // WS_VISIBLE
constexpr uint32_t kWindowExStyleLayered = 0x00080000;  // WS_EX_LAYERED
constexpr uint32_t kFullScreenStyle = 0x80000000;       // WS_POPUP
constexpr uint32_t kFullScreenExStyle = 0x00000008;     // WS_EX_TOPMOST
constexpr int kWindowStyleCount = 11;

struct WindowStyles {
  uint32_t style;
  uint32_t exStyle;
};

// The window-mode styles of a style number (0 when out of range), with the
// layered and visible bits added by their flags.
WindowStyles GetWindowModeStyles(int styleNumber, int layered, int visible);

// A screen length enlarged by a window scale, truncated toward zero.
int ScaleScreenLength(int length, double scale);

// The offset that centres a length on the desktop (halved toward zero).
int CentreOffset(int desktopLength, int outerLength);

// The edges of a sizing drag, numbered as WM_SIZING numbers them.
enum SizingEdge {
  kSizingLeft = 1,
  kSizingRight = 2,
  kSizingTop = 3,
  kSizingTopLeft = 4,
  kSizingTopRight = 5,
  kSizingBottom = 6,
  kSizingBottomLeft = 7,
  kSizingBottomRight = 8,
};

struct SizingRect {
  int left;
  int top;
  int right;
  int bottom;
};

struct SizingFrame {
  int frameWidth;   // outer width minus client width
  int frameHeight;  // outer height minus client height
  int desktopWidth;
  int desktopHeight;
  int screenWidth;
  int screenHeight;
};

// Turns a proposed outer rectangle into one whose client keeps the screen's
// aspect ratio and fits the desktop; returns the new window scale (client
// width / screen width). The edge opposite the dragged one stays put.
double FitSizingToAspect(int edge, const SizingFrame& frame, SizingRect* rect);

#endif
