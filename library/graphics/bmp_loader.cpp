// BMP files: 4- and 8-bit palette images, RLE8 and RLE4, and plain 24- and
// 32-bit images are decoded here; other layouts go to GDI.
#include <cstring>

#include "graphics/bmp_loader.h"
#include "graphics/byte_order.h"
#include "graphics/graph_image.h"
#include "graphics/image_loaders.h"
#include "graphics/image_size.h"

namespace {

constexpr int kFileHeaderBytes = 14;
constexpr uint32_t kMinInfoBytes = 40;
constexpr uint32_t kMaxInfoBytes = 124;  // the largest header version
constexpr size_t kPaletteBytes = 256 * 4;
constexpr uint32_t kPlain = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;

struct BmpInfo {
  uint32_t headerBytes;
  int32_t width, height;
  int bits;
  uint32_t compression;
  uint32_t colorsUsed;
  int absHeight() const { return height < 0 ? -height : height; }
  bool topDown() const { return height < 0; }
};

bool IsKnownBitCount(int bits) {
  return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 ||
         bits == 32;
}

// The info header of any version, kept whole and followed by room for the
// palette or the channel masks, since GDI reads it as the BITMAPINFO.
class HeaderCopy {
 public:
  bool Read(const SourceStream& stream, BmpInfo* info) {
    uint8_t size[4];
    if (!ReadSourceBytes(stream, size, 4)) return false;
    const uint32_t headerBytes = ReadLe32(size);
    if (headerBytes < kMinInfoBytes || headerBytes > kMaxInfoBytes) return false;
    buffer_ = ImageBuffer(headerBytes + kPaletteBytes + 16, true);
    if (!buffer_) return false;
    uint8_t* h = buffer_.Get();
    std::memcpy(h, size, 4);
    if (!ReadSourceBytes(stream, h + 4, headerBytes - 4)) return false;
    *info = BmpInfo{headerBytes,         ReadLeInt32(h + 4),  ReadLeInt32(h + 8),
                    static_cast<int>(ReadLe16(h + 14)), ReadLe32(h + 16), ReadLe32(h + 32)};
    return true;
  }

  // Reads the palette (only the colours in use when the header names fewer
  // than the bit count allows) or the masks that a 40-byte header lacks.
  bool ReadExtra(const SourceStream& stream, const BmpInfo& info) {
    uint8_t* after = buffer_.Get() + info.headerBytes;
    if (info.bits <= 8) {
      const uint32_t full = 1u << info.bits;
      paletteEntries_ = info.colorsUsed > 0 && info.colorsUsed < full ? info.colorsUsed : full;
      return ReadSourceBytes(stream, after, paletteEntries_ * 4);
    }
    if (info.compression == kBitFields && info.headerBytes == kMinInfoBytes) {
      return ReadSourceBytes(stream, after, 12);
    }
    return true;
  }

  // The palette with every alpha byte 0; entries past `entries` stay black.
  void FillPalette(ColorFormat* format, const BmpInfo& info, uint32_t entries) const {
    const uint8_t* p = buffer_.Get() + info.headerBytes;
    if (entries > paletteEntries_) entries = paletteEntries_;
    for (uint32_t i = 0; i < entries; ++i) {
      format->palette[i] = ColorPaletteEntry{p[4 * i], p[4 * i + 1], p[4 * i + 2], 0};
    }
  }

  // GDI reads compressed data up to the image size the header names, so it is
  // set to what was actually read.
  void SetImageBytes(uint32_t bytes) {
    uint8_t* field = buffer_.Get() + 20;
    for (int i = 0; i < 4; ++i) field[i] = static_cast<uint8_t>(bytes >> (8 * i));
  }

  const uint8_t* Get() const { return buffer_.Get(); }

