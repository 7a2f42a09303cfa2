#include "system/clock.h"

#include <windows.h>
#include <x86intrin.h>

#include "system/system_state.h"
#include "system/uint128.h"

uint32_t ReadMultimediaTime() {
  const auto timeGetTime = GetSystemState().dlls.winmm.timeGetTime;
  return timeGetTime ? timeGetTime() : GetTickCount();
}

int GetTickMilliseconds() { return static_cast<int>(ReadMultimediaTime() & 0x7FFFFFFF); }

int64_t GetTickMicroseconds(int allowCpuCounter) {
  const SystemState& state = GetSystemState();
  constexpr uint64_t kMicroseconds = 1000000;
  if (state.info.cpuCounter && allowCpuCounter == 1 && state.run.initialised &&
      state.info.cpuCounterRate > 0) {
    const uint64_t ticks = __rdtsc();
    return static_cast<int64_t>(
        MulDivU64(ticks, kMicroseconds, static_cast<uint64_t>(state.info.cpuCounterRate)));
  }
  if (state.run.performanceCounter) {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<int64_t>(MulDivU64(static_cast<uint64_t>(counter.QuadPart), kMicroseconds,
                                          static_cast<uint64_t>(state.run.counterFrequency)));
  }
  return static_cast<int64_t>(ReadMultimediaTime()) * 1000;
}
