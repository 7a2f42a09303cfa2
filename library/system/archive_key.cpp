// The scrambling key of archives. Every byte of an archive file is XORed with
// the key byte of its file position mod 12.
#include <cstring>

#include "system/archive_format.h"

namespace {

constexpr uint8_t kKeyFiller = 0x9E;
constexpr uint8_t kSecondKeyByte = 0xB7;

// One fixed combination per key position, applied in this order.
struct KeyStep {
  bool invert;
  bool swapHalves;
  int rotateLeft;
  uint8_t mix;
};

constexpr KeyStep kKeySteps[kArchiveKeySize] = {
    {true, false, 0, 0x3C},  {false, true, 0, 0x71}, {false, false, 3, 0xA5},
    {true, true, 0, 0x0F},   {false, false, 1, 0xD2}, {true, false, 5, 0x4B},
    {false, true, 2, 0x96},  {true, false, 0, 0xE7}, {false, true, 0, 0x2D},
    {false, false, 6, 0x58}, {true, true, 4, 0xC3},  {false, false, 7, 0x1E},
};

uint8_t ApplyKeyStep(uint8_t b, const KeyStep& step) {
  if (step.invert) b = static_cast<uint8_t>(~b);
  if (step.swapHalves) b = static_cast<uint8_t>((b << 4) | (b >> 4));
  if (step.rotateLeft) b = static_cast<uint8_t>((b << step.rotateLeft) | (b >> (8 - step.rotateLeft)));
  return static_cast<uint8_t>(b ^ step.mix);
}

}  // namespace

int CharsetFromCodePage(uint32_t codePage) {
  switch (codePage) {
    case 932: return 1;
    case 936: return 4;
    case 949: return 2;
    case 950: return 3;
    default: return 0;
  }
}

void BuildArchiveKey(const char* keyString, uint8_t key[kArchiveKeySize]) {
  const size_t length = keyString ? std::strlen(keyString) : 0;
  for (int i = 0; i < kArchiveKeySize; ++i) {
    // An empty key string counts as none.
    key[i] = length ? static_cast<uint8_t>(keyString[static_cast<size_t>(i) % length]) : kKeyFiller;
  }
  for (int i = 0; i < kArchiveKeySize; ++i) key[i] = ApplyKeyStep(key[i], kKeySteps[i]);
}

void BuildSecondArchiveKey(uint8_t key[kArchiveKeySize]) {
  std::memset(key, kSecondKeyByte, kArchiveKeySize);
}

int XorArchiveData(size_t count, void* bytes, uint32_t position, const uint8_t* key) {
  auto* p = static_cast<uint8_t*>(bytes);
  int index = static_cast<int>(position % kArchiveKeySize);
  for (size_t i = 0; i < count; ++i) {
    p[i] ^= key[index];
    if (++index == kArchiveKeySize) index = 0;
  }
  return index;
}
