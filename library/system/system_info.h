// System information gathered once at start-up and what other units read
// of it.
#ifndef OMBREL_SYSTEM_SYSTEM_INFO_H
#define OMBREL_SYSTEM_SYSTEM_INFO_H

#include "Ombrel.h"

// Logs the library version, processor count, Windows version and the CPU's
// speed, features, vendor and name, and keeps what other units need.
int LogSystemInfo();

struct _SYSTEMTIME;
// Each field of a SYSTEMTIME widened to 32 bits.
void ConvertSystemTimeToLocalDateTime(const _SYSTEMTIME* time, LocalDateTime* out);

// The OsVersionCode values are in system/os_version.h.
int GetOsVersionCode();
int GetProcessorCount();

#endif
