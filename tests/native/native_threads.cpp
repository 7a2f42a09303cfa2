// The Win32 calls of win32/windows.h over POSIX threads and files, for the
// thread-sanitizer build of the threaded units. Every wait and signal goes
// through a pthread mutex and condition, so the sanitizer sees the same
// hand-overs that the Windows objects give.
#include <windows.h>

#include <errno.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <new>

namespace {

enum class Kind { Event, Thread, File };

// A kernel object: events and threads are waitable, a file is a descriptor.
// A thread's object is shared by its handle and the running thread; the last
// of the two to let go deletes it.
struct Object {
  Kind kind;
  pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
  pthread_cond_t changed;
  bool signalled = false;
  bool manualReset = true;
  // Threads
  LPTHREAD_START_ROUTINE start = nullptr;
  void* parameter = nullptr;
  bool resumed = true;
  DWORD threadId = 0;  // published by the thread before it waits to be resumed
  pthread_t thread{};
  std::atomic<int> references{1};
  // Files
  int descriptor = -1;

  explicit Object(Kind k) : kind(k) {
    pthread_condattr_t attributes;
    pthread_condattr_init(&attributes);
    pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
    pthread_cond_init(&changed, &attributes);
    pthread_condattr_destroy(&attributes);
  }
  ~Object() {
    pthread_cond_destroy(&changed);
    pthread_mutex_destroy(&mutex);
  }
};

thread_local DWORD lastError = NO_ERROR;

void LetGo(Object* object) {
  if (object->references.fetch_sub(1) == 1) delete object;
}

void Signal(Object* object) {
  pthread_mutex_lock(&object->mutex);
  object->signalled = true;
  pthread_cond_broadcast(&object->changed);
  pthread_mutex_unlock(&object->mutex);
}

void* ThreadEntry(void* argument) {
  auto* object = static_cast<Object*>(argument);
  pthread_mutex_lock(&object->mutex);
  object->threadId = GetCurrentThreadId();
  pthread_cond_broadcast(&object->changed);
  while (!object->resumed) pthread_cond_wait(&object->changed, &object->mutex);
  pthread_mutex_unlock(&object->mutex);
  object->start(object->parameter);
  Signal(object);
  LetGo(object);
  return nullptr;
}

timespec Deadline(DWORD milliseconds) {
  timespec at;
  clock_gettime(CLOCK_MONOTONIC, &at);
  at.tv_sec += milliseconds / 1000;
  at.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
  if (at.tv_nsec >= 1000000000L) {
    at.tv_sec += 1;
    at.tv_nsec -= 1000000000L;
  }
  return at;
}

}  // namespace

void InitializeCriticalSection(CRITICAL_SECTION* section) {
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(&section->mutex, &attributes);
  pthread_mutexattr_destroy(&attributes);
}
void DeleteCriticalSection(CRITICAL_SECTION* section) { pthread_mutex_destroy(&section->mutex); }
void EnterCriticalSection(CRITICAL_SECTION* section) { pthread_mutex_lock(&section->mutex); }
void LeaveCriticalSection(CRITICAL_SECTION* section) { pthread_mutex_unlock(&section->mutex); }

HANDLE CreateThread(void*, size_t, LPTHREAD_START_ROUTINE start, void* parameter, DWORD flags,
                    DWORD* threadId) {
  auto* object = new (std::nothrow) Object(Kind::Thread);
  if (!object) return nullptr;
  object->start = start;
  object->parameter = parameter;
  object->resumed = (flags & CREATE_SUSPENDED) == 0;
  object->references = 2;  // the handle and the thread
  if (pthread_create(&object->thread, nullptr, ThreadEntry, object) != 0) {
    delete object;
    return nullptr;
  }
  pthread_detach(object->thread);
  // The id is the one GetCurrentThreadId gives inside the thread.
  pthread_mutex_lock(&object->mutex);
  while (object->threadId == 0) pthread_cond_wait(&object->changed, &object->mutex);
  if (threadId) *threadId = object->threadId;
  pthread_mutex_unlock(&object->mutex);
  return object;
}

DWORD ResumeThread(HANDLE thread) {
  auto* object = static_cast<Object*>(thread);
  pthread_mutex_lock(&object->mutex);
  const DWORD wasSuspended = object->resumed ? 0 : 1;
  object->resumed = true;
  pthread_cond_broadcast(&object->changed);
  pthread_mutex_unlock(&object->mutex);
  return wasSuspended;
}

