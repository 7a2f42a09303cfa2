// Graphs: the handle table, the per-graph record and the reference-counted
// original image that several graphs (the pieces of a divided picture,
// derived graphs) share at different offsets.
#ifndef OMBREL_GRAPHICS_GRAPH_HANDLES_H
#define OMBREL_GRAPHICS_GRAPH_HANDLES_H

#include <stdint.h>

#include "Ombrel.h"
#include "software_renderer/soft_image.h"

constexpr int kGraphHandleCapacity = 0x8000;

// Format indices of software originals.
constexpr int kGraphFormatSoft16 = 15;
constexpr int kGraphFormatSoft32 = 17;  // + 1 with alpha, for both

// One texture of a hardware original: the original is cut into a grid of
// textures no larger than the device accepts.
struct GraphTexturePiece {
  void* texture;         // IDirect3DTexture9*, in the device's pool
  void* stagingTexture;  // IDirect3DTexture9* in system memory, the upload's source
  void* surface;         // level 0 of texture
  void* targetSurface;   // released only for draw-valid originals
  int32_t x;             // the piece's place in the original
  int32_t y;
  int32_t usedWidth;  // the image's extent inside the texture
  int32_t usedHeight;
  int32_t textureWidth;
  int32_t textureHeight;
};

// The part of one texture piece that a graph covers, with the corners the
// device back ends turn into vertices.
struct GraphDrawPiece {
  int32_t destX;  // offset inside the graph
  int32_t destY;
  int32_t sourceX;  // offset inside the texture
  int32_t sourceY;
  int32_t width;
  int32_t height;
  float corners[4][4];  // top-left, top-right, bottom-left, bottom-right: x, y, u, v
  // 1 when the corner lies on or above the graph's diagonal from bottom-left
  // to top-right.
  uint8_t cornerFlags[4];
  GraphTexturePiece* texturePiece;
};

struct GraphOriginalImage {
  int32_t referenceCount;  // the graphs that use it
  int32_t formatIndex;
  uint8_t hardwareImage;
  uint8_t alpha;
  uint8_t drawValid;  // may be a draw target
  uint8_t softwareImage;
  uint8_t systemMemoryCopy;
  uint8_t dxtCode;
  uint8_t mipLevels;
  uint8_t alphaTest;
  uint8_t colorBits;
  uint8_t blendGraph;  // an 8-bit single-channel image
  uint8_t palette;
  uint8_t spare;
  uint32_t transparentColor;  // 0x00RRGGBB in effect at creation
  int32_t width;
  int32_t height;
  // The pixels; in hardware mode the system-memory image the textures are
  // filled from.
  SOFTIMG image;
  // Hardware originals only.
  int32_t mipCount;
  int32_t pieceCount;
  GraphTexturePiece* pieces;
  int32_t texturesStale;  // the image changed since the textures were filled
};

// The image file a graph was loaded from, shared by the graphs derived from
// it, so that the graphs can be filled again from their files.
struct GraphSourceFile {
  int32_t referenceCount;
  char path[1];  // NUL-terminated, allocated to its length
};

struct GraphRecord {
  int32_t checkId;
  int32_t handle;
  int* deleteWatcher;  // receives 1 when the graph is deleted
  GraphOriginalImage* original;
  int32_t movie;  // -1 none
  GraphSourceFile* sourceFile;
  int32_t fileX;  // the graph's area in the file image it was loaded from
  int32_t fileY;
  int32_t fileMirror;
  int32_t originalX;  // the graph's area in the original
  int32_t originalY;
  int32_t width;
  int32_t height;
  void* ownedBuffer1;  // freed with the graph when set
  int32_t word1;
  void* ownedBuffer2;
  int32_t word2;
  SOFTIMG view;  // the graph's area of the original's image
  // Hardware originals: one entry per texture piece the graph covers.
  int32_t drawPieceCount;
  GraphDrawPiece* drawPieces;
};

// Takes a slot and an empty record; ends the process when the table is full
// or memory runs out, so it never returns -1.
int AddGraphHandle();
GraphRecord* GetGraphRecord(int value);
int CheckGraphHandle(int value);
int SetGraphDeleteWatcher(int graph, int* flag);
// fileName null: shareFrom -1 leaves the graph without a file, a live
// shareFrom shares that graph's file.
int SetGraphSourceFile(int graph, const char* fileName, int shareFrom);
// On failure the graph is deleted. mipCount -1 lets the set-up choose.
int SetupGraphOriginalImage(int mipCount, int graph, int width, int height, int alpha,
                            int palette, int dxtCode);
int BuildGraphDrawInfo(int graph);
int SetupDerivedGraph(int source, int graph, int x, int y, int width, int height);
// Releases the render-target surfaces of a hardware original's pieces;
// a software original has none.
int ReleaseGraphTargetSurfaces(GraphOriginalImage* original);

// Graph set-up's fresh table: deletes every graph still in it, whatever the
// state of the graphics system, so that no record is lost.
void ResetGraphHandleTable();
// For walking the table: one past the highest slot that may be in use, and
// the handle in a slot (-1 when empty).
int GraphTableEndIndex();
int GraphHandleAtSlot(int slot);
int GraphLiveCount();

#endif
