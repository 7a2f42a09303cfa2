#include "system/cpu_features.h"

#include <cpuid.h>

#include "system/string_helpers.h"

namespace {

// CPUID exists when the ID bit (21) of EFLAGS can be changed.
bool HasCpuid() {
#if defined(__i386__)
  unsigned before, after;
  __asm__ volatile(
      "pushfl\n\t"
      "pushfl\n\t"
      "popl %0\n\t"
      "movl %0, %1\n\t"
      "xorl $0x200000, %0\n\t"
      "pushl %0\n\t"
      "popfl\n\t"
      "pushfl\n\t"
      "popl %0\n\t"
      "popfl\n\t"
      : "=&r"(after), "=&r"(before));
  return ((before ^ after) & 0x200000u) != 0;
#else
  return true;
#endif
}

}  // namespace

void ReadCpuFeatures(CpuFeatures* features) {
  *features = CpuFeatures{};
  if (!HasCpuid()) return;
  features->hasCpuid = 1;
  unsigned a = 0, b = 0, c = 0, d = 0;
  __cpuid(0, a, b, c, d);
  CopyBytes(features->vendor, &b, 4);
  CopyBytes(features->vendor + 4, &d, 4);
  CopyBytes(features->vendor + 8, &c, 4);
  features->vendor[12] = '\0';

  __cpuid(1, a, b, c, d);
  features->timeStampCounter = (d >> 4) & 1;
  features->mmx = (d >> 23) & 1;
  if (features->mmx) features->sse = (d >> 25) & 1;
  if (features->sse) features->sse2 = (d >> 26) & 1;

  __cpuid(0x80000000, a, b, c, d);
  if (a >= 0x80000004) {
    unsigned words[12];
    for (unsigned leaf = 0; leaf < 3; ++leaf) {
      __cpuid(0x80000002 + leaf, words[leaf * 4], words[leaf * 4 + 1], words[leaf * 4 + 2],
              words[leaf * 4 + 3]);
    }
    CopyBytes(features->name, words, 48);
    features->name[48] = '\0';
  }
}
