// The fixed slot tables behind sound, music and soft-sound handles. A handle
// is slot | (check id | type code << 11) << 16; every record type starts with
// its check id, which the handle must repeat.
#ifndef OMBREL_SOUND_SOUND_TABLE_H
#define OMBREL_SOUND_SOUND_TABLE_H

#include "system/handle_table.h"

template <typename Record, int Capacity, HandleKind Kind>
struct SoundSlotTable {
  static constexpr int kCapacity = Capacity;
  static constexpr HandleKind kKind = Kind;
  Record* records[Capacity];
  int count;
  int endIndex;  // one past the highest used slot, never below count
  int nextCheck;
};

template <typename Table>
int SoundTableHandle(const Table& table, int slot) {
  return MakeHandle(slot, table.records[slot]->checkId, Table::kKind);
}

template <typename Table>
auto* LookupSoundTable(const Table& table, int handle) {
  using RecordPointer = decltype(table.records[0]);
  if (handle < 0 || (handle & 0x78000000) != (Table::kKind << 27)) return RecordPointer{};
  const int slot = handle & 0xFFFF;
  if (slot >= Table::kCapacity) return RecordPointer{};
  auto* record = table.records[slot];
  if (!record || (record->checkId << 16) != (handle & 0x7FF0000)) return RecordPointer{};
  return record;
}

// The slot a new record takes: a handle whose slot is free gives that slot
// back with its own check id; otherwise the end index, or the first free slot
// once the end index has reached the capacity. -1 when every slot is taken or
// the handle's slot is occupied.
template <typename Table>
int ChooseSoundTableSlot(const Table& table, int handle, int* checkId) {
  if (handle != -1) {
    const int slot = handle & 0xFFFF;
    if (handle < 0 || slot >= Table::kCapacity || table.records[slot]) return -1;
    *checkId = HandleCheck(handle);
    return slot;
  }
  if (table.count >= Table::kCapacity) return -1;
  int slot = table.endIndex;
  if (slot >= Table::kCapacity) {
    slot = 0;
    while (table.records[slot]) ++slot;
  }
  *checkId = table.nextCheck;
  return slot;
}

// Stores the record and returns its handle; a new handle (handle -1) moves
// the check-id counter on.
template <typename Table, typename Record>
int StoreSoundTableRecord(Table& table, int slot, int handle, Record* record) {
  table.records[slot] = record;
  if (handle == -1) {
    table.nextCheck = (table.nextCheck + 1) % kHandleCheckCount;
    if (table.endIndex == slot) ++table.endIndex;
  }
  ++table.count;
  if (table.endIndex <= slot) table.endIndex = slot + 1;
  if (table.count > table.endIndex) table.endIndex = table.count;
  return handle == -1 ? SoundTableHandle(table, slot) : handle;
}

// Empties a slot; the end index drops past the empty slots below it.
template <typename Table>
void ClearSoundTableSlot(Table& table, int slot) {
  table.records[slot] = nullptr;
  --table.count;
  if (slot == table.endIndex - 1) {
    int end = table.count == 0 ? 0 : slot;
    while (end > 0 && !table.records[end - 1]) --end;
    table.endIndex = end;
  }
}

#endif
