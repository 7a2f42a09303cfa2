// Integer and float helpers whose result does not depend on the FPU's
// current rounding or precision setting.
#ifndef OMBREL_SYSTEM_NUMBER_HELPERS_H
#define OMBREL_SYSTEM_NUMBER_HELPERS_H

int AbsInt(int value);
float AbsFloat(float value);
// Truncate toward zero; a value outside the int range gives INT_MIN.
int TruncFloatToInt(float value);
int TruncDoubleToInt(double value);
float SqrtFloat(float value);
float PowFloat(float x, float y);
void ComputeSinCos(float angle, float* sine, float* cosine);

#endif
