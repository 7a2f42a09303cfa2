#include "sound/theora_decoder.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "sound/movie_platform.h"
#include "sound/yuv_to_rgb.h"
#include "system/log.h"
#include "system/tracked_memory.h"

namespace {

constexpr int kFeedBytes = 4096;
constexpr int kIndexGrowth = 1000;
// Frames wider or taller than this are refused: the image and the stock
// copies are sized from the stream's own header.
constexpr unsigned kMaxFrameSide = 16384;

// The flags two threads share: every read and write is whole and ordered.
inline int32_t Load(const int32_t& flag) { return __atomic_load_n(&flag, __ATOMIC_SEQ_CST); }
inline void Store(int32_t& flag, int32_t value) { __atomic_store_n(&flag, value, __ATOMIC_SEQ_CST); }

// The stock lock: held by the thread while it takes slots out of use and by
// the caller while it reads a slot, so that a slot being converted is never
// freed and refilled under it.
void LockStock(TheoraDecoder* d) {
  while (__atomic_exchange_n(&d->stockLock, 1, __ATOMIC_ACQUIRE) != 0) SleepMovieThread(0);
}
void UnlockStock(TheoraDecoder* d) { __atomic_store_n(&d->stockLock, 0, __ATOMIC_RELEASE); }

int FrameCount(const TheoraDecoder* d) { return static_cast<int>(d->packetCount & 0xFFFFFFFF); }

void ResetOgg(TheoraDecoder* d) {
  ogg_sync_reset(&d->sync);
  if (d->streamMade) ogg_stream_reset(&d->oggStream);
}

// Takes the next page out of the sync buffer, reading more of the file as
// needed; false at the end of the file.
bool TakePage(TheoraDecoder* d) {
  while (ogg_sync_pageout(&d->sync, &d->page) != 1) {
    if (FeedTheoraSyncBuffer(d, kFeedBytes) == 0) return false;
  }
  return true;
}

// The next video packet of the Theora stream into d->packet; headers and
// holes are passed over. false at the end of the file.
bool NextVideoPacket(TheoraDecoder* d) {
  for (;;) {
    const int result = ogg_stream_packetout(&d->oggStream, &d->packet);
    if (result == 1) {
      if (theora_packet_iskeyframe(&d->packet) < 0) continue;
      return true;
    }
    if (result < 0) continue;
    if (!TakePage(d)) return false;
    ogg_stream_pagein(&d->oggStream, &d->page);
  }
}

// Decodes the next n packets, handing the decoder only those from just
// before the last key frame among them on; -1 when the file ends first,
// else 1 when the last packet was a key frame.
int DecodePackets(TheoraDecoder* d, int n) {
  int lastKey = -1;
  for (int i = 0; i < n; ++i) {
    const int64_t packet = static_cast<int64_t>(d->decodedFrame) + 1 + i;
    if (packet >= 0 && packet < d->packetCount && d->keyFlags[packet]) lastKey = i;
  }
  int lastWasKey = 0;
  for (int i = 0; i < n; ++i) {
    if (!NextVideoPacket(d)) return -1;
    if ((lastKey < 0 || i >= lastKey - 1) &&
        theora_decode_packetin(&d->state, &d->packet) == 0 && d->packet.bytes > 0) {
      d->pictureDecoded = 1;
    }
    lastWasKey = theora_packet_iskeyframe(&d->packet) == 1;
    Store(d->decodedFrame, d->decodedFrame + 1);
  }
  return lastWasKey;
}

void RestartFromFirstPage(TheoraDecoder* d) {
  ResetOgg(d);
  d->files.Seek(d->stream, d->pageCount > 0 ? d->pages[0].offset : 0, 0);
  Store(d->decodedFrame, -1);
}

void ClearStock(TheoraDecoder* d) {
  LockStock(d);
  for (int i = 0; i < d->stockCount; ++i) Store(d->stock[i].inUse, 0);
  UnlockStock(d);
}

// How much of a span from start of the given length lies inside limit.
int RegionSpan(int start, int length, int limit) {
  const int reach = limit - start;
  return reach < length ? reach : length;
}

int SlotHolding(const TheoraDecoder* d, int frame) {
  for (int i = 0; i < d->stockCount; ++i) {
    if (Load(d->stock[i].inUse) && d->stock[i].frame == frame) return i;
  }
  return -1;
}

int FreeSlot(const TheoraDecoder* d) {
  for (int i = 0; i < d->stockCount; ++i) {
    if (!Load(d->stock[i].inUse)) return i;
  }
  return -1;
}

// How many frames after the wanted one a frame is shown, counting on from
// the last frame to the first as a looping movie does.
int FramesAhead(int frame, int current, int count) {
  const int ahead = (frame - current) % count;
  return ahead < 0 ? ahead + count : ahead;
}

// Frees slots that will not be shown soon: every frame more than a stock
// ahead of the wanted one. Measured across the wrap, so that frames just
// before the end do not hold the stock while the wanted frame has gone back
// to the start.
void FreeStaleSlots(TheoraDecoder* d, int count) {
  LockStock(d);
  // The wanted frame is read under the lock: the caller moves it only
  // outside a slot read, so a slot it reads is measured from its own frame.
  const int current = Load(d->currentFrame);
  for (int i = 0; i < d->stockCount; ++i) {
    TheoraFrameSlot& slot = d->stock[i];
    if (Load(slot.inUse) && FramesAhead(slot.frame, current, count) >= d->stockCount) {
      Store(slot.inUse, 0);
    }
  }
  UnlockStock(d);
}

// Bytes per stored row: the decoder's stride, whichever direction it runs.
int RowBytes(int stride, int width) { return abs(stride) > width ? abs(stride) : width; }

bool AllocPlane(uint8_t** array, int rowBytes, int height) {
  const size_t bytes = static_cast<size_t>(rowBytes) * static_cast<size_t>(height);
  *array = static_cast<uint8_t*>(TRACKED_ALLOC(bytes > 0 ? bytes : 1));
  return *array != nullptr;
}

// Rows are stored top first whatever the direction the decoder keeps them in.
void CopyPlane(uint8_t* array, int rowBytes, const unsigned char* source, int stride, int width,
               int height) {
  for (int row = 0; row < height; ++row) {
    memcpy(array + static_cast<size_t>(row) * rowBytes,
           source + static_cast<ptrdiff_t>(row) * stride, static_cast<size_t>(width));
  }
}

void FreeSlotArrays(TheoraFrameSlot& slot) {
  FreeTrackedMemory(slot.y);
  FreeTrackedMemory(slot.u);
  FreeTrackedMemory(slot.v);
  slot.y = slot.u = slot.v = nullptr;
}

// Copies the decoder's current output into the slot and hands it over.
void StockDecodedFrame(TheoraDecoder* d, TheoraFrameSlot& slot) {
  yuv_buffer yuv;
  if (theora_decode_YUVout(&d->state, &yuv) != 0) return;
  const int yStride = RowBytes(yuv.y_stride, yuv.y_width);
  const int chromaStride = RowBytes(yuv.uv_stride, yuv.uv_width);
  const bool layoutChanged = !slot.y || slot.yWidth != yuv.y_width ||
                             slot.yHeight != yuv.y_height || slot.yStride != yStride ||
                             slot.chromaWidth != yuv.uv_width ||
                             slot.chromaHeight != yuv.uv_height ||
                             slot.chromaStride != chromaStride;
  if (layoutChanged) {
    FreeSlotArrays(slot);
    slot.yWidth = slot.yHeight = slot.chromaWidth = slot.chromaHeight = 0;
    if (!AllocPlane(&slot.y, yStride, yuv.y_height) ||
        !AllocPlane(&slot.u, chromaStride, yuv.uv_height) ||
        !AllocPlane(&slot.v, chromaStride, yuv.uv_height)) {
      FreeSlotArrays(slot);
      return;
    }
    slot.yWidth = yuv.y_width;
    slot.yHeight = yuv.y_height;
    slot.yStride = yStride;
    slot.chromaWidth = yuv.uv_width;
    slot.chromaHeight = yuv.uv_height;
    slot.chromaStride = chromaStride;
  }
  CopyPlane(slot.y, yStride, yuv.y, yuv.y_stride, yuv.y_width, yuv.y_height);
  CopyPlane(slot.u, chromaStride, yuv.u, yuv.uv_stride, yuv.uv_width, yuv.uv_height);
  CopyPlane(slot.v, chromaStride, yuv.v, yuv.uv_stride, yuv.uv_width, yuv.uv_height);
  slot.frame = d->decodedFrame;
  Store(slot.inUse, 1);
}

void RunSeek(TheoraDecoder* d) {
  const int target = Load(d->seekTarget);
  const int page = FrameCount(d) > 0 ? FindTheoraSeekPage(d->pages, d->pageCount, target) : -1;
  ClearStock(d);
  int reached = page >= 0;
  if (reached) {
    ResetOgg(d);
    d->files.Seek(d->stream, d->pages[page].offset, 0);
    if (page == 0) {
      Store(d->decodedFrame, -1);
    } else if (TakePage(d)) {
      // A packet continued from the page before cannot be rebuilt and is
      // dropped by the stream, so the first one out is the next.
      const int continued = ogg_page_continued(&d->page) ? 1 : 0;
      ogg_stream_pagein(&d->oggStream, &d->page);
      Store(d->decodedFrame, d->pages[page].firstPacket - 1 + continued);
    } else {
      reached = 0;
    }
    if (reached && target > d->decodedFrame) reached = DecodePackets(d, target - d->decodedFrame) >= 0;
  }
  Store(d->decodedFrame, target);
  // Without the frame, the caller must hear that it cannot come rather than
  // wait for it.
  Store(d->endOfData, reached ? 0 : 1);
  Store(d->seekRequest, 0);
}

int TheoraThreadProc(void* argument) {
  auto* d = static_cast<TheoraDecoder*>(argument);
  while (!Load(d->stopRequest)) {
    const int sleep = RunTheoraDecodeStep(d);
    if (sleep >= 0) SleepMovieThread(sleep);
  }
  Store(d->threadState, kTheoraEnded);
  return 0;
}

bool ReadHeaders(TheoraDecoder* d) {
  // The streams' first pages: the first that Theora accepts is kept.
  for (;;) {
    if (!TakePage(d)) return false;
    if (!ogg_page_bos(&d->page)) {
      if (d->streamMade) ogg_stream_pagein(&d->oggStream, &d->page);
      break;
    }
    if (d->streamMade) continue;
    ogg_stream_state trial;
    ogg_stream_init(&trial, ogg_page_serialno(&d->page));
    ogg_stream_pagein(&trial, &d->page);
    if (ogg_stream_packetout(&trial, &d->packet) == 1 &&
        theora_decode_header(&d->info, &d->comment, &d->packet) == 0) {
      d->oggStream = trial;
      d->streamMade = 1;
      d->serialNumber = ogg_page_serialno(&d->page);
      d->headersRead = 1;
    } else {
      ogg_stream_clear(&trial);
    }
  }
  if (!d->streamMade) return false;
  while (d->headersRead < 3) {
    const int result = ogg_stream_packetout(&d->oggStream, &d->packet);
    if (result < 0) return false;
    if (result == 1) {
      if (theora_decode_header(&d->info, &d->comment, &d->packet) != 0) return false;
      ++d->headersRead;
      continue;
    }
    if (ogg_sync_pageout(&d->sync, &d->page) == 1) {
      ogg_stream_pagein(&d->oggStream, &d->page);
      continue;
    }
    if (FeedTheoraSyncBuffer(d, kFeedBytes) == 0) {
      AppendLogStub("End of file while searching for codec headers.");
      return false;
    }
  }
  return true;
}

template <typename T>
bool Grow(T** array, int32_t* capacity) {
  const size_t wanted = static_cast<size_t>(*capacity) + kIndexGrowth;
  auto* grown = static_cast<T*>(TRACKED_REALLOC(*array, wanted * sizeof(T)));
  if (!grown) return false;
  *array = grown;
  *capacity = static_cast<int32_t>(wanted);
  return true;
}

// Reads the whole file once: the page that starts each run of video packets
// with its first packet number, and every video packet's key-frame flag.
bool BuildIndex(TheoraDecoder* d) {
  d->pages = static_cast<TheoraPageEntry*>(TRACKED_ALLOC(kIndexGrowth * sizeof(TheoraPageEntry)));
  if (!d->pages) {
    AppendLogStub("Theora ページ情報格納用メモリの確保に失敗しました\n");
    return false;
  }
  d->pageCapacity = kIndexGrowth;
  d->keyFlags = static_cast<uint8_t*>(TRACKED_ALLOC(kIndexGrowth));
  if (!d->keyFlags) {
    AppendLogStub("Theora キーフレーム情報格納用メモリの確保に失敗しました\n");
    return false;
  }
  d->keyFlagCapacity = kIndexGrowth;
  int64_t offset = 0;
  int64_t pageOffset = 0;
  bool newPage = false;
  for (;;) {
    const int result = ogg_stream_packetout(&d->oggStream, &d->packet);
    if (result == 1) {
      const int key = theora_packet_iskeyframe(&d->packet);
      if (key < 0) continue;
      if (newPage) {
        if (d->pageCount == d->pageCapacity && !Grow(&d->pages, &d->pageCapacity)) {
          return AppendLogStub("Theora ページ情報格納用メモリの確保に失敗しました\n"), false;
        }
        d->pages[d->pageCount++] = {static_cast<int32_t>(pageOffset),
                                    static_cast<int32_t>(d->packetCount), 0, 0};
        newPage = false;
      }
      if (d->pageCount == 0) continue;  // cannot happen after a page, kept for safety
      if (d->packetCount == d->keyFlagCapacity && !Grow(&d->keyFlags, &d->keyFlagCapacity)) {
        return AppendLogStub("Theora キーフレーム情報格納用メモリの確保に失敗しました\n"), false;
      }
      d->keyFlags[d->packetCount] = key ? 1 : 0;
      TheoraPageEntry& last = d->pages[d->pageCount - 1];
      if (key) last.keyFrame = 1;
      ++last.packetCount;
      // Frame numbers are int32 everywhere: a longer stream is cut there.
      if (++d->packetCount == INT32_MAX) break;
      continue;
    }
    if (result < 0) continue;
    const long taken = ogg_sync_pageseek(&d->sync, &d->page);
    if (taken > 0) {
      pageOffset = offset;
      offset += taken;
      if (pageOffset > INT32_MAX) break;
      newPage = true;
      ogg_stream_pagein(&d->oggStream, &d->page);
    } else if (taken < 0) {
      offset -= taken;
    } else if (FeedTheoraSyncBuffer(d, kFeedBytes) == 0) {
      break;
    }
  }
  if (d->pageCount > 0) d->pages[0].offset = 0;
  return true;
}

// The picture inside the coded frame: the stream's own region when it fits
// in the frame, else the whole frame.
void FindPictureRegion(TheoraDecoder* d) {
  const theora_info& info = d->info;
  const bool fits = info.frame_width > 0 && info.frame_height > 0 &&
                    static_cast<uint64_t>(info.offset_x) + info.frame_width <= info.width &&
                    static_cast<uint64_t>(info.offset_y) + info.frame_height <= info.height;
  d->pictureLeft = fits ? static_cast<int32_t>(info.offset_x) : 0;
  d->pictureTop = fits ? static_cast<int32_t>(info.offset_y) : 0;
  d->pictureWidth = static_cast<int32_t>(fits ? info.frame_width : info.width);
  d->pictureHeight = static_cast<int32_t>(fits ? info.frame_height : info.height);
}

YuvPlanes PlanesOf(const TheoraFrameSlot& slot) {
  return YuvPlanes{slot.y,           slot.u,           slot.v,          slot.yWidth,
                   slot.yHeight,     slot.yStride,     slot.chromaWidth, slot.chromaHeight,
                   slot.chromaStride};
}

}  // namespace

