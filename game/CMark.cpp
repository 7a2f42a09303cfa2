#include "CMark.h"

#include "CCursor.h"
#include "Ombrel.h"

CMark::CMark() = default;

CMark::~CMark() {
  if (graph != 0) RemoveGraph(graph, 0);
}

int CMark::Load() {
  if (graph != 0) RemoveGraph(graph, 0);
  graph = 0;
  return LoadSystemGraph("mark.png", &graph);
}

void CMark::Draw() {
  if (visible) PutGraphWithShake(x, y, graph, 1);
}

void CMark::Release() {
  if (graph != 0) RemoveGraph(graph, 0);
  graph = 0;
}
