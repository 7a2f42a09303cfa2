#include "support/oracle_pixels.h"

#include <cstdint>

namespace oracle {

int64_t FloorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

int Scale(int n, int k) { return k * n / 255; }
int Diff(int n, int x) { return x * n / 255; }
int Lerp6(int a, int i, int j) { return (a * i + (63 - a) * j) / 63; }

int GraphWeight(int g, int p, int r) {
  int step = 65536 / (r + 1);
  int base = 256 - p * (step + 256) / 256;
  int w = 256 * g / (r + 1) + base;
  return w < 0 ? 0 : w > 255 ? 255 : w;
}

int ChannelMax(bool is32, int ch) { return is32 ? 255 : ch == 1 ? 63 : 31; }

uint32_t ReadBytes(const uint8_t* p, int n) {
  uint32_t v = 0;
  for (int i = 0; i < n; ++i) v |= uint32_t{p[i]} << (8 * i);
  return v;
}

void WriteBytes(uint8_t* p, int n, uint32_t v) {
  for (int i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

Pixel Split(uint32_t v, bool is32) {
  Pixel px{};
  if (is32) {
    px.c[0] = v & 0xFF;
    px.c[1] = (v >> 8) & 0xFF;
    px.c[2] = (v >> 16) & 0xFF;
    px.fourth = (v >> 24) & 0xFF;
  } else {
    px.c[0] = v & 31;
    px.c[1] = (v >> 5) & 63;
    px.c[2] = (v >> 11) & 31;
  }
  return px;
}

uint32_t Join(const Pixel& px, bool is32) {
  if (is32) {
    return uint32_t(px.c[0]) | uint32_t(px.c[1]) << 8 | uint32_t(px.c[2]) << 16 |
           uint32_t(px.fourth) << 24;
  }
  return uint32_t(px.c[0]) | uint32_t(px.c[1]) << 5 | uint32_t(px.c[2]) << 11;
}

Pixel AddChannels(const Pixel& d, const Pixel& u, bool is32, bool orStep, int* carryOut,
                  int pairCarryIn) {
  Pixel out = d;
  const int top[3] = {is32 ? 255 : 31, is32 ? 255 : 63, is32 ? 255 : 31};
  int carry;
  if (pairCarryIn >= 0) {
    int sum = (d.c[0] & (top[0] - 1)) + (u.c[0] & (top[0] - 1)) + pairCarryIn;
    carry = sum > top[0];
    out.c[0] = carry ? top[0] : sum;
  } else {
    int sum = d.c[0] + u.c[0];
    carry = sum > top[0];
    out.c[0] = carry ? top[0] : sum;
  }
  for (int ch = 1; ch < 3; ++ch) {
    int even = (d.c[ch] & (top[ch] - 1)) + (u.c[ch] & (top[ch] - 1));
    int next = even > top[ch];
    if (next) {
      // a saturated 16-bit green keeps its lowest bit for the carry from blue
      out.c[ch] = (!is32 && ch == 1) ? 62 + carry : top[ch];
    } else {
      out.c[ch] = even + carry;
    }
    if (orStep && out.c[ch] != top[ch]) out.c[ch] |= (d.c[ch] | u.c[ch]) & 1;
    carry = next;
  }
  *carryOut = carry;
  out.fourth = carry;
  return out;
}

Pixel SubChannels(const Pixel& d, const Pixel& u, bool is32, int* borrowOut, int pairBorrowIn) {
  Pixel out = d;
  int borrow;
  if (pairBorrowIn >= 0) {
    if ((d.c[0] >> 1) < (u.c[0] >> 1)) {
      out.c[0] = 0;
      borrow = 1;
    } else {
      out.c[0] = (d.c[0] | 1) - (u.c[0] & 0x1E) - pairBorrowIn;
      borrow = 0;
    }
  } else {
    borrow = d.c[0] < u.c[0];
    out.c[0] = borrow ? 0 : d.c[0] - u.c[0];
  }
  if (is32) {
    for (int ch = 1; ch < 3; ++ch) {
      if ((d.c[ch] >> 1) < (u.c[ch] >> 1)) {
        out.c[ch] = 0;
        borrow = 1;
      } else {
        out.c[ch] = (d.c[ch] | 1) - (u.c[ch] & 0xFE) - borrow;
        borrow = 0;
      }
    }
  } else {
    const int g = (d.c[1] & 0x3E) - (u.c[1] & 0x3E);
    out.c[1] = g < 0 ? 0 : g;
    borrow = g < 0;
    if ((d.c[2] >> 1) < (u.c[2] >> 1)) {
      out.c[2] = 0;
      borrow = 1;
    } else {
      out.c[2] = (d.c[2] | 1) - (u.c[2] & 0x1E) - borrow;
      borrow = 0;
    }
  }
  *borrowOut = borrow;
  out.fourth = 0;
  return out;
}

}  // namespace oracle
