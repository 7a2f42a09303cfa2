// The tracked allocator's totals as the library keeps them.
#include "support/image_fixtures.h"
#include "system/system_state.h"

TrackedTotals TrackedTotals::Now() {
  const TrackedMemoryState& memory = GetSystemState().memory;
  return TrackedTotals{memory.totalSize, memory.blockCount};
}
