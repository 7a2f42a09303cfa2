// Stand-in for the screen-mode query until graphics start-up lands; it keeps
// the signature that the software images call.
#ifndef OMBREL_GRAPHICS_PROVISIONAL_SCREEN_H
#define OMBREL_GRAPHICS_PROVISIONAL_SCREEN_H

int GetScreenColorBits();

#endif
