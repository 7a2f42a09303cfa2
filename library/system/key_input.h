// Key input: the ring of typed characters that the window procedure fills
// and the per-pass processing empties into the active key input.
#ifndef OMBREL_SYSTEM_KEY_INPUT_H
#define OMBREL_SYSTEM_KEY_INPUT_H

#include <windows.h>

constexpr int kInputCharRingSize = 1025;  // holds at most 1,024 bytes

struct InputCharRing {
  unsigned char bytes[kInputCharRingSize];
  int readPosition;
  int writePosition;
};

struct KeyInputState {
  InputCharRing ring;
  int activeHandle;  // -1 none
  int imeUse;        // 1 while the IME is enabled for the main window
};

KeyInputState& GetKeyInputState();

int InitKeyInput();
int EndKeyInput();
// 0, or -1 when the ring is full; stores the low byte of code.
int PushInputChar(int code);
// 1 while the ring can take another byte.
int HasInputCharRoom();
// Writes one character (two bytes for a double-byte one) into out[0] and
// out[1] and returns its byte count; 0 when the ring is empty or holds only
// a lead byte. With consume 0 the character stays in the ring.
int TakeInputChar(char* out, int consume);
// 1 for the codes the window procedure pushes for editing keys.
int IsKeyInputControlCode(int byte);
// 0, or -1 when there is no valid active key input.
int ProcessKeyInput();
LRESULT HandleImeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
