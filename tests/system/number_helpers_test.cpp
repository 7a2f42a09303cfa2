#include "system/number_helpers.h"

#include <limits.h>
#include <xmmintrin.h>

#include <gtest/gtest.h>

namespace {

TEST(NumberHelpersTest, TruncationIgnoresTheRoundingMode) {
  const unsigned modes[] = {_MM_ROUND_NEAREST, _MM_ROUND_DOWN, _MM_ROUND_UP, _MM_ROUND_TOWARD_ZERO};
  const unsigned saved = _MM_GET_ROUNDING_MODE();
  for (unsigned mode : modes) {
    _MM_SET_ROUNDING_MODE(mode);
    EXPECT_EQ(TruncFloatToInt(2.7f), 2);
    EXPECT_EQ(TruncFloatToInt(-2.7f), -2);
    EXPECT_EQ(TruncFloatToInt(-0.5f), 0);
    EXPECT_EQ(TruncDoubleToInt(1e9 + 0.99), 1000000000);
    EXPECT_EQ(TruncDoubleToInt(-7.999999), -7);
  }
  _MM_SET_ROUNDING_MODE(saved);
  EXPECT_EQ(TruncFloatToInt(3e10f), INT_MIN);
  EXPECT_EQ(TruncDoubleToInt(-1e300), INT_MIN);
}

TEST(NumberHelpersTest, AbsoluteValuesSquareRootsAndAngles) {
  EXPECT_EQ(AbsInt(-5), 5);
  EXPECT_EQ(AbsInt(7), 7);
  EXPECT_EQ(AbsInt(INT_MIN), INT_MIN);
  EXPECT_EQ(AbsFloat(-1.5f), 1.5f);
  EXPECT_FLOAT_EQ(SqrtFloat(2.25f), 1.5f);
  EXPECT_FLOAT_EQ(PowFloat(2.0f, 10.0f), 1024.0f);
  float sine = 0, cosine = 0;
  ComputeSinCos(3.14159265f / 6, &sine, &cosine);
  EXPECT_NEAR(sine, 0.5f, 1e-6f);
  EXPECT_NEAR(cosine, 0.8660254f, 1e-6f);
}

}  // namespace
