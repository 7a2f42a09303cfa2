#include "system/tracked_memory.h"

#include <windows.h>

#include "system/log.h"
#include "system/string_helpers.h"
#include "system/system_state.h"

namespace {

TrackedMemoryState& Memory() { return GetSystemState().memory; }

void RefreshCopy(TrackedMemoryHeader* header) { CopyBytes(header->copy, header, kTrackedCopySize); }

void RecordSource(TrackedMemoryHeader* header, const char* file, int line) {
  FillBytes(header->fileTail, 0, sizeof header->fileTail);
  if (file) {
    const size_t length = StringLength(file);
    const size_t keep = sizeof header->fileTail - 1;
    CopyStringN(header->fileTail, length > keep ? file + length - keep : file, keep);
  }
  header->line = static_cast<uint16_t>(line);
}

// The header would push the request past the address space.
bool TooLarge(size_t size) { return size > static_cast<size_t>(-1) - kTrackedHeaderSize; }

}  // namespace

TrackedMemoryHeader* GetTrackedMemoryHeader(void* pointer) {
  return static_cast<TrackedMemoryHeader*>(pointer) - 1;
}

void* AllocTrackedMemory(size_t size, const char* file, int line) {
  TrackedMemoryState& memory = Memory();
  LazyLockHolder hold(&memory.lock);
  auto* header = TooLarge(size) ? nullptr
                                : static_cast<TrackedMemoryHeader*>(
                                      HeapAlloc(GetProcessHeap(), 0, size + kTrackedHeaderSize));
  if (!header) {
    DumpTrackedMemory();
    CheckTrackedMemory();
    return nullptr;
  }
  RecordSource(header, file, line);
  header->size = static_cast<uint32_t>(size);
  header->id = memory.counter++;

  if (!memory.tail) memory.tail = &memory.sentinel;
  TrackedMemoryHeader* oldTail = memory.tail;
  oldTail->next = header;
  header->previous = oldTail;
  header->next = nullptr;
  memory.tail = header;
  RefreshCopy(header);
  RefreshCopy(oldTail);

  memory.totalSize = static_cast<int>(static_cast<uint32_t>(memory.totalSize) + header->size);
  ++memory.blockCount;
  if (static_cast<int>(header->size) == memory.sizeToLog) {
    AppendLog("mem alloc  ");
    LogTrackedMemoryBlock(header);
  }
  return header + 1;
}

void* AllocTrackedMemoryZeroed(size_t size, const char* file, int line) {
  void* pointer = AllocTrackedMemory(size, file, line);
  if (pointer) FillBytes(pointer, 0, size);
  return pointer;
}

void* ReallocTrackedMemory(void* pointer, size_t size, const char* file, int line) {
  if (!pointer) return AllocTrackedMemory(size, file, line);
  TrackedMemoryState& memory = Memory();
  LazyLockHolder hold(&memory.lock);
  TrackedMemoryHeader* old = GetTrackedMemoryHeader(pointer);
  const uint32_t oldSize = old->size;
  auto* header = TooLarge(size) ? nullptr
                                : static_cast<TrackedMemoryHeader*>(
                                      HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, old,
                                                  size + kTrackedHeaderSize));
  if (!header) {
    DumpTrackedMemory();
    return nullptr;
  }
  // A block that shrank earlier and grows now must not show its old bytes.
  if (size > oldSize) FillBytes(reinterpret_cast<unsigned char*>(header + 1) + oldSize, 0, size - oldSize);

  RecordSource(header, file, line);
  header->size = static_cast<uint32_t>(size);
  header->id = memory.counter++;
  header->previous->next = header;
  if (header->next) {
    header->next->previous = header;
    RefreshCopy(header->next);
  } else {
    memory.tail = header;
  }
  RefreshCopy(header);
  RefreshCopy(header->previous);

  memory.totalSize =
      static_cast<int>(static_cast<uint32_t>(memory.totalSize) - oldSize + header->size);
  if (static_cast<int>(header->size) == memory.sizeToLog) {
    AppendLog("mem realloc  ");
    LogTrackedMemoryBlock(header);
  }
  return header + 1;
}

