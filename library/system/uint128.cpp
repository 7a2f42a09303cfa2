#include "system/uint128.h"

void MulU64ToU128(const uint64_t* a, const uint64_t* b, UInt128* product) {
  const uint32_t x[2] = {static_cast<uint32_t>(*a), static_cast<uint32_t>(*a >> 32)};
  const uint32_t y[2] = {static_cast<uint32_t>(*b), static_cast<uint32_t>(*b >> 32)};
  uint32_t out[4] = {0, 0, 0, 0};
  for (int i = 0; i < 2; ++i) {
    uint64_t carry = 0;
    for (int j = 0; j < 2; ++j) {
      const uint64_t t = static_cast<uint64_t>(x[i]) * y[j] + out[i + j] + carry;
      out[i + j] = static_cast<uint32_t>(t);
      carry = t >> 32;
    }
    out[i + 2] = static_cast<uint32_t>(carry);
  }
  for (int i = 0; i < 4; ++i) product->words[i] = out[i];
}

void DivU128ByU64(const UInt128* dividend, const uint64_t* divisor, uint64_t* quotient) {
  const uint64_t d = *divisor;
  if (d == 0) {
    *quotient = ~static_cast<uint64_t>(0);
    return;
  }
  // Restoring long division one bit at a time; the remainder stays below
  // the divisor, and the bit shifted out of it is kept in 'carry', so every
  // dividend works, not only those below 2^127.
  uint64_t remainder = 0;
  uint64_t q = 0;
  for (int bit = 127; bit >= 0; --bit) {
    const uint32_t word = dividend->words[bit / 32];
    const uint64_t next = (word >> (bit % 32)) & 1u;
    const bool carry = (remainder >> 63) != 0;
    remainder = (remainder << 1) | next;
    if (carry || remainder >= d) {
      remainder -= d;
      if (bit < 64) q |= static_cast<uint64_t>(1) << bit;
    }
  }
  *quotient = q;
}

uint64_t MulDivU64(uint64_t value, uint64_t multiplier, uint64_t divisor) {
  UInt128 product;
  MulU64ToU128(&value, &multiplier, &product);
  uint64_t quotient;
  DivU128ByU64(&product, &divisor, &quotient);
  return quotient;
}
