#include <gtest/gtest.h>

#include "support/image_fixtures.h"

namespace {

TEST(BgraLoaderTest, EightBitChannelsAreTheArgbLayoutAsStored) {
  const Bytes pixels = {0x10, 0x20, 0x30, 0x40, 0x11, 0x21, 0x31, 0x41,
                        0x12, 0x22, 0x32, 0x42, 0x13, 0x23, 0x33, 0x43,
                        0x14, 0x24, 0x34, 0x44, 0x15, 0x25, 0x35, 0x45};
  ScopedImage image;
  ASSERT_EQ(DecodeWith(DecodeBgraImage, BgraFile(0x08080808, 3, 2, pixels), image.get()), 0);
  EXPECT_EQ(image->width, 3);
  EXPECT_EQ(image->height, 2);
  EXPECT_EQ(image->pitch, 12);
  EXPECT_EQ(image->format.colorBits, 32);
  EXPECT_EQ(image->format.alphaMask, 0xFF000000u);
  EXPECT_EQ(Argb(image.image, 0, 0), 0x40302010u);
  EXPECT_EQ(Argb(image.image, 2, 1), 0x45352515u);
}

TEST(BgraLoaderTest, SixteenBitChannelsKeepTheirHighBytes) {
  ByteWriter pixels;
  pixels.U16(0x12FF).U16(0x3400).U16(0x5680).U16(0xFFFF);  // blue, green, red, alpha
  pixels.U16(0x0001).U16(0x0100).U16(0xFF00).U16(0x8000);
  ScopedImage image;
  ASSERT_EQ(DecodeWith(DecodeBgraImage, BgraFile(0x10101010, 2, 1, pixels.bytes), image.get()), 0);
  EXPECT_EQ(image->pitch, 8);
  EXPECT_EQ(Argb(image.image, 0, 0), 0xFF563412u);
  EXPECT_EQ(Argb(image.image, 1, 0), 0x80FF0100u);
}

TEST(BgraLoaderTest, MalformedFilesAreRefusedAndFreeEverything) {
  const Bytes four = Bytes(16, 0x7F);
  Bytes wrongMagic = BgraFile(0x08080808, 2, 2, four);
  wrongMagic[0] = 'X';
  const std::vector<NamedFile> cases = {
      {"magic", wrongMagic},
      {"channel code", BgraFile(0x08080800, 2, 2, four)},
      {"zero width", BgraFile(0x08080808, 0, 2, four)},
      {"negative height", BgraFile(0x08080808, 2, -2, four)},
      {"huge", BgraFile(0x08080808, 0x10000, 0x10000, four)},
      {"truncated 8-bit", BgraFile(0x08080808, 3, 2, four)},
      {"truncated 16-bit", BgraFile(0x10101010, 2, 2, Bytes(24, 1))},
      {"short header", Bytes{'B', 'G', 'R', 'A', 8, 8, 8, 8}},
  };
  ExpectRefused(DecodeBgraImage, cases);
}

}  // namespace
