#include <windows.h>

#include <cstring>

#include <gtest/gtest.h>

#include "graphics/graph_image.h"
#include "support/image_fixtures.h"
#include "support/pixel_formats.h"
#include "system/tracked_memory.h"

namespace {

// A 1,068-byte BITMAPINFO, as the loading chain hands out.
struct DibInfo {
  alignas(BITMAPINFO) uint8_t bytes[1068];
  BITMAPINFO* get() { return reinterpret_cast<BITMAPINFO*>(bytes); }
};

// An image whose pixel bytes count up from 1, with the given pitch.
void MakeImage(const ColorFormat& format, int width, int height, int pitch, GraphImage* image) {
  *image = GraphImage{};
  image->format = format;
  image->width = width;
  image->height = height;
  image->pitch = pitch;
  auto* pixels = static_cast<uint8_t*>(AllocGraphImageMemory(static_cast<size_t>(pitch) * height));
  for (int i = 0; i < pitch * height; ++i) pixels[i] = static_cast<uint8_t>(i + 1);
  image->pixels = pixels;
}

TEST(GraphImageDibTest, OwnPixelsServeWhenTheRowsAlreadyFit) {
  struct Case {
    const char* name;
    ColorFormat format;
    int width, pitch;
    int copy, rgb24;
    int result, bitCount, dibPitch;
  };
  const Case cases[] = {
      {"24-bit, aligned", R8G8B8Format(), 4, 12, 0, 0, 0, 24, 12},
      {"24-bit, unaligned", R8G8B8Format(), 5, 15, 0, 0, 1, 24, 16},
      {"24-bit, copy asked", R8G8B8Format(), 4, 12, 1, 0, 1, 24, 12},
      {"palette", PaletteFormat({0x102030}), 4, 4, 0, 0, 0, 8, 4},
      {"palette, unaligned", PaletteFormat({0x102030}), 3, 3, 0, 0, 1, 8, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedImage image;
    MakeImage(c.format, c.width, 2, c.pitch, image.get());
    DibInfo info;
    void* bits = nullptr;
    ASSERT_EQ(ConvertGraphImageToDib(image.get(), info.get(), &bits, c.copy, c.rgb24), c.result);
    const BITMAPINFOHEADER& h = info.get()->bmiHeader;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, c.width);
    EXPECT_EQ(h.biHeight, -2);
    EXPECT_EQ(h.biBitCount, c.bitCount);
    EXPECT_EQ(h.biCompression, static_cast<DWORD>(BI_RGB));
    if (c.bitCount == 8) {
      EXPECT_EQ(info.get()->bmiColors[0].rgbRed, 0x10);
    }
    const auto* rows = static_cast<const uint8_t*>(bits);
    const auto* source = static_cast<const uint8_t*>(image->pixels);
    const int rowBytes = c.width * c.bitCount / 8;
    EXPECT_EQ(std::memcmp(rows + c.dibPitch, source + c.pitch, rowBytes), 0);
    if (c.result == 0) {
      EXPECT_EQ(bits, image->pixels);
    } else {
      EXPECT_NE(bits, image->pixels);
      FreeTrackedMemory(bits);
    }
  }
}

TEST(GraphImageDibTest, OtherLayoutsAreConvertedToTwentyFourBits) {
  struct Case {
    const char* name;
    ColorFormat format;
    int rgb24;
  };
  const Case cases[] = {
      {"A8R8G8B8", A8R8G8B8Format(), 0},
      {"palette as 24-bit", PaletteFormat({0, 0x000102}), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedImage image;
    ASSERT_EQ(AllocGraphImage(3, 1, &c.format, image.get()), 0);
    std::memset(image->pixels, 1, image->pitch);
    if (c.format.bytesPerPixel == 4) {
      ASSERT_EQ(SetGraphImagePixel(image.get(), 2, 0, 0xAB, 0xCD, 0xEF, 0x80), 0);
    }
    DibInfo info;
    void* bits = nullptr;
    ASSERT_EQ(ConvertGraphImageToDib(image.get(), info.get(), &bits, 0, c.rgb24), 1);
    EXPECT_EQ(info.get()->bmiHeader.biBitCount, 24);
    const auto* row = static_cast<const uint8_t*>(bits);
    if (c.format.bytesPerPixel == 4) {
      EXPECT_EQ(row[6], 0xEF);
      EXPECT_EQ(row[8], 0xAB);
    } else {
      EXPECT_EQ(row[0], 0x02);
      EXPECT_EQ(row[2], 0x00);
    }
    FreeTrackedMemory(bits);
  }
}

TEST(GraphImageDibTest, ChainHandsOutTheDibAndTheCallerFreesIt) {
  Bmp bmp;
  bmp.width = 4;
  bmp.height = 1;
  bmp.data = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  const Bytes file = bmp.File();
  const TrackedTotals before = TrackedTotals::Now();
  BITMAPINFO* info = nullptr;
  void* bits = nullptr;
  GraphImage untouched{};
  untouched.width = 77;
  ASSERT_EQ(ReadGraphImageOrDib(nullptr, file.data(), file.size(), 1, 1, 0, &untouched, &info,
                                &bits),
            0);
  EXPECT_EQ(untouched.width, 77);
  EXPECT_EQ(info->bmiHeader.biBitCount, 24);
  EXPECT_EQ(static_cast<const uint8_t*>(bits)[11], 12);
  FreeTrackedMemory(bits);
  FreeTrackedMemory(info);
  EXPECT_TRUE(TrackedTotals::Now() == before);
}

}  // namespace
