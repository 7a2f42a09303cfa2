// Decodes files that tools of the machine made just before this test ran
// (make_loader_variants.sh): layouts the library's own fixture writers do not
// produce, so the loaders meet another encoder's choices.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Ombrel.h"
#include "graphics/image_loaders.h"
#include "support/file_fixtures.h"
#include "support/image_fixtures.h"

namespace {

struct Decoded {
  GraphImage image = {};
  int result = -1;
  Decoded(GraphImageLoader loader, const char* file) {
    const Bytes bytes = ReadFileBytes(file);
    EXPECT_FALSE(bytes.empty()) << file << " was not made";
    result = DecodeWith(loader, bytes, &image);
  }
  ~Decoded() { FreeGraphImage(&image); }
  uint32_t Rgb(int x, int y) const { return Argb(image, x, y) & 0xFFFFFF; }
};

uint32_t Grey(int v) { return static_cast<uint32_t>(v) * 0x010101u; }

TEST(LoaderVariantsTest, SixteenBitGreyPngKeepsTheTopByte) {
  Decoded d(DecodePngImage, "grey16.png");
  ASSERT_EQ(d.result, 0);
  ASSERT_EQ(d.image.width, 8);
  ASSERT_EQ(d.image.height, 6);
  EXPECT_EQ(d.image.format.bytesPerPixel, 1);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(d.Rgb(x, y), Grey((x * 29 + y * 41) % 256)) << x << "," << y;
  }
}

TEST(LoaderVariantsTest, InterlacedSubBytePngsExpandToEightBits) {
  {
    Decoded d(DecodePngImage, "grey2_interlaced.png");
    ASSERT_EQ(d.result, 0);
    ASSERT_EQ(d.image.width, 11);
    EXPECT_EQ(d.image.format.bytesPerPixel, 1);
    // v x 255 / 3 for two bits.
    for (int y = 0; y < 7; ++y) {
      for (int x = 0; x < 11; ++x)
        EXPECT_EQ(d.Rgb(x, y), Grey((x + 2 * y) % 4 * 85)) << x << "," << y;
    }
  }
  {
    Decoded d(DecodePngImage, "grey1_interlaced.png");
    ASSERT_EQ(d.result, 0);
    ASSERT_EQ(d.image.width, 13);
    for (int y = 0; y < 9; ++y) {
      for (int x = 0; x < 13; ++x) {
        EXPECT_EQ(d.Rgb(x, y), Grey((x * 3 + y) % 5 == 0 ? 255 : 0)) << x << "," << y;
      }
    }
  }
}

TEST(LoaderVariantsTest, TransparencyChunkOfGreyAndColourPngs) {
  {
    // Grey with its transparent level: two bytes a pixel, the alpha ignored.
    Decoded d(DecodePngImage, "grey_trns.png");
    ASSERT_EQ(d.result, 0);
    EXPECT_EQ(d.image.format.bytesPerPixel, 2);
    EXPECT_EQ(d.image.format.alphaMask, 0u);
    for (int y = 0; y < 6; ++y) {
      for (int x = 0; x < 8; ++x)
        EXPECT_EQ(d.Rgb(x, y), Grey((x * 29 + y * 41) % 256)) << x << "," << y;
    }
  }
  {
    // Colour with its transparent colour: A8R8G8B8, alpha 0 only there.
    Decoded d(DecodePngImage, "rgb_trns.png");
    ASSERT_EQ(d.result, 0);
    EXPECT_EQ(d.image.format.bytesPerPixel, 4);
    EXPECT_EQ(d.image.format.alphaMask, 0xFF000000u);
    for (int y = 0; y < 6; ++y) {
      for (int x = 0; x < 8; ++x) {
        const uint32_t rgb = static_cast<uint32_t>((x * 37 + y * 11) % 256) << 16 |
                             static_cast<uint32_t>((x * 5 + y * 53) % 256) << 8 |
                             static_cast<uint32_t>((x * y * 7) % 256);
        const uint32_t alpha = x == 1 && y == 0 ? 0 : 0xFF;
        EXPECT_EQ(Argb(d.image, x, y), alpha << 24 | rgb) << x << "," << y;
      }
    }
  }
}

