// The ApiGuard: a re-entrant lock that hands itself over strictly in the
// order in which threads asked for it. Start-up, shut-down and message
// processing run under it.
#ifndef OMBREL_SYSTEM_API_GUARD_H
#define OMBREL_SYSTEM_API_GUARD_H

#include <windows.h>

constexpr int kApiGuardQueueSize = 4096;

struct ApiGuardWaiter {
  DWORD threadId;
  HANDLE event;
};

struct ApiGuard {
  volatile LONG eventsMade;  // 0 none, 1 being made, 2 made
  CRITICAL_SECTION section;
  int nesting;
  int busy;
  DWORD owner;  // (DWORD)-1 when free
  int count;
  ApiGuardWaiter queue[kApiGuardQueueSize];
};

// The guard's record, kept in the system state across start-ups.
ApiGuard& GetApiGuard();

// Returns once the calling thread owns the guard; the owner may call again.
void AcquireApiGuard();
// Undoes one AcquireApiGuard of the owner; the last one wakes the oldest
// waiter.
void ReleaseApiGuard();
// 1 when the calling thread owns the guard now.
int IsApiGuardHeldByCaller();
// Closes the waiters' events and deletes the critical section (library end,
// fatal exit); the next AcquireApiGuard makes them anew.
void TeardownApiGuard();

#endif
