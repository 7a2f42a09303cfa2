#include "software_renderer/soft_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "software_renderer/soft_image_convert.h"
#include "system/system_state.h"
#include "system/tracked_memory.h"

namespace {

int LiveBlocks() { return GetSystemState().memory.blockCount; }

struct Created {
  SOFTIMG view{};
  ~Created() { ReleaseSoftImg(&view); }
};

TEST(SoftImageTest, CreationSetsPitchFormatAndFlags) {
  struct Case {
    int width, type, palettised, alpha;
    int pitch, shift, bpp, colorBits;
    uint32_t redMask, alphaMask;
    bool paletteBlock;
  };
  const Case cases[] = {
      {320, 1, 0, 0, 1280, -1, 4, 32, 0x00FF0000, 0, false},
      {256, 1, 0, 0, 1024, 10, 4, 32, 0x00FF0000, 0, false},
      {2, 0, 0, 0, 16, -1, 2, 16, 0xF800, 0, false},
      {3, 0, 0, 1, 16, 4, 4, 32, 0xF800, 0x00FF0000, false},
      {3, 2, 1, 1, 16, -1, 1, 8, 0xFF, 0xFF, false},
      {5, 1, 1, 0, 16, -1, 1, 8, 0x00FF0000, 0, true},
      {4, 1, 0, 1, 16, 4, 4, 32, 0x00FF0000, 0xFF000000, false},
  };
  for (const Case& c : cases) {
    Created img;
    ASSERT_EQ(0, CreateSoftImg(&img.view, c.width, 3, -1, 0, c.type, c.palettised, c.alpha, 0, nullptr));
    const SoftImgBody* b = img.view.body;
    EXPECT_EQ(1, IsSoftImgValid(&img.view));
    EXPECT_EQ(c.pitch, b->pitch) << c.width << " type " << c.type;
    EXPECT_EQ(c.shift, b->pitchShift) << c.width << " type " << c.type;
    EXPECT_EQ(c.bpp, SoftImgBytesPerPixel(b->colorType, b->palettised, b->alpha));
    EXPECT_EQ(c.colorBits, b->format->colorBits);
    EXPECT_EQ(c.redMask, b->format->redMask);
    EXPECT_EQ(c.alphaMask, b->format->alphaMask);
    EXPECT_EQ(c.paletteBlock, b->paletteBlock != nullptr);
    if (c.type == 2) {
      EXPECT_EQ(0, b->palettised + b->alpha);
    }
    EXPECT_EQ(1, b->referenceCount);
  }
}

TEST(SoftImageTest, StaticFormatsAreSharedAndUnknownTypesHaveNone) {
  EXPECT_EQ(nullptr, GetSoftImgColorFormat(4, 0, 0));
  EXPECT_EQ(nullptr, GetSoftImgColorFormat(-1, 0, 0));
  EXPECT_EQ(GetSoftImgColorFormat(1, 1, 0), GetSoftImgColorFormat(1, 1, 0));
  EXPECT_NE(GetSoftImgColorFormat(1, 1, 0), GetSoftImgColorFormat(1, 0, 0));
  const ColorFormat* single16 = GetSoftImgColorFormat(3, 1, 1);
  EXPECT_EQ(16, single16->colorBits);
  EXPECT_EQ(2, single16->bytesPerPixel);
  EXPECT_EQ(0xFFFFu, single16->greenMask);
  EXPECT_EQ(0u, single16->unusedMask);
  const ColorFormat* x8 = GetSoftImgColorFormat(1, 0, 0);
  EXPECT_EQ(0xFF000000u, x8->unusedMask);
}

TEST(SoftImageTest, RefusedCreationsChangeNothing) {
  Created img;
  ASSERT_EQ(0, CreateSoftImg(&img.view, 8, 8, -1, 0, 1, 0, 0, 0, nullptr));
  const SOFTIMG before = img.view;
  EXPECT_EQ(-1, CreateSoftImg(&img.view, 4, 4, -1, 0, 0, 0, 0, 0, nullptr));
  EXPECT_EQ(0, std::memcmp(&before, &img.view, sizeof before));
  const int blocks = LiveBlocks();
  struct Bad { int width, height, pitch, type; };
  for (const Bad b : {Bad{4, 4, -1, 4}, Bad{4, 4, -1, -1}, Bad{-1, 4, -1, 1}, Bad{4, -1, -1, 1},
                      Bad{8, 4, 16, 1}, Bad{4, 4, -2, 1}, Bad{70000, 70000, -1, 1}}) {
    SOFTIMG view{};
    EXPECT_EQ(-1, CreateSoftImg(&view, b.width, b.height, b.pitch, 0, b.type, 0, 0, 0, nullptr));
    EXPECT_EQ(0, IsSoftImgValid(&view));
    EXPECT_EQ(nullptr, view.body);
  }
  EXPECT_EQ(blocks, LiveBlocks());
}

TEST(SoftImageTest, FailedAllocationLeavesNoBody) {
  const int blocks = LiveBlocks();
  SOFTIMG view{};
  if (sizeof(void*) == 4) {
    // Nearly 2 GiB of pixels and their work buffers cannot be had in a 32-bit
    // process: the call fails part-way and leaves nothing behind.
    EXPECT_EQ(-1, CreateSoftImg(&view, 32000, 16000, -1, 0, 1, 0, 1, 1, nullptr));
    EXPECT_EQ(nullptr, view.body);
    EXPECT_EQ(0, IsSoftImgValid(&view));
  } else {
    // A 64-bit process has the room, and sizes stay within 32 bits, so no
    // size makes the allocation fail there: the largest image is made whole
    // and released whole.
    ASSERT_EQ(0, CreateSoftImg(&view, 32000, 16000, -1, 0, 1, 0, 1, 1, nullptr));
    EXPECT_EQ(1, IsSoftImgValid(&view));
    ReleaseSoftImg(&view);
  }
  EXPECT_EQ(blocks, LiveBlocks());
}

TEST(SoftImageTest, ABodyMadeAgainAtALargerSizeReplacesItsWorkBuffers) {
  SOFTIMG view{};
  ASSERT_EQ(0, CreateSoftImg(&view, 4, 2, -1, 0, 1, 0, 1, 1, nullptr));
  view.magic = 0;  // a view left not valid that still holds its body
  ASSERT_EQ(0, CreateSoftImg(&view, 64, 32, -1, 0, 1, 0, 1, 1, nullptr));
  const SoftImgBody* b = view.body;
  EXPECT_GE(GetTrackedMemoryHeader(b->runTable)->size, uint32_t{(64 + 5) * 32});
  EXPECT_GE(GetTrackedMemoryHeader(b->premultipliedCopy)->size, uint32_t(b->pitch * 32));
  EXPECT_GE(GetTrackedMemoryHeader(b->pixelBuffer)->size, uint32_t(b->pitch * 32));
  std::memset(b->runTable, 0xC0, (64 + 5) * 32);
  std::memset(b->premultipliedCopy, 0, static_cast<size_t>(b->pitch) * 32);
  EXPECT_EQ(0, CheckTrackedMemory());
  ReleaseSoftImg(&view);
}

// The body of a view left not valid is made again at a larger size without
// work buffers: a whole-image transfer must then find none to write into,
// instead of the old, smaller ones.
TEST(SoftImageTest, ABodyMadeAgainWithoutWorkBuffersDropsTheOldOnes) {
  SOFTIMG view{};
  ASSERT_EQ(0, CreateSoftImg(&view, 5, 2, -1, 0, 1, 0, 1, 1, nullptr));
  ASSERT_NE(nullptr, view.body->runTable);
  ASSERT_NE(nullptr, view.body->premultipliedCopy);
  view.magic = 0;
  ASSERT_EQ(0, CreateSoftImg(&view, 64, 40, -1, 0, 1, 0, 1, 0, nullptr));
  EXPECT_EQ(nullptr, view.body->runTable);
  EXPECT_EQ(nullptr, view.body->premultipliedCopy);
  EXPECT_EQ(nullptr, view.premultipliedPixels);

  GraphImage image{};
  ASSERT_EQ(0, AllocGraphImageARGB8(64, 40, &image));
  std::memset(image.pixels, 0x80, static_cast<size_t>(image.pitch) * 40);
  EXPECT_GE(ConvertGraphImageToSoftImg(&image, nullptr, &view, 0, 0, 64, 40, 0, 0, 0), 0);
  EXPECT_EQ(0, view.body->runTableValid);
  EXPECT_EQ(0, CheckTrackedMemory());
  FreeGraphImage(&image);
  ReleaseSoftImg(&view);
}

// Made again with work buffers but without alpha, or as a blend-graph image,
// the body keeps only the buffers that such an image has.
TEST(SoftImageTest, ABodyMadeAgainKeepsOnlyTheWorkBuffersItsLayoutHas) {
  struct Case {
    int type, alpha;
    bool premultiplied, runTable;
  };
  const Case cases[] = {{1, 1, true, true}, {1, 0, false, true}, {2, 0, false, false}};
  for (const Case& c : cases) {
    SOFTIMG view{};
    ASSERT_EQ(0, CreateSoftImg(&view, 8, 8, -1, 0, 1, 0, 1, 1, nullptr));
    view.magic = 0;
    ASSERT_EQ(0, CreateSoftImg(&view, 8, 8, -1, 0, c.type, 0, c.alpha, 1, nullptr));
    EXPECT_EQ(c.premultiplied, view.body->premultipliedCopy != nullptr) << c.type << c.alpha;
    EXPECT_EQ(c.runTable, view.body->runTable != nullptr) << c.type << c.alpha;
    ReleaseSoftImg(&view);
  }
  EXPECT_EQ(0, CheckTrackedMemory());
}

TEST(SoftImageTest, SubViewsShareTheBodyUntilTheLastRelease) {
  const int blocks = LiveBlocks();
  std::vector<uint8_t> callerPixels(256 * 64);
  SOFTIMG whole{}, part{}, outside{};
  ASSERT_EQ(0, CreateSoftImg(&whole, 64, 64, 256, 0, 1, 0, 0, 0, callerPixels.data()));
  CreateSubSoftImg(&part, &whole, 10, 20, 30, 40);
  EXPECT_EQ(whole.pixels + 20 * 256 + 40, part.pixels);
  EXPECT_EQ(whole.body, part.body);
  EXPECT_EQ(2, whole.body->referenceCount);
  CreateSubSoftImg(&outside, &whole, 40, 0, 30, 10);
  EXPECT_EQ(0, IsSoftImgValid(&outside));
  EXPECT_EQ(2, whole.body->referenceCount);

  SoftImgBody* body = whole.body;
  ReleaseSoftImg(&part);
  EXPECT_EQ(0u, part.magic);
  EXPECT_EQ(nullptr, part.body);
  EXPECT_EQ(1, body->referenceCount);
  ReleaseSoftImg(&part);  // released twice: left alone
  EXPECT_EQ(1, body->referenceCount);
  ReleaseSoftImg(&whole);
  EXPECT_EQ(blocks, LiveBlocks());
  callerPixels[0] = 1;  // still ours
}

TEST(SoftImageTest, ScreenImagesFollowTheScreenDepth) {
  SOFTIMG view;
  std::memset(&view, 0x5A, sizeof view);  // an old body pointer is dropped, not released
  ASSERT_EQ(0, CreateScreenSoftImg(&view, 320, 240, -1));
  EXPECT_EQ(1, view.body->colorType);
  EXPECT_EQ(1280, view.body->pitch);
  ReleaseSoftImg(&view);
  ASSERT_EQ(0, CreateScreenSoftImg(&view, 8, 8, 0));
  EXPECT_EQ(0, view.body->colorType);
  ReleaseSoftImg(&view);
}

TEST(SoftImageTest, RawFillWritesThePixelSizeAndClips) {
  struct Case { int type; uint32_t expected; };
  for (const Case c : {Case{0, 0x5678}, Case{2, 0x78}, Case{1, 0x12345678}}) {
    Created img;
    ASSERT_EQ(0, CreateSoftImg(&img.view, 5, 3, -1, 0, c.type, 0, 0, 0, nullptr));
    const int bpp = SoftImgBytesPerPixel(c.type, 0, 0);
    std::memset(img.view.pixels, 0, static_cast<size_t>(img.view.body->pitch) * 3);
    const IntRect rect{3, 1, 9, 9};
    FillSoftImgRaw(&img.view, &rect, 0x12345678);
    const IntRect outside{6, 0, 9, 3};
    FillSoftImgRaw(&img.view, &outside, 0xFFFFFFFF);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 5; ++x) {
        uint32_t v = 0;
        std::memcpy(&v, img.view.pixels + y * img.view.body->pitch + x * bpp, static_cast<size_t>(bpp));
        EXPECT_EQ((x >= 3 && y >= 1) ? c.expected : 0u, v) << c.type << " " << x << "," << y;
      }
    }
    // Row padding is never written.
    for (int y = 0; y < 3; ++y) {
      for (int i = 5 * bpp; i < img.view.body->pitch; ++i) {
        EXPECT_EQ(0, img.view.pixels[y * img.view.body->pitch + i]);
      }
    }
    FillSoftImgRaw(&img.view, nullptr, 0);
  }
}

