#include "system/number_helpers.h"

#include <emmintrin.h>
#include <math.h>

int AbsInt(int value) {
  return value < 0 ? static_cast<int>(0u - static_cast<unsigned>(value)) : value;
}

float AbsFloat(float value) { return fabsf(value); }

// The SSE truncating conversions ignore the rounding mode and answer an
// out-of-range value with INT_MIN instead of undefined behaviour.
int TruncFloatToInt(float value) { return _mm_cvtt_ss2si(_mm_set_ss(value)); }

int TruncDoubleToInt(double value) { return _mm_cvttsd_si32(_mm_set_sd(value)); }

float SqrtFloat(float value) { return sqrtf(value); }

float PowFloat(float x, float y) { return powf(x, y); }

void ComputeSinCos(float angle, float* sine, float* cosine) {
  *sine = sinf(angle);
  *cosine = cosf(angle);
}
