#include <cstdlib>

#include <gtest/gtest.h>

#include "support/image_fixtures.h"

namespace {

// libjpeg reports warnings and errors on stderr; the failing cases below print
// their messages there too.

Bytes Solid(int width, int height, const Bytes& pixel) {
  Bytes samples;
  for (int i = 0; i < width * height; ++i) samples.insert(samples.end(), pixel.begin(), pixel.end());
  return samples;
}

bool Near(int value, int expected) { return std::abs(value - expected) <= 6; }

TEST(JpegLoaderTest, GreyAndColorHaveUnpaddedRows) {
  struct Case {
    const char* name;
    int components;
    Bytes pixel;  // R, G, B or grey
    int colorBits, pitch;
    uint32_t argb;
  };
  const Case cases[] = {
      {"grey", 1, {0x90}, 8, 5, 0x909090},
      {"colour", 3, {0xE0, 0x30, 0x50}, 24, 15, 0xE03050},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedImage image;
    ASSERT_EQ(DecodeWith(DecodeJpegImage, EncodeJpeg(5, 3, c.components, Solid(5, 3, c.pixel)),
                         image.get()),
              0);
    EXPECT_EQ(image->width, 5);
    EXPECT_EQ(image->height, 3);
    EXPECT_EQ(image->pitch, c.pitch);
    EXPECT_EQ(image->format.colorBits, c.colorBits);
    const uint32_t got = Argb(image.image, 4, 2);
    for (int shift : {16, 8, 0}) {
      EXPECT_TRUE(Near((got >> shift) & 0xFF, (c.argb >> shift) & 0xFF)) << std::hex << got;
    }
  }
}

TEST(JpegLoaderTest, TruncatedFileDecodesAsFarAsItsDataGo) {
  Bytes samples;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) samples.insert(samples.end(), {uint8_t(x * 4), uint8_t(y * 4), 0x80});
  }
  Bytes file = EncodeJpeg(64, 64, 3, samples);
  file.resize(file.size() * 2 / 3);
  ScopedImage image;
  ASSERT_EQ(DecodeWith(DecodeJpegImage, file, image.get()), 0);
  EXPECT_EQ(image->width, 64);
  EXPECT_EQ(image->height, 64);
  const uint32_t top = Argb(image.image, 60, 2);
  EXPECT_TRUE(Near((top >> 16) & 0xFF, 240)) << std::hex << top;
}

TEST(JpegLoaderTest, UnusableFilesAreRefusedAndFreeEverything) {
  const Bytes good = EncodeJpeg(8, 8, 1, Bytes(64, 0x40));
  // The frame header (FF C0) holds the height and width after its length and precision.
  auto withSize = [&](int width, int height) {
    Bytes file = good;
    for (size_t i = 0; i + 8 < file.size(); ++i) {
      if (file[i] == 0xFF && file[i + 1] == 0xC0) {
        file[i + 5] = height >> 8;
        file[i + 6] = height & 0xFF;
        file[i + 7] = width >> 8;
        file[i + 8] = width & 0xFF;
        break;
      }
    }
    return file;
  };
  const Bytes cmyk = EncodeJpeg(8, 8, 4, Bytes(8 * 8 * 4, 0x20));

  const std::vector<NamedFile> cases = {
      {"empty", Bytes()},
      {"not a JPEG", BytesOf("GIF89a and so on")},
      {"huge", withSize(40000, 40000)},
      {"wider than the loaders take", withSize(33000, 8)},
      {"four components", cmyk},
  };
  ExpectRefused(DecodeJpegImage, cases);
}

}  // namespace
