// Little-endian fields of file headers and compressed blocks, read byte by
// byte so that no alignment is assumed.
#ifndef OMBREL_GRAPHICS_BYTE_ORDER_H
#define OMBREL_GRAPHICS_BYTE_ORDER_H

#include <stdint.h>

inline uint32_t ReadLe16(const uint8_t* p) { return p[0] | static_cast<uint32_t>(p[1]) << 8; }

inline uint32_t ReadLe32(const uint8_t* p) {
  return ReadLe16(p) | static_cast<uint32_t>(ReadLe16(p + 2)) << 16;
}

inline int32_t ReadLeInt32(const uint8_t* p) { return static_cast<int32_t>(ReadLe32(p)); }

#endif
