#include <png.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "support/image_fixtures.h"

namespace {

// One small file of every format, each with a known pixel at (1, 0).
struct Sample {
  const char* name;
  Bytes file;
  int colorBits;
  uint32_t compression;
  uint32_t pixel;  // 0xAARRGGBB at (1, 0) after decompression, low 24 bits compared
};

std::vector<Sample> Samples() {
  Bmp bmp;
  bmp.width = 2;
  bmp.height = 1;
  bmp.data = PaddedRows({{0, 0, 0, 0x30, 0x20, 0x10}});
  PngFixture png;
  png.width = 2;
  png.height = 1;
  png.colorType = PNG_COLOR_TYPE_RGB;
  png.rows = {0, 0, 0, 0x10, 0x20, 0x30};
  Tga tga;
  tga.width = 2;
  tga.height = 1;
  tga.data = {0, 0, 0, 0x30, 0x20, 0x10};
  Dds dds;
  dds.fourCc = FourCc("DXT1");
  dds.width = 4;
  dds.height = 4;
  dds.data = {0x1F, 0x00, 0x1F, 0x00, 0, 0, 0, 0};  // all blue
  return {
      {"BMP", bmp.File(), 24, 0, 0x102030},
      {"JPEG", EncodeJpeg(2, 1, 1, {0x80, 0x80}), 8, 0, 0x808080},
      {"PNG", EncodePng(png), 24, 0, 0x102030},
      {"BGRA", BgraFile(0x08080808, 2, 1, {0, 0, 0, 0, 0x30, 0x20, 0x10, 0xFF}), 32, 0, 0x102030},
      {"TGA", tga.File(), 24, 0, 0x102030},
      {"DDS", dds.File(), 4, 1, 0x0000FF},
  };
}

TEST(ImageLoadingChainTest, EveryFormatIsFoundFromTheStart) {
  for (const Sample& s : Samples()) {
    SCOPED_TRACE(s.name);
    ScopedImage image;
    image->width = 99;  // the chain starts from an empty record
    MemorySource source(s.file);
    ASSERT_EQ(DecodeGraphImage(source.get(), image.get()), 0);
    EXPECT_EQ(image->format.colorBits, s.colorBits);
    EXPECT_EQ(image->format.compression, s.compression);
    ASSERT_EQ(DecompressDxtGraphImage(image.get()), 0);
    EXPECT_NEAR(static_cast<int>(Argb(image.image, 1, 0) & 0xFF), static_cast<int>(s.pixel & 0xFF), 2);
    EXPECT_EQ(Argb(image.image, 1, 0) & 0xF0F0F0, s.pixel & 0xF0F0F0);
  }
}

TEST(ImageLoadingChainTest, DataNoLoaderKnowsAreRefusedWithoutLeaks) {
  for (uint32_t seed : {1u, 2u, 3u, 4u}) {
    SCOPED_TRACE(seed);
    const Bytes blob = RandomBytes(2048, seed);
    const TrackedTotals before = TrackedTotals::Now();
    GraphImage image{};
    image.width = 5;
    {
      MemorySource source(blob);
      EXPECT_EQ(DecodeGraphImage(source.get(), &image), -1);
    }
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.pixels, nullptr);
    // The memory stream is closed on failure as well.
    EXPECT_EQ(ReadGraphImage(nullptr, blob.data(), blob.size(), 1, &image, 0), -1);
    EXPECT_TRUE(TrackedTotals::Now() == before);
  }
}

