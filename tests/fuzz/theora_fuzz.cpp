// Theora movie opening: the Ogg pages, the three codec headers, the page and
// key-frame index and the first frame, decoded by the decoder's own thread
// and converted; then a seek to the last frame and a step past the end.
#include <stdint.h>
#include <string.h>

#include "Ombrel.h"
#include "sound/theora_decoder.h"

namespace {

struct Input {
  const uint8_t* data;
  int size;
  int position;
};

// A file-access table over the input (only the stream calls are used).
int Read(void* buffer, size_t elementSize, size_t count, StreamHandle handle) {
  auto* in = reinterpret_cast<Input*>(handle);
  if (elementSize == 0) return 0;
  size_t n = count;
  const size_t left = static_cast<size_t>(in->size - in->position) / elementSize;
  if (n > left) n = left;
  memcpy(buffer, in->data + in->position, n * elementSize);
  in->position += static_cast<int>(n * elementSize);
  return static_cast<int>(n);
}
int Seek(StreamHandle handle, int offset, int origin) {
  auto* in = reinterpret_cast<Input*>(handle);
  const int64_t base = origin == 1 ? in->position : origin == 2 ? in->size : 0;
  const int64_t target = base + offset;
  if (target < 0 || target > in->size) return -1;
  in->position = static_cast<int>(target);
  return 0;
}
int Tell(StreamHandle handle) { return reinterpret_cast<Input*>(handle)->position; }
int Eof(StreamHandle handle) {
  auto* in = reinterpret_cast<Input*>(handle);
  return in->position >= in->size ? -1 : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  Input input{data, static_cast<int>(size), 0};
  FileAccessTable files{};
  files.Read = Read;
  files.Seek = Seek;
  files.Tell = Tell;
  files.Eof = Eof;
  TheoraDecoder* decoder = OpenTheoraDecoder(&files, reinterpret_cast<StreamHandle>(&input), 2);
  if (decoder == nullptr) return 0;
  TheoraMovieInfo info{};
  ReadTheoraMovieInfo(decoder, &info);
  SeekTheoraFrame(decoder, info.frameCount - 1);
  UpdateTheoraFrameImage(decoder, 1, 1);
  AdvanceTheoraFrame(decoder, 1);
  UpdateTheoraFrameImage(decoder, 1, 1);
  CloseTheoraDecoder(decoder);
  return 0;
}
