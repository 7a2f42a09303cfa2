// Key input: the ring of typed characters that the window procedure and the
// IME fill, the key-input handles whose text the typed characters edit once
// per message pass, and the IME's composition and candidate state that a
// drawing of a key input shows. The public calls are in Ombrel.h; the IME's
// messages are handled in system/ime.h.
#ifndef OMBREL_SYSTEM_KEY_INPUT_H
#define OMBREL_SYSTEM_KEY_INPUT_H

#include <stdint.h>

#include "Ombrel.h"
#include "system/key_input_edit.h"

constexpr int kInputCharRingSize = 1025;  // holds at most 1,024 bytes
constexpr int kKeyInputLimit = 256;
// The IME's texts hold 1,024 bytes and their terminator.
constexpr int kImeTextCapacity = 1024;
constexpr int kImeClauseSize = 4096;
constexpr int kImeAttributeSize = 1024;
constexpr int kKeyInputColorCount = 15;
constexpr int kCursorBlinkMilliseconds = 500;
constexpr int kLeftShiftScanCode = 0x2A;
constexpr int kRightShiftScanCode = 0x36;

struct InputCharRing {
  unsigned char bytes[kInputCharRingSize];
  int readPosition;
  int writePosition;
};

struct ImeState {
  int use;        // 1 while the IME is enabled for the main window
  int open;       // the last open status read
  int composing;  // 1 between the start and the end of a composition
  int compositionCursor;  // in characters
  char composition[kImeTextCapacity + 1];
  char keptComposition[kImeTextCapacity + 1];  // held over the re-open sequence
  unsigned char clauses[kImeClauseSize];
  int clauseCount;
  unsigned char attributes[kImeAttributeSize];
  int attributeLength;
  void* candidateList;  // the IME's CANDIDATELIST, from tracked memory
  int candidateListSize;
  int limitToRoom;           // 1 keeps a composition within the text's room
  int maxCompositionLength;  // bytes, 0 no limit
  int reopenStage;           // 0 idle, 1 to 4 the next step of the re-open sequence
  int changingOpenStatus;    // 1 while the open-status change is followed
};

struct KeyInputState {
  InputCharRing ring;
  int activeHandle;  // -1 none
  ImeState ime;
  int cursorVisible;
  int blinkStart;
  int blinkPeriod;
  ColorCode colors[kKeyInputColorCount];
  KeyInputRecord records[kKeyInputLimit];
  int nextCheck;
};

KeyInputState& GetKeyInputState();

int InitKeyInput();
int EndKeyInput();
// 0, or -1 when the ring is full; stores the low byte of code.
int PushInputChar(int code);
// 1 while the ring can take another byte.
int HasInputCharRoom();
// Pushes the whole characters of text that fit in the ring, so that a
// double-byte character is never left without its trail byte; returns the
// bytes pushed.
int PushInputText(const char* text, int length);
// Writes one character (two bytes for a double-byte one) into out[0] and
// out[1] and returns its byte count; 0 when the ring is empty or holds only
// a lead byte. With consume 0 the character stays in the ring.
int TakeInputChar(char* out, int consume);
int RestartKeyInputCursorBlink();
// The record behind a valid key-input handle, or null.
KeyInputRecord* FindKeyInput(int handle);
// Once per message pass: the IME's re-open steps, the composition limit and
// the typed characters applied to the active key input. 0, or -1 when the
// active handle is not valid.
int ProcessKeyInput();

// Implemented with the IME (system/ime.cpp).
int SetImeUse(int flag);
// Runs the re-open steps from the current stage to the end.
void RunImeReopenSequence();
// Starts the re-open sequence when the IME is in use and was open; the
// window procedure calls it on activation.
void StartImeReopenIfOpen();
// Cuts the IME's composition to the room of a key input of this length and
// maximum when a composition limit is set.
void LimitImeComposition(int length, int maxLength);
void FreeImeCandidateList();

#endif
