#include <gtest/gtest.h>

#include "graphics/color_format.h"
#include "support/image_fixtures.h"

namespace {

const ColorPaletteEntry& Entry(const GraphImage& image, int i) { return image.format.palette[i]; }

int IndexAt(const GraphImage& image, int x, int y) {
  return static_cast<const uint8_t*>(image.pixels)[y * image.pitch + x];
}

TEST(BmpLoaderTest, TwentyFourBitRowsComeOutTopFirstEitherWay) {
  const Bytes fileRow0 = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  const Bytes fileRow1 = {11, 12, 13, 14, 15, 16, 17, 18, 19};
  for (int32_t height : {2, -2}) {
    SCOPED_TRACE(height);
    Bmp bmp;
    bmp.width = 3;
    bmp.height = height;
    bmp.data = PaddedRows({fileRow0, fileRow1});
    ScopedImage image;
    ASSERT_EQ(DecodeWith(DecodeBmpImage, bmp.File(), image.get()), 0);
    EXPECT_EQ(image->height, 2);
    EXPECT_EQ(image->pitch, 12);
    EXPECT_EQ(image->format.colorBits, 24);
    EXPECT_EQ(image->format.redMask, 0x00FF0000u);
    // Bottom-up files store the bottom row first.
    const uint32_t top = height > 0 ? 0x0D0C0B : 0x030201;
    EXPECT_EQ(Argb(image.image, 0, 0) & 0xFFFFFF, top);
    EXPECT_EQ(Argb(image.image, 2, 1) & 0xFFFFFF, height > 0 ? 0x090807u : 0x131211u);
  }
}

TEST(BmpLoaderTest, ThirtyTwoBitTakesTheFourthByteAsAlpha) {
  Bmp bmp;
  bmp.width = 2;
  bmp.height = -1;
  bmp.bits = 32;
  bmp.data = ByteWriter().U32(0x00112233).U32(0x80445566).bytes;
  ScopedImage image;
  ASSERT_EQ(DecodeWith(DecodeBmpImage, bmp.File(), image.get()), 0);
  EXPECT_EQ(image->format.alphaMask, 0xFF000000u);
  EXPECT_EQ(Argb(image.image, 0, 0), 0x00112233u);
  EXPECT_EQ(Argb(image.image, 1, 0), 0x80445566u);
}

TEST(BmpLoaderTest, EightBitShortPaletteIsReadAfterAnyHeaderVersion) {
  for (uint32_t headerBytes : {40u, 124u}) {
    SCOPED_TRACE(headerBytes);
    Bmp bmp;
    bmp.headerBytes = headerBytes;
    bmp.width = 3;
    bmp.height = 1;
    bmp.bits = 8;
    bmp.colorsUsed = 3;
    bmp.palette = {0xFF0000, 0x00FF00, 0x0000FF};
    bmp.data = PaddedRows({{2, 0, 1}});  // the file ends 4 bytes after its short palette
    ScopedImage image;
    ASSERT_EQ(DecodeWith(DecodeBmpImage, bmp.File(), image.get()), 0);
    EXPECT_EQ(image->format.bytesPerPixel, 1);
    EXPECT_EQ(image->pitch, 4);
    EXPECT_EQ(Argb(image.image, 0, 0), 0x0000FFu);
    EXPECT_EQ(Argb(image.image, 1, 0), 0xFF0000u);
    EXPECT_EQ(Entry(image.image, 1).green, 0xFF);
    EXPECT_EQ(Entry(image.image, 1).alpha, 0);
    EXPECT_EQ(Argb(image.image, 2, 0), 0x00FF00u);
    for (int i = 3; i < 256; ++i) EXPECT_EQ(PaletteEntryValue(Entry(image.image, i)), 0u) << i;
  }
}

TEST(BmpLoaderTest, FourBitUnpacksHighNibbleFirst) {
  Bmp bmp;
  bmp.width = 5;
  bmp.height = 2;
  bmp.bits = 4;
  for (int i = 0; i < 16; ++i) bmp.palette.push_back(i * 0x111111);
  bmp.data = PaddedRows({{0x12, 0x34, 0x50}, {0xAB, 0xCD, 0xE0}});
  ScopedImage image;
  ASSERT_EQ(DecodeWith(DecodeBmpImage, bmp.File(), image.get()), 0);
  EXPECT_EQ(image->pitch, 8);
  const int top[] = {10, 11, 12, 13, 14}, bottom[] = {1, 2, 3, 4, 5};
  for (int x = 0; x < 5; ++x) {
    EXPECT_EQ(IndexAt(image.image, x, 0), top[x]);
    EXPECT_EQ(IndexAt(image.image, x, 1), bottom[x]);
  }
  EXPECT_EQ(Argb(image.image, 0, 0), 0xAAAAAAu);
}

TEST(BmpLoaderTest, RunLengthCodesWriteInsideTheImageOnly) {
  struct Case {
    const char* name;
    int bits;
    int32_t height;
    Bytes codes;
    std::vector<Bytes> rows;  // expected indices, top row first
  };
  const Case cases[] = {
      {"RLE8 run, delta, run",
       8,
       3,
       {2, 7,        // bottom row: 7 7
        0, 2, 0, 2,  // delta: no column step, two rows up
        1, 9,        // top row: x = 2 gets 9
        0, 1},       // end of image: the middle row stays 0
       {{0, 0, 9, 0}, {0, 0, 0, 0}, {7, 7, 0, 0}}},
      {"RLE8 top-down, run past the edge, padded absolute",
       8,
       -2,
       {6, 5, 0, 0, 0, 3, 4, 3, 2, 0},  // no end code: the data simply stop
       {{5, 5, 5, 5}, {4, 3, 2, 0}}},
      {"RLE4 run and absolute nibbles",
       4,
       2,
       {5, 0x1A, 0, 0, 0, 3, 0x23, 0x40, 0, 1},
       {{2, 3, 4, 0, 0}, {1, 10, 1, 10, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bmp bmp;
    bmp.width = static_cast<int32_t>(c.rows[0].size());
    bmp.height = c.height;
    bmp.bits = c.bits;
    bmp.compression = c.bits == 8 ? 1 : 2;
    for (int i = 0; i < (1 << c.bits); ++i) bmp.palette.push_back(i);
    bmp.data = c.codes;
    ScopedImage image;
    ASSERT_EQ(DecodeWith(DecodeBmpImage, bmp.File(), image.get()), 0);
    EXPECT_EQ(image->format.bytesPerPixel, 1);
    EXPECT_EQ(image->pitch, (bmp.width + 3) / 4 * 4);
    for (size_t y = 0; y < c.rows.size(); ++y) {
      for (size_t x = 0; x < c.rows[y].size(); ++x) {
        EXPECT_EQ(IndexAt(image.image, x, y), c.rows[y][x]) << x << "," << y;
      }
    }
    EXPECT_EQ(Entry(image.image, 3).blue, 3);
    EXPECT_EQ(Entry(image.image, 3).alpha, 0);
  }
}

TEST(BmpLoaderTest, LayoutsForGdiComeBackAsTwentyFourBit) {
  struct Case {
    const char* name;
    Bmp bmp;
    uint32_t topLeft, bottomRight;
  };
  Bmp oneBit;
  oneBit.width = 10;
  oneBit.height = 2;  // bottom-up
  oneBit.bits = 1;
  oneBit.palette = {0x102030, 0xC0D0E0};
  oneBit.data = PaddedRows({{0x00, 0x40}, {0x80, 0x00}});  // bottom row: x = 9 set
  Bmp sixteen;
  sixteen.width = 3;
  sixteen.height = -2;
  sixteen.bits = 16;  // X1R5G5B5
  sixteen.data = PaddedRows({ByteWriter().U16(0x7C00).U16(0).U16(0).bytes,
                             ByteWriter().U16(0).U16(0).U16(0x03E0).bytes});
  Bmp fields = sixteen;  // R5G6B5 through masks after a 40-byte header
  fields.compression = 3;
  fields.afterHeader = ByteWriter().U32(0xF800).U32(0x07E0).U32(0x001F).bytes;
  fields.data = PaddedRows({ByteWriter().U16(0x001F).U16(0).U16(0).bytes,
                            ByteWriter().U16(0).U16(0).U16(0xF800).bytes});
  Bmp v4 = fields;  // the same masks inside a 108-byte header
  v4.headerBytes = 108;
  v4.afterHeader.clear();
  v4.headerMasks = {0xF800, 0x07E0, 0x001F, 0};
  const Case cases[] = {
      {"1-bit", oneBit, 0xC0D0E0, 0xC0D0E0},
      {"16-bit", sixteen, 0xF80000, 0x00F800},
      {"bit fields", fields, 0x0000F8, 0xF80000},
      {"bit fields in a V4 header", v4, 0x0000F8, 0xF80000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedImage image;
    ASSERT_EQ(DecodeWith(DecodeBmpImage, c.bmp.File(), image.get()), 0);
    EXPECT_EQ(image->format.colorBits, 24);
    EXPECT_EQ(image->pitch, (c.bmp.width * 3 + 3) / 4 * 4);
    EXPECT_EQ(image->height, 2);
    const int right = c.bmp.width - 1;
    // Narrow channels may or may not have their low bits filled in by GDI.
    EXPECT_EQ(Argb(image.image, 0, 0) & 0xF8F8F8, c.topLeft & 0xF8F8F8);
    EXPECT_EQ(Argb(image.image, right, 1) & 0xF8F8F8, c.bottomRight & 0xF8F8F8);
    EXPECT_EQ(Argb(image.image, 1, 1) & 0xF8F8F8, std::string(c.name) == "1-bit" ? 0x102030u : 0u);
  }
}

TEST(BmpLoaderTest, LayoutGdiCannotDrawIsRefused) {
  Bmp bmp;
  bmp.width = 4;
  bmp.height = 4;
  bmp.bits = 24;
  bmp.compression = 4;  // embedded JPEG data, which a screen context does not draw
  bmp.data = Bytes(64, 0x55);
  ExpectRefused(DecodeBmpImage, {{"embedded JPEG", bmp.File()}});
}

TEST(BmpLoaderTest, MalformedFilesAreRefusedAndFreeEverything) {
  Bmp good;
  good.width = 2;
  good.height = 2;
  good.data = PaddedRows({{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
  Bmp palette = good;
  palette.bits = 8;
  palette.palette = {0, 1, 2, 3};
  palette.colorsUsed = 4;
  palette.data = PaddedRows({{1, 2}, {3, 0}});
  ASSERT_EQ(DecodeWith(DecodeBmpImage, good.File(), ScopedImage().get()), 0);
  ASSERT_EQ(DecodeWith(DecodeBmpImage, palette.File(), ScopedImage().get()), 0);

  std::vector<NamedFile> cases;
  auto add = [&](const char* name, const Bmp& base, auto change) {
    cases.push_back(Variant(name, base, change));
  };
  add("truncated rows", good, [](Bmp& b) { b.data.resize(b.data.size() - 4); });
  add("zero width", good, [](Bmp& b) { b.width = 0; });
  add("negative width", good, [](Bmp& b) { b.width = -2; });
  add("zero height", good, [](Bmp& b) { b.height = 0; });
  add("lowest height", good, [](Bmp& b) { b.height = INT32_MIN; });
  add("huge", good, [](Bmp& b) { b.width = b.height = 0x10000; });
  add("huge by multiplication", good, [](Bmp& b) {
    b.width = 0x7FFF;
    b.height = 0x7FFF;
    b.bits = 32;
  });
  add("core header", good, [](Bmp& b) { b.headerBytes = 12; });
  add("odd bit count", good, [](Bmp& b) { b.bits = 7; });
  add("RLE8 of 4-bit", palette, [](Bmp& b) {
    b.compression = 1;
    b.bits = 4;
  });
  add("palette past the end", palette, [](Bmp& b) {
    b.colorsUsed = 0;
    b.data.clear();
  });
  Bytes farOffset = good.File();
  farOffset[11] = 0x10;  // the pixel data would start at 4,096 + 54
  cases.push_back({"data offset past the end", farOffset});
  Bytes cut = good.File();
  cut.resize(30);
  cases.push_back({"cut in the header", cut});
  cases.push_back({"not a BMP", BytesOf("BX this is no bitmap at all, only text")});
  ExpectRefused(DecodeBmpImage, cases);
}

}  // namespace