TEST(SoftImageTest, AreaCopyConvertsAndRefusesAreasOutsideTheImages) {
  Created src, dest;
  ASSERT_EQ(0, CreateSoftImg(&src.view, 4, 4, -1, 0, 0, 0, 0, 0, nullptr));
  ASSERT_EQ(0, CreateSoftImg(&dest.view, 4, 4, -1, 0, 1, 0, 0, 0, nullptr));
  FillSoftImgRaw(&src.view, nullptr, 0xFFFF);
  FillSoftImgRaw(&dest.view, nullptr, 0);
  const IntRect rect{1, 1, 3, 3};
  EXPECT_EQ(0, CopySoftImgArea(&dest.view, &src.view, &rect, 2, 2));
  uint32_t v;
  std::memcpy(&v, dest.view.pixels + 3 * dest.view.body->pitch + 3 * 4, 4);
  EXPECT_EQ(0x00F8FCF8u, v & 0x00FFFFFF);
  std::memcpy(&v, dest.view.pixels + 1 * dest.view.body->pitch + 1 * 4, 4);
  EXPECT_EQ(0u, v);
  EXPECT_EQ(-1, CopySoftImgArea(&dest.view, &src.view, &rect, 3, 0));
  EXPECT_EQ(-1, CopySoftImgArea(&dest.view, &src.view, nullptr, 1, 0));
  const IntRect beyond{2, 2, 5, 3};
  EXPECT_EQ(-1, CopySoftImgArea(&dest.view, &src.view, &beyond, 0, 0));
}

}  // namespace
