#include <gtest/gtest.h>

#include "support/image_fixtures.h"

namespace {

// Three-byte pixels whose blue byte numbers them in file order.
Bytes NumberedPixels24(int count) {
  ByteWriter w;
  for (int i = 0; i < count; ++i) w.U8(i).U8(0x80).U8(0x40);
  return w.bytes;
}

int Blue(const GraphImage& image, int x, int y) { return Argb(image, x, y) & 0xFF; }

TEST(TgaLoaderTest, EachOriginComesOutTopFirstLeftToRight) {
  struct Case {
    int descriptor;
    int topRow[3];  // file-order numbers of the first output row
  };
  // The 3 x 2 file holds pixels 0 1 2 in its first stored row, 3 4 5 in the second.
  const Case cases[] = {
      {0x20, {0, 1, 2}},  // top-left origin: as stored
      {0x00, {3, 4, 5}},  // bottom-left: rows reversed
      {0x30, {2, 1, 0}},  // top-right: each row reversed
      {0x10, {5, 4, 3}},  // bottom-right: both
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.descriptor);
    Tga tga;
    tga.width = 3;
    tga.height = 2;
    tga.descriptor = c.descriptor;
    tga.data = NumberedPixels24(6);
    ScopedImage image;
    ASSERT_EQ(DecodeWith(DecodeTgaImage, tga.File(), image.get()), 0);
    EXPECT_EQ(image->pitch, 9);
    EXPECT_EQ(image->format.colorBits, 24);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(Blue(image.image, x, 0), c.topRow[x]);
    EXPECT_EQ(Argb(image.image, 0, 0) & 0xFFFF00, 0x408000u);
  }
}

TEST(TgaLoaderTest, ColorMappedImageReadsItsMapAfterTheIdField) {
  Tga tga;
  tga.imageType = 1;
  tga.mapType = 1;
  tga.mapFirst = 2;
  tga.mapLength = 2;
  tga.mapEntryBits = 32;
  tga.pixelBits = 8;
  tga.width = 2;
  tga.height = 2;
  tga.id = std::string(20, '#');
  tga.map = ByteWriter().U32(0x80112233).U32(0xFF445566).bytes;
  tga.data = {2, 3, 3, 0};
  ScopedImage image;
  ASSERT_EQ(DecodeWith(DecodeTgaImage, tga.File(), image.get()), 0);
  EXPECT_EQ(image->format.colorBits, 32);
  EXPECT_EQ(image->format.alphaMask, 0xFF000000u);
  EXPECT_EQ(Argb(image.image, 0, 0), 0x80112233u);
  EXPECT_EQ(Argb(image.image, 1, 0), 0xFF445566u);
  EXPECT_EQ(Argb(image.image, 1, 1), 0u);  // index 0 lies before the map's first entry
}

TEST(TgaLoaderTest, RunLengthPacketsFillTheImageAndStopAtItsEnd) {
  struct Case {
    const char* name;
    int imageType;
    Bytes map, data;
  };
  // Five 32-bit pixels: a run of three, then a raw packet of two that claims
  // three (cut at the end of the image); a footer follows.
  ByteWriter trueColor;
  trueColor.U8(0x82).U32(0xFF0000AA).U8(0x02).U32(0xFF0000BB).U32(0xFF0000CC).U32(0xDEADBEEF);
  ByteWriter mapped;
  mapped.U8(0x82).U8(1).U8(0x02).U8(2).U8(3).U8(0);
  const Bytes map = ByteWriter().U32(0).U32(0xFF0000AA).U32(0xFF0000BB).U32(0xFF0000CC).bytes;
  const Case cases[] = {
      {"true colour", 10, {}, trueColor.bytes},
      {"colour-mapped", 9, map, mapped.bytes},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Tga tga;
    tga.imageType = c.imageType;
    tga.width = 5;
    tga.height = 1;
    tga.pixelBits = c.imageType == 9 ? 8 : 32;
    if (c.imageType == 9) {
      tga.mapType = 1;
      tga.mapLength = 4;
      tga.mapEntryBits = 32;
    }
    tga.map = c.map;
    tga.data = c.data;
    tga.footer = true;
    ScopedImage image;
    ASSERT_EQ(DecodeWith(DecodeTgaImage, tga.File(), image.get()), 0);
    const uint32_t expected[] = {0xFF0000AA, 0xFF0000AA, 0xFF0000AA, 0xFF0000BB, 0xFF0000CC};
    for (int x = 0; x < 5; ++x) EXPECT_EQ(Argb(image.image, x, 0), expected[x]) << x;
  }
}

