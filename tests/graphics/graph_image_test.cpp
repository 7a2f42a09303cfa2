#include "graphics/graph_image.h"

#include <climits>
#include <cstring>

#include <gtest/gtest.h>

#include "support/pixel_formats.h"

namespace {

// Frees the image at the end of the test whatever happens.
struct ScopedImage {
  GraphImage image{};
  ~ScopedImage() { FreeGraphImage(&image); }
  GraphImage* operator->() { return &image; }
  GraphImage* get() { return &image; }
};

uint8_t* PixelAddress(const GraphImage& image, int x, int y) {
  return static_cast<uint8_t*>(image.pixels) + y * image.pitch + x * image.format.bytesPerPixel;
}

uint32_t PixelAt(const GraphImage& image, int x, int y) {
  uint32_t v = 0;
  std::memcpy(&v, PixelAddress(image, x, y), image.format.bytesPerPixel);
  return v;
}

void PutPixel(GraphImage& image, int x, int y, uint32_t v) {
  std::memcpy(PixelAddress(image, x, y), &v, image.format.bytesPerPixel);
}

// Fills an image so that pixel (x, y) holds x + 16 * y.
void Number(GraphImage& image) {
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) PutPixel(image, x, y, x + 16 * y);
  }
}

TEST(GraphImageTest, AllocationRoundsThePitchToFourBytes) {
  struct Case {
    int width, height;
    ColorFormat format;
    int pitch;
  };
  const Case cases[] = {
      {5, 2, R8G8B8Format(), 16},
      {1, 1, GrayFormat(), 4},
      {3, 1, R5G6B5Format(), 8},
      {7, 3, A8R8G8B8Format(), 28},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    ScopedImage image;
    ASSERT_EQ(AllocGraphImage(c.width, c.height, &c.format, image.get()), 0);
    EXPECT_EQ(image->pitch, c.pitch);
    EXPECT_EQ(image->width, c.width);
    EXPECT_EQ(image->height, c.height);
    EXPECT_EQ(image->mipLevels, 0);
    EXPECT_EQ(image->format.colorBits, c.format.colorBits);
    EXPECT_NE(image->pixels, nullptr);
  }
}

TEST(GraphImageTest, AllocationAcceptsTheImagesOwnFormat) {
  ScopedImage image;
  ASSERT_EQ(AllocGraphImageARGB8(2, 2, image.get()), 0);
  GraphImage again{};
  again.format = image->format;
  ASSERT_EQ(AllocGraphImage(3, 3, &again.format, &again), 0);
  EXPECT_EQ(again.format.alphaMask, 0xFF000000u);
  FreeGraphImage(&again);
}

TEST(GraphImageTest, AllocationRefusesEmptyNegativeAndOverflowingSizes) {
  const ColorFormat argb = A8R8G8B8Format();
  const int sizes[][2] = {{0, 4},      {4, 0},         {-1, 4},
                          {4, -3},     {INT_MAX, 1},   {65536, 65536},
                          {0x20000000, 2}};
  for (const auto& s : sizes) {
    SCOPED_TRACE(s[0]);
    GraphImage image{};
    EXPECT_EQ(AllocGraphImage(s[0], s[1], &argb, &image), -1);
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_EQ(AllocGraphImageARGB8(s[0], s[1], &image), -1);
    EXPECT_EQ(AllocGraphImageXRGB8(s[0], s[1], &image), -1);
  }
}

TEST(GraphImageTest, FixedLayoutAllocations) {
  ScopedImage argb, xrgb;
  ASSERT_EQ(AllocGraphImageARGB8(3, 2, argb.get()), 0);
  EXPECT_EQ(argb->pitch, 12);
  EXPECT_EQ(argb->format.alphaMask, 0xFF000000u);
  EXPECT_EQ(argb->format.unusedMask, 0u);
  ASSERT_EQ(AllocGraphImageXRGB8(3, 2, xrgb.get()), 0);
  EXPECT_EQ(xrgb->format.unusedMask, 0xFF000000u);
  EXPECT_EQ(xrgb->format.alphaWidth, 0);
}

