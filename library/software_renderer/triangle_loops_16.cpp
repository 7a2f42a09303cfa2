#include "software_renderer/triangle_loop_table.h"

TriangleLoop FindTriangleLoop16(const TriangleLoopKey& key) {
  return triangle::FindLoop<false>(key);
}
