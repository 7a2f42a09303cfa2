#include "graphics/font_system.h"

// No font exists yet to set up or delete: the font handles and the default
// font come with the font creation.
int StartFontSystem() { return 0; }

int EndFontSystem() { return 0; }

int RecreateAllFonts() { return 0; }
