#include "graphics/provisional_screen.h"

// The library's default screen is 32-bit until a screen mode is set.
int GetScreenColorBits() { return 32; }
