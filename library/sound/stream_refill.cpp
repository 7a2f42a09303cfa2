// The refill of stream rings and the position tracker that turns the ring's
// play cursor back into a position in the sound's data.
#include <string.h>

#include "sound/sound_handles.h"
#include "sound/sound_services.h"
#include "sound/sound_state.h"
#include "sound/stream_sound.h"

namespace {

// The two regions of one ring lock and how much of each is still empty.
struct LockRegions {
  int start;
  uint8_t* first;
  int firstBytes;
  int firstLeft;
  uint8_t* second;
  int secondBytes;
  int secondLeft;
};

int BytesLeft(const LockRegions& regions) { return regions.firstLeft + regions.secondLeft; }

int NextUnfilledOffset(const LockRegions& regions) {
  if (regions.firstLeft > 0) return regions.start + regions.firstBytes - regions.firstLeft;
  return regions.secondBytes - regions.secondLeft;
}

// The empty part of the lock where the next bytes go.
uint8_t* NextSpace(LockRegions* regions, int** left) {
  if (regions->firstLeft > 0) {
    *left = &regions->firstLeft;
    return regions->first + regions->firstBytes - regions->firstLeft;
  }
  if (regions->secondLeft > 0) {
    *left = &regions->secondLeft;
    return regions->second + regions->secondBytes - regions->secondLeft;
  }
  return nullptr;
}

int BlockAlign(const SoundRecord* record) {
  return record->format.blockAlign ? record->format.blockAlign : 1;
}

int AverageBytes(const SoundRecord* record) {
  return static_cast<int>(record->format.avgBytesPerSec);
}

// One eighth of a second, rounded down to a whole block.
int EighthSecond(const SoundRecord* record) {
  return RoundDownToBlock(AverageBytes(record) / 8, BlockAlign(record));
}

int ThreeQuarterSecond(const SoundRecord* record) {
  return RoundDownToBlock(static_cast<int>(int64_t{AverageBytes(record)} * 192 / 256),
                          BlockAlign(record));
}

int BoundaryDistance(const SoundRecord* record) {
  return RoundUpToBlock(static_cast<int>(int64_t{AverageBytes(record)} * 192 / 256),
                        BlockAlign(record));
}

int ReadStreamSourceData(LockRegions* regions, SoundDecoder* decoder, int n) {
  int total = 0;
  while (n > 0) {
    int* left = nullptr;
    uint8_t* space = NextSpace(regions, &left);
    if (!space) break;
    const int want = n < *left ? n : *left;
    const int got = ReadSoundDecoder(decoder, space, want);
    if (got <= 0) break;
    *left -= got;
    n -= got;
    total += got;
  }
  return total;
}

int FillStreamSilence(const SoundRecord* record, LockRegions* regions, int n) {
  const int value = record->format.bitsPerSample == 8 ? 0x7F : 0;
  int total = 0;
  while (n > 0) {
    int* left = nullptr;
    uint8_t* space = NextSpace(regions, &left);
    if (!space) break;
    const int take = n < *left ? n : *left;
    memset(space, value, static_cast<size_t>(take));
    *left -= take;
    n -= take;
    total += take;
  }
  return total;
}

void SeekSourceToStart(SoundRecord* record, int index, int sample) {
  SeekSoundDecoder(&record->sources[index].decoder, sample);
}

// Goes back to start within a single-source sound whose data ended at the
// current byte: the first loop-back point ahead of the cursor is the one the
// position tracker waits for; later ones, written while it waits (a loop
// shorter than what a pass writes), are found by folding the position back
// into the loop region.
void LoopBackWithinSound(SoundRecord* record, LockRegions* regions, int start) {
  record->loopStartBytes = start;
  record->loopEndBytes = record->bytesRead;
  if (!record->loopBackPending) {
    record->loopBackDataBytes = start;
    record->loopBackPending = 1;
    record->loopBackRingOffset = NextUnfilledOffset(*regions);
  }
  record->bytesRead = start;
}

enum AdvanceResult { kAdvanceWait = 0, kAdvanceGoOn = 1, kAdvanceEnded = -1 };

// At the end of the current source's data: loop back, replay, go on to the
// next source, wrap round in a looping play, or end with silence. kAdvanceGoOn
// when the data goes on at once, so the pass keeps filling.
int AdvanceStreamSource(SoundRecord* record, LockRegions* regions, int cursor) {
  ++record->loopCounter;
  StreamSoundSource& source = record->sources[record->currentSource];
  const bool single = record->sourceCount == 1;
  if (source.loopCount == -1) {
    // With several sources a loop-back waits until the cursor has consumed
    // the previous one.
    if (record->loopBackPending && !single) return kAdvanceWait;
    const int start = source.loopStartSample * BlockAlign(record);
    if (single) {
      LoopBackWithinSound(record, regions, start);
    } else {
      record->bytesRead = record->loopBackDataBytes = start;
      record->loopBackPending = 1;
      record->loopBackRingOffset = NextUnfilledOffset(*regions);
    }
    SeekSourceToStart(record, record->currentSource, source.loopStartSample);
    return kAdvanceGoOn;
  }
  if (record->loopCounter <= source.loopCount) {
    record->bytesRead = 0;
    SeekSourceToStart(record, record->currentSource, 0);
    return kAdvanceGoOn;
  }
  const bool looping = record->lastPlayType == kPlayLoop;
  if (record->currentSource == record->sourceCount - 1 && looping && record->loopBackPending &&
      !single) {
    return kAdvanceWait;
  }
  record->loopCounter = 0;
  ++record->currentSource;
  if (record->currentSource < record->sourceCount) {
    record->bytesRead = 0;
    SeekSourceToStart(record, record->currentSource, 0);
    return kAdvanceGoOn;
  }
  record->lastSourceDone = 1;
  if (looping) {
    record->currentSource = 0;
    if (single) {
      LoopBackWithinSound(record, regions, 0);
    } else {
      record->loopBackDataBytes = 0;
      record->loopBackPending = 1;
      record->loopBackRingOffset = NextUnfilledOffset(*regions);
      record->bytesRead = 0;
    }
    SeekSourceToStart(record, 0, 0);
    return kAdvanceGoOn;
  }
  record->endReached = 1;
  record->endRingOffset = NextUnfilledOffset(*regions);
  record->endPlayCursor = cursor;
  FillStreamSilence(record, regions, EighthSecond(record));
  return kAdvanceEnded;
}

bool IsRefillDue(const SoundRecord* record, int cursor) {
  const int boundary = record->refillBoundary;
  const int write = record->writeCursor;
  if (write >= boundary) return boundary <= cursor && cursor <= write;
  return cursor >= boundary || cursor <= write;
}

// Bytes to write in a playing pass: an eighth of a second in steady play,
// more after an underrun to top the queue up to 192/512 s.
int RefillAmount(const SoundRecord* record, int cursor) {
  const int ring = record->ringBytes;
  const int buffered = ((record->writeCursor - cursor) % ring + ring) % ring;
  const int64_t average = AverageBytes(record);
  const int64_t v = int64_t{buffered} * 512 / average;
  if (v >= 192) return EighthSecond(record);
  return RoundDownToBlock(static_cast<int>((192 - v) * average / 512), BlockAlign(record));
}

void FillFromSources(SoundRecord* record, LockRegions* regions, int cursor) {
  // A loop-back or replay that yields nothing at once (an empty loop region)
  // ends the pass, so an empty loop cannot spin.
  bool readSinceAdvance = true;
  while (!record->endReached && BytesLeft(*regions) > 0) {
    StreamSoundSource& source = record->sources[record->currentSource];
    int want = BytesLeft(*regions);
    if (source.stopSample >= 0) {
      const int64_t limit = int64_t{source.stopSample} * BlockAlign(record) - record->bytesRead;
      if (limit < want) want = limit > 0 ? static_cast<int>(limit) : 0;
    }
    const int got = want > 0 ? ReadStreamSourceData(regions, &source.decoder, want) : 0;
    if (got > 0) {
      record->bytesRead += got;
      readSinceAdvance = true;
      continue;
    }
    if (!readSinceAdvance) break;
    readSinceAdvance = false;
    if (AdvanceStreamSource(record, regions, cursor) != kAdvanceGoOn) break;
  }
}

void StopAtEnd(SoundRecord* record, SoundOutputBuffer* buffer) {
  StopOutputBuffer(buffer);
  record->endReached = 0;
  ClearStreamPlayState(record);
}

bool LockRing(SoundOutputBuffer* buffer, int offset, int bytes, LockRegions* regions) {
  void* first = nullptr;
  void* second = nullptr;
  int firstBytes = 0;
  int secondBytes = 0;
  if (bytes <= 0 ||
      LockOutputBuffer(offset, buffer, bytes, &first, &firstBytes, &second, &secondBytes) != 0) {
    return false;
  }
  *regions = LockRegions{offset,
                         static_cast<uint8_t*>(first),
                         firstBytes,
                         firstBytes,
                         static_cast<uint8_t*>(second),
                         secondBytes,
                         second ? secondBytes : 0};
  if (!second) regions->secondBytes = 0;
  return true;
}

int Written(const LockRegions& regions) {
  return regions.firstBytes - regions.firstLeft + regions.secondBytes - regions.secondLeft;
}

// A position past the end of a loop region that was written again and again
// lies that far into its later rounds.
void FoldIntoLoopRegion(SoundRecord* record) {
  const int start = record->loopStartBytes;
  const int end = record->loopEndBytes;
  if (end <= start || record->playPosition < end) return;
  record->playPosition = start + (record->playPosition - end) % (end - start);
}

// Whether the play cursor went past the write cursor since the cursor seen
// before (previous): then it plays what the ring held from an earlier round.
bool CursorOvertookWrite(const SoundRecord* record, int previous, int cursor) {
  const int ring = record->ringBytes;
  const int buffered = ((record->writeCursor - previous) % ring + ring) % ring;
  const int advanced = ((cursor - previous) % ring + ring) % ring;
  return advanced > buffered;
}

}  // namespace

