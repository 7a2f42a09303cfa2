// The Direct3D renderer's graph drawing back ends. Graphs reach them only
// while a device exists; without one each returns -1 at once.
#ifndef OMBREL_DIRECT3D9_DEVICE_DRAW_H
#define OMBREL_DIRECT3D9_DEVICE_DRAW_H

#include "Ombrel.h"

struct GraphRecord;

int PutGraphByDevice(GraphRecord* record, int x, int y, float xf, float yf, int transFlag,
                     int flag);
int PutGraphStretchedByDevice(int x1, int y1, int x2, int y2, float x1f, float y1f, float x2f,
                              float y2f, GraphRecord* record, int transFlag, int integerCorners);
int PutGraphQuadFloatByDevice(float x1, float y1, float x2, float y2, float x3, float y3,
                              float x4, float y4, GraphRecord* record, int transFlag);

#endif
