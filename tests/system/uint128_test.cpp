#include "system/uint128.h"

#include <gtest/gtest.h>

namespace {

UInt128 Make(uint64_t high, uint64_t low) {
  return UInt128{{static_cast<uint32_t>(low), static_cast<uint32_t>(low >> 32),
                  static_cast<uint32_t>(high), static_cast<uint32_t>(high >> 32)}};
}

uint64_t High(const UInt128& v) { return v.words[2] | static_cast<uint64_t>(v.words[3]) << 32; }
uint64_t Low(const UInt128& v) { return v.words[0] | static_cast<uint64_t>(v.words[1]) << 32; }

TEST(UInt128Test, MultiplyGivesTheFullProduct) {
  const struct {
    uint64_t a;
    uint64_t b;
    uint64_t high;
    uint64_t low;
  } cases[] = {
      {~0ull, ~0ull, 0xFFFFFFFFFFFFFFFEull, 0x0000000000000001ull},
      {0, ~0ull, 0, 0},
      {1, 0x123456789ABCDEF0ull, 0, 0x123456789ABCDEF0ull},
      {0x100000000ull, 0x100000000ull, 1, 0},
      {0xFFFFFFFFull, 0xFFFFFFFFull, 0, 0xFFFFFFFE00000001ull},
      {3000000000000ull, 1000000ull, 0x0000000000000000ull, 3000000000000000000ull},
      {0x8000000000000000ull, 4, 2, 0},
  };
  for (const auto& c : cases) {
    UInt128 product;
    MulU64ToU128(&c.a, &c.b, &product);
    EXPECT_EQ(High(product), c.high) << std::hex << c.a << " * " << c.b;
    EXPECT_EQ(Low(product), c.low) << std::hex << c.a << " * " << c.b;
  }
}

TEST(UInt128Test, DivideGivesTheLow64BitsOfTheTruncatedQuotient) {
  const struct {
    uint64_t high;
    uint64_t low;
    uint64_t divisor;
    uint64_t quotient;
  } cases[] = {
      {0, 100, 7, 14},
      {0, 6, 6, 1},
      {0, 5, 6, 0},
      {0, ~0ull, 1, ~0ull},
      {1, 0, 2, 0x8000000000000000ull},
      {0xFFFFFFFFFFFFFFFEull, 1, ~0ull, ~0ull},  // (2^64-1)^2 / (2^64-1)
      {0x10, 0, 0x100, 0x1000000000000000ull},
      // Above 2^127, where a shifted divisor could overflow: (2^128-1) / (2^64-1)
      // is 2^64 + 1, so the low half is 1.
      {~0ull, ~0ull, ~0ull, 1},
      {0x8000000000000000ull, 0, 3, 0xAAAAAAAAAAAAAAAAull},
      {0, 12345, 0, ~0ull},  // no divisor: saturates
  };
  for (const auto& c : cases) {
    const UInt128 dividend = Make(c.high, c.low);
    uint64_t quotient = 12345;
    DivU128ByU64(&dividend, &c.divisor, &quotient);
    EXPECT_EQ(quotient, c.quotient) << std::hex << c.high << ":" << c.low << " / " << c.divisor;
  }
}

TEST(UInt128Test, CounterScaledToMicrosecondsDoesNotOverflow) {
  // A 3 GHz time-stamp counter after a year: the product needs 80 bits.
  const uint64_t ticks = 3000000000ull * 86400ull * 365ull;
  EXPECT_EQ(MulDivU64(ticks, 1000000, 3000000000ull), 86400ull * 365ull * 1000000ull);
  EXPECT_EQ(MulDivU64(10, 1000000, 3), 3333333ull);
}

}  // namespace
