#include "support/image_fixtures.h"

#include <stdio.h>

#include <jpeglib.h>
#include <png.h>

#include <cstring>

#include <gtest/gtest.h>


ByteWriter& ByteWriter::U8(uint32_t v) {
  bytes.push_back(static_cast<uint8_t>(v));
  return *this;
}

ByteWriter& ByteWriter::U16(uint32_t v) { return U8(v).U8(v >> 8); }

ByteWriter& ByteWriter::U32(uint32_t v) { return U16(v).U16(v >> 16); }

ByteWriter& ByteWriter::Text(const std::string& text) {
  bytes.insert(bytes.end(), text.begin(), text.end());
  return *this;
}

ByteWriter& ByteWriter::Append(const Bytes& more) {
  bytes.insert(bytes.end(), more.begin(), more.end());
  return *this;
}

ByteWriter& ByteWriter::Zeros(size_t count) {
  bytes.insert(bytes.end(), count, 0);
  return *this;
}

MemorySource::MemorySource(const Bytes& bytes) {
  MemoryStream* memory = OpenMemoryStream(bytes.data(), static_cast<int>(bytes.size()));
  stream_ = MakeSourceStream(GetMemoryStreamOps(), memory);
}

MemorySource::~MemorySource() {
  if (stream_.data) stream_.close(stream_.data);
}

int DecodeWith(GraphImageLoader loader, const Bytes& bytes, GraphImage* image) {
  MemorySource source(bytes);
  return loader(source.get(), image);
}

void ExpectRefused(GraphImageLoader loader, const std::vector<NamedFile>& files) {
  for (const NamedFile& f : files) {
    SCOPED_TRACE(f.name);
    const TrackedTotals before = TrackedTotals::Now();
    GraphImage image{};
    EXPECT_EQ(DecodeWith(loader, f.file, &image), -1);
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_TRUE(TrackedTotals::Now() == before);
  }
}

uint32_t Argb(const GraphImage& image, int x, int y) { return GetGraphImagePixelARGB(&image, x, y); }

Bytes Bmp::File() const {
  ByteWriter info;
  info.U32(headerBytes).U32(width).U32(height).U16(1).U16(bits).U32(compression);
  info.U32(data.size()).U32(2835).U32(2835).U32(colorsUsed).U32(0);
  for (uint32_t m : headerMasks) info.U32(m);
  info.bytes.resize(headerBytes, 0);
  info.Append(afterHeader);
  for (uint32_t c : palette) info.U8(c).U8(c >> 8).U8(c >> 16).U8(0);
  const uint32_t offset = 14 + info.bytes.size();
  ByteWriter file;
  file.Text("BM").U32(offset + data.size()).U32(0).U32(offset).Append(info.bytes);
  return file.Append(data).bytes;
}

Bytes PaddedRows(const std::vector<Bytes>& rows) {
  ByteWriter w;
  for (const Bytes& row : rows) w.Append(row).Zeros((4 - row.size() % 4) % 4);
  return w.bytes;
}

Bytes Tga::File() const {
  ByteWriter w;
  w.U8(id.size()).U8(mapType).U8(imageType).U16(mapFirst).U16(mapLength).U8(mapEntryBits);
  w.U16(xOrigin).U16(yOrigin).U16(width).U16(height).U8(pixelBits).U8(descriptor);
  w.Text(id).Append(map).Append(data);
  if (footer) w.U32(0).U32(0).Text("TRUEVISION-XFILE").U8('.').U8(0);
  return w.bytes;
}

uint32_t FourCc(const char* s) {
  return static_cast<uint8_t>(s[0]) | static_cast<uint8_t>(s[1]) << 8 |
         static_cast<uint8_t>(s[2]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(s[3])) << 24;
}

void Dds::WithMips(uint32_t count) {
  flags |= kDdsFlagMipCount;
  caps |= 0x8 | 0x400000;  // complex, mip map
  mipCount = count;
}

Bytes Dds::File() const {
  ByteWriter w;
  w.Text("DDS ").U32(124).U32(flags).U32(height).U32(width).U32(pitch).U32(0).U32(mipCount);
  w.Zeros(44);
  w.U32(32).U32(pixelFlags).U32(fourCc).U32(rgbBits);
  for (uint32_t m : masks) w.U32(m);
  w.U32(caps).U32(0).U32(0).U32(0).U32(0);
  return w.Append(data).bytes;
}

Bytes BgraFile(uint32_t code, int32_t width, int32_t height, const Bytes& pixels) {
  ByteWriter w;
  w.Text("BGRA").U32(code).U32(width).U32(height).Append(pixels);
  return w.bytes;
}

namespace {

void AppendPngBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void FlushPng(png_structp) {}

}  // namespace

Bytes EncodePng(const PngFixture& fixture) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return Bytes();
  }
  png_set_write_fn(png, &out, AppendPngBytes, FlushPng);
  png_set_IHDR(png, info, fixture.width, fixture.height, fixture.bitDepth, fixture.colorType,
               fixture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> palette;
  for (uint32_t c : fixture.palette) {
    palette.push_back(png_color{static_cast<png_byte>(c >> 16), static_cast<png_byte>(c >> 8),
                                static_cast<png_byte>(c)});
  }
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  png_color_16 transparentColor{};
  if (!fixture.transparency.empty()) {
    if (fixture.colorType == PNG_COLOR_TYPE_PALETTE) {
      png_set_tRNS(png, info, fixture.transparency.data(), static_cast<int>(fixture.transparency.size()),
                   nullptr);
    } else {
      transparentColor.gray = fixture.transparency[0];
      png_set_tRNS(png, info, nullptr, 0, &transparentColor);
    }
  }
  png_write_info(png, info);
  const size_t rowBytes = fixture.rows.size() / fixture.height;
  std::vector<png_bytep> rows;
  for (int y = 0; y < fixture.height; ++y) {
    rows.push_back(const_cast<png_bytep>(fixture.rows.data() + rowBytes * y));
  }
  png_write_image(png, rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

Bytes EncodeJpeg(int width, int height, int components, const Bytes& samples, int quality) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = width;
  cinfo.image_height = height;
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(samples.data() +
                                        static_cast<size_t>(cinfo.next_scanline) * width *
                                            components);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  Bytes out(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  free(buffer);
  return out;
}
