// A critical section that makes itself on first use. The record may sit in
// zeroed static storage and be entered first by any thread: the interlocked
// state lets exactly one thread initialise it while the others wait.
#ifndef OMBREL_SYSTEM_LAZY_LOCK_H
#define OMBREL_SYSTEM_LAZY_LOCK_H

#include <windows.h>

struct LazyLock {
  volatile LONG state;  // 0 not made, 1 being made, 2 ready
  CRITICAL_SECTION section;
};

inline void EnsureLazyLock(LazyLock* lock) {
  if (lock->state == 2) return;
  if (InterlockedCompareExchange(&lock->state, 1, 0) == 0) {
    InitializeCriticalSection(&lock->section);
    InterlockedExchange(&lock->state, 2);
    return;
  }
  while (lock->state != 2) Sleep(0);
}

inline void EnterLazyLock(LazyLock* lock) {
  EnsureLazyLock(lock);
  EnterCriticalSection(&lock->section);
}

inline void LeaveLazyLock(LazyLock* lock) { LeaveCriticalSection(&lock->section); }

// Holds a lazy lock for one scope.
class LazyLockHolder {
 public:
  explicit LazyLockHolder(LazyLock* lock) : lock_(lock) { EnterLazyLock(lock_); }
  ~LazyLockHolder() { LeaveLazyLock(lock_); }
  LazyLockHolder(const LazyLockHolder&) = delete;
  LazyLockHolder& operator=(const LazyLockHolder&) = delete;

 private:
  LazyLock* lock_;
};

#endif
