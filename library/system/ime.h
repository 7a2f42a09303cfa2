// The IME's messages to the main window: composition, result and candidate
// data kept in the key-input state (system/key_input.h) for a drawing of the
// key input, and the open status the re-open sequence brings back.
#ifndef OMBREL_SYSTEM_IME_H
#define OMBREL_SYSTEM_IME_H

#include <windows.h>

#include <stdint.h>

// How long the open-status change is followed by message passes.
constexpr int64_t kImeOpenStatusPassMicroseconds = 2000;

LRESULT HandleImeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
