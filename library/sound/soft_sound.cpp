#include "sound/soft_sound.h"

#include <string.h>

#include "Ombrel.h"
#include "sound/sound_services.h"
#include "sound/sound_state.h"
#include "system/tracked_memory.h"

namespace {

SoundSystemState& State() { return GetSoundSystemState(); }

int Wrap(int value, int size) { return ((value % size) + size) % size; }

// Whether position lies in the ring interval from start to end inclusive.
bool InRingInterval(int position, int start, int end) {
  if (end >= start) return start <= position && position <= end;
  return position >= start || position <= end;
}

// Writes bytes from the player's ring, then silence, into one lock.
void CopyIntoRegion(SoftSoundRecord* player, uint8_t* region, int bytes, int* realLeft) {
  const int real = *realLeft < bytes ? *realLeft : bytes;
  if (real > 0) ReadRingBuffer(&player->ring, region, real, 0);
  *realLeft -= real;
  memset(region + real, player->format.bitsPerSample == 8 ? 0x7F : 0,
         static_cast<size_t>(bytes - real));
}

int DeleteAllOfKind(int kind) {
  if (!IsSoundSystemStarted()) return -1;
  auto& table = State().softSounds;
  for (int slot = 0; slot < kSoftSoundHandleLimit; ++slot) {
    if (table.records[slot] && table.records[slot]->kind == kind) {
      DeleteSoftSoundHandle(SoundTableHandle(table, slot), kind);
    }
  }
  return 0;
}

}  // namespace

int DeleteSoftSoundHandle(int handle, int kind) {
  if (!IsSoundSystemStarted()) return -1;
  SoundLockHolder lock;
  auto& table = State().softSounds;
  SoftSoundRecord* record = LookupSoundTable(table, handle);
  if (!record || record->kind != kind) return -1;
  if (record->kind == kSoftSoundData) {
    FreeTrackedMemory(record->samples);
  } else {
    if (record->buffer.valid) {
      StopOutputBuffer(&record->buffer);
      ReleaseOutputBuffer(&record->buffer);
    }
    TerminateRingBuffer(&record->ring);
    if (record->listNode.previous) RemoveListNode(&record->listNode);
  }
  FreeTrackedMemory(record);
  ClearSoundTableSlot(table, HandleSlot(handle));
  return 0;
}

int DeleteAllSoftSoundData() { return DeleteAllOfKind(kSoftSoundData); }

int DeleteAllSoftSoundPlayers() { return DeleteAllOfKind(kSoftSoundPlayer); }

int ProcessSoftSoundPlayer(SoftSoundRecord* player) {
  SoundLockHolder lock;
  int cursor = 0;
  if (!player->playing || player->bufferBytes <= 0 ||
      GetOutputBufferPlayCursor(&player->buffer, &cursor) != 0) {
    return 0;
  }
  const int size = player->bufferBytes;
  const int align = player->format.blockAlign ? player->format.blockAlign : 1;
  if (player->endPosition != -1 && !player->playedPastEnd) {
    const int before = player->cursorBeforeEnd;
    const int end = player->endPosition;
    const bool crossed =
        before <= cursor ? before < end && end <= cursor : end > before || end <= cursor;
    if (crossed) {
      player->playedPastEnd = 1;
    } else {
      player->cursorBeforeEnd = cursor;
    }
  }
  const int write = player->writePosition;
  if (!InRingInterval(cursor, Wrap(write - player->aheadBytes, size), write)) return 0;
  const int toWrite = RoundDownToBlock(Wrap(cursor + 2 * player->aheadBytes - write, size), align);
  if (toWrite <= 0) return 0;
  int realLeft = RoundDownToBlock(player->ring.stored, align);
  if (realLeft > toWrite) realLeft = toWrite;
  const int real = realLeft;
  void* first = nullptr;
  void* second = nullptr;
  int firstBytes = 0;
  int secondBytes = 0;
  if (LockOutputBuffer(write, &player->buffer, toWrite, &first, &firstBytes, &second,
                       &secondBytes) != 0) {
    return 0;
  }
  CopyIntoRegion(player, static_cast<uint8_t*>(first), firstBytes, &realLeft);
  if (second) CopyIntoRegion(player, static_cast<uint8_t*>(second), secondBytes, &realLeft);
  UnlockOutputBuffer(&player->buffer, first, firstBytes, second, secondBytes);
  if (real > 0 && player->endPosition != -1) {
    player->endPosition = -1;
    player->playedPastEnd = 0;
  }
  if (real < toWrite && player->endPosition == -1) {
    player->endPosition = Wrap(write + real, size);
    player->cursorBeforeEnd = cursor;
  }
  player->writePosition = Wrap(write + toWrite, size);
  player->waitingSamples -= real / align;
  return 0;
}

int ProcessSoftSoundPlayers() {
  SoundSystemState& state = State();
  if (!state.directSound) return -1;
  SoundLockHolder lock;
  for (ListNode* node = state.softPlayerHead.next; node && node->next; node = node->next) {
    auto* player = static_cast<SoftSoundRecord*>(node->data);
    if (player->playing) ProcessSoftSoundPlayer(player);
  }
  return 0;
}
