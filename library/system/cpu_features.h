// What the processor reports through CPUID.
#ifndef OMBREL_SYSTEM_CPU_FEATURES_H
#define OMBREL_SYSTEM_CPU_FEATURES_H

struct CpuFeatures {
  int hasCpuid;  // bit 21 of EFLAGS can be toggled
  int timeStampCounter;
  int mmx;
  int sse;   // only looked at with MMX
  int sse2;  // only looked at with SSE
  char vendor[13];
  char name[49];  // empty when the extended name leaves are missing
};

void ReadCpuFeatures(CpuFeatures* features);

#endif