TEST(TgaLoaderTest, SixteenBitImageIsX1R5G5B5WithoutAlpha) {
  Tga tga;
  tga.width = 1;
  tga.height = 1;
  tga.pixelBits = 16;
  tga.data = ByteWriter().U16(0x7C00).bytes;  // red, attribute bit clear
  ScopedImage image;
  ASSERT_EQ(DecodeWith(DecodeTgaImage, tga.File(), image.get()), 0);
  EXPECT_EQ(image->format.redMask, 0x7C00u);
  EXPECT_EQ(image->format.alphaWidth, 0);
  EXPECT_EQ(image->format.unusedMask, 0x8000u);
  EXPECT_EQ(image->pitch, 2);
  EXPECT_EQ(PackColorCode(&image->format, 255, 0, 0, 0), 0xFC00u);
}

TEST(TgaLoaderTest, TrueColorStepsOverADeclaredColorMap) {
  Tga tga;
  tga.mapType = 1;
  tga.mapLength = 3;
  tga.mapEntryBits = 15;  // two bytes per entry
  tga.map = Bytes(6, 0xEE);
  tga.width = 2;
  tga.height = 1;
  tga.data = NumberedPixels24(2);
  ScopedImage image;
  ASSERT_EQ(DecodeWith(DecodeTgaImage, tga.File(), image.get()), 0);
  EXPECT_EQ(Argb(image.image, 1, 0) & 0xFFFFFF, 0x408001u);
}

TEST(TgaLoaderTest, SidesUpTo8192AreRead) {
  Tga tga;
  tga.width = 8192;
  tga.height = 1;
  tga.data = NumberedPixels24(8192);
  ScopedImage image;
  ASSERT_EQ(DecodeWith(DecodeTgaImage, tga.File(), image.get()), 0);
  EXPECT_EQ(image->width, 8192);
}

TEST(TgaLoaderTest, MalformedFilesAreRefusedAndFreeEverything) {
  Tga good;
  good.width = 2;
  good.height = 2;
  good.data = NumberedPixels24(4);
  Tga mapped = good;
  mapped.imageType = 1;
  mapped.mapType = 1;
  mapped.mapEntryBits = 24;
  mapped.pixelBits = 8;
  mapped.mapLength = 2;
  mapped.map = Bytes(6, 1);
  mapped.data = Bytes(4, 1);
  ASSERT_EQ(DecodeWith(DecodeTgaImage, good.File(), ScopedImage().get()), 0);
  ASSERT_EQ(DecodeWith(DecodeTgaImage, mapped.File(), ScopedImage().get()), 0);

  std::vector<NamedFile> cases;
  auto add = [&](const char* name, const Tga& base, auto change) {
    cases.push_back(Variant(name, base, change));
  };
  add("grey type", good, [](Tga& t) { t.imageType = 3; });
  add("x origin", good, [](Tga& t) { t.xOrigin = 1; });
  add("width 8193", good, [](Tga& t) { t.width = 8193; });
  add("height 0", good, [](Tga& t) { t.height = 0; });
  add("15-bit pixels", good, [](Tga& t) { t.pixelBits = 15; });
  add("truncated pixels", good, [](Tga& t) { t.data.resize(11); });
  add("truncated run length", good, [](Tga& t) {
    t.imageType = 10;
    t.data = {0x81, 1, 2, 3};  // two of four pixels
  });
  add("map past 256 entries", mapped, [](Tga& t) { t.mapFirst = 255; });
  add("16-bit indices", mapped, [](Tga& t) { t.pixelBits = 16; });
  add("map missing", mapped, [](Tga& t) { t.mapType = 0; });
  add("truncated map", mapped, [](Tga& t) {
    t.map.resize(4);
    t.data.clear();
  });
  ExpectRefused(DecodeTgaImage, cases);
}

}  // namespace
