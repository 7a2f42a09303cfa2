// Plain channel arithmetic for the reference models of the software
// primitives: pixels split into channels, and the packed add and subtract
// stated channel by channel.
#ifndef OMBREL_TESTS_SUPPORT_ORACLE_PIXELS_H
#define OMBREL_TESTS_SUPPORT_ORACLE_PIXELS_H

#include <cstdint>

namespace oracle {

int64_t FloorDiv(int64_t a, int64_t b);
int Scale(int n, int k);  // floor(k * n / 255)
int Diff(int n, int x);   // x * n / 255 toward zero
int Lerp6(int a, int i, int j);
int GraphWeight(int g, int borderParam, int borderRange);

struct Pixel {
  int c[3];    // blue, green, red (fields in 16-bit colour)
  int fourth;  // 32-bit: the fourth byte
};

// The largest value of each channel or field.
int ChannelMax(bool is32, int ch);
Pixel Split(uint32_t v, bool is32);
uint32_t Join(const Pixel& px, bool is32);

uint32_t ReadBytes(const uint8_t* p, int n);
void WriteBytes(uint8_t* p, int n, uint32_t v);

// The packed saturating add and subtract, channel by channel. A pair's right
// pixel takes the carry or borrow of the left pixel's red in its blue
// (carryIn >= 0).
Pixel AddChannels(const Pixel& d, const Pixel& u, bool is32, bool orStep, int* carryOut,
                  int pairCarryIn = -1);
Pixel SubChannels(const Pixel& d, const Pixel& u, bool is32, int* borrowOut,
                  int pairBorrowIn = -1);

}  // namespace oracle

#endif
