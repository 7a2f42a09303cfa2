// The library's tracked allocator: every block carries a 64-byte header and
// is listed, so totals, dumps and corruption checks cover all library memory.
#ifndef OMBREL_SYSTEM_TRACKED_MEMORY_H
#define OMBREL_SYSTEM_TRACKED_MEMORY_H

#include <stddef.h>

void* AllocTrackedMemory(size_t size, const char* file, int line);
void* AllocTrackedMemoryZeroed(size_t size, const char* file, int line);
void* ReallocTrackedMemory(void* pointer, size_t size, const char* file, int line);
void FreeTrackedMemory(void* pointer);

#define TRACKED_ALLOC(size) AllocTrackedMemory((size), __FILE__, __LINE__)
#define TRACKED_ALLOC_ZEROED(size) AllocTrackedMemoryZeroed((size), __FILE__, __LINE__)
#define TRACKED_REALLOC(pointer, size) ReallocTrackedMemory((pointer), (size), __FILE__, __LINE__)

#endif
