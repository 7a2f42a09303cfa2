#include "sound/movie_platform.h"

#include <windows.h>

#include <new>

namespace {

struct ThreadStart {
  int (*proc)(void* argument);
  void* argument;
};

DWORD WINAPI MovieThreadEntry(void* start) {
  const ThreadStart copy = *static_cast<ThreadStart*>(start);
  delete static_cast<ThreadStart*>(start);
  return static_cast<DWORD>(copy.proc(copy.argument));
}

}  // namespace

uintptr_t StartMovieThread(int (*proc)(void* argument), void* argument, uint32_t* threadId) {
  auto* start = new (std::nothrow) ThreadStart{proc, argument};
  if (!start) return 0;
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, MovieThreadEntry, start, 0, &id);
  if (!thread) {
    delete start;
    return 0;
  }
  if (threadId) *threadId = id;
  return reinterpret_cast<uintptr_t>(thread);
}

void CloseMovieThread(uintptr_t thread) {
  if (!thread) return;
  // The thread has said it is done; its last instructions may still be running.
  WaitForSingleObject(reinterpret_cast<HANDLE>(thread), INFINITE);
  CloseHandle(reinterpret_cast<HANDLE>(thread));
}

void SleepMovieThread(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }
