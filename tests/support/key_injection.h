// Keys pressed and released as the keyboard would, through the system's
// input queue, so that they reach the window, the Windows key state and the
// DirectInput keyboard alike.
#ifndef OMBREL_TESTS_SUPPORT_KEY_INJECTION_H
#define OMBREL_TESTS_SUPPORT_KEY_INJECTION_H

#include <windows.h>

void SendKey(WORD virtualKey, bool up);

#endif
