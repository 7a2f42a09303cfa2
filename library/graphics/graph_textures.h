// The hardware half of graphs: how an original is cut into textures under
// the device's size limits, the draw pieces of each graph, and the textures
// themselves, filled from the original's system-memory image.
#ifndef OMBREL_GRAPHICS_GRAPH_TEXTURES_H
#define OMBREL_GRAPHICS_GRAPH_TEXTURES_H

#include "graphics/graph_handles.h"

struct TextureSplitLimits {
  int userLimit;     // 0 none
  int deviceLimit;   // the device's largest texture side
  int noSplit;       // the global no-split setting
  int screenWidth;
};

// Cuts an extent into texture sizes (powers of two, at least 8) into sizes;
// returns how many, or -1 when more than capacity would be needed. noSplit
// keeps one texture unless the extent is beyond the limit.
int SplitTextureExtent(int extent, int* sizes, int capacity, int noSplit,
                       const TextureSplitLimits& limits);

// The texture kind of a hardware original, from its flag bytes.
int GraphFormatIndex(const GraphOriginalImage& original);

constexpr int kGraphFormatKinds = 14;
// The pixel layout of each texture kind (R5G6B5, X8R8G8B8, A4R4G4B4,
// A8R8G8B8, A1R5G5B5, alpha-test A8R8G8B8, DXT1-DXT5, then the draw-valid
// R5G6B5, X8R8G8B8 and A8R8G8B8), made on first use; null past the last.
const ColorFormat* GetGraphFormatColorFormat(int index);
// The layout GraphFormatIndex would choose for these loose flags.
const ColorFormat* GraphFormatColorFormatForFlags(int alpha, int drawValid, int alphaTest,
                                                  int thirtyTwo);

// Fills the original's piece grid from its size; squareOnly cuts every
// non-square piece into squares of its shorter side. 0 or -1.
int LayoutGraphTexturePieces(GraphOriginalImage* original, const TextureSplitLimits& limits,
                             int squareOnly);
// Rebuilds the record's draw pieces from its area of the original; 0, or
// -1 when no piece overlaps it.
int BuildGraphDrawPieces(GraphRecord* record);
void FreeGraphDrawPieces(GraphRecord* record);

// The device's limits for new originals.
TextureSplitLimits CurrentTextureSplitLimits();
// Makes the hardware half of a freshly set-up original: the flags, the
// piece grid and the textures. 0 or -1.
int SetupGraphHardwareImage(GraphOriginalImage* original);
// Each piece's texture, system-memory staging texture and level-0 surface;
// -1 without a device or when the format cannot be made. The textures are
// filled from the image before their next draw.
int CreateGraphTextures(GraphOriginalImage* original);
int ReleaseGraphTextures(GraphOriginalImage* original);
// Frees the piece grid after releasing its textures.
void FreeGraphTexturePieces(GraphOriginalImage* original);
// Called after the original's image changed.
void MarkGraphPixelsChanged(GraphOriginalImage* original);
// Copies the image into the textures when it changed since; 0 or -1.
int RefreshGraphTextures(GraphOriginalImage* original);

// The passes over the graph table around a device re-creation.
void ReleaseAllGraphTextures();
void CreateAllGraphTextures();
// The first piece's texture and level-0 surface of a live hardware graph,
// filled and current, else null.
void* GetGraphTexture(int graph);
void* GetGraphSurface(int graph, int* colorKind);

#endif