TEST(GraphImageTest, FreeZeroesTheRecord) {
  GraphImage image{};
  ASSERT_EQ(AllocGraphImageXRGB8(4, 4, &image), 0);
  EXPECT_EQ(FreeGraphImage(&image), 0);
  const GraphImage empty{};
  EXPECT_EQ(std::memcmp(&image, &empty, sizeof image), 0);
  EXPECT_EQ(FreeGraphImage(&image), 0);
}

TEST(GraphImageTest, PixelAccessThroughEachPixelSize) {
  struct Case {
    ColorFormat format;
    uint32_t stored;
    int r, g, b, a;
  };
  const Case cases[] = {
      {A8R8G8B8Format(), 0x80123456, 0x12, 0x34, 0x56, 0x80},
      {R8G8B8Format(), 0x123456, 0x12, 0x34, 0x56, 99},
      {R5G6B5Format(), 0xFFFF, 255, 255, 255, 0},
      {PaletteFormat({0, 0x00102030}), 1, 0x10, 0x20, 0x30, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    ScopedImage image;
    ASSERT_EQ(AllocGraphImage(3, 3, &c.format, image.get()), 0);
    ClearGraphImageRect(image.get(), 0, 0, 3, 3);
    ASSERT_EQ(SetGraphImagePixel(image.get(), 2, 1, c.r, c.g, c.b, c.a), 0);
    EXPECT_EQ(PixelAt(image.image, 2, 1), c.stored);
    EXPECT_EQ(PixelAt(image.image, 1, 1), 0u);
    int r = -1, g = -1, b = -1, a = 99;
    ASSERT_EQ(GetGraphImagePixel(image.get(), 2, 1, &r, &g, &b, &a), 0);
    EXPECT_EQ(r, c.r);
    EXPECT_EQ(g, c.g);
    EXPECT_EQ(b, c.b);
    EXPECT_EQ(a, c.a);
    EXPECT_EQ(GetGraphImagePixel(image.get(), 0, 0, nullptr, nullptr, nullptr, nullptr), 0);
  }
}

TEST(GraphImageTest, PixelAccessOutsideTheImageFails) {
  ScopedImage image;
  ASSERT_EQ(AllocGraphImageARGB8(4, 3, image.get()), 0);
  const int points[][2] = {{-1, 0}, {0, -1}, {4, 0}, {0, 3}, {INT_MIN, 0}};
  for (const auto& p : points) {
    int r;
    EXPECT_EQ(GetGraphImagePixel(image.get(), p[0], p[1], &r, nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(SetGraphImagePixel(image.get(), p[0], p[1], 1, 2, 3, 4), -1);
    EXPECT_EQ(GetGraphImagePixelARGB(image.get(), p[0], p[1]), 0u);
  }
  GraphImage empty{};
  EXPECT_EQ(GetGraphImagePixel(&empty, 0, 0, nullptr, nullptr, nullptr, nullptr), -1);
}

TEST(GraphImageTest, PixelARGBMovesChannelsToTheTopOfTheirBytes) {
  struct Case {
    ColorFormat format;
    uint32_t stored, expected;
  };
  const Case cases[] = {
      {R5G6B5Format(), 0xFFFF, 0x00F8FCF8},
      {A1R5G5B5Format(), 0x8000, 0x80000000},
      {A4R4G4B4Format(), 0x1234, 0x10203040},
      {X8R8G8B8Format(), 0x7F123456, 0x00123456},
      {R8G8B8Format(), 0xABCDEF, 0x00ABCDEF},
      {MaskFormat(32, 0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000), 0xFFFFFFFF, 0xC0FFFFFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    ScopedImage image;
    ASSERT_EQ(AllocGraphImage(2, 2, &c.format, image.get()), 0);
    PutPixel(image.image, 1, 1, c.stored);
    EXPECT_EQ(GetGraphImagePixelARGB(image.get(), 1, 1), c.expected);
  }
  GraphImage empty{};
  EXPECT_EQ(GetGraphImagePixelARGB(&empty, 0, 0), 0u);
}

TEST(GraphImageTest, ClearRectZeroesOnlyTheRectangleInsideTheImage) {
  ScopedImage image;
  ASSERT_EQ(AllocGraphImageXRGB8(4, 4, image.get()), 0);
  Number(image.image);
  EXPECT_EQ(ClearGraphImageRect(image.get(), 2, 1, 10, 2), 0);
  EXPECT_EQ(ClearGraphImageRect(image.get(), -5, -5, 2, 2), 0);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      bool cleared = x >= 2 && y >= 1 && y < 3;
      EXPECT_EQ(PixelAt(image.image, x, y), cleared ? 0u : static_cast<uint32_t>(x + 16 * y));
    }
  }
}

TEST(GraphImageTest, MirrorReversesEveryRowForEachPixelSize) {
  const ColorFormat formats[] = {GrayFormat(), R5G6B5Format(), R8G8B8Format(), A8R8G8B8Format()};
  for (const ColorFormat& f : formats) {
    for (int width : {1, 4, 5}) {
      SCOPED_TRACE(f.bytesPerPixel * 10 + width);
      ScopedImage image;
      ASSERT_EQ(AllocGraphImage(width, 2, &f, image.get()), 0);
      Number(image.image);
      ASSERT_EQ(MirrorGraphImage(image.get()), 0);
      for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < width; ++x) {
          EXPECT_EQ(PixelAt(image.image, x, y), static_cast<uint32_t>(width - 1 - x + 16 * y));
        }
      }
    }
  }
  GraphImage empty{};
  EXPECT_EQ(MirrorGraphImage(&empty), -1);
}

