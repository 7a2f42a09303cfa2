// Image files that loader tests build for themselves, and the scaffolding to
// hand them to a loader.
#ifndef OMBREL_TESTS_SUPPORT_IMAGE_FIXTURES_H
#define OMBREL_TESTS_SUPPORT_IMAGE_FIXTURES_H

#include <stdint.h>

#include <string>
#include <vector>

#include "Ombrel.h"
#include "graphics/image_loaders.h"
#include "support/file_fixtures.h"

// Appends little-endian fields.
struct ByteWriter {
  Bytes bytes;
  ByteWriter& U8(uint32_t v);
  ByteWriter& U16(uint32_t v);
  ByteWriter& U32(uint32_t v);
  ByteWriter& Text(const std::string& text);  // without a terminator
  ByteWriter& Append(const Bytes& more);
  ByteWriter& Zeros(size_t count);
};

// A memory stream over the bytes, closed at the end of the scope.
class MemorySource {
 public:
  explicit MemorySource(const Bytes& bytes);
  ~MemorySource();
  MemorySource(const MemorySource&) = delete;
  MemorySource& operator=(const MemorySource&) = delete;
  const SourceStream* get() const { return &stream_; }

 private:
  SourceStream stream_{};
};

// An image freed at the end of the scope.
struct ScopedImage {
  GraphImage image{};
  ScopedImage() = default;
  ScopedImage(const ScopedImage&) = delete;
  ScopedImage& operator=(const ScopedImage&) = delete;
  ~ScopedImage() { FreeGraphImage(&image); }
  GraphImage* operator->() { return &image; }
  GraphImage* get() { return &image; }
};

// Runs one loader over the bytes.
int DecodeWith(GraphImageLoader loader, const Bytes& bytes, GraphImage* image);

// The tracked allocator's totals, so a test can show that a refused file
// left nothing behind.
struct TrackedTotals {
  int size;
  int blocks;
  static TrackedTotals Now();
  bool operator==(const TrackedTotals& other) const {
    return size == other.size && blocks == other.blocks;
  }
};

// One file of a table of cases.
struct NamedFile {
  std::string name;
  Bytes file;
};

// A copy of the fixture, changed by `change`, as a named file.
template <class Fixture, class Change>
NamedFile Variant(const char* name, Fixture fixture, Change change) {
  change(fixture);
  return NamedFile{name, fixture.File()};
}

// Expects the loader to refuse each file with -1, leave the image empty and
// give back every block of tracked memory it took.
void ExpectRefused(GraphImageLoader loader, const std::vector<NamedFile>& files);

// The pixel as 0xAARRGGBB (palette images give their entry).
uint32_t Argb(const GraphImage& image, int x, int y);

// A BMP file: a 14-byte file header, the info header (40 bytes or a larger
// version), what follows it (masks), the palette and the pixel data.
struct Bmp {
  int32_t width = 0, height = 0;
  int bits = 24;
  uint32_t compression = 0;
  uint32_t headerBytes = 40;
  uint32_t colorsUsed = 0;
  std::vector<uint32_t> palette;      // 0x00RRGGBB
  Bytes afterHeader;                  // masks, for example
  std::vector<uint32_t> headerMasks;  // red, green, blue, alpha inside a larger header
  Bytes data;
  Bytes File() const;
};

// Rows of the given bytes, each padded to four bytes.
Bytes PaddedRows(const std::vector<Bytes>& rows);

// A TGA file: header, identification field, colour map, data and an
// optional footer.
struct Tga {
  int imageType = 2;
  int mapType = 0, mapFirst = 0, mapLength = 0, mapEntryBits = 0;
  int xOrigin = 0, yOrigin = 0;
  int width = 0, height = 0;
  int pixelBits = 24;
  int descriptor = 0x20;
  std::string id;
  Bytes map, data;
  bool footer = false;
  Bytes File() const;
};

constexpr uint32_t kDdsFlagPitch = 0x8, kDdsFlagMipCount = 0x20000;
constexpr uint32_t kDdsPixelFourCc = 0x4, kDdsPixelRgb = 0x40, kDdsPixelLuminance = 0x20000;

uint32_t FourCc(const char* s);

// A DDS file: magic, the 124-byte header and the level data.
struct Dds {
  uint32_t flags = 0x1007;
  uint32_t width = 0, height = 0, pitch = 0, mipCount = 0;
  uint32_t pixelFlags = kDdsPixelFourCc, fourCc = 0, rgbBits = 0;
  uint32_t masks[4] = {};
  uint32_t caps = 0x1000;
  Bytes data;
  // Sets the header flags and caps that make the mip count count.
  void WithMips(uint32_t count);
  Bytes File() const;
};

// A raw BGRA file.
Bytes BgraFile(uint32_t code, int32_t width, int32_t height, const Bytes& pixels);

// A PNG made by libpng from packed rows of the given layout; palette entries
// are 0x00RRGGBB, transparency as the tRNS chunk holds it.
struct PngFixture {
  int width = 0, height = 0;
  int colorType = 0;
  int bitDepth = 8;
  Bytes rows;  // height rows of packed samples, big-endian for 16-bit
  std::vector<uint32_t> palette;
  Bytes transparency;
  bool interlaced = false;
};
Bytes EncodePng(const PngFixture& fixture);

// A baseline JPEG made by libjpeg from rows of 1 (grey), 3 (R, G, B) or 4
// (C, M, Y, K) bytes.
Bytes EncodeJpeg(int width, int height, int components, const Bytes& samples, int quality = 95);

#endif
