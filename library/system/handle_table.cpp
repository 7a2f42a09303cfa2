#include "system/handle_table.h"

int AddHandle(HandleTable* table, void* record) {
  if (!record || table->liveCount >= table->capacity) return -1;
  int slot = table->endIndex;
  if (slot >= table->capacity) {
    slot = 0;
    while (table->records[slot]) ++slot;
  }
  int check = table->nextCheck;
  table->nextCheck = (check + 1) % kHandleCheckCount;
  table->records[slot] = record;
  table->checks[slot] = static_cast<uint16_t>(check);
  ++table->liveCount;
  if (slot >= table->endIndex) table->endIndex = slot + 1;
  return MakeHandle(slot, check, table->kind);
}

void* LookupHandle(const HandleTable* table, int handle) {
  if (handle < 0 || HandleKindOf(handle) != table->kind) return nullptr;
  int slot = HandleSlot(handle);
  if (slot >= table->capacity || !table->records[slot]) return nullptr;
  if (table->checks[slot] != HandleCheck(handle)) return nullptr;
  return table->records[slot];
}

void* RemoveHandle(HandleTable* table, int handle) {
  void* record = LookupHandle(table, handle);
  if (!record) return nullptr;
  int slot = HandleSlot(handle);
  table->records[slot] = nullptr;
  --table->liveCount;
  if (slot == table->endIndex - 1) {
    int end = slot;
    if (table->liveCount == 0) end = 0;
    while (end > 0 && !table->records[end - 1]) --end;
    table->endIndex = end;
  }
  return record;
}

int HandleAtSlot(const HandleTable* table, int slot) {
  if (slot < 0 || slot >= table->capacity || !table->records[slot]) return -1;
  return MakeHandle(slot, table->checks[slot], table->kind);
}
