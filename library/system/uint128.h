// Unsigned 128-bit products and quotients for the clocks and sample
// positions, where a 64-bit counter times a million would overflow; built
// from 32-bit words because the 32-bit compiler has no 128-bit integer.
#ifndef OMBREL_SYSTEM_UINT128_H
#define OMBREL_SYSTEM_UINT128_H

#include <stdint.h>

struct UInt128 {
  uint32_t words[4];  // least significant first
};

void MulU64ToU128(const uint64_t* a, const uint64_t* b, UInt128* product);
// Writes the low 64 bits of dividend / divisor, truncated. A divisor of 0
// gives all ones, so a clock with no rate saturates instead of hanging.
void DivU128ByU64(const UInt128* dividend, const uint64_t* divisor, uint64_t* quotient);

// value * multiplier / divisor through the two above.
uint64_t MulDivU64(uint64_t value, uint64_t multiplier, uint64_t divisor);

#endif
