// A map layer file as the field reads it.
#include <stdint.h>

#include "CMapData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  CMapData map;
  ParseMapFile(data, size, &map);
  return 0;
}
