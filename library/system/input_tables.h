// The keyboard and joypad tables of the input layer: the virtual-key to
// scan-code table that turns the Windows keyboard state into the library's
// scan-code key states, and the table that lets keys stand in for pad inputs.
#ifndef OMBREL_SYSTEM_INPUT_TABLES_H
#define OMBREL_SYSTEM_INPUT_TABLES_H

#include <stdint.h>

constexpr int kKeyStateCount = 256;
constexpr int kJoypadLimit = 16;
constexpr int kKeyToPadInputCount = 32;

struct VirtualKeyScanCode {
  uint16_t virtualKey;
  uint16_t scanCode;
};

// The rows of the table, without the end row; each virtual key maps to the
// scan code of the same key on a Japanese 106-key keyboard.
const VirtualKeyScanCode* GetVirtualKeyScanCodeTable(int* rowCount);

// Clears keyStates (indexed by scan code) and copies into it the state byte
// of every virtual key of the table (virtualKeyStates indexed by virtual
// key, as GetKeyboardState fills it).
void MapVirtualKeyStates(const unsigned char virtualKeyStates[kKeyStateCount],
                         unsigned char keyStates[kKeyStateCount]);

// Keys that stand in for one pad input: two scan codes, -1 for none.
struct KeyToPadEntry {
  int firstKey;
  int secondKey;
  int reserved[2];
};

struct KeyToPadTable {
  KeyToPadEntry inputs[kJoypadLimit][kKeyToPadInputCount];
};

// Every key -1, then pad 1's arrows (keypad and cursor keys) and the ten
// letter, Esc and Space keys of its buttons.
void FillKeyToPadTable(KeyToPadTable* table);

#endif
