#include "graphics/bmp_loader.h"

void DecodeBmpRunLength(const uint8_t* data, size_t size, bool fourBit, int width, int height,
                        bool topDown, uint8_t* out, int pitch) {
  size_t in = 0;
  int x = 0, line = 0;
  // The column stops at the right edge, so codes that run past it write
  // nothing and the column cannot overflow.
  auto put = [&](uint8_t value) {
    if (x >= width) return;
    const int row = topDown ? line : height - 1 - line;
    out[static_cast<ptrdiff_t>(row) * pitch + x] = value;
    ++x;
  };
  auto nibble = [](uint8_t byte, int i) {
    return static_cast<uint8_t>(i % 2 == 0 ? byte >> 4 : byte & 0x0F);
  };

  while (size - in >= 2 && line < height) {
    const uint8_t count = data[in], value = data[in + 1];
    in += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i) put(fourBit ? nibble(value, i) : value);
      continue;
    }
    if (value == 0) {
      x = 0;
      ++line;
    } else if (value == 1) {
      return;
    } else if (value == 2) {
      if (size - in < 2) return;
      const int dx = data[in], dy = data[in + 1];
      in += 2;
      x = x + dx < width ? x + dx : width;
      line += dy;
    } else {
      // An absolute run: `value` indices, padded to an even byte count.
      const size_t bytes = fourBit ? (value + 1) / 2 : value;
      const size_t have = size - in < bytes ? size - in : bytes;
      const int pixels = fourBit ? (have * 2 < value ? static_cast<int>(have * 2) : value)
                                 : static_cast<int>(have);
      for (int i = 0; i < pixels; ++i) {
        put(fourBit ? nibble(data[in + i / 2], i) : data[in + i]);
      }
      if (have < bytes) return;
      in += bytes + (bytes & 1);
      if (in > size) return;
    }
  }
}
