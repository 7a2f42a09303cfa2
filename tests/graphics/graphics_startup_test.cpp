#include "graphics/graphics_startup.h"

#include <gtest/gtest.h>

#include <cstring>

#include "Ombrel.h"
#include "graphics/draw_state.h"
#include "graphics/graph_handles.h"
#include "graphics/light_table.h"
#include "graphics/mask_screen.h"
#include "graphics/screen_images.h"
#include "graphics/screen_settings.h"
#include "support/library_session.h"
#include "system/system_state.h"

namespace {

class GraphicsStartupTest : public StartedLibraryTest {};

TEST_F(GraphicsStartupTest, StartUpMakesTheScreenImagesInTheBackgroundColour) {
  const SOFTIMG* screen = GetPrimaryScreenSoftImg();
  ASSERT_TRUE(IsSoftImgValid(screen));
  EXPECT_EQ(screen->width, 320);
  EXPECT_EQ(screen->height, 240);
  EXPECT_EQ(screen->body->colorType, kSoftImgColor32);
  EXPECT_TRUE(IsSoftImgValid(GetWorkScreenSoftImg()));
  EXPECT_EQ(GetAlphaWorkScreenSoftImg()->body->alpha, 1);
  uint32_t corner;
  std::memcpy(&corner, screen->pixels, 4);
  EXPECT_EQ(corner & 0x00FFFFFF, 0u);
}

TEST_F(GraphicsStartupTest, ModeChangeRebuildsEverything) {
  const int graph = CreateEmptyGraph(8, 8, 0);
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  SetBlendModeAndParam(2, 99);
  SetBrightRGB(1, 2, 3);
  EnableVSyncWait(0);
  SetGraphTransColor(1, 2, 3);
  ASSERT_EQ(SetScreenMode(640, 480, 32, 60), 0);
  EXPECT_EQ(CheckGraphHandle(graph), 0);
  EXPECT_EQ(GraphLiveCount(), 0);
  EXPECT_EQ(GetDrawTarget(), -4);
  const DrawStateRecord& state = GetDrawState();
  EXPECT_EQ(state.blendMode, 0);
  EXPECT_EQ(state.drawBright, 0x00FFFFFFu);
  EXPECT_EQ(state.transColor, 0u);
  EXPECT_EQ(state.drawArea.right, 640);
  // The presentation pacing setting survives.
  EXPECT_EQ(CheckVSyncWait(), 0);
  EXPECT_EQ(GetPrimaryScreenSoftImg()->width, 640);
  const int after = CreateEmptyGraph(8, 8, 0);
  EXPECT_EQ(after & 0xFFFF, 0);
}

TEST_F(GraphicsStartupTest, RecoveryKeepsSoftwareGraphsAndReloadsFilesOnRequest) {
  const int graph = CreateEmptyGraph(4, 4, 0);
  FillSoftImgRaw(&GetGraphRecord(graph)->view, nullptr, 0xFF010203);
  ASSERT_EQ(RecoverGraphics(), 0);
  ASSERT_EQ(CheckGraphHandle(graph), 1);
  uint32_t v;
  std::memcpy(&v, GetGraphRecord(graph)->view.pixels, 4);
  EXPECT_EQ(v, 0xFF010203u);

  static int calls = 0;
  calls = 0;
  RegisterGraphRestoreHandler([]() {
    ++calls;
    return 0;
  });
  EXPECT_EQ(CheckGraphRestoreHandler(), 1);
  RestoreGraphContents();
  EXPECT_EQ(calls, 1);
  RegisterGraphRestoreHandler(nullptr);
}

TEST(GraphicsLifeTest, EndingTheLibraryGivesBackEveryGraphAndScreen) {
  const int blocksBefore = GetSystemState().memory.blockCount;
  {
    LibraryOptions options;
    options.title = UniqueWindowTitle("GraphLife");
    LibrarySession session(options);
    ASSERT_EQ(session.result(), 0);
    GetSystemState().run.active = 1;
    const int whole = CreateEmptyGraph(64, 64, 0);
    for (int i = 0; i < 4; ++i) CreateDerivedGraph(i * 8, 0, 8, 8, whole);
    SetGraphSourceFile(whole, "some.png", -1);
    // Lights and the mask screen are given back too.
    for (int i = 0; i < 3; ++i) AllocLightHandle();
    CreateMaskScreen();
  }
  EXPECT_FALSE(IsSoftImgValid(GetPrimaryScreenSoftImg()));
  EXPECT_EQ(GraphLiveCount(), 0);
  EXPECT_EQ(GetLightTable().liveCount, 0);
  EXPECT_EQ(GetLightTable().defaultLight, -1);
  EXPECT_EQ(GetMaskState().buffer, nullptr);
  EXPECT_EQ(GetMaskState().imageMade, 0);
  EXPECT_EQ(GetMaskState().created, 0);
  EXPECT_EQ(GetSystemState().memory.blockCount, blocksBefore);
  // A graph handle from before fails after the end.
  EXPECT_EQ(RemoveGraph(0x08000000, 0), -1);
}

}  // namespace