void UpdateStreamPlayPosition(int handle, int cursor) {
  SoundRecord* record = GetSoundRecord(handle);
  if (!record || record->kind != kSoundKindStream || !record->primed) return;
  SoundOutputBuffer* buffer = nullptr;
  if (AcquireStreamBuffer(handle, record, &buffer, 0) != 0) return;
  int a = cursor;
  if (a == -1 && GetOutputBufferPlayCursor(buffer, &a) != 0) return;
  const int b = record->lastPlayCursor;
  if (a == b) return;
  const int ring = record->ringBytes;
  if (record->loopBackPending) {
    const int m = record->loopBackRingOffset;
    bool crossed = false;
    int played = 0;
    if (b < a) {
      crossed = b < m && m <= a;
      played = a - m;
    } else if (m > b) {
      crossed = true;
      played = a + ring - m;
    } else if (m <= a) {
      // Reaching the point exactly counts as crossing it, as without a wrap;
      // otherwise a loop-back at a cursor that had just wrapped to it would be
      // missed for good.
      crossed = true;
      played = a - m;
    }
    if (crossed) {
      record->playPosition = record->loopBackDataBytes + played;
      record->loopBackPending = 0;
      record->lastPlayCursor = a;
      FoldIntoLoopRegion(record);
      return;
    }
  }
  record->playPosition += a > b ? a - b : a + ring - b;
  record->lastPlayCursor = a;
  FoldIntoLoopRegion(record);
}

