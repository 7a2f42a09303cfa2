#include "graphics/graph_handles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "Ombrel.h"
#include "graphics/draw_state.h"
#include "graphics/draw_target.h"
#include "graphics/screen_images.h"
#include "support/library_session.h"
#include "support/log_capture.h"
#include "system/system_state.h"
#include "system/tracked_memory.h"

namespace {

constexpr char kRoleTableFull[] = "graph-table-full";

class GraphHandlesTest : public StartedLibraryTest {};

TEST_F(GraphHandlesTest, DeletingTheDrawTargetOrBlendGraphFallsBackToTheScreen) {
  const int target = CreateEmptyGraph(16, 16, 0);
  const int blend = CreateEmptyGraph(16, 16, 0);
  ASSERT_EQ(SelectDrawTarget(target), 0);
  ASSERT_EQ(SetBlendGraph(blend, 10, 20), 0);
  ASSERT_EQ(RemoveGraph(target, 0), 0);
  EXPECT_EQ(GetDrawTarget(), -2);
  EXPECT_EQ(GetCurrentDrawSoftImg(), GetPrimaryScreenSoftImg());
  EXPECT_EQ(GetDrawState().drawArea.right, 320);
  EXPECT_EQ(GetDrawState().blendGraph, blend);
  ASSERT_EQ(RemoveGraph(blend, 0), 0);
  EXPECT_EQ(GetDrawState().blendGraph, -1);
  EXPECT_EQ(GetBlendGraphSoftImg(), nullptr);

  // A new graph of the same size may take the freed memory; a draw now goes
  // to the screen and leaves it alone.
  const int newcomer = CreateEmptyGraph(16, 16, 0);
  FillSoftImgRaw(&GetGraphRecord(newcomer)->view, nullptr, 0xFF000000);
  ASSERT_EQ(PaintBox(0, 0, 16, 16, 0xFFFFFFFF, 1), 0);
  uint32_t pixel;
  std::memcpy(&pixel, GetGraphRecord(newcomer)->view.pixels, 4);
  EXPECT_EQ(pixel, 0xFF000000u);
  std::memcpy(&pixel, GetPrimaryScreenSoftImg()->pixels, 4);
  EXPECT_EQ(pixel & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(GraphHandlesTest, HandlesCountUpAndTheEndIndexFallsPastEmptySlots) {
  const int a = CreateEmptyGraph(4, 4, 0);
  const int b = CreateEmptyGraph(4, 4, 0);
  const int c = CreateEmptyGraph(4, 4, 0);
  ASSERT_GE(c, 0);
  // The table is fresh after start-up: slots 0, 1, 2, kind 1 in bits 27-30.
  EXPECT_EQ(a & 0xFFFF, 0);
  EXPECT_EQ(b & 0xFFFF, 1);
  EXPECT_EQ(c & 0xFFFF, 2);
  EXPECT_EQ((a >> 27) & 0xF, 1);
  EXPECT_EQ(GraphTableEndIndex(), 3);

  // Deleting the middle graph leaves the end index; deleting the last lowers
  // it past the empty slot, so the next graph takes slot 1.
  ASSERT_EQ(RemoveGraph(b, 0), 0);
  EXPECT_EQ(GraphTableEndIndex(), 3);
  ASSERT_EQ(RemoveGraph(c, 0), 0);
  EXPECT_EQ(GraphTableEndIndex(), 1);
  const int d = CreateEmptyGraph(4, 4, 0);
  EXPECT_EQ(d & 0xFFFF, 1);

  // The slot is reused with a new check id: the old handles stay dead.
  for (int dead : {b, c}) {
    EXPECT_EQ(CheckGraphHandle(dead), 0);
    EXPECT_EQ(RemoveGraph(dead, 0), -1);
    EXPECT_EQ(QueryGraphSize(dead, nullptr, nullptr), -1);
    EXPECT_EQ(PutGraph(0, 0, dead, 0), -1);
    EXPECT_EQ(CreateDerivedGraph(0, 0, 1, 1, dead), -1);
  }
  EXPECT_EQ(CheckGraphHandle(a), 1);
  EXPECT_EQ(CheckGraphHandle(d), 1);
}

TEST_F(GraphHandlesTest, ValuesThatAreNoGraphHandleAreRefused) {
  const int g = CreateEmptyGraph(2, 2, 0);
  ASSERT_GE(g, 0);
  const int values[] = {-1, -2, -4, g | 0x40000000 /* kind 9 */, (g & ~0xFFFF) | 0x8000,
                        g ^ 0x10000 /* another check id */};
  for (int value : values) EXPECT_EQ(GetGraphRecord(value), nullptr) << std::hex << value;
}

TEST_F(GraphHandlesTest, QueryGraphSizeKnowsTheScreensAndLiveGraphs) {
  const int g = CreateEmptyGraph(17, 9, 0);
  struct Case {
    int value;
    int result, width, height;
  } const cases[] = {
      {-2, 0, 320, 240}, {-4, 0, 320, 240}, {-3, -1, 0, 0}, {g, 0, 17, 9}, {-1, -1, 0, 0}};
  for (const Case& c : cases) {
    int w = 0;
    int h = 0;
    EXPECT_EQ(QueryGraphSize(c.value, &w, &h), c.result) << c.value;
    EXPECT_EQ(w, c.width) << c.value;
    EXPECT_EQ(h, c.height) << c.value;
  }
  EXPECT_EQ(QueryGraphSize(g, nullptr, nullptr), 0);
}

TEST_F(GraphHandlesTest, DerivedGraphsShareTheOriginalUntilTheLastIsDeleted) {
  const int whole = CreateEmptyGraph(8, 6, 0);
  ASSERT_GE(whole, 0);
  GraphOriginalImage* original = GetGraphRecord(whole)->original;
  const int part = CreateDerivedGraph(2, 1, 4, 3, whole);
  ASSERT_GE(part, 0);
  const GraphRecord* record = GetGraphRecord(part);
  EXPECT_EQ(record->original, original);
  EXPECT_EQ(original->referenceCount, 2);
  EXPECT_EQ(record->originalX, 2);
  EXPECT_EQ(record->originalY, 1);
  // The derived graph's view starts at its offset in the shared pixels.
  const SoftImgBody* body = original->image.body;
  EXPECT_EQ(record->view.pixels, original->image.pixels + 1 * body->pitch + 2 * 4);

  // A graph derived from the derived one adds the offsets.
  const int inner = CreateDerivedGraph(1, 1, 10, 10, part);
  ASSERT_GE(inner, 0);
  EXPECT_EQ(GetGraphRecord(inner)->originalX, 3);
  EXPECT_EQ(GetGraphRecord(inner)->width, 3);  // cut at the edge of the 4 x 3 part
  EXPECT_EQ(GetGraphRecord(inner)->height, 2);

  int watcher = 7;
  ASSERT_EQ(SetGraphDeleteWatcher(whole, &watcher), 0);
  EXPECT_EQ(watcher, 0);
  ASSERT_EQ(RemoveGraph(whole, 0), 0);
  EXPECT_EQ(watcher, 1);
  EXPECT_EQ(original->referenceCount, 2);
  ASSERT_EQ(RemoveGraph(part, 0), 0);
  EXPECT_EQ(original->referenceCount, 1);
  // The last graph still draws from the shared pixels.
  EXPECT_EQ(PutGraph(0, 0, inner, 0), 0);
  ASSERT_EQ(RemoveGraph(inner, 0), 0);
}

TEST_F(GraphHandlesTest, DerivedGraphEdges) {
  const int source = CreateEmptyGraph(10, 8, 0);
  struct Case {
    const char* name;
    int x, y, w, h;
    bool made;
    int width, height;
  } const cases[] = {
      {"inside", 2, 3, 4, 4, true, 4, 4},
      {"past the right and bottom edges", 6, 5, 100, 100, true, 4, 3},
      {"x at the width", 10, 0, 1, 1, false, 0, 0},
      {"y at the height", 0, 8, 1, 1, false, 0, 0},
      {"negative x", -1, 0, 2, 2, false, 0, 0},
      {"negative width", 0, 0, -3, 2, false, 0, 0},
  };
  const int liveBefore = GraphLiveCount();
  for (const Case& c : cases) {
    const int g = CreateDerivedGraph(c.x, c.y, c.w, c.h, source);
    EXPECT_EQ(g >= 0, c.made) << c.name;
    if (g < 0) continue;
    int w = 0;
    int h = 0;
    QueryGraphSize(g, &w, &h);
    EXPECT_EQ(w, c.width) << c.name;
    EXPECT_EQ(h, c.height) << c.name;
    RemoveGraph(g, 0);
  }
  // A refused graph leaves no half-made record behind.
  EXPECT_EQ(GraphLiveCount(), liveBefore);
}

TEST_F(GraphHandlesTest, SourceFileIsSharedByDerivedGraphsAndFreedWithTheLast) {
  const int whole = CreateEmptyGraph(4, 4, 0);
  ASSERT_EQ(SetGraphSourceFile(whole, "pictures\\a.png", -1), 0);
  GraphSourceFile* file = GetGraphRecord(whole)->sourceFile;
  ASSERT_NE(file, nullptr);
  // The name is kept as a full path.
  EXPECT_NE(std::strstr(file->path, ":\\"), nullptr) << file->path;
  EXPECT_NE(std::strstr(file->path, "pictures\\a.png"), nullptr) << file->path;
  const int part = CreateDerivedGraph(0, 0, 2, 2, whole);
  EXPECT_EQ(GetGraphRecord(part)->sourceFile, file);
  EXPECT_EQ(file->referenceCount, 2);
  // A refused share keeps the file the graph had.
  EXPECT_EQ(SetGraphSourceFile(part, nullptr, 12345), -1);
  EXPECT_EQ(GetGraphRecord(part)->sourceFile, file);
  EXPECT_EQ(file->referenceCount, 2);
  RemoveGraph(whole, 0);
  EXPECT_EQ(file->referenceCount, 1);
  EXPECT_EQ(SetGraphSourceFile(part, nullptr, -1), 0);
  EXPECT_EQ(GetGraphRecord(part)->sourceFile, nullptr);
}

TEST_F(GraphHandlesTest, OriginalsFollowTheCreationSettings) {
  SetGraphTransColor(255, 0, 255);
  SetGraphCreateColorBits(16);
  const int g16 = CreateEmptyGraph(3, 3, 0);
  SetGraphCreateColorBits(0);
  SetEmptyGraphAlphaFlag(1);
  const int alpha32 = CreateEmptyGraph(3, 3, 0);
  SetEmptyGraphAlphaFlag(0);
  const int plain32 = CreateEmptyGraph(3, 3, 0);
  struct Case {
    int graph;
    int formatIndex, colorType, alpha;
    uint32_t transparent;
  } const cases[] = {
      {g16, 15, kSoftImgColor16, 0, 0xF81F},
      {alpha32, 18, kSoftImgColor32, 1, 0xFFFF00FF},
      {plain32, 17, kSoftImgColor32, 0, 0xFFFF00FF},
  };
  for (const Case& c : cases) {
    const GraphOriginalImage* original = GetGraphRecord(c.graph)->original;
    EXPECT_EQ(original->formatIndex, c.formatIndex);
    EXPECT_EQ(original->image.body->colorType, c.colorType);
    EXPECT_EQ(original->alpha, c.alpha);
    EXPECT_EQ(original->drawValid, 1);
    EXPECT_EQ(original->transparentColor, 0x00FF00FFu);
    EXPECT_EQ(original->image.body->transparentColor, c.transparent) << c.formatIndex;
  }
}

TEST_F(GraphHandlesTest, DeletingEveryGraphGivesBackTheirMemory) {
  int blocksBefore = 0;
  {
    const TrackedMemoryState& memory = GetSystemState().memory;
    blocksBefore = memory.blockCount;
  }
  const int whole = CreateEmptyGraph(30, 20, 0);
  int pieces[4];
  for (int i = 0; i < 4; ++i) pieces[i] = CreateDerivedGraph(i * 5, 0, 5, 5, whole);
  SetGraphSourceFile(whole, "x.png", -1);
  RemoveAllGraphs(0);
  for (int piece : pieces) EXPECT_EQ(CheckGraphHandle(piece), 0);
  EXPECT_EQ(GraphLiveCount(), 0);
  EXPECT_EQ(GraphTableEndIndex(), 0);
  EXPECT_EQ(GetSystemState().memory.blockCount, blocksBefore);
}

TEST_F(GraphHandlesTest, OneGraphTooManyEndsTheProcess) {
  const int code =
      RunChildTest("GraphHandlesTest.ChildFillsTheTable", kRoleTableFull, 120000);
  EXPECT_EQ(code, -1);
  std::ifstream in(LogCapture::Path(), std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("グラフィックの数が許容量を越えました終了します"), std::string::npos);
}

TEST_F(GraphHandlesTest, ChildFillsTheTable) {
  if (ChildRole() != kRoleTableFull) GTEST_SKIP() << "runs as a child process";
  new LogCapture;  // kept on until the process ends
  for (int i = GraphLiveCount(); i < kGraphHandleCapacity; ++i) AddGraphHandle();
  AddGraphHandle();
  ExitProcess(5);
}

}  // namespace
