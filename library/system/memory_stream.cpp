// A block of memory read like a file, for loaders that take a stream.
#include <climits>
#include <cstring>

#include "Ombrel.h"
#include "system/tracked_memory.h"

MemoryStream* OpenMemoryStream(const void* data, int size) {
  if (size < 0 || (!data && size > 0)) return nullptr;
  auto* stream = static_cast<MemoryStream*>(TRACKED_ALLOC_ZEROED(sizeof(MemoryStream)));
  if (!stream) return nullptr;
  stream->data = static_cast<const unsigned char*>(data);
  stream->size = size;
  return stream;
}

int CloseMemoryStream(MemoryStream* stream) {
  FreeTrackedMemory(stream);
  return 0;
}

int TellMemoryStream(MemoryStream* stream) { return stream->position; }

int SeekMemoryStream(MemoryStream* stream, int offset, int origin) {
  long long target = offset;
  if (origin == 1) target += stream->position;
  if (origin == 2) target += stream->size;
  if (target > stream->size) target = stream->size;
  if (target < 0) target = 0;
  stream->position = static_cast<int>(target);
  stream->endFlag = 0;
  return 0;
}

int ReadMemoryStream(void* buffer, size_t elementSize, size_t count, MemoryStream* stream) {
  if (count > INT_MAX) count = INT_MAX;
  if (elementSize == 0) return static_cast<int>(count);
  if (count == 0) return 0;
  if (stream->position >= stream->size) {
    stream->endFlag = 1;
    return 0;
  }
  const size_t left = static_cast<size_t>(stream->size - stream->position);
  if (count > left / elementSize) count = left / elementSize;
  // Fewer bytes than one element are left: they are delivered as the partial
  // last element, which counts as one.
  const size_t bytes = count > 0 ? elementSize * count : left;
  std::memcpy(buffer, stream->data + stream->position, bytes);
  stream->position += static_cast<int>(bytes);
  stream->endFlag = 0;
  return count > 0 ? static_cast<int>(count) : 1;
}

int IsMemoryStreamEof(MemoryStream* stream) { return stream->endFlag ? 1 : 0; }

// Bytes in memory are read at once: there is never a read in progress.
int IsMemoryStreamIdle(MemoryStream*) { return 1; }

namespace {

MemoryStream* AsMemory(void* data) { return static_cast<MemoryStream*>(data); }

const StreamReadOps kMemoryStreamOps = {
    [](void* data) { return TellMemoryStream(AsMemory(data)); },
    [](void* data, int offset, int origin) { return SeekMemoryStream(AsMemory(data), offset, origin); },
    [](void* buffer, size_t elementSize, size_t count, void* data) {
      return ReadMemoryStream(buffer, elementSize, count, AsMemory(data));
    },
    [](void* data) { return IsMemoryStreamEof(AsMemory(data)); },
    [](void* data) { return IsMemoryStreamIdle(AsMemory(data)); },
    [](void* data) { return CloseMemoryStream(AsMemory(data)); },
};

}  // namespace

const StreamReadOps* GetMemoryStreamOps() { return &kMemoryStreamOps; }
