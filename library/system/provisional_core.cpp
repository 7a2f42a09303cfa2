// Stand-ins for the allocator and the log until the full ones land; they keep
// the interfaces so that callers can be written and tested against them.
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "system/log.h"
#include "system/tracked_memory.h"

namespace {
constexpr size_t kHeaderSize = 64;
int logIndent = 0;
}

void* AllocTrackedMemory(size_t size, const char*, int) {
  if (size > static_cast<size_t>(-1) - kHeaderSize) return nullptr;
  auto* block = static_cast<unsigned char*>(std::malloc(size + kHeaderSize));
  if (!block) return nullptr;
  std::memcpy(block, &size, sizeof size);
  return block + kHeaderSize;
}

void* AllocTrackedMemoryZeroed(size_t size, const char* file, int line) {
  void* p = AllocTrackedMemory(size, file, line);
  if (p) std::memset(p, 0, size);
  return p;
}

void* ReallocTrackedMemory(void* pointer, size_t size, const char* file, int line) {
  if (!pointer) return AllocTrackedMemoryZeroed(size, file, line);
  if (size > static_cast<size_t>(-1) - kHeaderSize) return nullptr;
  auto* header = static_cast<unsigned char*>(pointer) - kHeaderSize;
  size_t old;
  std::memcpy(&old, header, sizeof old);
  auto* block = static_cast<unsigned char*>(std::realloc(header, size + kHeaderSize));
  if (!block) return nullptr;
  if (size > old) std::memset(block + kHeaderSize + old, 0, size - old);
  std::memcpy(block, &size, sizeof size);
  return block + kHeaderSize;
}

void FreeTrackedMemory(void* pointer) {
  if (pointer) std::free(static_cast<unsigned char*>(pointer) - kHeaderSize);
}

int AppendLog(const char*) { return -1; }

int AppendLogFormat(const char*, ...) { return -1; }

int IncreaseLogIndent() { ++logIndent; return 0; }

int DecreaseLogIndent() { if (logIndent > 0) --logIndent; return 0; }
