#include "CMapData.h"

#include <new>

namespace {

int32_t ReadInt32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 |
                              static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

uint16_t CMapData::GetCell(int layer, int x, int y) const {
  if (layer < 0 || layer >= kMapLayerCount || x < 0 || y < 0 || x >= width || y >= height) {
    return 0;
  }
  const std::vector<uint16_t>& cells = layers[layer];
  const size_t index = static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
  return index < cells.size() ? cells[index] : 0;
}

void CMapData::FreeLayers() {
  for (std::vector<uint16_t>& layer : layers) std::vector<uint16_t>().swap(layer);
}

MapFileResult ParseMapFile(const uint8_t* data, size_t size, CMapData* map) {
  map->FreeLayers();
  map->width = map->height = map->eventWidth = map->eventHeight = 0;
  if (data == nullptr || size < kMapHeaderSize) return MAP_FILE_REFUSED;
  if (data[18] > kMapMaxFormat) return MAP_FILE_REFUSED;
  const int32_t width = ReadInt32(data + 8);
  const int32_t height = ReadInt32(data + 12);
  if (width < 0 || height < 0) return MAP_FILE_MALFORMED;

  // Both sides are below 2^31, so the cell count fits 64 bits. A file cut
  // short still gets all its cells, so the header alone decides the memory
  // taken: a few bytes must not be able to ask for gigabytes.
  const uint64_t cells = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
  if (cells > kMapMaxCells) return MAP_FILE_MALFORMED;
  try {
    for (std::vector<uint16_t>& layer : map->layers) layer.assign(static_cast<size_t>(cells), 0);
  } catch (const std::bad_alloc&) {
    map->FreeLayers();
    return MAP_FILE_MALFORMED;
  }
  map->width = map->eventWidth = width;
  map->height = map->eventHeight = height;

  // A file cut short keeps what it holds; the rest of the cells stay 0.
  const uint8_t* p = data + kMapHeaderSize;
  size_t pairs = (size - kMapHeaderSize) / 2;
  for (std::vector<uint16_t>& layer : map->layers) {
    for (uint16_t& cell : layer) {
      if (pairs == 0) return MAP_FILE_OK;
      cell = static_cast<uint16_t>(p[0] | p[1] << 8);
      p += 2;
      --pairs;
    }
  }
  return MAP_FILE_OK;
}
