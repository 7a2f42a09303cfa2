#include "graphics/graph_handles.h"

#include <cstddef>
#include <cstring>

#include "graphics/draw_state.h"
#include "graphics/graph_textures.h"
#include "graphics/draw_target.h"
#include "graphics/screen_mode.h"
#include "graphics/screen_settings.h"
#include "sound/movie_services.h"
#include "system/handle_table.h"
#include "system/log.h"
#include "system/tracked_memory.h"

namespace {

// MakeFullPath writes at most 260 bytes.
constexpr int kFullPathBufferSize = 1024;

HandleTableStorage<kHandleKindGraph, kGraphHandleCapacity> graphHandles;

void DropSourceFile(GraphRecord* record) {
  GraphSourceFile* file = record->sourceFile;
  record->sourceFile = nullptr;
  if (file && --file->referenceCount <= 0) FreeTrackedMemory(file);
}

// The colour bits that new graphs get: the creation setting, else the
// screen's (0 before start-up, which makes 32-bit graphs).
int NewGraphColorBits() {
  const int bits = GetDrawState().createColorBits;
  return bits != 0 ? bits : GetScreenSettings().colorBits;
}

int FailSetup(int graph, const char* text) {
  AppendLog(text);
  RemoveGraph(graph, 0);
  return -1;
}

}  // namespace

int AddGraphHandle() {
  HandleTable* table = &graphHandles.table;
  if (table->liveCount >= kGraphHandleCapacity) {
    ExitWithError("グラフィックの数が許容量を越えました終了します");
  }
  auto* record = static_cast<GraphRecord*>(TRACKED_ALLOC_ZEROED(sizeof(GraphRecord)));
  if (!record) ExitWithError("メモリの確保に失敗しました");
  record->movie = -1;
  const int handle = AddHandle(table, record);
  record->handle = handle;
  record->checkId = HandleCheck(handle);
  return handle;
}

GraphRecord* GetGraphRecord(int value) {
  return static_cast<GraphRecord*>(LookupHandle(&graphHandles.table, value));
}

int CheckGraphHandle(int value) { return GetGraphRecord(value) ? 1 : 0; }

int QueryGraphSize(int graph, int* width, int* height) {
  int w = 0;
  int h = 0;
  if (graph == -2 || graph == -4) {
    w = GetScreenSettings().width;
    h = GetScreenSettings().height;
  } else {
    const GraphRecord* record = GetGraphRecord(graph);
    if (!record) return -1;
    w = record->width;
    h = record->height;
  }
  if (width) *width = w;
  if (height) *height = h;
  return 0;
}

int RemoveGraph(int graph, int) {
  GraphRecord* record = GetGraphRecord(graph);
  if (!record) return -1;
  // Closing "no movie" fails without effect; every graph goes through it.
  CloseMovieHandle(record->movie);
  GraphOriginalImage* original = record->original;
  FreeGraphDrawPieces(record);
  if (original) {
    ReleaseSoftImg(&record->view);
    if (--original->referenceCount <= 0) {
      ReleaseGraphTargetSurfaces(original);
      FreeGraphTexturePieces(original);
      ReleaseSoftImg(&original->image);
      FreeTrackedMemory(original);
    }
    record->original = nullptr;
  }
  if (record->ownedBuffer1) FreeTrackedMemory(record->ownedBuffer1);
  if (record->ownedBuffer2) FreeTrackedMemory(record->ownedBuffer2);
  SetGraphSourceFile(graph, nullptr, -1);
  RemoveHandle(&graphHandles.table, graph);
  if (record->deleteWatcher) *record->deleteWatcher = 1;
  FreeTrackedMemory(record);
  // Drawing must not go on into freed pixels: a deleted target gives way to
  // the screen, a deleted blend graph to none.
  DrawStateRecord& state = GetDrawState();
  if (state.drawTarget == graph) FallBackToScreenTarget();
  if (state.blendGraph == graph) DropBlendGraph();
  return 0;
}

int RemoveAllGraphs(int) {
  if (!GetScreenSettings().graphicsSetUp) return 0;
  ResetGraphHandleTable();
  return 0;
}

void ResetGraphHandleTable() {
  HandleTable* table = &graphHandles.table;
  for (int slot = 0; slot < table->endIndex; ++slot) {
    const int handle = HandleAtSlot(table, slot);
    if (handle >= 0) RemoveGraph(handle, 0);
  }
}

int GraphTableEndIndex() { return graphHandles.table.endIndex; }

int GraphHandleAtSlot(int slot) { return HandleAtSlot(&graphHandles.table, slot); }

int GraphLiveCount() { return graphHandles.table.liveCount; }

int SetGraphDeleteWatcher(int graph, int* flag) {
  GraphRecord* record = GetGraphRecord(graph);
  if (!record) return -1;
  record->deleteWatcher = flag;
  if (flag) *flag = 0;
  return 0;
}

int SetGraphSourceFile(int graph, const char* fileName, int shareFrom) {
  GraphRecord* record = GetGraphRecord(graph);
  if (!record) return -1;
  // A refused share leaves the graph's own file as it was.
  GraphRecord* from = nullptr;
  if (!fileName && shareFrom != -1) {
    from = GetGraphRecord(shareFrom);
    if (!from) return -1;
  }
  GraphSourceFile* const shared = from ? from->sourceFile : nullptr;
  if (shared) ++shared->referenceCount;
  DropSourceFile(record);
  if (fileName) {
    char fullPath[kFullPathBufferSize];
    if (MakeFullPath(fileName, fullPath, nullptr) != 0) return -1;
    const size_t length = std::strlen(fullPath);
    auto* file = static_cast<GraphSourceFile*>(
        TRACKED_ALLOC(offsetof(GraphSourceFile, path) + length + 1));
    if (!file) {
      return AppendLog(
          "転送する画像ファイルのファイル名を保存するメモリ領域の確保に失敗しました\n");
    }
    file->referenceCount = 1;
    std::memcpy(file->path, fullPath, length + 1);
    record->sourceFile = file;
    return 0;
  }
  record->sourceFile = shared;
  return 0;
}

