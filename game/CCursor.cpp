#include "CCursor.h"

#include <string>

#include "ErrorMessage.h"
#include "GameSettings.h"
#include "Ombrel.h"

int LoadSystemGraph(const char* fileName, int32_t* graph) {
  const std::string path = DataPath("graphs\\system") + "\\" + fileName;
  const int handle = CreateGraphFromFile(path.c_str(), 0);
  if (handle == -1) {
    ShowErrorMessage("画像読み込み失敗 [%s]", path.c_str());
    return 0;
  }
  *graph = handle;
  return 1;
}

CCursor::CCursor() = default;

CCursor::~CCursor() {
  if (graph != 0) RemoveGraph(graph, 0);
}

int CCursor::Load() {
  if (graph != 0) RemoveGraph(graph, 0);
  graph = 0;
  if (!LoadSystemGraph("cursor.png", &graph)) return 0;
  blinkCounter = 0;
  return 1;
}

void CCursor::Update() { ++blinkCounter; }

void CCursor::Draw() {
  if (visible) PutGraphWithShake(x, y, graph, 1);
}

void CCursor::Release() {
  if (graph != 0) RemoveGraph(graph, 0);
  graph = 0;
  ClearMarks();
}

void CCursor::AddMark(int markX, int markY) {
  blinkCounter = 0;
  marks.push_back({markX, markY});
}

void CCursor::ClearMarks() { marks.clear(); }

void CCursor::DrawMarks() {
  if (!visible || (blinkCounter & 2) == 0) return;
  for (const CursorMark& mark : marks) PutGraphWithShake(mark.x, mark.y, graph, 1);
}
