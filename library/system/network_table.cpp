#include "system/network_table.h"

#include "system/handle_table.h"
#include "system/tracked_memory.h"

void ResetNetworkTable(NetworkTable* table) {
  for (NetworkRecord*& record : table->records) record = nullptr;
  table->count = 0;
  table->nextCheck = 0;
  InitLinkedList(&table->head, &table->tail);
}

int MakeNetworkHandle(int slot, int check) { return MakeHandle(slot, check, kHandleKindNetwork); }

NetworkRecord* FindNetworkRecord(NetworkTable* table, int handle) {
  if (handle < 0 || HandleKindOf(handle) != kHandleKindNetwork) return nullptr;
  const int slot = HandleSlot(handle);
  if (slot >= kNetworkSlotCount) return nullptr;
  NetworkRecord* record = table->records[slot];
  if (!record || record->check != HandleCheck(handle)) return nullptr;
  return record;
}

int NetworkRecordHandle(const NetworkRecord* record) { return record->node.id; }

int FindFreeConnectionSlot(const NetworkTable* table) {
  for (int slot = 0; slot < kNetworkConnectionSlots; ++slot) {
    if (!table->records[slot]) return slot;
  }
  return -1;
}

NetworkRecord* AddNetworkRecord(NetworkTable* table, int slot) {
  auto* record = static_cast<NetworkRecord*>(TRACKED_ALLOC_ZEROED(sizeof(NetworkRecord)));
  if (!record) return nullptr;
  record->check = table->nextCheck;
  table->nextCheck = (table->nextCheck + 1) % kHandleCheckCount;
  InsertListNodeAfter(&table->head, &record->node, MakeNetworkHandle(slot, record->check), record);
  table->records[slot] = record;
  ++table->count;
  return record;
}

void RemoveNetworkRecord(NetworkTable* table, NetworkRecord* record) {
  RemoveListNode(&record->node);
  const int slot = HandleSlot(record->node.id);
  if (table->records[slot] == record) {
    table->records[slot] = nullptr;
    --table->count;
  }
  FreeTrackedMemory(record);
}
