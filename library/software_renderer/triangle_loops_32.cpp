#include "software_renderer/triangle_loop_table.h"

TriangleLoop FindTriangleLoop32(const TriangleLoopKey& key) {
  return triangle::FindLoop<true>(key);
}
