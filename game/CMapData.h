// A field map as its file and its row of the map table give it: the size, the
// wrap and encounter flags, the chip sets of the three tile layers and the six
// layers of 16-bit cells.
//
// Map file, little-endian: bytes 8-11 width and 12-15 height in cells (int32),
// byte 18 the format (refused above 6), the other header bytes up to 20 not
// interpreted; then six layers of width x height uint16 cells, row by row.
#ifndef MOONLITCAIRN_CMAPDATA_H
#define MOONLITCAIRN_CMAPDATA_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

constexpr size_t kMapHeaderSize = 20;
constexpr int kMapMaxFormat = 6;
// The most cells a map may announce (2048 x 2048, 48 MiB of layers), far
// beyond any field the game draws.
constexpr uint64_t kMapMaxCells = uint64_t{1} << 22;

// The layers in file order.
enum MapLayer {
  MAP_LAYER_TILE0 = 0,  // drawn first, under the characters
  MAP_LAYER_TILE1 = 1,  // drawn second, under the characters
  MAP_LAYER_TILE2 = 2,  // drawn over the characters
  MAP_LAYER_PASS = 3,   // pass values
  MAP_LAYER_EVENT = 4,  // event id of the object that starts on the cell
  MAP_LAYER_AREA = 5,   // encounter-area id
};
constexpr int kMapLayerCount = 6;

enum MapFileResult {
  MAP_FILE_OK,
  MAP_FILE_REFUSED,    // no header, or a format above the reader's
  MAP_FILE_MALFORMED,  // a negative size, or more cells than memory holds
};

class CMapData {
 public:
  int32_t width = 0;
  int32_t height = 0;
  int32_t wrap = 0;     // walking off one edge enters at the opposite edge
  int32_t encount = 0;  // random encounters happen here
  int32_t chipSetIds[3] = {0, 0, 0};
  int32_t eventWidth = 0;
  int32_t eventHeight = 0;
  // Empty until a file has been read.
  std::vector<uint16_t> layers[kMapLayerCount];

  bool HasLayers() const { return !layers[0].empty(); }
  // The cell's value; 0 outside the map or without layers.
  uint16_t GetCell(int layer, int x, int y) const;
  void FreeLayers();
};

// Reads a map file image into map: the size, then the six layers. A file cut
// short keeps the cells it holds and reads the rest as 0. On any failure the
// map has no layers and every size is 0, so nothing reads a layer that is not
// there.
MapFileResult ParseMapFile(const uint8_t* data, size_t size, CMapData* map);

// Where a chip value lies in its 16 x 16 grid sheet: column value mod 256,
// row value div 256.
constexpr int ChipSheetX(int chipValue) { return (chipValue % 256) * 16; }
constexpr int ChipSheetY(int chipValue) { return (chipValue / 256) * 16; }

#endif
