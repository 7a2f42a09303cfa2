// The library's clocks.
#ifndef OMBREL_SYSTEM_CLOCK_H
#define OMBREL_SYSTEM_CLOCK_H

#include <stdint.h>

#include "Ombrel.h"

// The multimedia timer's millisecond count through the bound winmm entry;
// before winmm is bound (the log may be written before start-up) the kernel's
// tick count, which counts the same milliseconds since boot.
uint32_t ReadMultimediaTime();

// The smallest period of the multimedia timer, begun once however often it
// is asked for and ended once, so that begin and end stay balanced.
void BeginSmallestTimerPeriod();
void EndSmallestTimerPeriod();
// The period begun, or 0 when none is.
unsigned GetBegunTimerPeriod();

#endif
