#include "graphics/mask_screen.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "graphics/draw_target.h"
#include "graphics/graph_handles.h"
#include "graphics/screen_images.h"
#include "support/library_session.h"

namespace {

constexpr uint32_t kBackground = 0x00404040;

uint32_t PixelOf(const SOFTIMG* image, int x, int y) {
  uint32_t v;
  std::memcpy(&v, image->pixels + y * image->body->pitch + x * 4, 4);
  return v;
}

std::vector<uint32_t> Snapshot(const SOFTIMG* image) {
  std::vector<uint32_t> pixels;
  for (int y = 0; y < image->height; ++y) {
    for (int x = 0; x < image->width; ++x) pixels.push_back(PixelOf(image, x, y));
  }
  return pixels;
}

class MaskScreenTest : public StartedLibraryTest {
 protected:
  void TearDown() override {
    EndMaskSystem();
    GetMaskState().reverse = 0;
    ResetMaskFlags();
    StartedLibraryTest::TearDown();
  }
  // A 4-pixel checker: bytes of 1 where (x / 4 + y / 4) is odd.
  static void FillCheckerMask() {
    MaskState& mask = GetMaskState();
    for (int y = 0; y < mask.height; ++y) {
      for (int x = 0; x < mask.width; ++x) mask.buffer[y * mask.pitch + x] = (x / 4 + y / 4) & 1;
    }
  }
  static bool LetsThrough(int x, int y) {
    const MaskState& mask = GetMaskState();
    const uint8_t m = mask.buffer[y * mask.pitch + x];
    // Reverse 0: a byte of 0 lets drawing through; reverse 1: a nonzero byte.
    return mask.reverse ? m != 0 : m == 0;
  }
};

TEST_F(MaskScreenTest, InTheGamesConfigurationTheMaskStaysInert) {
  const MaskState& mask = GetMaskState();
  EXPECT_EQ(mask.buffer, nullptr);
  EXPECT_EQ(mask.created, 0);
  EXPECT_EQ(mask.inEffect, 0);
  EXPECT_EQ(QueryMaskScreenEnabled(), 1);
  // Without a mask buffer the switch refuses and changes nothing.
  EXPECT_EQ(EnableMaskScreen(0), -1);
  EXPECT_EQ(QueryMaskScreenEnabled(), 1);
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  EXPECT_EQ(PaintBox(0, 0, 10, 10, 0xFFFFFFFF, 1), 0);
  EXPECT_EQ(mask.nesting, 0);
  EXPECT_EQ(GetCurrentDrawSoftImg(), GetPrimaryScreenSoftImg());
  EXPECT_EQ(RemoveMaskHandle(0x28000000), -1);
}

TEST_F(MaskScreenTest, OnlyTheLetThroughPixelsChangeInBothPolarities) {
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  const int graph = CreateEmptyGraph(24, 16, 0);
  ASSERT_NE(graph, -1);
  ASSERT_EQ(SelectDrawTarget(graph), 0);
  ASSERT_EQ(PaintBox(0, 0, 24, 16, 0xFFFF8000, 1), 0);
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  ASSERT_EQ(CreateMaskScreen(), 0);
  FillCheckerMask();

  struct Draw {
    const char* name;
    std::function<int()> call;
  } const draws[] = {
      {"filled box", [] { return PaintBox(20, 20, 61, 53, 0xFFFFFFFF, 1); }},
      {"outline", [] { return PaintBox(70, 20, 101, 43, 0xFF00FF00, 0); }},
      {"line", [] { return PaintLine(110, 21, 170, 47, 0xFF0000FF, 1); }},
      {"thick line", [] { return PaintLine(110, 121, 170, 147, 0xFF00FFFF, 5); }},
      {"graph", [graph] { return PutGraph(30, 100, graph, 0); }},
      {"stretched graph", [graph] { return PutGraphStretched(200, 100, 251, 139, graph, 0); }},
      {"text", [] { return DrawStringDefaultFont(20, 170, "Mask", 0xFFFFFFFF, 0); }},
  };
  SOFTIMG* screen = GetPrimaryScreenSoftImg();
  MaskState& mask = GetMaskState();
  for (int reverse = 0; reverse < 2; ++reverse) {
    for (const Draw& d : draws) {
      SCOPED_TRACE(testing::Message() << d.name << ", reverse " << reverse);
      // The picture the call draws without the mask.
      EnableMaskScreen(0);
      FillSoftImgRaw(screen, nullptr, kBackground);
      ASSERT_EQ(d.call(), 0);
      const std::vector<uint32_t> unmasked = Snapshot(screen);

      mask.reverse = reverse;
      ASSERT_EQ(EnableMaskScreen(1), 0);
      ASSERT_EQ(mask.inEffect, 1);
      EXPECT_EQ(GetCurrentDrawSoftImg(), &mask.image);
      FillSoftImgRaw(screen, nullptr, kBackground);
      ASSERT_EQ(d.call(), 0);
      EXPECT_EQ(mask.nesting, 0);
      int changed = 0;
      int blocked = 0;
      for (int y = 0; y < screen->height; ++y) {
        for (int x = 0; x < screen->width; ++x) {
          const uint32_t drawn = unmasked[y * screen->width + x];
          const uint32_t expected = LetsThrough(x, y) ? drawn : kBackground;
          ASSERT_EQ(PixelOf(screen, x, y), expected) << x << "," << y;
          if (drawn != kBackground) (LetsThrough(x, y) ? changed : blocked) += 1;
        }
      }
      EXPECT_GT(changed, 0);
      EXPECT_GT(blocked, 0);
    }
  }
  RemoveGraph(graph, 0);
}

TEST_F(MaskScreenTest, TextStartingRightOfTheAreaDrawsNothingUnderTheMask) {
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  ASSERT_EQ(CreateMaskScreen(), 0);
  ASSERT_EQ(SetDrawClipRect(0, 0, 100, 100), 0);
  EXPECT_EQ(DrawStringDefaultFont(100, 10, "Mask", 0xFFFFFFFF, 0), 0);
  EXPECT_EQ(GetMaskState().nesting, 0);
}

TEST_F(MaskScreenTest, AGraphTargetIsMaskedAtItsOwnCoordinates) {
  const int target = CreateEmptyGraph(40, 30, 0);
  ASSERT_NE(target, -1);
  ASSERT_EQ(CreateMaskScreen(), 0);
  FillCheckerMask();
  ASSERT_EQ(SelectDrawTarget(target), 0);
  EXPECT_EQ(GetMaskState().inEffect, 1);
  SOFTIMG* image = &GetGraphRecord(target)->view;
  FillSoftImgRaw(image, nullptr, kBackground);
  ASSERT_EQ(PaintBox(0, 0, 40, 30, 0xFFFFFFFF, 1), 0);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      ASSERT_EQ(PixelOf(image, x, y) & 0xFFFFFF, LetsThrough(x, y) ? 0xFFFFFFu : kBackground)
          << x << "," << y;
    }
  }
  SelectDrawTarget(-2);
  RemoveGraph(target, 0);
}