void FreeTrackedMemory(void* pointer) {
  if (!pointer) return;
  TrackedMemoryState& memory = Memory();
  LazyLockHolder hold(&memory.lock);
  TrackedMemoryHeader* header = GetTrackedMemoryHeader(pointer);
  memory.totalSize = static_cast<int>(static_cast<uint32_t>(memory.totalSize) - header->size);
  --memory.blockCount;

  header->previous->next = header->next;
  if (header->next) {
    header->next->previous = header->previous;
    RefreshCopy(header->next);
  } else {
    memory.tail = header->previous;
  }
  RefreshCopy(header->previous);

  if (static_cast<int>(header->size) == memory.sizeToLog) {
    AppendLog("mem free  ");
    LogTrackedMemoryBlock(header);
  }
  HeapFree(GetProcessHeap(), 0, header);
}

int CheckTrackedMemory() {
  TrackedMemoryState& memory = Memory();
  LazyLockHolder hold(&memory.lock);
  // Each header is checked before its previous link is followed, so a
  // broken link is reported instead of walked.
  for (TrackedMemoryHeader* header = memory.tail; header && header != &memory.sentinel;
       header = header->previous) {
    if (CompareBytes(header->copy, header, kTrackedCopySize) != 0) {
      AppendLog("以下のメモリ確保情報が破損しました");
      LogTrackedMemoryBlock(header);
      return -1;
    }
  }
  return 0;
}

int DumpTrackedMemory() {
  TrackedMemoryState& memory = Memory();
  LazyLockHolder hold(&memory.lock);
  AppendLog("\n");
  AppendLog("Alloc memory dump\n");
  for (TrackedMemoryHeader* header = memory.tail; header && header != &memory.sentinel;
       header = header->previous) {
    LogTrackedMemoryBlock(header);
  }
  LogTrackedMemoryTotals();
  AppendLog("\n");
  return 0;
}

int LogTrackedMemoryBlock(const TrackedMemoryHeader* header) {
  // The tail is copied with a bound: in a broken header it may have lost
  // its terminator.
  char fileTail[sizeof header->fileTail];
  CopyStringN(fileTail, header->fileTail, sizeof fileTail - 1);
  const auto* data = reinterpret_cast<const unsigned char*>(header + 1);
  const uint32_t shown = header->size < 16 ? header->size : 16;

  char line[256];
  FormatString(line, sizeof line,
               "\tsize:%10d(%10.3fkb)  file:%-26s  line:%-5d  ID:%-5d  addr:%08llx  data:<",
               static_cast<int>(header->size), header->size / 1024.0, fileTail,
               static_cast<int>(header->line), static_cast<int>(header->id),
               static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(data)));
  size_t length = StringLength(line);
  for (uint32_t i = 0; i < shown; ++i) {
    line[length++] = data[i] < 0x20 || data[i] >= 0x80 ? '.' : static_cast<char>(data[i]);
  }
  if (shown == 0) {
    CopyString(line + length, ">]\n");
  } else {
    CopyString(line + length, "> [");
    length += 3;
    for (uint32_t i = 0; i < shown; ++i) {
      FormatString(line + length, sizeof line - length, "%02x ", data[i]);
      length += 3;
    }
    CopyString(line + length - 1, "]\n");
  }
  AppendLog(line);
  return 0;
}

int LogTrackedMemoryTotals() {
  TrackedMemoryState& memory = Memory();
  LazyLockHolder hold(&memory.lock);
  AppendLogFormat("\tTotal size:%d(%.3fkb)  Alloc num:%d", memory.totalSize,
                  memory.totalSize / 1024.0, memory.blockCount);
  return 0;
}
