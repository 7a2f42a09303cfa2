// The font system's start and end with the graphics system.
#ifndef OMBREL_GRAPHICS_FONT_SYSTEM_H
#define OMBREL_GRAPHICS_FONT_SYSTEM_H

int StartFontSystem();
int EndFontSystem();
// Makes every font's glyph cache again after the graphs were restored.
int RecreateAllFonts();

#endif
