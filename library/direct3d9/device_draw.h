// The Direct3D renderer's graph drawing back ends: each piece of a graph
// becomes vertices under the current draw settings. Rectangles and
// parallelograms go through the vertex batch; a quad with a blend graph and
// a general quad are drawn at once. Each returns 0, or -1 without a device
// or when the graph's textures cannot be made ready (logged).
#ifndef OMBREL_DIRECT3D9_DEVICE_DRAW_H
#define OMBREL_DIRECT3D9_DEVICE_DRAW_H

#include "Ombrel.h"

struct GraphRecord;
struct GraphDrawPiece;

int PutGraphByDevice(GraphRecord* record, int x, int y, float xf, float yf, int transFlag,
                     int flag);
// Also -1 when x1 = x2 or y1 = y2; reversed corners mirror the image.
int PutGraphStretchedByDevice(int x1, int y1, int x2, int y2, float x1f, float y1f, float x2f,
                              float y2f, GraphRecord* record, int transFlag, int integerCorners);
// Corners top-left, top-right, bottom-left, bottom-right.
int PutGraphQuadByDevice(GraphRecord* record, int x1, int y1, int x2, int y2, int x3, int y3,
                         int x4, int y4, int transFlag);
int PutGraphQuadFloatByDevice(float x1, float y1, float x2, float y2, float x3, float y3,
                              float x4, float y4, GraphRecord* record, int transFlag);
// One piece into the quad q (top-left, top-right, bottom-left, bottom-right).
int PutGraphQuadPieceByDevice(const float q[4][2], const GraphDrawPiece* piece);

#endif
