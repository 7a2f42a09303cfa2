#include <algorithm>
#include <vector>

#include "graphics/graph_textures.h"
#include "system/log.h"
#include "system/tracked_memory.h"

int SplitTextureExtent(int extent, int* sizes, int capacity, int noSplit,
                       const TextureSplitLimits& limits) {
  if (capacity < 1) return -1;
  if (extent <= 8) {
    sizes[0] = 8;
    return 1;
  }
  const int limit = limits.userLimit != 0 ? limits.userLimit : limits.deviceLimit;
  int s = limit;
  while (s > 8 && s > extent) s /= 2;
  const bool split = (!limits.noSplit && !noSplit &&
                      (limits.userLimit != 0 || extent >= limits.screenWidth)) ||
                     limit < 2 * s;
  if (!split) {
    sizes[0] = s < extent ? 2 * s : s;
    return 1;
  }
  int count = 0;
  int rest = extent;
  for (;;) {
    if (count == capacity) return -1;
    sizes[count++] = s;
    rest -= s;
    if (rest <= 0) break;
    // A rest of more than three quarters is cheaper as one doubled texture.
    if (rest > 3 * s / 4 && s < limit) {
      sizes[count - 1] = 2 * s;
      break;
    }
    while (s > rest && s > 8) s /= 2;
  }
  if (count >= 2 && sizes[count - 1] == sizes[count - 2] && 2 * sizes[count - 1] <= limit) {
    sizes[count - 2] *= 2;
    --count;
  }
  return count;
}

namespace {

int FormatIndexForFlags(int alpha, int drawValid, int alphaTest, int thirtyTwo, int dxtCode) {
  if (dxtCode >= 1 && dxtCode <= 5) return 5 + dxtCode;
  if (drawValid) return (alpha || alphaTest) ? 13 : 11 + thirtyTwo;
  if (alpha) return 2 + thirtyTwo;
  if (alphaTest) return 4 + thirtyTwo;
  return thirtyTwo;
}

}  // namespace

int GraphFormatIndex(const GraphOriginalImage& original) {
  return FormatIndexForFlags(original.alpha, original.drawValid, original.alphaTest,
                             original.colorBits == 16 ? 0 : 1, original.dxtCode);
}

const ColorFormat* GetGraphFormatColorFormat(int index) {
  struct Masks {
    int bits;
    uint32_t r, g, b, a;
    uint32_t compression;
  };
  constexpr Masks kArgb8 = {32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, 0};
  static const Masks kMasks[kGraphFormatKinds] = {
      {16, 0xF800, 0x07E0, 0x001F, 0, 0},
      {32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0, 0},
      {16, 0x0F00, 0x00F0, 0x000F, 0xF000, 0},
      kArgb8,
      {16, 0x7C00, 0x03E0, 0x001F, 0x8000, 0},
      kArgb8,
      {32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, 1},
      {32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, 2},
      {32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, 3},
      {32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, 4},
      {32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, 5},
      {16, 0xF800, 0x07E0, 0x001F, 0, 0},
      {32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0, 0},
      kArgb8,
  };
  static ColorFormat formats[kGraphFormatKinds];
  static bool built[kGraphFormatKinds];
  if (index < 0 || index >= kGraphFormatKinds) return nullptr;
  if (!built[index]) {
    const Masks& m = kMasks[index];
    SetColorFormatFromMasks(&formats[index], m.bits, m.r, m.g, m.b, m.a);
    if (m.compression != 0) {
      formats[index].compression = m.compression;
      // Block-compressed pixels take half a byte (DXT1) or a byte each.
      formats[index].colorBits = m.compression == 1 ? 4 : 8;
    }
    built[index] = true;
  }
  return &formats[index];
}

const ColorFormat* GraphFormatColorFormatForFlags(int alpha, int drawValid, int alphaTest,
                                                  int thirtyTwo) {
  return GetGraphFormatColorFormat(
      FormatIndexForFlags(alpha, drawValid, alphaTest, thirtyTwo ? 1 : 0, 0));
}

