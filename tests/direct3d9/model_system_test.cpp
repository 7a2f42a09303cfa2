#include "direct3d9/model_system.h"

#include <gtest/gtest.h>

#include "direct3d9/core_inputs.h"
#include "direct3d9/direct3d_state.h"
#include "direct3d9/embedded_images.h"
#include "direct3d9/model_records.h"
#include "support/image_fixtures.h"

namespace {

int Red(GraphImage* image, int x, int y) {
  int r, g, b, a;
  GetGraphImagePixel(image, x, y, &r, &g, &b, &a);
  return r;
}

void MakeHeightField(GraphImage* image, std::initializer_list<int> reds, int width) {
  int height = static_cast<int>(reds.size()) / width;
  ASSERT_EQ(AllocGraphImageXRGB8(width, height, image), 0);
  int i = 0;
  for (int red : reds) SetGraphImagePixel(image, i % width, i / width, red, 0, 0, 255), ++i;
}

TEST(ModelTexturesTest, FlatHeightGivesAnUpwardNormalEverywhere) {
  ScopedImage image;
  MakeHeightField(image.get(), {90, 90, 90, 90, 90, 90}, 3);
  ASSERT_EQ(MakeNormalMapFromHeight(image.get(), 2.0f), 0);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      int r, g, b, a;
      GetGraphImagePixel(image.get(), x, y, &r, &g, &b, &a);
      EXPECT_EQ(r, 127);
      EXPECT_EQ(g, 127);
      EXPECT_EQ(b, 255);
    }
}

TEST(ModelTexturesTest, ZeroStrengthIsTakenAsTheSmallestOne) {
  ScopedImage image;
  MakeHeightField(image.get(), {0, 255}, 2);
  ASSERT_EQ(MakeNormalMapFromHeight(image.get(), 0.0f), 0);
  // The slope rising to the right tips the normal fully to the left.
  EXPECT_EQ(Red(image.get(), 0, 0), 0);
  EXPECT_EQ(Red(image.get(), 1, 0), 255);
  int r, g, b, a;
  GetGraphImagePixel(image.get(), 0, 0, &r, &g, &b, &a);
  EXPECT_EQ(g, 127);
}

class ModelTextureFitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GetDirect3DState().caps.maxTextureWidth = 4096;
    GetDirect3DState().caps.maxTextureHeight = 4096;
  }
  void TearDown() override { GetDirect3DState() = Direct3DState{}; }
  static Bytes Grey(int width, int height) {
    PngFixture png;
    png.width = width;
    png.height = height;
    png.rows.assign(static_cast<size_t>(width) * height, 0x40);
    return EncodePng(png);
  }
};

TEST_F(ModelTextureFitTest, SizesBecomePowersOfTwo) {
  const struct {
    int width, height, fittedWidth, fittedHeight;
  } cases[] = {{300, 200, 512, 256}, {256, 256, 256, 256}, {3000, 5, 2048, 8}};
  for (const auto& c : cases) {
    Bytes file = Grey(c.width, c.height);
    ScopedImage color, alpha;
    ASSERT_EQ(LoadModelTextureImage(color.get(), alpha.get(), file.data(),
                                    static_cast<int>(file.size()), nullptr, 0, 0, 1.0f, 0),
              0);
    EXPECT_EQ(color->width, c.fittedWidth) << c.width;
    EXPECT_EQ(color->height, c.fittedHeight) << c.height;
  }
}

TEST_F(ModelTextureFitTest, AlphaOnlyTexturesGetAnOpaqueWhiteColour) {
  Bytes file = Grey(4, 2);
  ScopedImage color, alpha;
  ASSERT_EQ(LoadModelTextureImage(color.get(), alpha.get(), nullptr, 0, file.data(),
                                  static_cast<int>(file.size()), 0, 1.0f, 0),
            0);
  EXPECT_EQ(color->width, 4);
  EXPECT_EQ(GetGraphImagePixelARGB(color.get(), 3, 1) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(ModelTextureFitTest, UndecodableBytesFreeWhatWasDecoded) {
  Bytes good = Grey(4, 4);
  const uint8_t junk[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  GraphImage color, alpha;
  EXPECT_EQ(LoadModelTextureImage(&color, &alpha, good.data(), static_cast<int>(good.size()), junk,
                                  sizeof junk, 0, 1.0f, 0),
            -1);
  EXPECT_EQ(color.pixels, nullptr);
  EXPECT_EQ(alpha.pixels, nullptr);
}

GraphImage capturedImage;
int CaptureUpdate(const GraphImage* image, int) {
  FreeGraphImage(&capturedImage);
  AllocGraphImageXRGB8(image->width, image->height, &capturedImage);
  CopyGraphImageRect(0, 0, image->width, image->height, 0, 0, const_cast<GraphImage*>(image),
                     &capturedImage);
  return 0;
}

TEST(ModelSystemTest, GreyRampColumnsHoldTheirOwnLevel) {
  ResetDeviceCoreInputs();
  GetDeviceCoreInputs().hooks.updateGraphFromGraphImage = CaptureUpdate;
  EXPECT_EQ(FillGradationGraph(77), 77);
  ResetDeviceCoreInputs();
  ASSERT_EQ(capturedImage.width, 256);
  int r, g, b, a;
  GetGraphImagePixel(&capturedImage, 200, 7, &r, &g, &b, &a);
  EXPECT_EQ(r, 200);
  EXPECT_EQ(g, 200);
  EXPECT_EQ(b, 200);
  FreeGraphImage(&capturedImage);
}

TEST(ModelSystemTest, EmbeddedImagesDecode) {
  ScopedImage white, ramp;
  ASSERT_EQ(ReadGraphImage(nullptr, kWhiteTga, sizeof kWhiteTga, 1, white.get(), 0), 0);
  EXPECT_EQ(white->width, 8);
  EXPECT_EQ(GetGraphImagePixelARGB(white.get(), 7, 7), 0xFFFFFFFFu);
  ASSERT_EQ(ReadGraphImage(nullptr, kFourStepRampTga, sizeof kFourStepRampTga, 1, ramp.get(), 0),
            0);
  EXPECT_EQ(ramp->width, 256);
  EXPECT_EQ(ramp->height, 8);
  const int levels[4] = {0x00, 0x55, 0xAA, 0xFF};
  for (int band = 0; band < 4; ++band) EXPECT_EQ(Red(ramp.get(), band * 64 + 10, 3), levels[band]);
}

TEST(ModelSystemTest, OnlyAHardwareDeviceStartsTheModelSystem) {
  GetDirect3DState() = Direct3DState{};
  EXPECT_EQ(InitializeModelSystem(), 0);
  EXPECT_EQ(IsModelSystemReady(), 0);
  EXPECT_EQ(TerminateModelSystem(), 0);
  GetDirect3DState().hardwareActive = 1;
  InitializeModelSystem();
  EXPECT_EQ(IsModelSystemReady(), 1);
  TerminateModelSystem();
  EXPECT_EQ(IsModelSystemReady(), 0);
  GetDirect3DState() = Direct3DState{};
}

}  // namespace
