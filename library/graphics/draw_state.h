// The drawing state: one block of settings that every drawing call applies
// (draw target and area, blend mode and parameter, blend graph, bright) and
// the settings that shape new graphs. The setters clamp instead of refusing
// and mirror what the software primitives read into GetSoftDrawSettings().
#ifndef OMBREL_GRAPHICS_DRAW_STATE_H
#define OMBREL_GRAPHICS_DRAW_STATE_H

#include <stdint.h>

#include "Ombrel.h"

constexpr int kTextureStageCount = 8;

struct DrawStateRecord {
  int32_t drawTarget;
  IntRect drawArea;  // right and bottom exclusive, inside the target
  float drawAreaFloat[4];
  int32_t targetWidth;
  int32_t targetHeight;
  int32_t textureAddress[kTextureStageCount][3];  // U, V, W; 3 clamp
  float drawDepth2D;
  int32_t filterMode;  // 0 nearest, 1 bilinear, 2 anisotropic
  int32_t deviceWord;
  int32_t blendMode;
  int32_t blendParam;
  int32_t blendGraph;  // GraphHandle or -1
  int32_t blendBorderParam;
  int32_t blendBorderRange;
  int32_t alphaTestOverride;  // -1 none
  uint32_t drawBright;        // bytes blue, green, red, 0

  // Settings for new graphs.
  int32_t createColorBits;  // 0 the screen's
  int32_t createDrawValid;
  int32_t createDrawValidAlpha;
  int32_t createEmptyGraphAlpha;
  int32_t createAlphaTest;
  int32_t movieGraphCreating;
  int32_t createBlendGraph;
  int32_t createSystemMemoryCopy;

  // Kept across resets.
  int32_t noVSyncWait;
  int32_t initialPresentInterval;
  int32_t emulation320x240Request;

  uint32_t transColor;  // 0x00RRGGBB for new graphs
  int32_t noTransColor;
  int32_t drawAreaEmpty;  // 1: every drawing call returns at once
  IntRect requestedDrawArea;  // as last given, for a restore
};

DrawStateRecord& GetDrawState();

int InitializeDrawState();
// Stores the area as it is (with its float copy and the software renderer's
// copy), without ordering, clamping or the empty flag.
void StoreDrawArea(const IntRect& area);
void SetDrawBrightPacked(int value);
uint32_t DeviceDrawColor();
struct GraphRecord;
// -1 when a blend graph is set that does not cover the graph.
int CheckBlendGraphCovers(const GraphRecord* record);
// No blend graph from now on, without the checks and waits of SetBlendGraph:
// for a blend graph that is being deleted.
void DropBlendGraph();
// The size of a draw target: the screen's for -2 and -4, a live graph's;
// -1 for anything else.
int GetDrawTargetSize(int target, int* width, int* height);

#endif