int LayoutGraphTexturePieces(GraphOriginalImage* original, const TextureSplitLimits& limits,
                             int squareOnly) {
  const int noSplit = original->drawValid || original->blendGraph;
  // Pieces are at least 8 pixels, so this many always suffice.
  std::vector<int> widths(original->width / 8 + 2), heights(original->height / 8 + 2);
  const int columns = SplitTextureExtent(original->width, widths.data(),
                                         static_cast<int>(widths.size()), noSplit, limits);
  const int rows = SplitTextureExtent(original->height, heights.data(),
                                      static_cast<int>(heights.size()), noSplit, limits);
  if (columns < 1 || rows < 1) return -1;
  struct Cell {
    int x, y, width, height;
  };
  std::vector<Cell> cells;
  int y = 0;
  for (int r = 0; r < rows; ++r) {
    int x = 0;
    for (int c = 0; c < columns; ++c) {
      cells.push_back({x, y, widths[c], heights[r]});
      x += widths[c];
    }
    y += heights[r];
  }
  if (squareOnly) {
    // Every cell keeps its first square; the others go to the end.
    const size_t grid = cells.size();
    for (size_t i = 0; i < grid; ++i) {
      const Cell cell = cells[i];
      const int side = std::min(cell.width, cell.height);
      cells[i].width = cells[i].height = side;
      for (int dy = 0; dy < cell.height; dy += side) {
        for (int dx = 0; dx < cell.width; dx += side) {
          if (dx != 0 || dy != 0) cells.push_back({cell.x + dx, cell.y + dy, side, side});
        }
      }
    }
  }
  const int count = static_cast<int>(cells.size());
  auto* pieces =
      static_cast<GraphTexturePiece*>(TRACKED_ALLOC_ZEROED(sizeof(GraphTexturePiece) * count));
  if (!pieces) {
    AppendLog("グラフィックのオリジナル画像データ保存用メモリの確保に失敗しました\n");
    return -1;
  }
  for (int i = 0; i < count; ++i) {
    GraphTexturePiece& piece = pieces[i];
    piece.x = cells[i].x;
    piece.y = cells[i].y;
    piece.textureWidth = cells[i].width;
    piece.textureHeight = cells[i].height;
    piece.usedWidth = std::max(0, std::min(cells[i].width, original->width - cells[i].x));
    piece.usedHeight = std::max(0, std::min(cells[i].height, original->height - cells[i].y));
  }
  original->pieces = pieces;
  original->pieceCount = count;
  return 0;
}

void FreeGraphDrawPieces(GraphRecord* record) {
  if (record->drawPieces) FreeTrackedMemory(record->drawPieces);
  record->drawPieces = nullptr;
  record->drawPieceCount = 0;
}

int BuildGraphDrawPieces(GraphRecord* record) {
  FreeGraphDrawPieces(record);
  const GraphOriginalImage* original = record->original;
  const int left = record->originalX, top = record->originalY;
  const int right = left + record->width, bottom = top + record->height;
  auto overlaps = [&](const GraphTexturePiece& p) {
    return p.x < right && p.x + p.usedWidth > left && p.y < bottom && p.y + p.usedHeight > top;
  };
  int count = 0;
  for (int i = 0; i < original->pieceCount; ++i) count += overlaps(original->pieces[i]) ? 1 : 0;
  if (count == 0) {
    AppendLog("テクスチャ描画情報の作成に失敗しました\n");
    return -1;
  }
  auto* entries = static_cast<GraphDrawPiece*>(TRACKED_ALLOC_ZEROED(sizeof(GraphDrawPiece) * count));
  if (!entries) {
    AppendLog("画像描画情報格納用メモリの確保に失敗しました\n");
    return -1;
  }
  const float graphWidth = static_cast<float>(record->width);
  const float graphHeight = static_cast<float>(record->height);
  int n = 0;
  for (int i = 0; i < original->pieceCount; ++i) {
    GraphTexturePiece& piece = original->pieces[i];
    if (!overlaps(piece)) continue;
    const int partLeft = std::max(left, piece.x), partTop = std::max(top, piece.y);
    const int partRight = std::min(right, piece.x + piece.usedWidth);
    const int partBottom = std::min(bottom, piece.y + piece.usedHeight);
    GraphDrawPiece& entry = entries[n++];
    entry.destX = partLeft - left;
    entry.destY = partTop - top;
    entry.sourceX = partLeft - piece.x;
    entry.sourceY = partTop - piece.y;
    entry.width = partRight - partLeft;
    entry.height = partBottom - partTop;
    entry.texturePiece = &piece;
    const float tw = static_cast<float>(piece.textureWidth);
    const float th = static_cast<float>(piece.textureHeight);
    for (int corner = 0; corner < 4; ++corner) {
      const int dx = (corner & 1) ? entry.width : 0;
      const int dy = (corner & 2) ? entry.height : 0;
      const float x = static_cast<float>(entry.destX + dx);
      const float y = static_cast<float>(entry.destY + dy);
      entry.corners[corner][0] = x;
      entry.corners[corner][1] = y;
      entry.corners[corner][2] = static_cast<float>(entry.sourceX + dx) / tw;
      entry.corners[corner][3] = static_cast<float>(entry.sourceY + dy) / th;
      entry.cornerFlags[corner] = y <= graphHeight - x * graphHeight / graphWidth ? 1 : 0;
    }
  }
  record->drawPieces = entries;
  record->drawPieceCount = count;
  return 0;
}
