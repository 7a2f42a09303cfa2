#include "system/ring_buffer.h"

#include <stdint.h>

#include "system/string_helpers.h"
#include "system/tracked_memory.h"

RingBuffer* NormalizeRingBuffer(RingBuffer* ring) {
  if (ring->readPosition == ring->capacity) ring->readPosition = 0;
  if (ring->writePosition == ring->capacity) ring->writePosition = 0;
  return ring;
}

long long RingBufferCapacityFor(const RingBuffer* ring, int add) {
  if (add < 0) return -1;
  const int64_t needed = static_cast<int64_t>(add) + ring->stored;
  if (ring->capacity >= needed) return ring->capacity;
  return static_cast<int64_t>(add) + ring->stored * int64_t{3} / 2 + 1000;
}

int ReserveRingBuffer(RingBuffer* ring, int add) {
  NormalizeRingBuffer(ring);
  if (add < 0) return -1;
  const int64_t newCapacity = RingBufferCapacityFor(ring, add);
  if (newCapacity == ring->capacity) return 0;

  unsigned char* block = newCapacity <= INT32_MAX
                             ? static_cast<unsigned char*>(TRACKED_ALLOC(static_cast<size_t>(newCapacity)))
                             : nullptr;
  if (!block) {
    AppendLogFormat("リングバッファの再確保に失敗しました(確保しようとしたサイズ %lld byte)",
                    static_cast<long long>(newCapacity));
    return -1;
  }
  if (ring->stored > 0) {
    const int firstPart = ring->capacity - ring->readPosition;
    if (firstPart < ring->stored) {
      CopyBytes(block, ring->data + ring->readPosition, static_cast<size_t>(firstPart));
      CopyBytes(block + firstPart, ring->data, static_cast<size_t>(ring->stored - firstPart));
    } else {
      CopyBytes(block, ring->data + ring->readPosition, static_cast<size_t>(ring->stored));
    }
  }
  FreeTrackedMemory(ring->data);
  ring->data = block;
  ring->capacity = static_cast<int>(newCapacity);
  ring->readPosition = 0;
  ring->writePosition = ring->stored;
  return 0;
}

int WriteRingBuffer(RingBuffer* ring, const void* src, int size) {
  if (size < 0 || ReserveRingBuffer(ring, size) != 0) return -1;
  if (size == 0) return 0;
  NormalizeRingBuffer(ring);
  const auto* in = static_cast<const unsigned char*>(src);
  const int untilEnd = ring->capacity - ring->writePosition;
  if (size > untilEnd) {
    CopyBytes(ring->data + ring->writePosition, in, static_cast<size_t>(untilEnd));
    CopyBytes(ring->data, in + untilEnd, static_cast<size_t>(size - untilEnd));
    ring->writePosition = size - untilEnd;
  } else {
    CopyBytes(ring->data + ring->writePosition, in, static_cast<size_t>(size));
    ring->writePosition += size;
  }
  ring->stored += size;
  return 0;
}

int ReadRingBuffer(RingBuffer* ring, void* dst, int size, int peek) {
  if (size < 0 || ring->stored < size) return -1;
  NormalizeRingBuffer(ring);
  auto* out = static_cast<unsigned char*>(dst);
  if (ring->readPosition + size > ring->capacity) {
    const int firstPart = ring->capacity - ring->readPosition;
    CopyBytes(out, ring->data + ring->readPosition, static_cast<size_t>(firstPart));
    CopyBytes(out + firstPart, ring->data, static_cast<size_t>(size - firstPart));
    if (!peek) {
      ring->stored -= size;
      ring->readPosition = size - firstPart;
    }
  } else {
    CopyBytes(out, ring->data + ring->readPosition, static_cast<size_t>(size));
    if (!peek) {
      ring->readPosition += size;
      ring->stored -= size;
    }
  }
  return 0;
}

int TerminateRingBuffer(RingBuffer* ring) {
  FreeTrackedMemory(ring->data);
  *ring = RingBuffer{};
  return 0;
}
