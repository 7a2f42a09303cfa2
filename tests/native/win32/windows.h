// The native thread-sanitizer build's form of the few Win32 calls that the
// threaded units make: threads, events, waits, critical sections, the
// interlocked operations and plain reads of a disk file. Done with POSIX
// threads and files in native_threads.cpp, so the sanitizer sees every
// hand-over the units rely on. Nothing else of the platform is here: a unit
// that needs more belongs to the Windows build only.
#ifndef OMBREL_TESTS_NATIVE_WIN32_WINDOWS_H
#define OMBREL_TESTS_NATIVE_WIN32_WINDOWS_H

#include <pthread.h>
#include <stdint.h>

#define WINAPI
#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0u
#define WAIT_TIMEOUT 258u
#define WAIT_FAILED 0xFFFFFFFFu
#define CREATE_SUSPENDED 0x4u
#define THREAD_PRIORITY_TIME_CRITICAL 15
#define GENERIC_READ 0x80000000u
#define FILE_SHARE_READ 0x1u
#define OPEN_EXISTING 3u
#define FILE_ATTRIBUTE_NORMAL 0x80u
#define FILE_BEGIN 0u
#define NO_ERROR 0u
#define INVALID_FILE_SIZE 0xFFFFFFFFu
#define INVALID_SET_FILE_POINTER 0xFFFFFFFFu
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))

typedef int BOOL;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef void* HANDLE;
typedef DWORD(WINAPI* LPTHREAD_START_ROUTINE)(void* parameter);

// Re-entrant, as a Windows critical section is.
struct CRITICAL_SECTION {
  pthread_mutex_t mutex;
};

void InitializeCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);

// Threads: the handle is signalled when the thread's function has returned.
// Priorities are not modelled (setting one succeeds and changes nothing).
HANDLE CreateThread(void* attributes, size_t stackSize, LPTHREAD_START_ROUTINE start,
                    void* parameter, DWORD flags, DWORD* threadId);
DWORD ResumeThread(HANDLE thread);
BOOL SetThreadPriority(HANDLE thread, int priority);
DWORD GetCurrentThreadId();
void Sleep(DWORD milliseconds);

// Events, manual or automatic reset.
HANDLE CreateEventA(void* attributes, BOOL manualReset, BOOL initialState, const char* name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

// Waits on an event or a thread.
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
BOOL CloseHandle(HANDLE object);

// Disk files opened for reading; the share mode is not modelled.
HANDLE CreateFileA(const char* path, DWORD access, DWORD share, void* security, DWORD creation,
                   DWORD attributes, HANDLE templateFile);
BOOL ReadFile(HANDLE file, void* buffer, DWORD bytes, DWORD* read, void* overlapped);
DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method);
DWORD GetFileSize(HANDLE file, DWORD* sizeHigh);
DWORD GetLastError();

inline LONG InterlockedCompareExchange(volatile LONG* target, LONG exchange, LONG comparand) {
  __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST,
                              __ATOMIC_SEQ_CST);
  return comparand;
}
inline LONG InterlockedExchange(volatile LONG* target, LONG value) {
  return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedIncrement(volatile LONG* target) {
  return __atomic_add_fetch(target, 1, __ATOMIC_SEQ_CST);
}
inline LONG InterlockedDecrement(volatile LONG* target) {
  return __atomic_sub_fetch(target, 1, __ATOMIC_SEQ_CST);
}

#endif
