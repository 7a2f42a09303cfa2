#include "graphics/draw_state.h"

#include <gtest/gtest.h>

#include "graphics/draw_target.h"
#include "graphics/graph_handles.h"
#include "graphics/screen_images.h"
#include "software_renderer/soft_draw_settings.h"
#include "support/library_session.h"

namespace {

class DrawStateTest : public StartedLibraryTest {};

void ExpectArea(const IntRect& area, int left, int top, int right, int bottom) {
  EXPECT_EQ(area.left, left);
  EXPECT_EQ(area.top, top);
  EXPECT_EQ(area.right, right);
  EXPECT_EQ(area.bottom, bottom);
}

TEST_F(DrawStateTest, StartUpLeavesTheFrontScreenAndTheDefaults) {
  const DrawStateRecord& state = GetDrawState();
  EXPECT_EQ(GetDrawTarget(), -4);
  ExpectArea(state.drawArea, 0, 0, 320, 240);
  EXPECT_EQ(state.blendMode, 0);
  EXPECT_EQ(state.blendParam, 0);
  EXPECT_EQ(state.blendGraph, -1);
  EXPECT_EQ(state.drawBright, 0x00FFFFFFu);
  EXPECT_EQ(state.createAlphaTest, 1);
  EXPECT_EQ(GetCurrentDrawSoftImg(), GetPrimaryScreenSoftImg());
  // The software primitives see the same settings.
  const SoftDrawSettings& soft = GetSoftDrawSettings();
  ExpectArea(soft.drawArea, 0, 0, 320, 240);
  EXPECT_EQ(soft.drawBright, 0x00FFFFFFu);
  EXPECT_EQ(soft.blendMode, 0);
}

TEST_F(DrawStateTest, SettersClampAndMirrorIntoTheSoftwareSettings) {
  struct Case {
    int mode, param;
    int storedParam;
  } const blends[] = {{1, 300, 255}, {1, -5, 0}, {20, 77, 77}, {2, 128, 128}};
  for (const Case& c : blends) {
    EXPECT_EQ(SetBlendModeAndParam(c.mode, c.param), 0);
    EXPECT_EQ(GetDrawState().blendMode, c.mode);
    EXPECT_EQ(GetDrawState().blendParam, c.storedParam);
    EXPECT_EQ(GetSoftDrawSettings().blendMode, c.mode);
    EXPECT_EQ(GetSoftDrawSettings().blendParam, c.storedParam);
  }
  EXPECT_EQ(SetBrightRGB(-1, 256, 128), 0);
  EXPECT_EQ(GetDrawState().drawBright, 0x0000FF80u);
  EXPECT_EQ(GetSoftDrawSettings().drawBright, 0x0000FF80u);
  SetDrawBrightPacked(0x7F102030);
  EXPECT_EQ(GetDrawState().drawBright, 0x00102030u);
  EXPECT_EQ(GetSoftDrawSettings().drawBright, 0x00102030u);
}

TEST_F(DrawStateTest, ClipRectIsOrderedClampedAndMayBeEmpty) {
  struct Case {
    const char* name;
    IntRect given;
    IntRect stored;
    int empty;
  } const cases[] = {
      {"reversed corners", {100, 80, 20, 10}, {20, 10, 100, 80}, 0},
      {"beyond the target", {-50, -50, 500, 500}, {0, 0, 320, 240}, 0},
      {"no width", {10, 10, 10, 50}, {10, 10, 10, 50}, 1},
      {"wholly outside", {400, 10, 500, 20}, {320, 10, 320, 20}, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SetDrawClipRect(c.given.left, c.given.top, c.given.right, c.given.bottom), 0)
        << c.name;
    const IntRect& area = GetDrawState().drawArea;
    EXPECT_EQ(area.left, c.stored.left) << c.name;
    EXPECT_EQ(area.top, c.stored.top) << c.name;
    EXPECT_EQ(area.right, c.stored.right) << c.name;
    EXPECT_EQ(area.bottom, c.stored.bottom) << c.name;
    EXPECT_EQ(GetDrawState().drawAreaEmpty, c.empty) << c.name;
    EXPECT_EQ(GetSoftDrawSettings().drawArea.right, c.stored.right) << c.name;
    EXPECT_EQ(GetDrawState().requestedDrawArea.left, c.given.left) << c.name;
  }
}

TEST_F(DrawStateTest, TargetSelectionKeepsTheAreaOnlyForTheSameSize) {
  const int screenSized = CreateEmptyGraph(320, 240, 0);
  const int small = CreateEmptyGraph(64, 32, 0);
  ASSERT_GE(small, 0);
  SetDrawClipRect(10, 20, 30, 40);

  ASSERT_EQ(SelectDrawTarget(screenSized), 0);
  ExpectArea(GetDrawState().drawArea, 10, 20, 30, 40);
  EXPECT_EQ(GetCurrentDrawSoftImg(), &GetGraphRecord(screenSized)->view);

  ASSERT_EQ(SelectDrawTarget(small), 0);
  ExpectArea(GetDrawState().drawArea, 0, 0, 64, 32);
  EXPECT_EQ(GetDrawState().targetWidth, 64);
  // Clamped to the graph, not the screen.
  SetDrawClipRect(0, 0, 1000, 1000);
  ExpectArea(GetDrawState().drawArea, 0, 0, 64, 32);

  ASSERT_EQ(SelectDrawTarget(-2), 0);
  EXPECT_EQ(GetDrawTarget(), -2);
  ExpectArea(GetDrawState().drawArea, 0, 0, 320, 240);
  EXPECT_EQ(GetCurrentDrawSoftImg(), GetPrimaryScreenSoftImg());
}

TEST_F(DrawStateTest, TargetsThatCannotBeDrawnIntoAreRefused) {
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  SetDrawValidGraphCreateFlag(0);
  SetGraphCreateColorBits(0);
  // A blend graph is never drawable.
  GetDrawState().createBlendGraph = 1;
  const int blend = CreateEmptyGraph(8, 8, 0);
  GetDrawState().createBlendGraph = 0;
  ASSERT_GE(blend, 0);
  EXPECT_EQ(GetGraphRecord(blend)->original->blendGraph, 1);
  const int dead = CreateEmptyGraph(8, 8, 0);
  RemoveGraph(dead, 0);
  for (int target : {blend, dead, -1, -6, 0}) {
    EXPECT_EQ(SelectDrawTarget(target), -1) << target;
    EXPECT_EQ(GetDrawTarget(), -2) << target;
  }
  EXPECT_EQ(SelectDrawTarget(-3), 0);
}

TEST_F(DrawStateTest, BlendGraphMustBeLiveAndCoverTheGraph) {
  GetDrawState().createBlendGraph = 1;
  const int blend = CreateEmptyGraph(16, 16, 0);
  GetDrawState().createBlendGraph = 0;
  const int fits = CreateEmptyGraph(16, 8, 0);
  const int tooWide = CreateEmptyGraph(17, 8, 0);
  EXPECT_EQ(SetBlendGraph(12345, 0, 0), -1);
  ASSERT_EQ(SetBlendGraph(blend, 300, -4), 0);
  EXPECT_EQ(GetDrawState().blendBorderParam, 255);
  EXPECT_EQ(GetDrawState().blendBorderRange, 0);
  EXPECT_EQ(GetBlendGraphSoftImg(), &GetGraphRecord(blend)->original->image);
  EXPECT_EQ(PutGraph(0, 0, fits, 0), 0);
  EXPECT_EQ(PutGraph(0, 0, tooWide, 0), -1);
  ASSERT_EQ(SetBlendGraph(-1, 0, 0), 0);
  EXPECT_EQ(GetBlendGraphSoftImg(), nullptr);
  EXPECT_EQ(PutGraph(0, 0, tooWide, 0), 0);
}

TEST_F(DrawStateTest, VSyncWaitAndDeviceColour) {
  EnableVSyncWait(0);
  EXPECT_EQ(CheckVSyncWait(), 0);
  EnableVSyncWait(1);
  EXPECT_EQ(CheckVSyncWait(), 1);
  SetBrightRGB(0x10, 0x20, 0x30);
  SetBlendModeAndParam(0, 99);
  EXPECT_EQ(DeviceDrawColor(), 0xFF102030u);
  SetBlendModeAndParam(1, 99);
  EXPECT_EQ(DeviceDrawColor(), 0x63102030u);
}

}  // namespace
