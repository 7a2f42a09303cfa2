// The library's tracked allocator: every block carries a header and
// is listed, so totals, dumps and corruption checks cover all library memory.
#ifndef OMBREL_SYSTEM_TRACKED_MEMORY_H
#define OMBREL_SYSTEM_TRACKED_MEMORY_H

#include <stddef.h>
#include <stdint.h>

#include "Ombrel.h"

// The fields the header's copy repeats: 32 bytes in the 32-bit program, 40
// where pointers are 8 bytes.
constexpr size_t kTrackedCopySize = 24 + 2 * sizeof(void*);

// Sits directly before the user pointer. The copy repeats every field before
// it, so that an overwritten header is noticed.
struct TrackedMemoryHeader {
  char fileTail[16];  // the last 15 characters of the source file's name
  uint16_t id;
  uint16_t line;
  uint32_t size;
  TrackedMemoryHeader* previous;
  TrackedMemoryHeader* next;
  unsigned char copy[kTrackedCopySize];
};
static_assert(offsetof(TrackedMemoryHeader, copy) == kTrackedCopySize,
              "the copy covers every field before it");
// The 32-bit program keeps its 64-byte header; 64-bit builds take the natural
// layout, 80 bytes, which keeps blocks 16-byte aligned.
static_assert(sizeof(void*) != 4 || sizeof(TrackedMemoryHeader) == 64,
              "the block header is 64 bytes");
static_assert(sizeof(TrackedMemoryHeader) % 16 == 0 || sizeof(void*) == 4,
              "blocks keep the heap's alignment");

constexpr size_t kTrackedHeaderSize = sizeof(TrackedMemoryHeader);

void* AllocTrackedMemory(size_t size, const char* file, int line);
void* AllocTrackedMemoryZeroed(size_t size, const char* file, int line);
void* ReallocTrackedMemory(void* pointer, size_t size, const char* file, int line);
void FreeTrackedMemory(void* pointer);

// The header in front of a block that AllocTrackedMemory handed out.
TrackedMemoryHeader* GetTrackedMemoryHeader(void* pointer);
int LogTrackedMemoryBlock(const TrackedMemoryHeader* header);

#define TRACKED_ALLOC(size) AllocTrackedMemory((size), __FILE__, __LINE__)
#define TRACKED_ALLOC_ZEROED(size) AllocTrackedMemoryZeroed((size), __FILE__, __LINE__)
#define TRACKED_REALLOC(pointer, size) ReallocTrackedMemory((pointer), (size), __FILE__, __LINE__)

#endif
