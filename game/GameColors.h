// The game's named colours. They are made during static initialisation, before
// the library has chosen a screen mode, so they are in the 32-bit form
// 0xFFRRGGBB, which is also the form of the game's 32-bit screen.
#ifndef MOONLITCAIRN_GAME_COLORS_H
#define MOONLITCAIRN_GAME_COLORS_H

#include "Ombrel.h"

// The basic palette of window text.
extern const ColorCode COLOR_WHITE;
extern const ColorCode COLOR_GRAY;       // disabled entries
extern const ColorCode COLOR_GOLD;       // the equipment screen's values
extern const ColorCode COLOR_DARK_TEAL;  // the chip and character sheets' key colour

// The battle time gauge.
extern const ColorCode COLOR_GAUGE_YELLOW;  // a full gauge
extern const ColorCode COLOR_GAUGE_GRAY;    // the filling bar
extern const ColorCode COLOR_GAUGE_WHITE;   // the filling bar's highlight

// The key colour of chip and character sheets as channels, for
// SetGraphTransColor before each sheet is loaded.
constexpr int kSheetKeyRed = 0;
constexpr int kSheetKeyGreen = 117;
constexpr int kSheetKeyBlue = 117;

#endif