int SetupGraphOriginalImage(int, int graph, int width, int height, int alpha, int palette,
                            int) {
  GraphRecord* record = GetGraphRecord(graph);
  if (!record) return -1;
  const DrawStateRecord& state = GetDrawState();
  const int colorBits = NewGraphColorBits();
  int blendGraph = 0;
  if (state.createDrawValid == 1) {
    alpha = 0;
  } else {
    alpha = alpha ? 1 : 0;
    blendGraph = state.createBlendGraph ? 1 : 0;
  }
  auto* original =
      static_cast<GraphOriginalImage*>(TRACKED_ALLOC_ZEROED(sizeof(GraphOriginalImage)));
  if (!original) {
    return FailSetup(graph, "グラフィックのオリジナル画像データ保存用メモリの確保に失敗しました\n");
  }
  const bool hardware = GetScreenSettings().hardwareOn != 0;
  original->alpha = static_cast<uint8_t>(alpha);
  original->blendGraph = static_cast<uint8_t>(blendGraph);
  // With the device only graphs made for drawing into get a render target.
  original->drawValid = blendGraph ? 0 : (hardware ? (state.createDrawValid == 1) : 1);
  // Colour-keyed transparency on the device is an alpha test.
  original->alphaTest = hardware && !alpha && !blendGraph && !original->drawValid &&
                        state.createAlphaTest;
  original->palette = palette ? 1 : 0;
  original->softwareImage = 1;
  original->colorBits = static_cast<uint8_t>(colorBits);
  original->transparentColor = state.transColor;
  original->width = width;
  original->height = height;
  original->referenceCount = 1;
  original->formatIndex = (colorBits == 16 ? kGraphFormatSoft16 : kGraphFormatSoft32) + alpha;
  record->original = original;
  record->originalX = 0;
  record->originalY = 0;
  record->width = width;
  record->height = height;

  if (blendGraph) {
    if (CreateSoftImg(&original->image, width, height, -1, 0, kSoftImgSingle8, 0, 0, 0,
                      nullptr) != 0) {
      return FailSetup(graph, "ブレンド画像用メモリイメージの作成に失敗しました\n");
    }
  } else {
    const int colorType = colorBits == 16 ? kSoftImgColor16 : kSoftImgColor32;
    uint32_t transparent = 0xFFFF;
    if (!palette) {
      const uint32_t c = state.transColor;
      transparent = PackColorCode(GetSoftImgColorFormat(colorType, alpha, 0), (c >> 16) & 0xFF,
                                  (c >> 8) & 0xFF, c & 0xFF, 255);
    }
    if (CreateSoftImg(&original->image, width, height, -1, transparent, colorType,
                      palette ? 1 : 0, alpha, 0, nullptr) != 0) {
      return FailSetup(graph, "メモリイメージの作成に失敗しました\n");
    }
  }
  if (hardware && SetupGraphHardwareImage(original) != 0) {
    RemoveGraph(graph, 0);
    return -1;
  }
  if (BuildGraphDrawInfo(graph) != 0) {
    RemoveGraph(graph, 0);
    return -1;
  }
  return 0;
}

int BuildGraphDrawInfo(int graph) {
  GraphRecord* record = GetGraphRecord(graph);
  if (!record || !record->original) return -1;
  ReleaseSoftImg(&record->view);
  record->view = SOFTIMG{};
  CreateSubSoftImg(&record->view, &record->original->image, record->originalX,
                   record->originalY, record->width, record->height);
  if (record->original->hardwareImage && BuildGraphDrawPieces(record) != 0) return -1;
  // An area that leaves the original makes no view; such a graph is refused
  // rather than drawn from outside its pixels.
  return IsSoftImgValid(&record->view) ? 0 : -1;
}

int SetupDerivedGraph(int source, int graph, int x, int y, int width, int height) {
  GraphRecord* from = GetGraphRecord(source);
  GraphRecord* record = GetGraphRecord(graph);
  if (!from || !record || !from->original) return -1;
  record->original = from->original;
  ++record->original->referenceCount;
  SetGraphSourceFile(graph, nullptr, source);
  record->fileX = from->fileX + x;
  record->fileY = from->fileY + y;
  record->fileMirror = from->fileMirror;
  record->originalX = from->originalX + x;
  record->originalY = from->originalY + y;
  record->width = width;
  record->height = height;
  return BuildGraphDrawInfo(graph);
}

int CreateDerivedGraph(int x, int y, int width, int height, int source) {
  const GraphRecord* from = GetGraphRecord(source);
  if (!from || x < 0 || y < 0 || x >= from->width || y >= from->height) return -1;
  if (width > from->width - x) width = from->width - x;
  if (height > from->height - y) height = from->height - y;
  const int graph = AddGraphHandle();
  if (SetupDerivedGraph(source, graph, x, y, width, height) != 0) {
    RemoveGraph(graph, 0);
    return -1;
  }
  return graph;
}

