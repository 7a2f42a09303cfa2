#include <png.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include "support/image_fixtures.h"

namespace {

int ByteAt(const GraphImage& image, int x, int y) {
  return static_cast<const uint8_t*>(image.pixels)[y * image.pitch + x];
}

TEST(PngLoaderTest, FourBitPaletteKeepsIndicesInOrder) {
  PngFixture fixture;
  fixture.width = 3;
  fixture.height = 2;
  fixture.colorType = PNG_COLOR_TYPE_PALETTE;
  fixture.bitDepth = 4;
  fixture.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  fixture.rows = {0x12, 0x30, 0x33, 0x10};  // 1 2 3 / 3 3 1
  ScopedImage image;
  ASSERT_EQ(DecodeWith(DecodePngImage, EncodePng(fixture), image.get()), 0);
  EXPECT_EQ(image->format.bytesPerPixel, 1);
  EXPECT_EQ(image->pitch, 3);
  const int expected[2][3] = {{1, 2, 3}, {3, 3, 1}};
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) EXPECT_EQ(ByteAt(image.image, x, y), expected[y][x]);
  }
  EXPECT_EQ(Argb(image.image, 0, 0), 0xFF0000u);  // alpha 0 in palette entries
  EXPECT_EQ(Argb(image.image, 2, 0), 0x0000FFu);
  const ColorPaletteEntry& unused = image->format.palette[4];
  EXPECT_EQ(unused.red | unused.green | unused.blue | unused.alpha, 0);
}

TEST(PngLoaderTest, LayoutFollowsTheColorTypeAfterExpansion) {
  struct Case {
    const char* name;
    PngFixture fixture;
    int colorBits, bytesPerPixel;
    uint32_t alphaMask, unusedMask;
    uint32_t pixels[2];  // (0, 0) and (1, 0) as 0xAARRGGBB
  };
  PngFixture trns;
  trns.width = 2;
  trns.height = 1;
  trns.colorType = PNG_COLOR_TYPE_PALETTE;
  trns.palette = {0x112233, 0x445566};
  trns.transparency = {0x80};
  trns.rows = {0, 1};
  PngFixture oneBitGrey;
  oneBitGrey.width = 2;
  oneBitGrey.height = 1;
  oneBitGrey.bitDepth = 1;
  oneBitGrey.colorType = PNG_COLOR_TYPE_GRAY;
  oneBitGrey.rows = {0x40};  // 0 then 1
  PngFixture greyAlpha;
  greyAlpha.width = 2;
  greyAlpha.height = 1;
  greyAlpha.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
  greyAlpha.rows = {0x30, 0x00, 0xC0, 0xFF};
  PngFixture rgba16;
  rgba16.width = 2;
  rgba16.height = 1;
  rgba16.bitDepth = 16;
  rgba16.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
  rgba16.rows = {0x12, 0xFF, 0x34, 0x00, 0x56, 0x80, 0xFF, 0xFF,
                 0x00, 0x01, 0xAB, 0xCD, 0xEF, 0x00, 0x40, 0x00};
  PngFixture rgbInterlaced;
  rgbInterlaced.width = 2;
  rgbInterlaced.height = 1;
  rgbInterlaced.colorType = PNG_COLOR_TYPE_RGB;
  rgbInterlaced.interlaced = true;
  rgbInterlaced.rows = {1, 2, 3, 4, 5, 6};
  const Case cases[] = {
      {"palette with tRNS", trns, 32, 4, 0xFF000000, 0, {0x80112233, 0xFF445566}},
      {"1-bit grey", oneBitGrey, 8, 1, 0, 0xFF000000, {0x000000, 0xFFFFFF}},
      {"grey with alpha", greyAlpha, 16, 2, 0, 0xFF00, {0x303030, 0xC0C0C0}},
      {"16-bit RGBA", rgba16, 32, 4, 0xFF000000, 0, {0xFF123456, 0x4000ABEF}},
      {"interlaced RGB", rgbInterlaced, 24, 3, 0, 0, {0x010203, 0x040506}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedImage image;
    ASSERT_EQ(DecodeWith(DecodePngImage, EncodePng(c.fixture), image.get()), 0);
    EXPECT_EQ(image->format.colorBits, c.colorBits);
    EXPECT_EQ(image->format.bytesPerPixel, c.bytesPerPixel);
    EXPECT_EQ(image->format.alphaMask, c.alphaMask);
    EXPECT_EQ(image->format.unusedMask, c.unusedMask);
    EXPECT_EQ(image->pitch, 2 * c.bytesPerPixel);
    EXPECT_EQ(Argb(image.image, 0, 0), c.pixels[0]);
    EXPECT_EQ(Argb(image.image, 1, 0), c.pixels[1]);
  }
}

TEST(PngLoaderTest, MalformedFilesAreRefusedAndFreeEverything) {
  PngFixture fixture;
  fixture.width = 64;
  fixture.height = 64;
  fixture.colorType = PNG_COLOR_TYPE_RGB;
  for (int i = 0; i < 64 * 64 * 3; ++i) fixture.rows.push_back(static_cast<uint8_t>(i * 7 + i / 5));
  const Bytes good = EncodePng(fixture);
  ASSERT_EQ(DecodeWith(DecodePngImage, good, ScopedImage().get()), 0);

  // IHDR's width and height sit at bytes 16-23, and its CRC after them.
  auto withSize = [&](uint32_t width, uint32_t height) {
    Bytes file = good;
    for (int i = 0; i < 4; ++i) {
      file[16 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));
      file[20 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
    }
    uint32_t crc = crc32(0, file.data() + 12, 17);
    for (int i = 0; i < 4; ++i) file[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    return file;
  };
  const std::vector<NamedFile> cases = {
      {"cut inside the image data", Bytes(good.begin(), good.begin() + good.size() / 2)},
      {"cut before the end chunk", Bytes(good.begin(), good.end() - 12)},
      {"huge", withSize(0x10000, 0x10000)},
      {"zero width", withSize(0, 64)},
      {"not a PNG", BytesOf("BM this is no picture")},
  };
  ExpectRefused(DecodePngImage, cases);
}

}  // namespace
