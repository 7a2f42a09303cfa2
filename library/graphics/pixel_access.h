// Reading and writing one pixel of 1 to 4 bytes, little-endian and without
// alignment assumptions (24-bit rows and loader pitches need not be aligned).
#ifndef OMBREL_GRAPHICS_PIXEL_ACCESS_H
#define OMBREL_GRAPHICS_PIXEL_ACCESS_H

#include <stddef.h>
#include <stdint.h>

#include <cstring>
#include <type_traits>

template <int Bytes>
inline uint32_t ReadPixel(const uint8_t* p) {
  if constexpr (Bytes == 1) {
    return *p;
  } else if constexpr (Bytes == 2) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
  } else if constexpr (Bytes == 3) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16;
  } else {
    static_assert(Bytes == 4);
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  }
}

template <int Bytes>
inline void WritePixel(uint8_t* p, uint32_t value) {
  if constexpr (Bytes == 1) {
    *p = static_cast<uint8_t>(value);
  } else if constexpr (Bytes == 2) {
    uint16_t v = static_cast<uint16_t>(value);
    std::memcpy(p, &v, 2);
  } else if constexpr (Bytes == 3) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value >> 16);
  } else {
    static_assert(Bytes == 4);
    std::memcpy(p, &value, 4);
  }
}

template <int Bytes>
using PixelSize = std::integral_constant<int, Bytes>;

// Calls f with PixelSize<bytes> for a pixel size of 1 to 4 bytes, so one
// generic body is instantiated per size; false for any other size.
template <class F>
inline bool DispatchPixelSize(int bytes, F&& f) {
  switch (bytes) {
    case 1: f(PixelSize<1>{}); return true;
    case 2: f(PixelSize<2>{}); return true;
    case 3: f(PixelSize<3>{}); return true;
    case 4: f(PixelSize<4>{}); return true;
    default: return false;
  }
}

inline uint32_t ReadPixelOfSize(const uint8_t* p, int bytes) {
  uint32_t value = 0;
  DispatchPixelSize(bytes, [&](auto size) { value = ReadPixel<decltype(size)::value>(p); });
  return value;
}

inline void WritePixelOfSize(uint8_t* p, int bytes, uint32_t value) {
  DispatchPixelSize(bytes, [&](auto size) { WritePixel<decltype(size)::value>(p, value); });
}

// Swaps the pixels of a row end for end.
template <int Bytes>
inline void ReverseRow(uint8_t* row, int width) {
  uint8_t* left = row;
  uint8_t* right = row + static_cast<ptrdiff_t>(width - 1) * Bytes;
  while (left < right) {
    uint32_t a = ReadPixel<Bytes>(left);
    WritePixel<Bytes>(left, ReadPixel<Bytes>(right));
    WritePixel<Bytes>(right, a);
    left += Bytes;
    right -= Bytes;
  }
}

#endif