// A binary PPM as 0x00RRGGBB values.
std::vector<uint32_t> ReadPpm(const char* file, int* width, int* height) {
  const Bytes bytes = ReadFileBytes(file);
  std::string text(bytes.begin(), bytes.end());
  std::istringstream header(text);
  std::string magic;
  int maxValue = 0;
  header >> magic >> *width >> *height >> maxValue;
  const size_t start = static_cast<size_t>(header.tellg()) + 1;
  std::vector<uint32_t> pixels;
  for (size_t i = start; i + 2 < bytes.size() && pixels.size() < size_t(*width) * *height; i += 3) {
    pixels.push_back(uint32_t{bytes[i]} << 16 | uint32_t{bytes[i + 1]} << 8 | bytes[i + 2]);
  }
  return pixels;
}

TEST(LoaderVariantsTest, ProgressiveAndArithmeticJpegsDecodeAsAnotherDecoderDoes) {
  for (const char* name : {"progressive", "arithmetic", "arithmetic_progressive"}) {
    SCOPED_TRACE(name);
    Decoded d(DecodeJpegImage, (std::string(name) + ".jpg").c_str());
    ASSERT_EQ(d.result, 0);
    int width = 0, height = 0;
    const std::vector<uint32_t> reference =
        ReadPpm((std::string(name) + ".ppm").c_str(), &width, &height);
    ASSERT_EQ(d.image.width, width);
    ASSERT_EQ(d.image.height, height);
    ASSERT_EQ(reference.size(), static_cast<size_t>(width) * height);
    EXPECT_EQ(d.image.pitch, width * 3);
    int worst = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const uint32_t want = reference[y * width + x];
        const uint32_t got = d.Rgb(x, y);
        for (int shift : {0, 8, 16}) {
          const int diff = std::abs(static_cast<int>((got >> shift) & 0xFF) -
                                    static_cast<int>((want >> shift) & 0xFF));
          if (diff > worst) worst = diff;
        }
      }
    }
    // The same integer transform on both sides; one step for rounding.
    EXPECT_LE(worst, 1);
  }
}

TEST(LoaderVariantsTest, FourBitRunLengthBmpDecodesBothRunModes) {
  Decoded d(DecodeBmpImage, "rle4.bmp");
  ASSERT_EQ(d.result, 0);
  ASSERT_EQ(d.image.width, 13);
  ASSERT_EQ(d.image.height, 5);
  std::ifstream expected("rle4.txt");
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 13; ++x) {
      std::string hex;
      expected >> hex;
      EXPECT_EQ(d.Rgb(x, y), std::stoul(hex, nullptr, 16)) << x << "," << y;
    }
  }
}

TEST(LoaderVariantsTest, EveryVariantCutShortIsDecodedOrRefusedSafely) {
  const struct {
    const char* file;
    GraphImageLoader loader;
  } files[] = {{"grey16.png", DecodePngImage},
               {"grey2_interlaced.png", DecodePngImage},
               {"grey_trns.png", DecodePngImage},
               {"rgb_trns.png", DecodePngImage},
               {"progressive.jpg", DecodeJpegImage},
               {"arithmetic.jpg", DecodeJpegImage},
               {"arithmetic_progressive.jpg", DecodeJpegImage},
               {"rle4.bmp", DecodeBmpImage}};
  for (const auto& f : files) {
    const Bytes whole = ReadFileBytes(f.file);
    ASSERT_FALSE(whole.empty()) << f.file;
    for (size_t keep :
         {size_t{0}, size_t{10}, whole.size() / 3, whole.size() / 2, whole.size() - 1}) {
      const Bytes cut(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(keep));
      GraphImage image = {};
      const int result = DecodeWith(f.loader, cut, &image);
      EXPECT_TRUE(result == 0 || result == -1) << f.file << " cut to " << keep;
      if (result == -1) {
        EXPECT_EQ(image.pixels, nullptr) << f.file << " cut to " << keep;
      }
      FreeGraphImage(&image);
    }
  }
}

}  // namespace
