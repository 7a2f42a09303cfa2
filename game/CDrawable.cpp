#include "CDrawable.h"

#include "CEffect.h"
#include "CGame.h"
#include "Ombrel.h"

CDrawable::CDrawable() = default;
CDrawable::~CDrawable() = default;

int CDrawable::Load() { return 1; }

void CDrawable::Update() {}

int PutGraphWithShake(int x, int y, int graph, int transFlag) {
  const CEffect& effect = CGame::GetInstance()->effect;
  return PutGraph(x + effect.ShakeX(), y + effect.ShakeY(), graph, transFlag);
}

int PutGraphStretchedWithShake(int x1, int y1, int x2, int y2, int graph) {
  const CEffect& effect = CGame::GetInstance()->effect;
  const int dx = effect.ShakeX();
  const int dy = effect.ShakeY();
  return PutGraphStretched(x1 + dx, y1 + dy, x2 + dx, y2 + dy, graph, 0);
}

int PutGraphPartWithShake(int x, int y, int srcX, int srcY, int width, int height, int graph,
                          int transFlag) {
  const CEffect& effect = CGame::GetInstance()->effect;
  return PutGraphPart(x + effect.ShakeX(), y + effect.ShakeY(), srcX, srcY, width, height, graph,
                      transFlag, 0);
}
