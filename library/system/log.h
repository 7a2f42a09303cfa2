// The library's text log ("Log.txt" in the log folder, and the debugger).
#ifndef OMBREL_SYSTEM_LOG_H
#define OMBREL_SYSTEM_LOG_H

#include "Ombrel.h"

int IncreaseLogIndent();
int DecreaseLogIndent();

#endif
