// The line editor's rules: what one typed character does to a key input's
// text, cursor and selection. Plain data only; the clipboard and the Shift
// keys are reached through the caller's KeyInputEditEnv.
#ifndef OMBREL_SYSTEM_KEY_INPUT_EDIT_H
#define OMBREL_SYSTEM_KEY_INPUT_EDIT_H

// The control codes that the window procedure pushes for editing keys.
enum KeyInputControlCode : unsigned char {
  kKeyCodeCopy = 0x03,
  kKeyCodeBackspace = 0x08,
  kKeyCodeTab = 0x09,
  kKeyCodeEnter = 0x0D,
  kKeyCodeDelete = 0x10,
  kKeyCodePageDown = 0x15,
  kKeyCodePaste = 0x16,
  kKeyCodePageUp = 0x17,
  kKeyCodeCut = 0x18,
  kKeyCodeEnd = 0x19,
  kKeyCodeHome = 0x1A,
  kKeyCodeEscape = 0x1B,
  kKeyCodeRight = 0x1C,
  kKeyCodeLeft = 0x1D,
  kKeyCodeUp = 0x1E,
  kKeyCodeDown = 0x1F,
};

struct KeyInputRecord {
  int used;
  int check;
  int ended;      // 1 once Enter finished it or Esc cancelled it
  int cancelled;  // 1 when it was Esc
  int length;
  int maxLength;
  int selectionStart;  // -1 when nothing is selected
  int selectionEnd;    // -1 when nothing is selected; either end may be the larger
  int viewPosition;
  int cursor;
  char* text;  // maxLength + 1 bytes, zero-terminated
  int cancelAllowed;
  int singleByteOnly;
  int numbersOnly;
};

struct KeyInputEditEnv {
  int charsetCode;
  void* context;
  int (*isShiftHeld)(void* context);
  // Receives the selected bytes (not terminated) to put on the clipboard.
  void (*copyText)(void* context, const char* bytes, int length);
  // Types the clipboard's text by pushing it to the character ring.
  void (*pasteText)(void* context);
};

// 1 for the codes the window procedure pushes for keys (Delete, Page Up and
// Down, End, Home and the arrows), else 0. A double-byte lead byte that is
// one of them is taken as the key.
int IsKeyInputControlCode(int byte);

// The number of characters that begin within the first count bytes of
// string (a double-byte character counts once); 0 when count is below 1.
// Stops at the string's end.
int CountCharsInBytes(const char* string, int count, int charsetCode);

// How many bytes of the first count bytes of text hold whole characters: a
// double-byte character cut by the limit is left out.
int FitWholeChars(const char* text, int count, int limit, int charsetCode);

// Removes the selected bytes, puts the cursor where they began and clears
// the selection; nothing when nothing is selected.
int DeleteKeyInputSelection(KeyInputRecord* record);

// Applies one character of count bytes (1, or 2 for a double-byte one) to a
// key input that has not ended.
void EditKeyInput(KeyInputRecord* record, const char* character, int count,
                  const KeyInputEditEnv& env);

#endif
