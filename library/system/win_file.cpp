// Disk files read directly, or through a worker thread that owns the file and
// serves one request at a time: reads, seeks, and read-ahead while idle.
#include <windows.h>

#include <climits>
#include <cstring>

#include "system/log.h"
#include "system/tracked_memory.h"
#include "system/win_file.h"

namespace {

enum class WinFileCommand : int { Open = 0, CloseHandle = 1, Read = 2, Seek = 3, Exit = 4 };

}  // namespace

struct WinFile {
  HANDLE fileHandle;  // the open file when no worker serves it
  int threaded;
  int useCache;
  int async;
  int endFlag;
  int position;
  int size;
  DWORD threadId;
  HANDLE thread;
  HANDLE workerFile;
  HANDLE commandEvent;  // manual reset; signalled to hand the worker a command
  HANDLE doneEvent;     // manual reset; signalled while the worker is idle
  WinFileCommand command;
  volatile LONG ended;
  int openFailed;
  char path[MAX_PATH];
  void* readDestination;
  int readPosition;
  int readSize;
  int readResult;  // bytes the last read delivered, from the cache and the disk
  int seekPosition;
  unsigned char* cache;
  int cacheFilePosition;
  int cacheBytes;
  int asyncRequested;  // bytes an unfinished asynchronous read asked for
};