TEST(ImageLoadingChainTest, FilesAndMemoryReadAlikeAndMirrorReversesRows) {
  Tga tga;
  tga.width = 3;
  tga.height = 1;
  tga.data = {1, 0, 0, 2, 0, 0, 3, 0, 0};
  WriteFileBytes("row.tga", tga.File());
  const Bytes file = tga.File();
  struct Case {
    const char* name;
    int fromMemory, mirror;
    int first;
  };
  const Case cases[] = {
      {"file", 0, 0, 1},
      {"memory", 1, 0, 1},
      {"file, mirrored", 0, 1, 3},
      {"memory, mirrored", 1, 1, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedImage image;
    ASSERT_EQ(ReadGraphImage(c.fromMemory ? nullptr : "row.tga", file.data(), file.size(),
                             c.fromMemory, image.get(), c.mirror),
              0);
    EXPECT_EQ(Argb(image.image, 0, 0) & 0xFF, static_cast<uint32_t>(c.first));
    EXPECT_EQ(Argb(image.image, 2, 0) & 0xFF, static_cast<uint32_t>(4 - c.first));
  }
  ScopedImage missing;
  EXPECT_EQ(ReadGraphImage("no such file.tga", nullptr, 0, 0, missing.get(), 0), -1);
}

TEST(ImageLoadingChainTest, MirroredDxtImageIsUncompressedWithReversedRows) {
  Dds dds;
  dds.fourCc = FourCc("DXT1");
  dds.width = 4;
  dds.height = 4;
  dds.WithMips(3);
  // Colour 0 red, colour 1 blue; the left column uses colour 1, the rest colour 0.
  dds.data = {0x00, 0xF8, 0x1F, 0x00, 0x01, 0x01, 0x01, 0x01};
  dds.data.resize(24, 0);
  const Bytes file = dds.File();
  ScopedImage image;
  ASSERT_EQ(ReadGraphImage(nullptr, file.data(), file.size(), 1, image.get(), 1), 0);
  EXPECT_EQ(image->format.compression, 0u);
  EXPECT_EQ(image->format.alphaMask, 0xFF000000u);
  EXPECT_EQ(image->mipLevels, 0);
  EXPECT_EQ(Argb(image.image, 3, 0), 0xFF0000FFu);
  EXPECT_EQ(Argb(image.image, 0, 0), 0xFFFF0000u);
}

TEST(ImageLoadingChainTest, AlphaImageComesFromTheUnderscoreAFile) {
  const Bytes main = BgraFile(0x08080808, 1, 1, {1, 2, 3, 4});
  const Bytes alpha = BgraFile(0x08080808, 1, 1, {9, 9, 9, 9});
  WriteFileBytes("pics.v2\\title.bgr", main);
  WriteFileBytes("pics.v2\\title_a.bgr", alpha);
  WriteFileBytes("pics.v2\\solo", main);
  struct Case {
    const char* name;
    const char* file;
    int fromMemory;
    const Bytes* alphaBytes;
    int mode;
    int result;
  };
  const Bytes junk = BytesOf("no image");
  const Case cases[] = {
      {"beside the file", "pics.v2\\title.bgr", 0, nullptr, 0, 0},
      {"no extension, none beside", "pics.v2\\solo", 0, nullptr, 0, 1},
      {"from memory", nullptr, 1, &alpha, 1, 0},
      {"unreadable alpha bytes", nullptr, 1, &junk, 1, 1},
      {"no alpha asked", "pics.v2\\title.bgr", 0, nullptr, 2, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TrackedTotals before = TrackedTotals::Now();
    {
      ScopedImage image, alphaImage;
      alphaImage->width = 3;
      ASSERT_EQ(ReadGraphImageWithAlpha(c.file, main.data(), main.size(), c.fromMemory,
                                        c.alphaBytes ? c.alphaBytes->data() : nullptr,
                                        c.alphaBytes ? c.alphaBytes->size() : 0, c.mode,
                                        image.get(), alphaImage.get(), 0),
                c.result);
      EXPECT_EQ(Argb(image.image, 0, 0), 0x04030201u);
      if (c.result == 0) {
        EXPECT_EQ(Argb(alphaImage.image, 0, 0), 0x09090909u);
      } else {
        EXPECT_EQ(alphaImage->width, 0);
        EXPECT_EQ(alphaImage->pixels, nullptr);
      }
    }
    EXPECT_TRUE(TrackedTotals::Now() == before);
  }
  ScopedImage image, alphaImage;
  EXPECT_EQ(ReadGraphImageWithAlpha("pics.v2\\absent.bgr", nullptr, 0, 0, nullptr, 0, 0,
                                    image.get(), alphaImage.get(), 0),
            -1);
}

TEST(ImageLoadingChainTest, AlphaFileNameGoesBeforeTheLastElementsExtension) {
  struct Case {
    std::string name, alpha;
  };
  const Case cases[] = {
      {"chara.png", "chara_a.png"},
      {"bg.old.bmp", "bg.old_a.bmp"},
      {"readme", "readme_a"},
      {"..\\data\\x", "..\\data\\x_a"},
      {"..\\data.v2\\x.png", "..\\data.v2\\x_a.png"},
      {"a/b.c/d", "a/b.c/d_a"},
      // The second byte of 表 is a backslash, which must not end the extension.
      {"x.y表", "x_a.y表"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    char out[260];
    ASSERT_EQ(MakeAlphaFileName(c.name.c_str(), out, sizeof out), 0);
    EXPECT_EQ(std::string(out), c.alpha);
  }
  const std::string fits(257, 'n'), tooLong(258, 'n');
  char out[260];
  EXPECT_EQ(MakeAlphaFileName(fits.c_str(), out, sizeof out), 0);
  EXPECT_EQ(std::strlen(out), 259u);
  std::memset(out, 0x7E, sizeof out);
  EXPECT_EQ(MakeAlphaFileName(tooLong.c_str(), out, sizeof out), -1);
  EXPECT_EQ(out[0], 0x7E);  // nothing written
}

}  // namespace