TEST(GraphImageTest, RotateTurnsByHalfATurn) {
  for (int size : {3, 4}) {
    SCOPED_TRACE(size);
    ScopedImage image;
    ASSERT_EQ(AllocGraphImageXRGB8(size, size, image.get()), 0);
    Number(image.image);
    ASSERT_EQ(RotateGraphImage180(image.get()), 0);
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        EXPECT_EQ(PixelAt(image.image, size - 1 - x, size - 1 - y),
                  static_cast<uint32_t>(x + 16 * y));
      }
    }
  }
}

TEST(GraphImageTest, RotateRefusesDxtImages) {
  ScopedImage image;
  ASSERT_EQ(AllocGraphImageARGB8(4, 4, image.get()), 0);
  image->format.compression = kCompressionDxt1;
  EXPECT_EQ(RotateGraphImage180(image.get()), -1);
}

TEST(GraphImageTest, CopyRectClipsAgainstBothImages) {
  struct Case {
    int sx, sy, w, h, dx, dy;
    int copiedLeft, copiedTop, copiedRight, copiedBottom;  // in the destination
  };
  const Case cases[] = {
      {-3, 0, 10, 1, 0, 0, 3, 0, 10, 1},   // source x -3: 7 columns to x + 3
      {0, 0, 4, 4, -2, -1, 0, 0, 2, 3},    // negative destination
      {12, 0, 4, 4, 0, 0, 0, 0, 0, 0},     // source fully right of the image
      {10, 0, 4, 4, 0, 0, 0, 0, 2, 4},     // source cut at its right edge
      {0, 0, 100, 100, 14, 14, 14, 14, 16, 16},
      {INT_MAX - 2, 0, 5, 5, 0, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "source x " << c.sx << ", destination x " << c.dx);
    ScopedImage source, dest;
    ASSERT_EQ(AllocGraphImageXRGB8(12, 12, source.get()), 0);
    ASSERT_EQ(AllocGraphImageXRGB8(16, 16, dest.get()), 0);
    Number(source.image);
    ClearGraphImageRect(dest.get(), 0, 0, 16, 16);
    EXPECT_EQ(CopyGraphImageRect(c.sx, c.sy, c.w, c.h, c.dx, c.dy, source.get(), dest.get()), 0);
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) {
        bool inside =
            x >= c.copiedLeft && x < c.copiedRight && y >= c.copiedTop && y < c.copiedBottom;
        uint32_t expected = inside ? (x - c.dx + c.sx) + 16 * (y - c.dy + c.sy) : 0;
        ASSERT_EQ(PixelAt(dest.image, x, y), expected) << x << "," << y;
      }
    }
  }
}

