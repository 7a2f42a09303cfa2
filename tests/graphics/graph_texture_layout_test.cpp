// How a hardware original is cut into textures and which parts of them each
// graph draws, without a device.
#include "graphics/graph_textures.h"

#include <gtest/gtest.h>

#include <vector>

#include "system/tracked_memory.h"

namespace {

std::vector<int> Split(int extent, int noSplit, TextureSplitLimits limits) {
  std::vector<int> sizes(extent / 8 + 2);
  const int count =
      SplitTextureExtent(extent, sizes.data(), static_cast<int>(sizes.size()), noSplit, limits);
  sizes.resize(count < 0 ? 0 : count);
  return sizes;
}

TEST(SplitTextureExtentTest, CutsAsTheRulesSay) {
  const TextureSplitLimits device = {0, 8192, 0, 640};
  const TextureSplitLimits user128 = {128, 8192, 0, 640};
  const TextureSplitLimits noSplit = {0, 8192, 1, 640};
  const TextureSplitLimits small = {0, 256, 0, 640};
  const struct {
    const char* name;
    int extent;
    int noSplitArgument;
    TextureSplitLimits limits;
    std::vector<int> sizes;
  } cases[] = {
      // Eight pixels or fewer take the smallest texture.
      {"tiny", 5, 0, device, {8}},
      // Narrower than the screen without a user limit: one texture, doubled
      // from the largest halving of the limit that fits (64) to cover 100.
      {"narrow", 100, 0, device, {128}},
      {"exact power", 64, 0, device, {64}},
      // As wide as the screen: 512, then the rest of 128.
      {"screen wide", 640, 0, device, {512, 128}},
      // A rest over three quarters of the piece doubles the piece instead.
      {"three quarters", 900, 0, device, {1024}},
      // A user limit cuts any extent; the last two equal pieces (8, 8) merge.
      {"user limit", 300, 0, user128, {128, 128, 32, 16}},
      // Beyond the device's limit every extent is cut, even with no-split.
      {"over the limit", 600, 0, small, {256, 256, 64, 16, 8}},
      {"no-split setting", 640, 0, noSplit, {1024}},
      {"no-split argument", 640, 1, device, {1024}},
      {"no-split over the limit", 600, 1, small, {256, 256, 64, 16, 8}},
  };
  for (const auto& c : cases) EXPECT_EQ(Split(c.extent, c.noSplitArgument, c.limits), c.sizes) << c.name;
}

TEST(SplitTextureExtentTest, ThePiecesAlwaysCoverTheExtentWithinTheLimit) {
  for (int limit : {64, 256, 2048}) {
    const TextureSplitLimits limits = {0, limit, 0, 320};
    for (int extent = 1; extent <= 3000; extent += 7) {
      int total = 0;
      for (int size : Split(extent, 0, limits)) {
        EXPECT_LE(size, limit) << extent;
        total += size;
      }
      EXPECT_GE(total, extent) << "extent " << extent << " limit " << limit;
    }
  }
}

TEST(SplitTextureExtentTest, TooSmallABufferIsRefused) {
  int sizes[2];
  const TextureSplitLimits limits = {64, 8192, 0, 640};
  EXPECT_EQ(SplitTextureExtent(300, sizes, 2, 0, limits), -1);
}

TEST(GraphFormatIndexTest, TheFirstMatchingFlagChoosesTheKind) {
  const struct {
    int dxt, drawValid, alpha, alphaTest, bits, index;
  } cases[] = {
      {3, 1, 1, 1, 32, 8},  {0, 1, 0, 0, 16, 11}, {0, 1, 0, 0, 32, 12}, {0, 1, 1, 0, 32, 13},
      {0, 0, 1, 1, 16, 2},  {0, 0, 1, 0, 32, 3},  {0, 0, 0, 1, 16, 4},  {0, 0, 0, 1, 32, 5},
      {0, 0, 0, 0, 16, 0},  {0, 0, 0, 0, 32, 1},
  };
  for (const auto& c : cases) {
    GraphOriginalImage original = {};
    original.dxtCode = static_cast<uint8_t>(c.dxt);
    original.drawValid = static_cast<uint8_t>(c.drawValid);
    original.alpha = static_cast<uint8_t>(c.alpha);
    original.alphaTest = static_cast<uint8_t>(c.alphaTest);
    original.colorBits = static_cast<uint8_t>(c.bits);
    EXPECT_EQ(GraphFormatIndex(original), c.index) << c.index;
  }
}

// Each texture kind's pixel layout, and the loose flags reaching the same
// kind as a graph's flag bytes do.
TEST(GraphFormatColorFormatTest, EachKindHasItsLayout) {
  const struct {
    int index, bits;
    uint32_t alpha, red, green, blue, compression;
  } cases[] = {
      {0, 16, 0, 0xF800, 0x07E0, 0x001F, 0},
      {1, 32, 0, 0xFF0000, 0xFF00, 0xFF, 0},
      {2, 16, 0xF000, 0x0F00, 0x00F0, 0x000F, 0},
      {3, 32, 0xFF000000, 0xFF0000, 0xFF00, 0xFF, 0},
      {4, 16, 0x8000, 0x7C00, 0x03E0, 0x001F, 0},
      {5, 32, 0xFF000000, 0xFF0000, 0xFF00, 0xFF, 0},
      {6, 4, 0xFF000000, 0xFF0000, 0xFF00, 0xFF, 1},
      {10, 8, 0xFF000000, 0xFF0000, 0xFF00, 0xFF, 5},
      {11, 16, 0, 0xF800, 0x07E0, 0x001F, 0},
      {12, 32, 0, 0xFF0000, 0xFF00, 0xFF, 0},
      {13, 32, 0xFF000000, 0xFF0000, 0xFF00, 0xFF, 0},
  };
  for (const auto& c : cases) {
    const ColorFormat* f = GetGraphFormatColorFormat(c.index);
    ASSERT_NE(f, nullptr) << c.index;
    EXPECT_EQ(f->colorBits, c.bits) << c.index;
    EXPECT_EQ(f->alphaMask, c.alpha) << c.index;
    EXPECT_EQ(f->redMask, c.red) << c.index;
    EXPECT_EQ(f->greenMask, c.green) << c.index;
    EXPECT_EQ(f->blueMask, c.blue) << c.index;
    EXPECT_EQ(f->compression, c.compression) << c.index;
  }
  EXPECT_EQ(GetGraphFormatColorFormat(14), nullptr);
  EXPECT_EQ(GetGraphFormatColorFormat(-1), nullptr);

  // (alpha, draw-valid, alpha-test, 32-bit): the font cache's A4R4G4B4, the
  // draw-valid kinds before alpha, alpha before alpha-test.
  EXPECT_EQ(GraphFormatColorFormatForFlags(1, 0, 0, 0), GetGraphFormatColorFormat(2));
  EXPECT_EQ(GraphFormatColorFormatForFlags(0, 1, 0, 0), GetGraphFormatColorFormat(11));
  EXPECT_EQ(GraphFormatColorFormatForFlags(1, 1, 0, 1), GetGraphFormatColorFormat(13));
  EXPECT_EQ(GraphFormatColorFormatForFlags(1, 0, 1, 1), GetGraphFormatColorFormat(3));
  EXPECT_EQ(GraphFormatColorFormatForFlags(0, 0, 1, 0), GetGraphFormatColorFormat(4));
  EXPECT_EQ(GraphFormatColorFormatForFlags(0, 0, 0, 1), GetGraphFormatColorFormat(1));
}

// A 200 x 70 original under a 64 limit is a grid of 4 x 2 textures; a
// derived graph across a texture seam gets one draw piece per texture it
// touches, with its corners in graph space and texture coordinates.
TEST(GraphDrawPiecesTest, ADerivedGraphAcrossASeamDrawsFromBothTextures) {
  GraphOriginalImage original = {};
  original.width = 200;
  original.height = 70;
  const TextureSplitLimits limits = {64, 8192, 0, 640};
  ASSERT_EQ(LayoutGraphTexturePieces(&original, limits, 0), 0);
  ASSERT_EQ(original.pieceCount, 8);
  EXPECT_EQ(original.pieces[3].x, 192);
  EXPECT_EQ(original.pieces[3].textureWidth, 8);
  EXPECT_EQ(original.pieces[4].y, 64);
  EXPECT_EQ(original.pieces[4].usedHeight, 6);

  GraphRecord record = {};
  record.original = &original;
  record.originalX = 50;
  record.originalY = 10;
  record.width = 20;
  record.height = 30;
  ASSERT_EQ(BuildGraphDrawPieces(&record), 0);
  ASSERT_EQ(record.drawPieceCount, 2);
  const GraphDrawPiece& left = record.drawPieces[0];
  const GraphDrawPiece& right = record.drawPieces[1];
  EXPECT_EQ(left.texturePiece, &original.pieces[0]);
  EXPECT_EQ(left.width, 14);
  EXPECT_EQ(left.sourceX, 50);
  EXPECT_FLOAT_EQ(left.corners[0][2], 50.0f / 64.0f);
  EXPECT_FLOAT_EQ(left.corners[3][0], 14.0f);
  EXPECT_FLOAT_EQ(left.corners[3][1], 30.0f);
  EXPECT_EQ(right.texturePiece, &original.pieces[1]);
  EXPECT_EQ(right.destX, 14);
  EXPECT_EQ(right.sourceX, 0);
  EXPECT_FLOAT_EQ(right.corners[1][2], 6.0f / 64.0f);
  // Top-left lies above the diagonal, bottom-right below it.
  EXPECT_EQ(left.cornerFlags[0], 1);
  EXPECT_EQ(right.cornerFlags[3], 0);
  FreeGraphDrawPieces(&record);
  FreeTrackedMemory(original.pieces);
}

TEST(GraphDrawPiecesTest, SquareOnlyDevicesCutEveryPieceIntoSquares) {
  GraphOriginalImage original = {};
  original.width = 100;
  original.height = 30;
  const TextureSplitLimits limits = {0, 8192, 0, 640};
  ASSERT_EQ(LayoutGraphTexturePieces(&original, limits, 1), 0);
  // 128 x 32 becomes four 32 x 32 squares side by side.
  ASSERT_EQ(original.pieceCount, 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(original.pieces[i].textureWidth, 32);
    EXPECT_EQ(original.pieces[i].textureHeight, 32);
  }
  EXPECT_EQ(original.pieces[3].x, 96);
  EXPECT_EQ(original.pieces[3].usedWidth, 4);
  FreeTrackedMemory(original.pieces);
}

}  // namespace