namespace {

HANDLE OpenForReading(const char* path, DWORD share) {
  HANDLE h = CreateFileA(path, GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

// The file size as an int; files of 2 GiB or more are refused because
// positions are 32-bit signed.
bool TakeFileSize(HANDLE h, int* size) {
  DWORD high = 0;
  DWORD low = GetFileSize(h, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
  if (high != 0 || low > static_cast<DWORD>(INT_MAX)) return false;
  *size = static_cast<int>(low);
  return true;
}

bool SetWorkerFilePointer(WinFile* f, int position) {
  return SetFilePointer(f->workerFile, position, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
}

void TopUpCache(WinFile* f) {
  if (!f->workerFile || f->cacheBytes >= kReadAheadCacheSize) return;
  if (!SetWorkerFilePointer(f, f->cacheFilePosition + f->cacheBytes)) return;
  DWORD got = 0;
  if (ReadFile(f->workerFile, f->cache + f->cacheBytes,
               static_cast<DWORD>(kReadAheadCacheSize - f->cacheBytes), &got, nullptr)) {
    f->cacheBytes += static_cast<int>(got);
  }
}

void WorkerRead(WinFile* f) {
  auto* destination = static_cast<unsigned char*>(f->readDestination);
  int delivered = 0;
  if (f->cache && f->readPosition == f->cacheFilePosition && f->cacheBytes != 0) {
    const int n = f->readSize < f->cacheBytes ? f->readSize : f->cacheBytes;
    std::memcpy(destination, f->cache, static_cast<size_t>(n));
    destination += n;
    f->readPosition += n;
    f->readSize -= n;
    f->cacheFilePosition += n;
    f->cacheBytes -= n;
    if (f->cacheBytes > 0) std::memmove(f->cache, f->cache + n, static_cast<size_t>(f->cacheBytes));
    delivered = n;
  }
  if (f->readSize > 0) {
    DWORD got = 0;
    if (!SetWorkerFilePointer(f, f->readPosition) ||
        !ReadFile(f->workerFile, destination, static_cast<DWORD>(f->readSize), &got, nullptr)) {
      got = 0;
    }
    f->readSize = static_cast<int>(got);
    delivered += static_cast<int>(got);
    if (f->cache) {
      f->cacheFilePosition = f->readPosition + static_cast<int>(got);
      f->cacheBytes = 0;
    }
  }
  f->readResult = delivered;
}

DWORD WINAPI FileAccessThreadProc(void* parameter) {
  auto* f = static_cast<WinFile*>(parameter);
  for (;;) {
    const DWORD wait = WaitForSingleObject(f->commandEvent, f->cache ? 100 : INFINITE);
    if (wait == WAIT_TIMEOUT) {
      TopUpCache(f);
      continue;
    }
    if (wait != WAIT_OBJECT_0) break;
    ResetEvent(f->commandEvent);
    ResetEvent(f->doneEvent);
    bool exit = false;
    switch (f->command) {
      case WinFileCommand::Open:
        f->workerFile = OpenForReading(f->path, 0);
        if (!f->workerFile) {
          f->openFailed = 1;
          exit = true;
        }
        break;
      case WinFileCommand::CloseHandle:
        if (f->workerFile) CloseHandle(f->workerFile);
        f->workerFile = nullptr;
        break;
      case WinFileCommand::Read:
        WorkerRead(f);
        break;
      case WinFileCommand::Seek:
        SetWorkerFilePointer(f, f->seekPosition);
        if (f->cache) {
          f->cacheBytes = 0;
          f->cacheFilePosition = f->seekPosition;
        }
        break;
      case WinFileCommand::Exit:
        if (f->workerFile) CloseHandle(f->workerFile);
        f->workerFile = nullptr;
        exit = true;
        break;
    }
    if (exit) break;
    SetEvent(f->doneEvent);
  }
  SetEvent(f->doneEvent);
  InterlockedExchange(&f->ended, 1);
  return 1;
}

// An asynchronous read advanced the position by what it asked for; once it
// is done, take back what the disk did not deliver.
void SettleAsyncRead(WinFile* f) {
  if (f->asyncRequested <= 0) return;
  if (f->readResult < f->asyncRequested) f->position -= f->asyncRequested - f->readResult;
  f->asyncRequested = 0;
}

// The caller waits for the worker to be idle first, so at most one request
// is ever in flight and the command fields are never written while it reads them.
void IssueCommand(WinFile* f, WinFileCommand command) {
  f->command = command;
  ResetEvent(f->doneEvent);
  SetEvent(f->commandEvent);
}

void ReleaseWorkerParts(WinFile* f) {
  FreeTrackedMemory(f->cache);
  if (f->commandEvent) CloseHandle(f->commandEvent);
  if (f->doneEvent) CloseHandle(f->doneEvent);
  if (f->thread) {
    WaitForSingleObject(f->thread, INFINITE);
    CloseHandle(f->thread);
  }
  FreeTrackedMemory(f);
}

}  // namespace

WinFile* OpenWinFile(const char* path, int useCache, int reserved, int async) {
  if (!path || std::strlen(path) >= sizeof(WinFile::path)) return nullptr;
  auto* f = static_cast<WinFile*>(TRACKED_ALLOC_ZEROED(sizeof(WinFile)));
  if (!f) return nullptr;
  f->useCache = useCache;
  f->async = async;
  f->threaded = (useCache || async) ? 1 : 0;

  HANDLE probe = OpenForReading(path, FILE_SHARE_READ);
  if (!probe) {
    FreeTrackedMemory(f);
    return nullptr;
  }
  if (!TakeFileSize(probe, &f->size)) {
    CloseHandle(probe);
    FreeTrackedMemory(f);
    return nullptr;
  }
  if (!f->threaded) {
    f->fileHandle = probe;
    return f;
  }
  CloseHandle(probe);

  if (useCache) {
    f->cache = static_cast<unsigned char*>(TRACKED_ALLOC(kReadAheadCacheSize));
    if (!f->cache) {
      FreeTrackedMemory(f);
      AppendLog("ファイル読み込みキャッシュ用メモリの確保に失敗しました\n");
      return nullptr;
    }
  }
  f->commandEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  f->doneEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  if (f->commandEvent && f->doneEvent) {
    f->thread = CreateThread(nullptr, 0, FileAccessThreadProc, f, 0, &f->threadId);
  }
  if (!f->thread) {
    ReleaseWorkerParts(f);
    AppendLog("ファイルアクセス専用スレッドの作成に失敗しました\n");
    return nullptr;
  }

  std::strcpy(f->path, path);
  IssueCommand(f, WinFileCommand::Open);
  WaitForSingleObject(f->doneEvent, INFINITE);
  if (f->openFailed) {
    ReleaseWorkerParts(f);
    AppendLog("ファイルのオープンに失敗しました\n");
    return nullptr;
  }
  return f;
}

int CloseWinFile(WinFile* file) {
  if (!file) return -1;
  if (!file->threaded) {
    const BOOL closed = CloseHandle(file->fileHandle);
    FreeTrackedMemory(file);
    return closed ? 0 : -1;
  }
  WaitForWinFileIdle(file);
  IssueCommand(file, WinFileCommand::Exit);
  WaitForSingleObject(file->doneEvent, INFINITE);
  ReleaseWorkerParts(file);
  return 0;
}

int TellWinFile(WinFile* file) { return file->position; }

int SeekWinFile(WinFile* file, int offset, int origin) {
  // A pending asynchronous read settles first, so a relative target is exact.
  WaitForWinFileIdle(file);
  long long target = offset;
  if (origin == 1) target += file->position;
  if (origin == 2) target += file->size;
  if (target < 0 || target > INT_MAX) return -1;
  const int position = static_cast<int>(target);
  if (file->threaded) {
    // The worker moves its file pointer later; the position is ours at once,
    // so the next read already starts from the target.
    file->seekPosition = position;
    IssueCommand(file, WinFileCommand::Seek);
  } else if (SetFilePointer(file->fileHandle, position, nullptr, FILE_BEGIN) ==
             INVALID_SET_FILE_POINTER) {
    return -1;
  }
  file->position = position;
  file->endFlag = 0;
  return 0;
}

int ReadWinFile(void* buffer, size_t elementSize, size_t count, WinFile* file) {
  if (elementSize == 0) return 0;
  WaitForWinFileIdle(file);
  if (file->position >= file->size) {
    file->endFlag = 1;
    return 0;
  }
  const size_t left = static_cast<size_t>(file->size - file->position);
  if (count > left / elementSize) {
    count = left / elementSize;
    if (count == 0) {
      file->endFlag = 1;
      return 0;
    }
  }
  const int bytes = static_cast<int>(elementSize * count);

  if (file->threaded) {
    file->readDestination = buffer;
    file->readPosition = file->position;
    file->readSize = bytes;
    file->readResult = 0;
    IssueCommand(file, WinFileCommand::Read);
    if (file->async) {
      file->position += bytes;
      file->asyncRequested = bytes;
      return static_cast<int>(count);
    }
    WaitForSingleObject(file->doneEvent, INFINITE);
    file->position += file->readResult;
    return static_cast<int>(static_cast<size_t>(file->readResult) / elementSize);
  }

  DWORD got = 0;
  if (!ReadFile(file->fileHandle, buffer, static_cast<DWORD>(bytes), &got, nullptr)) {
    // The file pointer moved by what was read; keep the position with it.
    SetFilePointer(file->fileHandle, file->position + static_cast<int>(got), nullptr, FILE_BEGIN);
  }
  file->position += static_cast<int>(got);
  return static_cast<int>(got / elementSize);
}

int IsWinFileEof(WinFile* file) { return file->endFlag ? -1 : 0; }

int IsWinFileIdle(WinFile* file) {
  if (!file->threaded) return 1;
  if (WaitForSingleObject(file->doneEvent, 0) != WAIT_OBJECT_0) return 0;
  SettleAsyncRead(file);
  return 1;
}

void WaitForWinFileIdle(WinFile* file) {
  if (!file->threaded) return;
  WaitForSingleObject(file->doneEvent, INFINITE);
  SettleAsyncRead(file);
}

int GetWinFileSize(WinFile* file) { return file->size; }

const FileAccessTable kWinFileAccessTable = {
    [](const char* path, int useCache, int reserved, int async) {
      return reinterpret_cast<StreamHandle>(OpenWinFile(path, useCache, reserved, async));
    },
    [](StreamHandle h) { return CloseWinFile(reinterpret_cast<WinFile*>(h)); },
    [](StreamHandle h) { return TellWinFile(reinterpret_cast<WinFile*>(h)); },
    [](StreamHandle h, int offset, int origin) {
      return SeekWinFile(reinterpret_cast<WinFile*>(h), offset, origin);
    },
    [](void* buffer, size_t elementSize, size_t count, StreamHandle h) {
      return ReadWinFile(buffer, elementSize, count, reinterpret_cast<WinFile*>(h));
    },
    [](StreamHandle h) { return IsWinFileEof(reinterpret_cast<WinFile*>(h)); },
    [](StreamHandle h) { return IsWinFileIdle(reinterpret_cast<WinFile*>(h)); },
    SetWinFileDir,
    GetWinFileDir,
    FindFirstWinFile,
    FindNextWinFile,
    FindCloseWinFile,
};