TEST(GraphImageTest, CopyRectConvertsBetweenFormats) {
  ScopedImage source, dest;
  const ColorFormat r565 = R5G6B5Format();
  ASSERT_EQ(AllocGraphImage(2, 1, &r565, source.get()), 0);
  ASSERT_EQ(AllocGraphImageXRGB8(2, 1, dest.get()), 0);
  PutPixel(source.image, 0, 0, 0xFFFF);
  PutPixel(source.image, 1, 0, 0xF800);
  ASSERT_EQ(CopyGraphImageRect(0, 0, 2, 1, 0, 0, source.get(), dest.get()), 0);
  EXPECT_EQ(PixelAt(dest.image, 0, 0), 0x00F8FCF8u);
  EXPECT_EQ(PixelAt(dest.image, 1, 0), 0x00F80000u);
}

TEST(GraphImageTest, StretchRepeatsPixelsAndSameSizeCopiesExactly) {
  ScopedImage source, dest;
  ASSERT_EQ(AllocGraphImageXRGB8(2, 2, source.get()), 0);
  ASSERT_EQ(AllocGraphImageXRGB8(4, 4, dest.get()), 0);
  const uint32_t colors[4] = {0xFF102030, 0xFF405060, 0xFF708090, 0xFFA0B0C0};
  for (int i = 0; i < 4; ++i) PutPixel(source.image, i % 2, i / 2, colors[i]);
  ASSERT_EQ(StretchCopyGraphImage(0, 0, 2, 2, source.get(), 0, 0, 4, 4, dest.get(), 0), 0);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) EXPECT_EQ(PixelAt(dest.image, x, y), colors[(y / 2) * 2 + x / 2]);
  }
  ClearGraphImageRect(dest.get(), 0, 0, 4, 4);
  ASSERT_EQ(StretchCopyGraphImage(0, 0, 2, 2, source.get(), 1, 1, 3, 3, dest.get(), 1), 0);
  EXPECT_EQ(PixelAt(dest.image, 1, 1), colors[0]);
  EXPECT_EQ(PixelAt(dest.image, 2, 2), colors[3]);
  EXPECT_EQ(PixelAt(dest.image, 0, 0), 0u);
}

TEST(GraphImageTest, BilinearWeightsFallJustShortOfOne) {
  ScopedImage source, dest;
  ASSERT_EQ(AllocGraphImageARGB8(2, 2, source.get()), 0);
  ASSERT_EQ(AllocGraphImageARGB8(4, 4, dest.get()), 0);
  for (int i = 0; i < 4; ++i) PutPixel(source.image, i % 2, i / 2, 0xFFFFFFFF);
  ASSERT_EQ(StretchCopyGraphImage(0, 0, 2, 2, source.get(), 0, 0, 4, 4, dest.get(), 1), 0);
  // At fraction 0 the one weight is 0xFFFE / 65536 of a full channel.
  EXPECT_EQ(PixelAt(dest.image, 0, 0), 0xFEFEFEFEu);
  // Half-way between black and white columns the sample is grey, and the last
  // column blends only with itself.
  ScopedImage edge, wide;
  ASSERT_EQ(AllocGraphImageXRGB8(2, 1, edge.get()), 0);
  ASSERT_EQ(AllocGraphImageXRGB8(4, 1, wide.get()), 0);
  PutPixel(edge.image, 0, 0, 0xFF000000);
  PutPixel(edge.image, 1, 0, 0xFFFFFFFF);
  ASSERT_EQ(StretchCopyGraphImage(0, 0, 2, 1, edge.get(), 0, 0, 4, 1, wide.get(), 1), 0);
  EXPECT_EQ(PixelAt(wide.image, 1, 0), 0xFF7F7F7Fu);
  EXPECT_EQ(PixelAt(wide.image, 3, 0), 0xFFFEFEFEu);
}

