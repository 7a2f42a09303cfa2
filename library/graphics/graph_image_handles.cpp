#include "graphics/graph_image.h"
#include "system/handle_table.h"
#include "system/tracked_memory.h"

namespace {

constexpr int kGraphImageHandleCapacity = 8192;

HandleTableStorage<kHandleKindGraphImage, kGraphImageHandleCapacity> graphImageHandles;

}  // namespace

int AddGraphImageHandle(GraphImage* image) {
  auto* record = static_cast<GraphImage*>(AllocTrackedMemory(sizeof(GraphImage), nullptr, 0));
  if (!record) return -1;
  *record = *image;
  int handle = AddHandle(&graphImageHandles.table, record);
  if (handle < 0) {
    FreeTrackedMemory(record);
    return -1;
  }
  *image = GraphImage{};
  return handle;
}

GraphImage* GetGraphImageFromHandle(int handle) {
  return static_cast<GraphImage*>(LookupHandle(&graphImageHandles.table, handle));
}

int DeleteGraphImageHandle(int handle) {
  auto* record = static_cast<GraphImage*>(RemoveHandle(&graphImageHandles.table, handle));
  if (!record) return -1;
  FreeGraphImage(record);
  FreeTrackedMemory(record);
  return 0;
}

int DeleteAllGraphImageHandles() {
  HandleTable* table = &graphImageHandles.table;
  for (int slot = table->endIndex - 1; slot >= 0; --slot) {
    int handle = HandleAtSlot(table, slot);
    if (handle >= 0) DeleteGraphImageHandle(handle);
  }
  return 0;
}

int EndGraphImageHandles() { return DeleteAllGraphImageHandles(); }
