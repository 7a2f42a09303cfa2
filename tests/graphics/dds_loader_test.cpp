#include <gtest/gtest.h>

#include "support/image_fixtures.h"

namespace {

Dds Dxt(const char* name, int width, int height, size_t dataBytes) {
  Dds dds;
  dds.fourCc = FourCc(name);
  dds.width = width;
  dds.height = height;
  dds.data.assign(dataBytes, 0);
  return dds;
}

TEST(DdsLoaderTest, Dxt1WithoutMipsReadsItsBlocks) {
  Dds dds = Dxt("DXT1", 8, 8, 32);
  ScopedImage image;
  ASSERT_EQ(DecodeWith(DecodeDdsImage, dds.File(), image.get()), 0);
  EXPECT_EQ(image->format.compression, 1u);
  EXPECT_EQ(image->format.colorBits, 4);
  EXPECT_EQ(image->pitch, 0);
  EXPECT_EQ(image->mipLevels, 0);
  EXPECT_EQ(image->width, 8);
}

TEST(DdsLoaderTest, MipLevelsHalveEachSideDownToOneBlock) {
  struct Case {
    const char* fourCc;
    int width, height, mips;
    size_t bytes;
  };
  const Case cases[] = {
      // 65,536 + 16,384 + 4,096 + 1,024 + 256 + 64 + 16, then 2 x 2 and 1 x 1
      // levels of one 16-byte block each.
      {"DXT5", 256, 256, 9, 87408},
      {"DXT1", 8, 2, 4, 8 * 2 + 8 + 8 + 8},
      {"DXT3", 6, 6, 0, 4 * 16},  // 6 x 6 needs 2 x 2 blocks
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fourCc);
    Dds dds = Dxt(c.fourCc, c.width, c.height, c.bytes);
    if (c.mips) dds.WithMips(c.mips);
    ScopedImage image;
    ASSERT_EQ(DecodeWith(DecodeDdsImage, dds.File(), image.get()), 0);
    EXPECT_EQ(image->mipLevels, c.mips);
    dds.data.pop_back();
    GraphImage shortImage{};
    EXPECT_EQ(DecodeWith(DecodeDdsImage, dds.File(), &shortImage), -1);
  }
}

TEST(DdsLoaderTest, PartialBlocksDecompressToTheImageEdge) {
  Dds dds = Dxt("DXT1", 6, 5, 0);
  for (int block = 0; block < 4; ++block) {
    dds.data.insert(dds.data.end(), {0x00, 0xF8, 0x00, 0x00, 0, 0, 0, 0});  // all red
  }
  ScopedImage image;
  ASSERT_EQ(DecodeWith(DecodeDdsImage, dds.File(), image.get()), 0);
  ASSERT_EQ(DecompressDxtGraphImage(image.get()), 0);
  EXPECT_EQ(Argb(image.image, 5, 4), 0xFFFF0000u);
}

TEST(DdsLoaderTest, D3dFormatNumberWithPitchFlagKeepsThePitch) {
  Dds dds;
  dds.fourCc = 21;  // A8R8G8B8
  dds.flags |= kDdsFlagPitch;
  dds.width = 2;
  dds.height = 2;
  dds.pitch = 12;
  dds.data = ByteWriter().U32(0x80FF0000).U32(0x8000FF00).U32(0).U32(0x400000FF).U32(1).U32(0).bytes;
  ScopedImage image;
  ASSERT_EQ(DecodeWith(DecodeDdsImage, dds.File(), image.get()), 0);
  EXPECT_EQ(image->pitch, 12);
  EXPECT_EQ(image->format.alphaMask, 0xFF000000u);
  EXPECT_EQ(image->format.colorBits, 32);
  EXPECT_EQ(Argb(image.image, 1, 0), 0x8000FF00u);
  EXPECT_EQ(Argb(image.image, 0, 1), 0x400000FFu);
}

TEST(DdsLoaderTest, RgbMasksLayoutReadsItsMipLevels) {
  Dds dds;
  dds.pixelFlags = kDdsPixelRgb;
  dds.rgbBits = 16;
  dds.masks[0] = 0xF800;
  dds.masks[1] = 0x07E0;
  dds.masks[2] = 0x001F;
  dds.width = 4;
  dds.height = 2;
  dds.WithMips(3);  // 4 x 2, 2 x 1, 1 x 1
  dds.data.assign((8 + 2 + 1) * 2, 0);
  dds.data[0] = 0x1F;
  ScopedImage image;
  ASSERT_EQ(DecodeWith(DecodeDdsImage, dds.File(), image.get()), 0);
  EXPECT_EQ(image->format.redMask, 0xF800u);
  EXPECT_EQ(image->pitch, 8);
  EXPECT_EQ(image->mipLevels, 3);
  EXPECT_EQ(Argb(image.image, 0, 0), 0x0000F8u);  // blue at the top of its byte
}

TEST(DdsLoaderTest, ByteWideR3G3B2IsWidenedToThirtyTwoBits) {
  Dds dds;
  dds.fourCc = 27;
  dds.width = 4;
  dds.height = 1;
  dds.data = {0xE0, 0x1C, 0x03, 0x92};
  ScopedImage image;
  ASSERT_EQ(DecodeWith(DecodeDdsImage, dds.File(), image.get()), 0);
  EXPECT_EQ(image->format.bytesPerPixel, 4);
  EXPECT_EQ(image->pitch, 16);
  EXPECT_EQ(Argb(image.image, 0, 0) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(Argb(image.image, 1, 0) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(Argb(image.image, 2, 0) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(Argb(image.image, 3, 0) & 0xFFFFFF, 0x9191AAu);  // 4/7, 4/7, 2/3 of full
}

TEST(DdsLoaderTest, MalformedFilesAreRefusedAndFreeEverything) {
  Dds good = Dxt("DXT1", 4, 4, 8);
  ASSERT_EQ(DecodeWith(DecodeDdsImage, good.File(), ScopedImage().get()), 0);
  Dds rgb;
  rgb.pixelFlags = kDdsPixelRgb;
  rgb.rgbBits = 32;
  rgb.width = 2;
  rgb.height = 2;
  rgb.data.assign(16, 0);
  ASSERT_EQ(DecodeWith(DecodeDdsImage, rgb.File(), ScopedImage().get()), 0);

  std::vector<NamedFile> cases;
  auto add = [&](const char* name, const Dds& base, auto change) {
    cases.push_back(Variant(name, base, change));
  };
  add("luminance", rgb, [](Dds& d) { d.pixelFlags = kDdsPixelLuminance; });
  add("unknown FourCC", good, [](Dds& d) { d.fourCc = FourCc("ATI2"); });
  add("format number with other flags", good, [](Dds& d) {
    d.fourCc = 21;
    d.pixelFlags = kDdsPixelFourCc | kDdsPixelRgb;
  });
  add("pitch shorter than a row", rgb, [](Dds& d) {
    d.flags |= kDdsFlagPitch;
    d.pitch = 4;
  });
  add("zero width", good, [](Dds& d) { d.width = 0; });
  add("huge", good, [](Dds& d) { d.width = d.height = 0x40000000; });
  add("odd bit count", rgb, [](Dds& d) { d.rgbBits = 12; });
  add("more mips than the chain", good, [](Dds& d) { d.WithMips(4); });
  add("truncated", rgb, [](Dds& d) { d.data.resize(15); });
  ExpectRefused(DecodeDdsImage, cases);
  Bytes badMagic = good.File();
  badMagic[1] = 'X';
  EXPECT_EQ(DecodeWith(DecodeDdsImage, badMagic, ScopedImage().get()), -1);
}

}  // namespace