int FindTheoraSeekPage(const TheoraPageEntry* pages, int pageCount, int target) {
  if (pageCount <= 0) return -1;
  int beyond = 0;
  while (beyond < pageCount &&
         static_cast<int64_t>(pages[beyond].firstPacket) + pages[beyond].packetCount <= target) {
    ++beyond;
  }
  if (beyond == pageCount) return -1;
  int page = beyond > 0 ? beyond - 1 : 0;
  while (page > 0 && !pages[page].keyFrame) --page;
  if (page > 0) --page;
  return page;
}

int FeedTheoraSyncBuffer(TheoraDecoder* decoder, int n) {
  char* buffer = ogg_sync_buffer(&decoder->sync, n);
  if (!buffer) return 0;
  const int read = decoder->files.Read(buffer, 1, static_cast<size_t>(n), decoder->stream);
  if (read <= 0) return 0;
  ogg_sync_wrote(&decoder->sync, read);
  return read;
}

int RunTheoraDecodeStep(TheoraDecoder* d) {
  if (Load(d->pauseRequest)) {
    Store(d->threadState, kTheoraPaused);
    return 1;
  }
  if (Load(d->seekRequest)) {
    Store(d->threadState, kTheoraSeeking);
    RunSeek(d);
    return -1;
  }
  const int count = FrameCount(d);
  if (count <= 0) {
    Store(d->threadState, kTheoraIdle);
    return 1;
  }
  if (!Load(d->endOfData)) FreeStaleSlots(d, count);
  const int current = Load(d->currentFrame);
  const int slot = FreeSlot(d);
  if (slot < 0) {
    // A full stock waits a tick: yielding alone would keep a core busy for
    // every open movie.
    Store(d->threadState, kTheoraIdle);
    return 1;
  }
  Store(d->threadState, kTheoraDecoding);
  // The decoder's own frame is stocked first when it will be shown soon.
  const bool decodedWanted = SlotHolding(d, d->decodedFrame) < 0 && d->decodedFrame >= 0 &&
                             FramesAhead(d->decodedFrame, current, count) < d->stockCount;
  if (!decodedWanted) {
    int step = 1;
    if (SlotHolding(d, current) < 0 && current > d->decodedFrame) step = current - d->decodedFrame;
    int decoded;
    if (static_cast<int64_t>(d->decodedFrame) + step < count) {
      decoded = DecodePackets(d, step);
    } else {
      // Past the last frame: start again from the first page, so that a
      // looping movie needs no seek.
      const int wrapped = d->decodedFrame + step - count;
      RestartFromFirstPage(d);
      decoded = DecodePackets(d, wrapped + 1);
    }
    if (decoded < 0) {
      Store(d->endOfData, 1);
      return 1;
    }
  }
  if (!d->pictureDecoded) {
    // Nothing decoded yet (no packet got through, or a seek found none):
    // the wanted frame cannot come until a seek brings a picture.
    Store(d->endOfData, 1);
    return 1;
  }
  StockDecodedFrame(d, d->stock[slot]);
  return 0;
}

