#include "graphics/dxt_decompress.h"

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "graphics/graph_image.h"
#include "system/system_state.h"

namespace {

using Block = std::vector<uint8_t>;

void AppendLe16(Block& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}

// Two index bits per texel, texel k at bits 2k.
uint32_t ColorIndices(const int (&index)[16]) {
  uint32_t bits = 0;
  for (int k = 0; k < 16; ++k) bits |= static_cast<uint32_t>(index[k]) << (2 * k);
  return bits;
}

Block ColorHalf(uint32_t c0, uint32_t c1, uint32_t indices) {
  Block b;
  AppendLe16(b, c0);
  AppendLe16(b, c1);
  AppendLe16(b, indices & 0xFFFF);
  AppendLe16(b, indices >> 16);
  return b;
}

uint32_t Uniform(int index) { return 0x55555555u * static_cast<uint32_t>(index); }

Block ExplicitAlphaHalf(const int (&alpha4)[16]) {
  Block b(8, 0);
  for (int k = 0; k < 16; ++k) b[k / 2] |= static_cast<uint8_t>(alpha4[k] << (4 * (k % 2)));
  return b;
}

Block InterpolatedAlphaHalf(int a0, int a1, const int (&index)[16]) {
  Block b = {static_cast<uint8_t>(a0), static_cast<uint8_t>(a1)};
  uint64_t bits = 0;
  for (int k = 0; k < 16; ++k) bits |= static_cast<uint64_t>(index[k]) << (3 * k);
  for (int i = 0; i < 6; ++i) b.push_back(static_cast<uint8_t>(bits >> (8 * i)));
  return b;
}

Block Concat(Block a, const Block& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

template <class T>
void FillIndex(T (&values)[16], T v) {
  for (T& x : values) x = v;
}

// A GraphImage holding the given blocks in the tracked allocator, as the
// loader leaves it.
GraphImage CompressedImage(int width, int height, uint32_t compression, const Block& data) {
  GraphImage image{};
  SetColorFormatARGB8(&image.format);
  image.format.colorBits = compression == kCompressionDxt1 ? 4 : 8;
  image.format.compression = compression;
  image.width = width;
  image.height = height;
  image.pixels = AllocGraphImageMemory(data.size());
  std::memcpy(image.pixels, data.data(), data.size());
  return image;
}

uint32_t Pixel(const GraphImage& image, int x, int y) {
  uint32_t v;
  std::memcpy(&v, static_cast<const uint8_t*>(image.pixels) + y * image.pitch + x * 4, 4);
  return v;
}

// Decodes one 4 x 4 block and returns its 16 pixels.
std::vector<uint32_t> DecodeOne(uint32_t compression, const Block& block) {
  GraphImage image = CompressedImage(4, 4, compression, block);
  std::vector<uint32_t> pixels;
  if (DecompressDxtGraphImage(&image) == 0) {
    for (int k = 0; k < 16; ++k) pixels.push_back(Pixel(image, k % 4, k / 4));
  }
  FreeGraphImage(&image);
  return pixels;
}

TEST(DxtDecompressTest, Dxt1ColourTablesForBothEndpointOrders) {
  struct Case {
    uint32_t c0, c1;
    int index;
    uint32_t expected;
  };
  const Case cases[] = {
      {0xFFFF, 0x0000, 0, 0xFFFFFFFF}, {0xFFFF, 0x0000, 1, 0xFF000000},
      {0xFFFF, 0x0000, 2, 0xFFAAAAAA}, {0xFFFF, 0x0000, 3, 0xFF555555},
      {0x0000, 0xFFFF, 2, 0xFF7F7F7F}, {0x0000, 0xFFFF, 3, 0x007F7F7F},
      {0x1234, 0x1234, 3, 0x001044A4},  // equal endpoints take the three-colour form
      {0x8410, 0x0000, 0, 0xFF838183},  // 5-bit 16 gives 131, 6-bit 32 gives 129
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    auto pixels = DecodeOne(kCompressionDxt1, ColorHalf(c.c0, c.c1, Uniform(c.index)));
    ASSERT_EQ(pixels.size(), 16u);
    for (uint32_t p : pixels) EXPECT_EQ(p, c.expected);
  }
}

TEST(DxtDecompressTest, TexelIndicesRunRowByRow) {
  int index[16];
  for (int k = 0; k < 16; ++k) index[k] = k % 4 == 0 ? 1 : (k / 4 == 3 ? 1 : 0);
  auto pixels = DecodeOne(kCompressionDxt1, ColorHalf(0xFFFF, 0x0000, ColorIndices(index)));
  ASSERT_EQ(pixels.size(), 16u);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(pixels[k], index[k] ? 0xFF000000u : 0xFFFFFFFFu) << k;
}

TEST(DxtDecompressTest, Dxt3ExplicitAlphaAndFourColourTable) {
  int alpha[16];
  for (int k = 0; k < 16; ++k) alpha[k] = k == 5 ? 15 : 8;
  // Colour 0 below colour 1 still gives thirds in DXT2-DXT5.
  auto pixels = DecodeOne(kCompressionDxt3,
                          Concat(ExplicitAlphaHalf(alpha), ColorHalf(0x0000, 0xFFFF, Uniform(2))));
  ASSERT_EQ(pixels.size(), 16u);
  for (int k = 0; k < 16; ++k) {
    EXPECT_EQ(pixels[k], (k == 5 ? 0xFF000000u : 0x88000000u) | 0x555555u) << k;
  }
}

TEST(DxtDecompressTest, Dxt5AlphaTablesForBothEndpointOrders) {
  struct Case {
    int a0, a1, index;
    uint32_t alpha;
  };
  const Case cases[] = {
      {255, 0, 0, 255}, {255, 0, 1, 0},   {255, 0, 2, 218}, {255, 0, 7, 36},
      {0, 255, 2, 51},  {0, 255, 5, 204}, {0, 255, 6, 0},   {0, 255, 7, 255},
      {100, 100, 3, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.a0 * 1000 + c.index);
    int index[16];
    FillIndex(index, c.index);
    auto pixels = DecodeOne(kCompressionDxt5, Concat(InterpolatedAlphaHalf(c.a0, c.a1, index),
                                                     ColorHalf(0xFFFF, 0xFFFF, 0)));
    ASSERT_EQ(pixels.size(), 16u);
    for (uint32_t p : pixels) EXPECT_EQ(p, c.alpha << 24 | 0xFFFFFF);
  }
}

TEST(DxtDecompressTest, Dxt5IndicesCrossTheByteBoundaries) {
  int index[16];
  for (int k = 0; k < 16; ++k) index[k] = k % 8;
  auto pixels = DecodeOne(kCompressionDxt5,
                          Concat(InterpolatedAlphaHalf(0, 255, index), ColorHalf(0, 0, 0)));
  ASSERT_EQ(pixels.size(), 16u);
  const uint32_t table[8] = {0, 255, 51, 102, 153, 204, 0, 255};
  for (int k = 0; k < 16; ++k) EXPECT_EQ(pixels[k] >> 24, table[k % 8]) << k;
}

TEST(DxtDecompressTest, PremultipliedFormatsRestoreColourWithoutWrapping) {
  // Colour 0x4208 expands to (65, 64, 65) under alpha 136; white under alpha
  // 136 would exceed 255 and is held there; alpha 0 keeps no colour.
  struct Case {
    uint32_t compression;
    uint32_t color;
    int alphaValue;  // DXT2: a nibble; DXT4: an alpha endpoint
    uint32_t expected;
  };
  const Case cases[] = {
      {kCompressionDxt2, 0x4208, 8, 0x88797879},
      {kCompressionDxt2, 0xFFFF, 8, 0x88FFFFFF},
      {kCompressionDxt2, 0xFFFF, 0, 0x00000000},
      {kCompressionDxt2, 0xFFFF, 15, 0xFFFFFFFF},
      {kCompressionDxt4, 0x4208, 136, 0x88797879},
      {kCompressionDxt4, 0xFFFF, 0, 0x00000000},
      {kCompressionDxt4, 0xFFFF, 200, 0xC8FFFFFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    Block alphaHalf;
    if (c.compression == kCompressionDxt2) {
      int alpha[16];
      FillIndex(alpha, c.alphaValue);
      alphaHalf = ExplicitAlphaHalf(alpha);
    } else {
      int index[16];
      FillIndex(index, 0);
      alphaHalf = InterpolatedAlphaHalf(c.alphaValue, 0, index);
    }
    auto pixels = DecodeOne(c.compression, Concat(alphaHalf, ColorHalf(c.color, c.color, 0)));
    ASSERT_EQ(pixels.size(), 16u);
    for (uint32_t p : pixels) EXPECT_EQ(p, c.expected);
  }
}

TEST(DxtDecompressTest, BlockGridCoversTheImageIncludingPartialBlocks) {
  // Four blocks, red, green, blue and white, two across and two down; a 5 x 6
  // image cuts the right and bottom ones.
  Block data;
  const uint32_t colors[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
  for (uint32_t c : colors) data = Concat(data, ColorHalf(c, 0, 0));
  struct Case {
    int width, height, pitch;
  };
  for (const Case& c : {Case{8, 8, 32}, Case{5, 6, 20}}) {
    SCOPED_TRACE(c.width);
    GraphImage image = CompressedImage(c.width, c.height, kCompressionDxt1, data);
    image.mipLevels = 4;
    const int blocksBefore = GetSystemState().memory.blockCount;
    ASSERT_EQ(DecompressDxtGraphImage(&image), 0);
    EXPECT_EQ(GetSystemState().memory.blockCount, blocksBefore);  // the blocks were freed
    EXPECT_EQ(image.pitch, c.pitch);
    EXPECT_EQ(image.format.compression, 0u);
    EXPECT_EQ(image.format.colorBits, 32);
    EXPECT_EQ(image.format.alphaMask, 0xFF000000u);
    EXPECT_EQ(image.mipLevels, 0);  // the decoded buffer holds the top level only
    EXPECT_EQ(Pixel(image, 3, 3), 0xFFFF0000u);
    EXPECT_EQ(Pixel(image, 4, 0), 0xFF00FF00u);
    EXPECT_EQ(Pixel(image, 0, c.height - 1), 0xFF0000FFu);
    EXPECT_EQ(Pixel(image, c.width - 1, c.height - 1), 0xFFFFFFFFu);
    FreeGraphImage(&image);
  }
}

TEST(DxtDecompressTest, UncompressedImagesAreLeftAlone) {
  GraphImage image{};
  ASSERT_EQ(AllocGraphImageXRGB8(2, 2, &image), 0);
  GraphImage before = image;
  EXPECT_EQ(DecompressDxtGraphImage(&image), 0);
  EXPECT_EQ(std::memcmp(&image, &before, sizeof image), 0);
  FreeGraphImage(&image);
}

TEST(DxtDecompressTest, BadCompressionCodesAndSizesAreRefusedUnchanged) {
  struct Case {
    uint32_t compression;
    int width, height;
  };
  const Case cases[] = {{6, 4, 4}, {0xFFFFFFFF, 4, 4}, {1, 0, 4}, {1, 4, -4}, {5, 0x40000000, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.compression);
    GraphImage image = CompressedImage(4, 4, kCompressionDxt1, ColorHalf(0, 0, 0));
    image.format.compression = c.compression;
    image.width = c.width;
    image.height = c.height;
    void* pixels = image.pixels;
    EXPECT_EQ(DecompressDxtGraphImage(&image), -1);
    EXPECT_EQ(image.pixels, pixels);
    EXPECT_EQ(image.format.compression, c.compression);
    FreeGraphImage(&image);
  }
}

TEST(DxtDecompressTest, PixelAccessDecompressesFirst) {
  GraphImage image = CompressedImage(4, 4, kCompressionDxt1, ColorHalf(0xF800, 0, 0));
  int r = 0, a = 0;
  ASSERT_EQ(GetGraphImagePixel(&image, 1, 1, &r, nullptr, nullptr, &a), 0);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(a, 255);
  EXPECT_EQ(image.format.compression, 0u);
  FreeGraphImage(&image);
}

TEST(DxtDecompressTest, DataSizesFollowTheBlockAndMipRules) {
  struct Case {
    int width, height;
    uint32_t compression;
    int mips;
    size_t bytes;
  };
  const Case cases[] = {
      {8, 8, kCompressionDxt1, 0, 32},
      {256, 256, kCompressionDxt5, 9, 65536 + 16384 + 4096 + 1024 + 256 + 64 + 16 + 16 + 16},
      {1, 1, kCompressionDxt5, 1, 16},
      {5, 3, kCompressionDxt1, 1, 16},
      {8, 2, kCompressionDxt3, 3, 32 + 16 + 16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    size_t bytes = 0;
    ASSERT_TRUE(ComputeDxtDataSize(c.width, c.height, c.compression, c.mips, &bytes));
    EXPECT_EQ(bytes, c.bytes);
  }
  size_t bytes;
  EXPECT_FALSE(ComputeDxtDataSize(0, 4, kCompressionDxt1, 1, &bytes));
  EXPECT_FALSE(ComputeDxtDataSize(4, 4, 0, 1, &bytes));
  EXPECT_FALSE(ComputeDxtDataSize(4, 4, 6, 1, &bytes));
  EXPECT_FALSE(ComputeDxtDataSize(0x7FFFFFFF, 0x7FFFFFFF, kCompressionDxt5, 1, &bytes));
}

}  // namespace
