// Ombrel: the multimedia library's public interface. A game includes this
// header alone and links Ombrel::ombrel. Functions return 0 on success and -1
// on failure; those that create a resource return its handle or -1.
#ifndef OMBREL_H
#define OMBREL_H

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__)
#define OMBREL_PRINTF_FORMAT(formatIndex, firstArgument) \
  __attribute__((format(gnu_printf, formatIndex, firstArgument)))
#else
#define OMBREL_PRINTF_FORMAT(formatIndex, firstArgument)
#endif

// Library start-up, shut-down, window and messages.
// 1 when the processor has MMX.
int IsMmxAvailable();

// The log and tracked memory. The log is on until EnableLogOutput(0); each
// call appends to "Log.txt" in the log folder, a line starting with the
// milliseconds since start-up and the indentation in tabs. AppendLog always
// returns -1, so a failing function can return its result.
int AppendLog(const char* text);
int AppendLogFormat(const char* format, ...) OMBREL_PRINTF_FORMAT(1, 2);
int EnableLogOutput(int flag);
int IncreaseLogIndent();
int DecreaseLogIndent();
// 0, or -1 when a block header of the library's memory was overwritten.
int CheckTrackedMemory();
// Writes every live block of the library's memory, then the totals, to the log.
int DumpTrackedMemory();
int LogTrackedMemoryTotals();

// Time and random numbers.
struct LocalDateTime {
  int year;
  int month;  // 1-12
  int day;
  int hour;
  int minute;
  int second;
};

// Milliseconds of the multimedia timer, never negative.
int GetTickMilliseconds();
// Microseconds; allowCpuCounter 1 lets the processor's time-stamp counter
// serve once the library is up.
int64_t GetTickMicroseconds(int allowCpuCounter);
int GetLocalDateTime(LocalDateTime* out);
int SeedRandom(uint32_t seed);
// 0 to max inclusive, from the library's one Mersenne Twister.
int GetRandomInt(int max);

// Files, streams and archives.

// Input.

// Graphics: screen, colours, images, drawing state and drawing calls.

// Fonts and text.

// Sound, music and movies.

// Network.

#endif