TheoraDecoder* OpenTheoraDecoder(const FileAccessTable* files, StreamHandle stream, int stockSize) {
  char magic[4];
  if (files->Read(magic, 1, 4, stream) != 4 || memcmp(magic, "OggS", 4) != 0) return nullptr;
  files->Seek(stream, 0, 0);
  auto* d = static_cast<TheoraDecoder*>(TRACKED_ALLOC_ZEROED(sizeof(TheoraDecoder)));
  if (!d) {
    AppendLogStub("Theora ムービーデコード処理用のメモリ確保に失敗しました\n");
    return nullptr;
  }
  d->headersRead = 0;
  d->currentFrame = -1;
  ogg_sync_init(&d->sync);
  theora_info_init(&d->info);
  theora_comment_init(&d->comment);
  d->files = *files;
  d->stream = stream;
  if (!ReadHeaders(d) || d->info.width == 0 || d->info.height == 0 ||
      d->info.width > kMaxFrameSide || d->info.height > kMaxFrameSide) {
    CloseTheoraDecoder(d);
    return nullptr;
  }
  d->pauseRequest = 1;
  d->threadState = kTheoraIdle;
  d->thread = StartMovieThread(TheoraThreadProc, d, &d->threadId);
  if (!d->thread) {
    AppendLogStub("Theora ムービーデコード用スレッドの作成に失敗しました\n");
    CloseTheoraDecoder(d);
    return nullptr;
  }
  if (theora_decode_init(&d->state, &d->info) != 0) {
    CloseTheoraDecoder(d);
    return nullptr;
  }
  d->decoderMade = 1;
  FindPictureRegion(d);
  ResetOgg(d);
  d->files.Seek(d->stream, 0, 0);
  if (!BuildIndex(d)) {
    CloseTheoraDecoder(d);
    return nullptr;
  }
  CreateTheoraYUVSurface(d);
  if (AllocGraphImageXRGB8(d->pictureWidth, d->pictureHeight, &d->frameImage) != 0) {
    AppendLogStub("Theora ムービーデコードフレームストック用画像バッファの確保に失敗しました\n");
    CloseTheoraDecoder(d);
    return nullptr;
  }
  const int slots = stockSize > 0 ? stockSize : 1;
  d->stock = static_cast<TheoraFrameSlot*>(TRACKED_ALLOC_ZEROED(sizeof(TheoraFrameSlot) * slots));
  if (!d->stock) {
    AppendLogStub("Theora ムービーデコードフレームストック用のメモリ確保に失敗しました\n");
    CloseTheoraDecoder(d);
    return nullptr;
  }
  d->stockCount = slots;
  SeekTheoraFrame(d, 0);
  UpdateTheoraFrameImage(d, 1, 1);
  return d;
}