BOOL SetThreadPriority(HANDLE, int) { return TRUE; }

DWORD GetCurrentThreadId() { return static_cast<DWORD>(syscall(SYS_gettid)); }

void Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  timespec span{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&span, &span) != 0 && errno == EINTR) {
  }
}

HANDLE CreateEventA(void*, BOOL manualReset, BOOL initialState, const char*) {
  auto* object = new (std::nothrow) Object(Kind::Event);
  if (!object) return nullptr;
  object->manualReset = manualReset != FALSE;
  object->signalled = initialState != FALSE;
  return object;
}

BOOL SetEvent(HANDLE event) {
  Signal(static_cast<Object*>(event));
  return TRUE;
}

BOOL ResetEvent(HANDLE event) {
  auto* object = static_cast<Object*>(event);
  pthread_mutex_lock(&object->mutex);
  object->signalled = false;
  pthread_mutex_unlock(&object->mutex);
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  auto* object = static_cast<Object*>(handle);
  if (!object || object->kind == Kind::File) return WAIT_FAILED;
  const timespec deadline = Deadline(milliseconds == INFINITE ? 0 : milliseconds);
  pthread_mutex_lock(&object->mutex);
  DWORD result = WAIT_OBJECT_0;
  while (!object->signalled) {
    if (milliseconds == INFINITE) {
      pthread_cond_wait(&object->changed, &object->mutex);
    } else if (pthread_cond_timedwait(&object->changed, &object->mutex, &deadline) == ETIMEDOUT) {
      result = object->signalled ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
      break;
    }
  }
  if (result == WAIT_OBJECT_0 && object->kind == Kind::Event && !object->manualReset) {
    object->signalled = false;
  }
  pthread_mutex_unlock(&object->mutex);
  return result;
}

BOOL CloseHandle(HANDLE handle) {
  auto* object = static_cast<Object*>(handle);
  if (!object || handle == INVALID_HANDLE_VALUE) return FALSE;
  if (object->kind == Kind::File) {
    const int closed = close(object->descriptor);
    delete object;
    return closed == 0 ? TRUE : FALSE;
  }
  LetGo(object);
  return TRUE;
}

HANDLE CreateFileA(const char* path, DWORD access, DWORD, void*, DWORD creation, DWORD, HANDLE) {
  if (access != GENERIC_READ || creation != OPEN_EXISTING) {
    lastError = EINVAL;
    return INVALID_HANDLE_VALUE;
  }
  const int descriptor = open(path, O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) {
    lastError = static_cast<DWORD>(errno);
    return INVALID_HANDLE_VALUE;
  }
  auto* object = new (std::nothrow) Object(Kind::File);
  if (!object) {
    close(descriptor);
    return INVALID_HANDLE_VALUE;
  }
  object->descriptor = descriptor;
  return object;
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD bytes, DWORD* read, void*) {
  auto* object = static_cast<Object*>(file);
  auto* at = static_cast<char*>(buffer);
  DWORD done = 0;
  while (done < bytes) {
    const ssize_t got = ::read(object->descriptor, at + done, bytes - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      lastError = static_cast<DWORD>(errno);
      if (read) *read = done;
      return FALSE;
    }
    if (got == 0) break;
    done += static_cast<DWORD>(got);
  }
  if (read) *read = done;
  return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) {
  auto* object = static_cast<Object*>(file);
  int64_t offset = distance;
  if (distanceHigh) offset = (static_cast<int64_t>(*distanceHigh) << 32) | static_cast<uint32_t>(distance);
  const off_t moved = method == FILE_BEGIN ? lseek(object->descriptor, offset, SEEK_SET) : -1;
  if (moved < 0) {
    lastError = EINVAL;
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh) *distanceHigh = static_cast<LONG>(moved >> 32);
  return static_cast<DWORD>(moved);
}

DWORD GetFileSize(HANDLE file, DWORD* sizeHigh) {
  struct stat status;
  if (fstat(static_cast<Object*>(file)->descriptor, &status) != 0) {
    lastError = static_cast<DWORD>(errno);
    return INVALID_FILE_SIZE;
  }
  lastError = NO_ERROR;
  if (sizeHigh) *sizeHigh = static_cast<DWORD>(static_cast<uint64_t>(status.st_size) >> 32);
  return static_cast<DWORD>(status.st_size);
}

DWORD GetLastError() { return lastError; }
