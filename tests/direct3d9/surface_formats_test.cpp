#include "direct3d9/surface_formats.h"

#include <set>

#include <gtest/gtest.h>

#include "direct3d9/d3d_types.h"
#include "support/log_capture.h"

namespace {

// Accepts the formats it is given, for textures, render targets and depth.
class FakeProbe : public FormatProbe {
 public:
  std::set<int> textures, renderTargets, depths;
  bool AcceptsTexture(int format) override { return textures.count(format) != 0; }
  bool AcceptsRenderTarget(int format) override { return renderTargets.count(format) != 0; }
  bool AcceptsDepth(int format) override { return depths.count(format) != 0; }
};

FakeProbe CommonDevice() {
  FakeProbe probe;
  probe.textures = {D_D3DFMT_R5G6B5,   D_D3DFMT_X1R5G5B5, D_D3DFMT_X8R8G8B8,
                    D_D3DFMT_A4R4G4B4, D_D3DFMT_A8R8G8B8, D_D3DFMT_A1R5G5B5};
  probe.renderTargets = {D_D3DFMT_R5G6B5, D_D3DFMT_X1R5G5B5, D_D3DFMT_X8R8G8B8,
                         D_D3DFMT_A8R8G8B8};
  probe.depths = {D_D3DFMT_D24X8, D_D3DFMT_D32};
  return probe;
}

TEST(SurfaceFormatsTest, WithoutDxtTheCompressedKindsFallBack) {
  LogCapture log;
  FakeProbe probe = CommonDevice();
  int formats[16] = {};
  ASSERT_EQ(ChooseTextureFormats(probe, D_D3DFMT_X8R8G8B8, 1, formats), 0);
  const std::string text = log.Read();
  EXPECT_NE(text.find("ＤＸＴ１テクスチャフォーマットは使えません"), std::string::npos);
  EXPECT_NE(text.find("ＤＸＴ５テクスチャフォーマットは使えません"), std::string::npos);
  EXPECT_NE(text.find("16bit カラーフォーマットは D_D3DFMT_R5G6B5 です"), std::string::npos);
  EXPECT_EQ(formats[0], D_D3DFMT_R5G6B5);
  EXPECT_EQ(formats[2], D_D3DFMT_A4R4G4B4);
  EXPECT_EQ(formats[4], D_D3DFMT_A1R5G5B5);
  EXPECT_EQ(formats[6], formats[4]);
  for (int kind = 7; kind <= 10; ++kind) EXPECT_EQ(formats[kind], formats[3]) << kind;
  EXPECT_EQ(formats[11], D_D3DFMT_X1R5G5B5);
  EXPECT_EQ(formats[13], D_D3DFMT_A8R8G8B8);
  EXPECT_EQ(formats[14], formats[12]);
  EXPECT_EQ(formats[15], formats[5]);
}

TEST(SurfaceFormatsTest, DxtFormatsAreUsedWhenAccepted) {
  FakeProbe probe = CommonDevice();
  probe.textures.insert({D_D3DFMT_DXT1, D_D3DFMT_DXT5});
  int formats[16] = {};
  ASSERT_EQ(ChooseTextureFormats(probe, D_D3DFMT_X8R8G8B8, 1, formats), 0);
  EXPECT_EQ(formats[6], D_D3DFMT_DXT1);
  EXPECT_EQ(formats[10], D_D3DFMT_DXT5);
  EXPECT_EQ(formats[8], formats[3]);
}

TEST(SurfaceFormatsTest, SixteenBitRenderTargetOrderFollowsTheScreen) {
  FakeProbe probe = CommonDevice();
  int formats[16] = {};
  ChooseTextureFormats(probe, D_D3DFMT_R5G6B5, 0, formats);
  EXPECT_EQ(formats[11], D_D3DFMT_R5G6B5);
  EXPECT_EQ(formats[14], formats[11]);
  EXPECT_EQ(formats[15], formats[4]);
}

TEST(SurfaceFormatsTest, MissingColourKindFailsButMissingRenderTargetDoesNot) {
  FakeProbe probe = CommonDevice();
  probe.renderTargets.clear();
  int formats[16] = {};
  EXPECT_EQ(ChooseTextureFormats(probe, D_D3DFMT_X8R8G8B8, 1, formats), 0);
  EXPECT_EQ(formats[11], 0);
  EXPECT_EQ(formats[12], 0);
  probe.textures.erase(D_D3DFMT_A1R5G5B5);
  probe.textures.erase(D_D3DFMT_A8R8G8B8);
  probe.textures.erase(D_D3DFMT_A4R4G4B4);
  EXPECT_EQ(ChooseTextureFormats(probe, D_D3DFMT_X8R8G8B8, 1, formats), -1);
}

TEST(SurfaceFormatsTest, ThirtyTwoBitColourFallsBackToSixteen) {
  FakeProbe probe = CommonDevice();
  probe.textures.erase(D_D3DFMT_X8R8G8B8);
  int formats[16] = {};
  ASSERT_EQ(ChooseTextureFormats(probe, D_D3DFMT_X8R8G8B8, 1, formats), 0);
  EXPECT_EQ(formats[1], formats[0]);
}

TEST(SurfaceFormatsTest, ZFormatIsTheFirstMatchOrNone) {
  FakeProbe probe = CommonDevice();
  EXPECT_EQ(ChooseZBufferFormat(probe), D_D3DFMT_D24X8);
  probe.depths.clear();
  EXPECT_EQ(ChooseZBufferFormat(probe), 0);
}

TEST(SurfaceFormatsTest, ColorFormatRecordsByNumber) {
  EXPECT_EQ(GetD3DFormatColorFormat(28), nullptr);
  EXPECT_EQ(GetD3DFormatColorFormat(34), nullptr);
  EXPECT_EQ(GetD3DFormatColorFormat(19), nullptr);
  const ColorFormat* r5g6b5 = GetD3DFormatColorFormat(D_D3DFMT_R5G6B5);
  ASSERT_NE(r5g6b5, nullptr);
  EXPECT_EQ(r5g6b5->colorBits, 16);
  EXPECT_EQ(r5g6b5->redMask, 0xF800u);
  const ColorFormat* abgr = GetD3DFormatColorFormat(D_D3DFMT_A8B8G8R8);
  ASSERT_NE(abgr, nullptr);
  EXPECT_EQ(abgr->redMask, 0xFFu);
  EXPECT_EQ(abgr->bytesPerPixel, 4);
  EXPECT_EQ(GetD3DFormatColorFormat(D_D3DFMT_A8B8G8R8), abgr);
}

}  // namespace
