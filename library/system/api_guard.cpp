#include "system/api_guard.h"

#include <windows.h>

namespace {

constexpr DWORD kNoOwner = static_cast<DWORD>(-1);

ApiGuard& Guard() { return GetApiGuard(); }

// One event per queue place, made on first use. The interlocked state lets
// the first two callers race safely.
void MakeGuardEvents(ApiGuard& guard) {
  if (guard.eventsMade == 2) return;
  if (InterlockedCompareExchange(&guard.eventsMade, 1, 0) != 0) {
    while (guard.eventsMade != 2) Sleep(0);
    return;
  }
  for (ApiGuardWaiter& waiter : guard.queue) {
    waiter.threadId = 0;
    waiter.event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  }
  InitializeCriticalSection(&guard.section);
  guard.owner = kNoOwner;
  InterlockedExchange(&guard.eventsMade, 2);
}

// The head waiter takes its place out of the queue; its event goes to the
// freed last place, so every place keeps an event.
void LeaveQueueFromHead(ApiGuard& guard) {
  if (guard.count == 1) {
    guard.count = 0;
    return;
  }
  const HANDLE headEvent = guard.queue[0].event;
  for (int i = 1; i < guard.count; ++i) guard.queue[i - 1] = guard.queue[i];
  guard.queue[guard.count - 1] = ApiGuardWaiter{0, headEvent};
  --guard.count;
}

}  // namespace

void AcquireApiGuard() {
  ApiGuard& guard = Guard();
  MakeGuardEvents(guard);
  const DWORD me = GetCurrentThreadId();
  for (;;) {
    EnterCriticalSection(&guard.section);
    bool take = false;
    if (guard.busy) {
      take = guard.owner == me;
    } else if (guard.count == 0 || guard.owner == me) {
      take = true;
    } else if (guard.queue[0].threadId == me) {
      LeaveQueueFromHead(guard);
      take = true;
    }
    if (take) {
      ++guard.nesting;
      guard.busy = 1;
      guard.owner = me;
      LeaveCriticalSection(&guard.section);
      return;
    }
    if (guard.count == kApiGuardQueueSize) {
      LeaveCriticalSection(&guard.section);
      Sleep(1);
      continue;
    }
    ApiGuardWaiter& place = guard.queue[guard.count++];
    place.threadId = me;
    const HANDLE event = place.event;
    LeaveCriticalSection(&guard.section);
    WaitForSingleObject(event, INFINITE);
    ResetEvent(event);
  }
}

void ReleaseApiGuard() {
  ApiGuard& guard = Guard();
  if (guard.eventsMade != 2) return;
  EnterCriticalSection(&guard.section);
  bool wake = false;
  if (guard.nesting == 1) {
    guard.busy = 0;
    guard.owner = kNoOwner;
    wake = guard.count > 0;
  }
  if (guard.nesting > 0) --guard.nesting;
  LeaveCriticalSection(&guard.section);
  if (wake) {
    SetEvent(guard.queue[0].event);
    Sleep(0);
  }
}

int IsApiGuardHeldByCaller() {
  const ApiGuard& guard = Guard();
  // Only the owning thread writes its own id there, so a thread can find
  // itself there without the critical section only while it owns the guard.
  return guard.eventsMade == 2 && guard.busy && guard.owner == GetCurrentThreadId() ? 1 : 0;
}

void TeardownApiGuard() {
  ApiGuard& guard = Guard();
  if (guard.eventsMade != 2) return;
  InterlockedExchange(&guard.eventsMade, 0);
  for (ApiGuardWaiter& waiter : guard.queue) {
    CloseHandle(waiter.event);
    waiter = ApiGuardWaiter{};
  }
  DeleteCriticalSection(&guard.section);
}
