// Library start-up and shut-down (InitLibrary and EndLibrary are public).
#ifndef OMBREL_SYSTEM_LIBRARY_STARTUP_H
#define OMBREL_SYSTEM_LIBRARY_STARTUP_H

#include "Ombrel.h"

int InitLibraryCore();
// Does nothing while the library is not initialised.
int EndLibraryCore();
// Undoes whatever a start-up that has not finished had started: the window
// and its class, input, sound, graphics, the timer period and the screen
// saver setting.
void UndoStartedParts();

#endif
