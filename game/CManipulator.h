// The game's only input source: once per frame it copies the library's 256
// key states and counts, per key, how many consecutive frames the key has
// been down. Keys are fixed; there is no mapping, mouse or joypad.
#ifndef MOONLITCAIRN_CMANIPULATOR_H
#define MOONLITCAIRN_CMANIPULATOR_H

#include <stdint.h>

constexpr int kKeyCount = 256;

// Keyboard scan codes of the keys the game reads.
enum GameKey : int32_t {
  KEY_Q = 0x10,      // with W in a battle: try to escape (held)
  KEY_W = 0x11,
  KEY_A = 0x1E,      // a debug battle on the field
  KEY_S = 0x1F,      // open and close the camp
  KEY_Z = 0x2C,      // cancel; held on the field: run
  KEY_X = 0x2D,      // decide, talk, examine
  KEY_UP = 0xC8,
  KEY_LEFT = 0xCB,
  KEY_RIGHT = 0xCD,
  KEY_DOWN = 0xD0,
};

class CManipulator {
 public:
  CManipulator();
  virtual ~CManipulator();

  // Reads the library's key states and counts them.
  void Update();
  // Counts one frame of the given 256 key states (non-zero: down).
  void Update(const char* states);

  // Triggered on the first held frame, then on the 31st, 34th, 37th and every
  // third frame after, so a held key repeats after half a second.
  bool IsTriggered(int key) const;
  bool IsHeld(int key) const;

  unsigned char keyStates[kKeyCount] = {};
  uint32_t heldCounts[kKeyCount] = {};
};

// The repeat rule on a held count.
constexpr bool IsTriggeredCount(uint32_t count) {
  return count == 1 || (count >= 30 && count % 3 == 1);
}

#endif
