#include "CMapData.h"

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
  if (data == nullptr || size < kMapHeaderSize) return MAP_FILE_REFUSED;
  if (data[18] > kMapMaxFormat) return MAP_FILE_REFUSED;
  map->FreeLayers();
  map->width = ReadInt32(data + 8);
  map->height = ReadInt32(data + 12);
  map->eventWidth = map->width;
  map->eventHeight = map->height;
  if (map->width <= 0 || map->height <= 0) return MAP_FILE_MALFORMED;

  // Both sides are below 2^31, so the cell count fits 64 bits; the layers must
  // all be in the file before anything is allocated for them.
  const uint64_t cells = static_cast<uint64_t>(map->width) * static_cast<uint64_t>(map->height);
  const uint64_t available = (size - kMapHeaderSize) / (2u * kMapLayerCount);
  if (cells > available || cells > SIZE_MAX / sizeof(uint16_t)) return MAP_FILE_MALFORMED;

  const uint8_t* p = data + kMapHeaderSize;
  for (std::vector<uint16_t>& layer : map->layers) {
    layer.resize(static_cast<size_t>(cells));
    for (uint16_t& cell : layer) {
      cell = static_cast<uint16_t>(p[0] | p[1] << 8);
      p += 2;
    }
  }
  return MAP_FILE_OK;
}
