// The LZ decoder of archive files. The code is literal bytes and matches that
// start with the block's escape byte E: E E is one literal E; E c starts a
// match whose length and distance sizes are packed in c (shifted down by one
// above E, since E itself means the literal).
#include <climits>
#include <cstring>

#include "system/archive_format.h"

int DecodeLz(const void* block, void* out) {
  LzBlockHeader header;
  std::memcpy(&header, block, sizeof header);
  if (header.packedSize < kLzHeaderSize || header.unpackedSize > INT_MAX) return -1;
  if (!out) return static_cast<int>(header.unpackedSize);

  const uint8_t* code = static_cast<const uint8_t*>(block) + kLzHeaderSize;
  const uint8_t* const codeEnd = static_cast<const uint8_t*>(block) + header.packedSize;
  uint8_t* const outStart = static_cast<uint8_t*>(out);
  uint8_t* dst = outStart;
  uint8_t* const outEnd = outStart + header.unpackedSize;
  const uint8_t escape = header.escape;

  while (code < codeEnd) {
    const uint8_t c = *code++;
    if (c != escape) {
      if (dst == outEnd) return -1;
      *dst++ = c;
      continue;
    }
    if (code == codeEnd) return -1;
    const uint8_t next = *code++;
    if (next == escape) {
      if (dst == outEnd) return -1;
      *dst++ = escape;
      continue;
    }
    const unsigned v = next > escape ? next - 1u : next;
    size_t length = v >> 3;
    if (v & 4) {
      if (code == codeEnd) return -1;
      length |= static_cast<size_t>(*code++) << 5;
    }
    length += 4;
    const unsigned distanceBytes = (v & 3) + 1;
    if (distanceBytes > 3 || static_cast<size_t>(codeEnd - code) < distanceBytes) return -1;
    size_t distance = 0;
    for (unsigned i = 0; i < distanceBytes; ++i) distance |= static_cast<size_t>(code[i]) << (8 * i);
    code += distanceBytes;
    distance += 1;
    if (distance > static_cast<size_t>(dst - outStart)) return -1;
    if (length > static_cast<size_t>(outEnd - dst)) return -1;
    // Byte by byte: a distance shorter than the length repeats the last bytes.
    const uint8_t* src = dst - distance;
    for (size_t i = 0; i < length; ++i) dst[i] = src[i];
    dst += length;
  }
  if (dst != outEnd) return -1;
  return static_cast<int>(header.unpackedSize);
}