int CloseTheoraDecoder(TheoraDecoder* d) {
  if (!d) return 0;
  if (d->thread) {
    Store(d->stopRequest, 1);
    while (Load(d->threadState) != kTheoraEnded) SleepMovieThread(1);
    CloseMovieThread(d->thread);
    d->thread = 0;
  }
  if (d->stock) {
    for (int i = 0; i < d->stockCount; ++i) FreeSlotArrays(d->stock[i]);
    FreeTrackedMemory(d->stock);
  }
  ReleaseTheoraYUVSurface(d);
  FreeTrackedMemory(d->pages);
  FreeTrackedMemory(d->keyFlags);
  FreeGraphImage(&d->frameImage);
  if (d->streamMade) ogg_stream_clear(&d->oggStream);
  if (d->decoderMade) theora_clear(&d->state);
  theora_comment_clear(&d->comment);
  theora_info_clear(&d->info);
  ogg_sync_clear(&d->sync);
  FreeTrackedMemory(d);
  return 0;
}

int SeekTheoraFrame(TheoraDecoder* d, int frame) {
  if (frame == Load(d->currentFrame)) return 0;
  Store(d->imageCurrent, 0);
  Store(d->surfaceCurrent, 0);
  Store(d->pauseRequest, 1);
  while (Load(d->threadState) != kTheoraPaused && Load(d->threadState) != kTheoraEnded) {
    SleepMovieThread(0);
  }
  const int count = FrameCount(d);
  // The last valid frame is count - 1; a wanted frame at count could never
  // be decoded.
  const int highest = count > 0 ? count - 1 : 0;
  if (frame < 0) frame = 0;
  if (frame > highest) frame = highest;
  Store(d->currentFrame, frame);
  Store(d->seekTarget, frame);
  Store(d->seekRequest, 1);
  Store(d->pauseRequest, 0);
  return 0;
}