int ProcessStreamSound(int handle) {
  SoundRecord* record = GetSoundRecord(handle);
  SoundOutputBuffer* buffer = nullptr;
  if (!record || record->kind != kSoundKindStream ||
      AcquireStreamBuffer(handle, record, &buffer, 0) != 0 || !record->primed) {
    return 0;
  }
  SoundLockHolder lock;
  record = GetSoundRecord(handle);
  if (!record || record->kind != kSoundKindStream || !record->primed ||
      AcquireStreamBuffer(handle, record, &buffer, 0) != 0) {
    return 0;
  }
  const int previousCursor = record->lastPlayCursor;
  UpdateStreamPlayPosition(handle, -1);
  int cursor = 0;
  GetOutputBufferPlayCursor(buffer, &cursor);
  LockRegions regions = {};
  bool firstFill = false;
  if (record->endReached) {
    const int e = record->endRingOffset;
    const int p = record->endPlayCursor;
    // Passed when the cursor went over the end since the cursor seen last,
    // also across the ring's end: an end near the ring's end is otherwise
    // missed whenever no pass sees the cursor between it and the ring's end,
    // and the sound plays silence for ever.
    if (p <= cursor ? p <= e && e < cursor : e >= p || e < cursor) {
      StopAtEnd(record, buffer);
      return 0;
    }
    record->endPlayCursor = cursor;
    if (!IsRefillDue(record, cursor)) return -1;
    if (!LockRing(buffer, record->writeCursor, EighthSecond(record), &regions)) return -1;
    FillStreamSilence(record, &regions, EighthSecond(record));
  } else {
    const int playing = IsOutputBufferPlaying(buffer);
    if (playing != 1) {
      if (record->writeCursor != kRingNotFilled) return 0;
      firstFill = true;
      if (!LockRing(buffer, 0, ThreeQuarterSecond(record), &regions)) return -1;
    } else {
      if (record->writeCursor >= 0 && CursorOvertookWrite(record, previousCursor, cursor)) {
        // Passes came too far apart: what the cursor played past the write
        // cursor was stale, not the sound's data. Fill on from the cursor,
        // and count the data as not yet played.
        const int ring = record->ringBytes;
        const int missed = ((cursor - record->writeCursor) % ring + ring) % ring;
        record->playPosition -= missed;
        if (record->playPosition < 0) record->playPosition = 0;
        record->writeCursor = RoundDownToBlock(cursor, BlockAlign(record));
        record->refillBoundary = record->writeCursor - BoundaryDistance(record);
        if (record->refillBoundary < 0) record->refillBoundary += ring;
      }
      if (!IsRefillDue(record, cursor)) return -1;
      if (!LockRing(buffer, record->writeCursor, RefillAmount(record, cursor), &regions)) {
        return -1;
      }
    }
    FillFromSources(record, &regions, cursor);
  }
  UnlockOutputBuffer(buffer, regions.first, regions.firstBytes, regions.second,
                     regions.secondBytes);
  const int written = Written(regions);
  if (firstFill) {
    record->writeCursor = written;
    record->refillBoundary = 0;
    return 0;
  }
  record->writeCursor += written;
  if (record->writeCursor >= record->ringBytes) record->writeCursor -= record->ringBytes;
  record->refillBoundary = record->writeCursor - BoundaryDistance(record);
  if (record->refillBoundary < 0) record->refillBoundary += record->ringBytes;
  return 0;
}

int ProcessStreamSounds() {
  SoundSystemState& state = GetSoundSystemState();
  if (!state.directSound) return -1;
  SoundLockHolder lock;
  for (ListNode* node = state.streamHead.next; node && node->next; node = node->next) {
    const auto* record = static_cast<const SoundRecord*>(node->data);
    if (record->primed) ProcessStreamSound(node->id);
  }
  return 0;
}
