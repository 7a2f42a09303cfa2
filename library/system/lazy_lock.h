// A critical section that makes itself on first use. The record may sit in
// zeroed static storage and be entered first by any thread: the interlocked
// state lets exactly one thread initialise it while the others wait.
#ifndef OMBREL_SYSTEM_LAZY_LOCK_H
#define OMBREL_SYSTEM_LAZY_LOCK_H

#ifdef _WIN32

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

// Frees a lock that was made; the record may then be zeroed and used again.
inline void DeleteLazyLock(LazyLock* lock) {
  if (lock->state != 2) return;
  DeleteCriticalSection(&lock->section);
  lock->state = 0;
}

#else  // the native builds of the platform-free units, for the sanitizers

#include <pthread.h>

// A zeroed pthread mutex is a ready default mutex, so nothing is made on
// first use here.
struct LazyLock {
  pthread_mutex_t section;
};

inline void EnsureLazyLock(LazyLock*) {}
inline void EnterLazyLock(LazyLock* lock) { pthread_mutex_lock(&lock->section); }
inline void LeaveLazyLock(LazyLock* lock) { pthread_mutex_unlock(&lock->section); }
inline void DeleteLazyLock(LazyLock* lock) { pthread_mutex_destroy(&lock->section); }

#endif

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
