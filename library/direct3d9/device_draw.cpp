#include "direct3d9/device_draw.h"

int PutGraphByDevice(GraphRecord*, int, int, float, float, int, int) { return -1; }

int PutGraphStretchedByDevice(int, int, int, int, float, float, float, float, GraphRecord*, int,
                              int) {
  return -1;
}

int PutGraphQuadFloatByDevice(float, float, float, float, float, float, float, float,
                              GraphRecord*, int) {
  return -1;
}
