#include "system/clock.h"

#include <windows.h>
#include <x86intrin.h>

#include "system/system_state.h"
#include "system/uint128.h"

uint32_t ReadMultimediaTime() {
  const auto timeGetTime = GetSystemState().dlls.winmm.timeGetTime;
  return timeGetTime ? timeGetTime() : GetTickCount();
}

void BeginSmallestTimerPeriod() {
  SystemState& state = GetSystemState();
  const WinmmFunctions& winmm = state.dlls.winmm;
  if (state.timerPeriod.begun || !winmm.timeGetDevCaps || !winmm.timeBeginPeriod) return;
  TIMECAPS caps = {};
  if (winmm.timeGetDevCaps(&caps, sizeof caps) != 0) return;
  if (winmm.timeBeginPeriod(caps.wPeriodMin) != 0) return;
  state.timerPeriod.begun = 1;
  state.timerPeriod.period = caps.wPeriodMin;
}

void EndSmallestTimerPeriod() {
  SystemState& state = GetSystemState();
  if (!state.timerPeriod.begun) return;
  // The period must be ended even after the winmm entries were dropped.
  const auto timeEndPeriodEntry = state.dlls.winmm.timeEndPeriod;
  if (timeEndPeriodEntry) {
    timeEndPeriodEntry(state.timerPeriod.period);
  } else {
    HMODULE winmm = GetModuleHandleA("winmm.dll");
    auto direct = winmm ? reinterpret_cast<MMRESULT(WINAPI*)(UINT)>(
                              reinterpret_cast<void*>(GetProcAddress(winmm, "timeEndPeriod")))
                        : nullptr;
    if (direct) direct(state.timerPeriod.period);
  }
  state.timerPeriod = TimerPeriodState{};
}

unsigned GetBegunTimerPeriod() {
  const TimerPeriodState& period = GetSystemState().timerPeriod;
  return period.begun ? period.period : 0;
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
