// Message processing (PumpMessages and WaitMilliseconds are public).
#ifndef OMBREL_SYSTEM_MESSAGE_PUMP_H
#define OMBREL_SYSTEM_MESSAGE_PUMP_H

#include "Ombrel.h"

constexpr int kMessagesPerPass = 5;

// One pass without the guard: 0, or -1 once the end was requested.
int PumpMessagesCore();
// 1 while a pass runs on this or another call level (its services included).
int IsMessagePassRunning();
// Holds the caller while the application is in the background and does not
// run there.
void WaitWhileInactive();

#endif
