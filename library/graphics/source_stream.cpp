#include "graphics/source_stream.h"

SourceStream MakeSourceStream(const StreamReadOps* ops, void* data) {
  return SourceStream{ops->Tell, ops->Seek, ops->Read, ops->Eof, ops->IdleCheck, ops->Close, data};
}

bool ReadSourceBytes(const SourceStream& stream, void* buffer, size_t bytes) {
  if (bytes == 0) return true;
  if (bytes > 0x7FFFFFFF) return false;
  return stream.read(buffer, 1, bytes, stream.data) == static_cast<int>(bytes);
}

bool SeekSource(const SourceStream& stream, int offset, int origin) {
  return stream.seek(stream.data, offset, origin) == 0;
}

bool CountSourceBytesLeft(const SourceStream& stream, int* bytes) {
  int position = stream.tell(stream.data);
  if (position < 0 || !SeekSource(stream, 0, 2)) return false;
  int end = stream.tell(stream.data);
  if (!SeekSource(stream, position, 0) || end < position) return false;
  *bytes = end - position;
  return true;
}