int AdvanceTheoraFrame(TheoraDecoder* d, int n) {
  const int count = FrameCount(d);
  if (n <= 0 || count <= 0) return 0;
  const int64_t next = static_cast<int64_t>(Load(d->currentFrame)) + n;
  Store(d->currentFrame, static_cast<int32_t>(next % count));
  Store(d->imageCurrent, 0);
  Store(d->surfaceCurrent, 0);
  return 0;
}

int UpdateTheoraFrameImage(TheoraDecoder* d, int toImage, int toSurface) {
  if (!d) return 0;
  const bool surfaceWanted = toSurface && d->yuvSurface && !Load(d->surfaceCurrent);
  const bool imageWanted = toImage && !Load(d->imageCurrent);
  if (!surfaceWanted && !imageWanted) return 0;
  for (;;) {
    while (Load(d->threadState) == kTheoraSeeking || Load(d->seekRequest)) {
      if (Load(d->threadState) == kTheoraEnded) return 0;
      SleepMovieThread(1);
    }
    if (Load(d->threadState) == kTheoraEnded) return 0;
    LockStock(d);
    const int slot = SlotHolding(d, Load(d->currentFrame));
    if (slot >= 0) break;
    UnlockStock(d);
    if (Load(d->endOfData)) return 0;
    SleepMovieThread(0);
  }
  // The stock lock is held from here: the slot stays the wanted frame's.
  const TheoraFrameSlot& frame = d->stock[SlotHolding(d, Load(d->currentFrame))];
  if (surfaceWanted && CopyTheoraFrameToSurface(d, frame)) Store(d->surfaceCurrent, 1);
  if (imageWanted) {
    // The picture region lies inside the coded frame the slot holds; a
    // frame smaller than the stream said is drawn as far as it reaches.
    const int width = RegionSpan(d->pictureLeft, d->pictureWidth, frame.yWidth);
    const int height = RegionSpan(d->pictureTop, d->pictureHeight, frame.yHeight);
    if (width > 0 && height > 0) {
      ConvertYuvRegionToXrgb(PlanesOf(frame), d->pictureLeft, d->pictureTop,
                             static_cast<uint8_t*>(d->frameImage.pixels), d->frameImage.pitch,
                             width, height);
    }
    Store(d->imageCurrent, 1);
  }
  UnlockStock(d);
  return 1;
}

GraphImage* GetTheoraFrameImage(TheoraDecoder* decoder) { return &decoder->frameImage; }

IDirect3DSurface9* GetTheoraYUVSurface(TheoraDecoder* decoder) {
  return decoder ? decoder->yuvSurface : nullptr;
}

int GetTheoraCurrentFrame(TheoraDecoder* decoder) { return Load(decoder->currentFrame); }

int ReadTheoraMovieInfo(TheoraDecoder* d, TheoraMovieInfo* out) {
  out->framesPerSecond = d->info.fps_denominator != 0
                             ? static_cast<double>(d->info.fps_numerator) / d->info.fps_denominator
                             : 0.0;
  out->frameCount = FrameCount(d);
  out->width = d->pictureWidth;
  out->height = d->pictureHeight;
  return 0;
}
