// The slot tables behind every kind of library handle. A handle is
// slot | check << 16 | kind << 27: bit 31 stays clear, so a live handle is
// never negative, and the check number makes a deleted handle fail even after
// its slot is reused.
#ifndef OMBREL_SYSTEM_HANDLE_TABLE_H
#define OMBREL_SYSTEM_HANDLE_TABLE_H

#include <stdint.h>

enum HandleKind : int {
  kHandleKindGraph = 1,
  kHandleKindSound = 2,
  kHandleKindMovie = 3,
  kHandleKindFont = 4,
  kHandleKindMask = 5,
  kHandleKindNetwork = 6,
  kHandleKindKeyInput = 7,
  kHandleKindMusic = 8,
  kHandleKindLight = 9,
  kHandleKindModel = 10,
  kHandleKindGraphImage = 11,
  kHandleKindShader = 12,
  kHandleKindSoftSound = 13,
  kHandleKindVertexBuffer = 14,
  kHandleKindIndexBuffer = 15,
};

constexpr int kHandleCheckCount = 2048;

constexpr int MakeHandle(int slot, int check, int kind) {
  return slot | (check << 16) | (kind << 27);
}
constexpr int HandleSlot(int handle) { return handle & 0xFFFF; }
constexpr int HandleCheck(int handle) { return (handle >> 16) & 0x7FF; }
constexpr int HandleKindOf(int handle) { return (handle >> 27) & 0xF; }

// The state of one kind's table; the arrays live in a HandleTableStorage.
struct HandleTable {
  int kind;
  int capacity;
  void** records;
  uint16_t* checks;
  int liveCount;
  int endIndex;   // one past the highest slot that may be in use
  int nextCheck;  // the check number the next handle gets, wrapping at 2048
};

template <HandleKind Kind, int Capacity>
struct HandleTableStorage {
  static_assert(Capacity > 0 && Capacity <= 0x10000, "slot index must fit 16 bits");
  void* records[Capacity] = {};
  uint16_t checks[Capacity] = {};
  HandleTable table{Kind, Capacity, records, checks, 0, 0, 0};
};

// Stores the record in a free slot and returns its handle, or -1 when every
// slot is taken. New handles go to the end index first, so slots fill upward.
int AddHandle(HandleTable* table, void* record);

// The record behind a live handle of this table's kind, or null.
void* LookupHandle(const HandleTable* table, int handle);

// Empties the handle's slot and returns the record it held, or null when the
// handle is not live. The caller frees the record.
void* RemoveHandle(HandleTable* table, int handle);

// The handle of the record in a slot, or -1 for an empty slot; for walking
// slots 0 to endIndex - 1.
int HandleAtSlot(const HandleTable* table, int slot);

#endif