 private:
  ImageBuffer buffer_;
  uint32_t paletteEntries_ = 0;
};

// Bytes of one stored row: bits x width rounded up to whole 32-bit words.
int64_t SourceRowBytes(const BmpInfo& info) {
  return (static_cast<int64_t>(info.bits) * info.width + 31) / 32 * 4;
}

// Bytes the rows need; the last row may lack its padding.
int64_t NeededRowBytes(const BmpInfo& info) {
  return SourceRowBytes(info) * (info.absHeight() - 1) +
         (static_cast<int64_t>(info.bits) * info.width + 7) / 8;
}

ColorFormat PaletteFormat(const HeaderCopy& header, const BmpInfo& info, uint32_t entries) {
  ColorFormat format{};
  SetColorFormatPalette8(&format);
  header.FillPalette(&format, info, entries);
  return format;
}

// A zeroed image of one index byte per pixel, rows rounded up to 4 bytes.
ImageBuffer AllocIndexRows(const BmpInfo& info, int* pitch) {
  size_t bytes;
  if (!ComputeImagePitch(info.width, 1, 4, pitch) ||
      !ComputeImageBytes(*pitch, info.absHeight(), &bytes)) {
    return ImageBuffer();
  }
  return ImageBuffer(bytes, true);
}

int DecodeRunLength(const uint8_t* data, size_t size, const HeaderCopy& header,
                    const BmpInfo& info, GraphImage* image) {
  const bool fourBit = info.compression == kRle4;
  int pitch;
  ImageBuffer pixels = AllocIndexRows(info, &pitch);
  if (!pixels) return -1;
  DecodeBmpRunLength(data, size, fourBit, info.width, info.absHeight(), info.topDown(),
                     pixels.Get(), pitch);
  SetLoadedGraphImage(image, PaletteFormat(header, info, fourBit ? 16 : 256), info.width,
                      info.absHeight(), pitch, pixels);
  return 0;
}

// Each 4-bit row becomes one byte per pixel, high nibble first.
int UnpackFourBit(const uint8_t* data, const HeaderCopy& header, const BmpInfo& info,
                  GraphImage* image) {
  int pitch;
  ImageBuffer pixels = AllocIndexRows(info, &pitch);
  if (!pixels) return -1;
  const int64_t sourcePitch = SourceRowBytes(info);
  const int height = info.absHeight();
  for (int y = 0; y < height; ++y) {
    const uint8_t* source = data + sourcePitch * y;
    const int row = info.topDown() ? y : height - 1 - y;
    uint8_t* dest = pixels.Get() + static_cast<ptrdiff_t>(row) * pitch;
    for (int x = 0; x < info.width; ++x) {
      const uint8_t byte = source[x / 2];
      dest[x] = x % 2 == 0 ? byte >> 4 : byte & 0x0F;
    }
  }
  SetLoadedGraphImage(image, PaletteFormat(header, info, 16), info.width, height, pitch, pixels);
  return 0;
}

// 8, 24 and 32 bits keep the file's rows, turned top first.
int CopyPlain(ImageBuffer& rows, const HeaderCopy& header, const BmpInfo& info,
              GraphImage* image) {
  const int pitch = static_cast<int>(SourceRowBytes(info));
  const int height = info.absHeight();
  if (!info.topDown()) {
    uint8_t* base = rows.Get();
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
      uint8_t* a = base + static_cast<ptrdiff_t>(top) * pitch;
      uint8_t* b = base + static_cast<ptrdiff_t>(bottom) * pitch;
      for (int i = 0; i < pitch; ++i) {
        const uint8_t t = a[i];
        a[i] = b[i];
        b[i] = t;
      }
    }
  }
  ColorFormat format{};
  if (info.bits == 8) {
    format = PaletteFormat(header, info, 256);
  } else if (info.bits == 24) {
    SetColorFormatRGB24(&format);
  } else {
    SetColorFormatARGB8(&format);  // the fourth byte of each pixel is its alpha
  }
  SetLoadedGraphImage(image, format, info.width, height, pitch, rows);
  return 0;
}

}  // namespace

int DecodeBmpImage(const SourceStream* stream, GraphImage* image) {
  int length;
  if (!CountSourceBytesLeft(*stream, &length)) return -1;
  uint8_t fileHeader[kFileHeaderBytes];
  if (!ReadSourceBytes(*stream, fileHeader, sizeof fileHeader) || fileHeader[0] != 'B' ||
      fileHeader[1] != 'M') {
    return -1;
  }
  const uint32_t dataOffset = ReadLe32(fileHeader + 10);

  HeaderCopy header;
  BmpInfo info;
  if (!header.Read(*stream, &info)) return -1;
  if (info.width <= 0 || info.height == 0 || info.height == INT32_MIN ||
      !IsLoadableImageSize(info.width, info.absHeight()) || !IsKnownBitCount(info.bits) ||
      !header.ReadExtra(*stream, info)) {
    return -1;
  }
  if (dataOffset > static_cast<uint32_t>(length)) return -1;
  const size_t dataBytes = static_cast<size_t>(length) - dataOffset;

  const bool rle = info.compression == kRle8 || info.compression == kRle4;
  if (rle && info.bits != (info.compression == kRle8 ? 8 : 4)) return -1;
  const bool uncompressed = info.compression == kPlain || info.compression == kBitFields;
  const int64_t needed = uncompressed ? NeededRowBytes(info) : 0;
  const int64_t fullRows = SourceRowBytes(info) * info.absHeight();
  if (static_cast<int64_t>(dataBytes) < needed || fullRows > 0x7FFFFFFF) return -1;

  // Rows are read into a buffer that holds every padded row, zeroed where a
  // file leaves out the last row's padding.
  const size_t readBytes = uncompressed ? static_cast<size_t>(needed) : dataBytes;
  ImageBuffer data(uncompressed ? static_cast<size_t>(fullRows) : dataBytes, true);
  if (!data || !SeekSource(*stream, static_cast<int>(dataOffset), 0) ||
      !ReadSourceBytes(*stream, data.Get(), readBytes)) {
    return -1;
  }

  if (rle) return DecodeRunLength(data.Get(), dataBytes, header, info, image);
  if (info.compression == kPlain && info.bits == 4) {
    return UnpackFourBit(data.Get(), header, info, image);
  }
  if (info.compression == kPlain && (info.bits == 8 || info.bits == 24 || info.bits == 32)) {
    return CopyPlain(data, header, info, image);
  }
  header.SetImageBytes(static_cast<uint32_t>(uncompressed ? fullRows : dataBytes));
  return DrawBmpThroughDibSection(header.Get(), data.Get(), info.width, info.absHeight(), image);
}