TEST(GraphImageTest, StretchRefusesRectanglesOutsideOrEmpty) {
  ScopedImage source, dest;
  ASSERT_EQ(AllocGraphImageXRGB8(4, 4, source.get()), 0);
  ASSERT_EQ(AllocGraphImageXRGB8(4, 4, dest.get()), 0);
  const int rects[][4] = {{0, 0, 0, 4}, {2, 0, 1, 4}, {-1, 0, 4, 4},
                          {0, 0, 5, 4}, {4, 0, 4, 4}, {0, 0, 4, 5}};
  for (const auto& r : rects) {
    SCOPED_TRACE(r[0] * 10 + r[2]);
    GraphImage* s = source.get();
    GraphImage* d = dest.get();
    EXPECT_EQ(StretchCopyGraphImage(r[0], r[1], r[2], r[3], s, 0, 0, 4, 4, d, 0), -1);
    EXPECT_EQ(StretchCopyGraphImage(0, 0, 4, 4, s, r[0], r[1], r[2], r[3], d, 0), -1);
  }
}

TEST(GraphImageTest, DownsampleAveragesEachShape) {
  const ColorFormat argb = A8R8G8B8Format();
  struct Case {
    int width, height;
    uint32_t pixels[4];
    uint32_t expected;
  };
  const Case cases[] = {
      {2, 2, {0xFF000000, 0x01030507, 0x00000001, 0x04040404}, 0x41010203},
      {2, 1, {0x10203040, 0x30405061, 0, 0}, 0x20304050},
      {1, 2, {0x10203040, 0x30405060, 0, 0}, 0x20304050},
      {1, 1, {0x12345678, 0, 0, 0}, 0x12345678},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width * 10 + c.height);
    PixelBuffer source(c.width, c.height, 4);
    for (int i = 0; i < c.width * c.height; ++i) source.Set(i % c.width, i / c.width, c.pixels[i]);
    PixelBuffer dest(2, 2, 4);
    EXPECT_EQ(DownsampleHalfBlt(&argb, dest.data(), dest.pitch, source.data(), source.pitch, 1,
                                1, 0, 0, c.width, c.height),
              0);
    EXPECT_EQ(dest.Get(1, 1), c.expected);
    EXPECT_EQ(dest.Get(0, 0), 0u);
  }
}

TEST(GraphImageTest, DownsampleDropsBitsOutsideTheMasksAndRefusesOddSizes) {
  const ColorFormat x555 = X1R5G5B5Format();
  PixelBuffer source(2, 2, 2), dest(1, 1, 2);
  source.Fill(0xFFFF);
  auto half = [&](const ColorFormat& f, int width, int height) {
    return DownsampleHalfBlt(&f, dest.data(), dest.pitch, source.data(), source.pitch, 0, 0, 0, 0,
                             width, height);
  };
  EXPECT_EQ(half(x555, 2, 2), 0);
  EXPECT_EQ(dest.Get(0, 0), 0x7FFFu);
  EXPECT_EQ(half(x555, 3, 2), -1);
  EXPECT_EQ(half(x555, 2, 0), -1);
  const ColorFormat rgb24 = R8G8B8Format();
  dest.Fill(0x1234);
  EXPECT_EQ(half(rgb24, 2, 2), 0);
  EXPECT_EQ(dest.Get(0, 0), 0x1234u);
}

}  // namespace
