// The reader that image loaders and sound decoders take: the six functions of
// a StreamReadOps set and the data they act on, so that files (archives
// included) and memory blocks are read alike.
#ifndef OMBREL_GRAPHICS_SOURCE_STREAM_H
#define OMBREL_GRAPHICS_SOURCE_STREAM_H

#include <stddef.h>
#include <stdint.h>

#include "Ombrel.h"

struct SourceStream {
  int (*tell)(void* data);
  int (*seek)(void* data, int offset, int origin);  // origin 0 start, 1 current, 2 end
  int (*read)(void* buffer, size_t elementSize, size_t count, void* data);
  int (*eof)(void* data);
  int (*idleCheck)(void* data);
  int (*close)(void* data);
  void* data;
};

SourceStream MakeSourceStream(const StreamReadOps* ops, void* data);

// Reads exactly `bytes` bytes; false on a short read. Bytes are read as
// one-byte elements, because a memory stream counts a partial last element
// as a whole one.
bool ReadSourceBytes(const SourceStream& stream, void* buffer, size_t bytes);

bool SeekSource(const SourceStream& stream, int offset, int origin);

// The bytes between the current position and the end, measured by seeking to
// the end and back; false when the stream cannot seek or tell.
bool CountSourceBytesLeft(const SourceStream& stream, int* bytes);

#endif