TEST_F(MaskScreenTest, NestedBracketsCopyOnceAndWriteBackAtTheOutermostEnd) {
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  ASSERT_EQ(CreateMaskScreen(), 0);  // all bytes 0: everything lets through
  SOFTIMG* screen = GetPrimaryScreenSoftImg();
  FillSoftImgRaw(screen, nullptr, kBackground);
  const IntRect r = {10, 10, 20, 20};
  BeginMaskedDraw(r);
  // A change of the target after the copy, then a nested bracket that must
  // not copy again.
  const IntRect dot = {12, 12, 13, 13};
  FillSoftImgRaw(screen, &dot, 0x00123456);
  BeginMaskedDraw(r);
  EndMaskedDraw(r);
  EXPECT_EQ(PixelOf(screen, 12, 12), 0x00123456u) << "written back before the outermost end";
  EndMaskedDraw(r);
  EXPECT_EQ(PixelOf(screen, 12, 12), kBackground) << "the first copy comes back";
  EXPECT_EQ(GetMaskState().nesting, 0);
}

TEST_F(MaskScreenTest, WithoutEffectOrOutsideTheAreaNothingIsWrittenBack) {
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  ASSERT_EQ(CreateMaskScreen(), 0);
  SOFTIMG* screen = GetPrimaryScreenSoftImg();
  MaskState& mask = GetMaskState();
  FillSoftImgRaw(&mask.image, nullptr, 0x00FFFFFF);
  FillSoftImgRaw(screen, nullptr, kBackground);

  // The draw area shuts out the rectangle.
  ASSERT_EQ(SetDrawClipRect(0, 0, 50, 50), 0);
  const IntRect outside = {60, 60, 80, 80};
  mask.nesting = 1;  // keep the begin from copying, so the image stays white
  BeginMaskedDraw(outside);
  mask.nesting = 1;
  EndMaskedDraw(outside);
  EXPECT_EQ(PixelOf(screen, 70, 70), kBackground);

  // Not in effect: the brackets only count.
  EnableMaskScreen(0);
  const IntRect inside = {10, 10, 20, 20};
  BeginMaskedDraw(inside);
  EXPECT_EQ(mask.nesting, 1);
  FillSoftImgRaw(&mask.image, nullptr, 0x00FFFFFF);
  EndMaskedDraw(inside);
  EXPECT_EQ(mask.nesting, 0);
  EXPECT_EQ(PixelOf(screen, 15, 15), kBackground);
  EXPECT_EQ(QueryMaskScreenEnabled(), 0);
}

TEST_F(MaskScreenTest, EndingTheMaskSystemReleasesTheScreenAndItsImage) {
  ASSERT_EQ(SelectDrawTarget(-2), 0);
  ASSERT_EQ(CreateMaskScreen(), 0);
  EXPECT_EQ(GetMaskState().pitch, 320);
  EXPECT_EQ(GetMaskState().image.width, 320);
  EXPECT_EQ(EndMaskSystem(), 0);
  const MaskState& mask = GetMaskState();
  EXPECT_EQ(mask.buffer, nullptr);
  EXPECT_EQ(mask.imageMade, 0);
  EXPECT_EQ(mask.created, 0);
  EXPECT_EQ(mask.inEffect, 0);
  EXPECT_EQ(GetCurrentDrawSoftImg(), GetPrimaryScreenSoftImg());
}

}  // namespace
