// TGA files: colour-mapped and true-colour images, plain or run-length
// encoded, in any of the four row orders.
#include <cstring>
#include <utility>

#include "graphics/byte_order.h"
#include "graphics/graph_image.h"
#include "graphics/image_loaders.h"
#include "graphics/image_size.h"
#include "graphics/pixel_access.h"

namespace {

constexpr int kHeaderBytes = 18;
constexpr int kFooterBytes = 26;
constexpr int kMaxSide = 8192;
constexpr int kMapEntries = 256;
constexpr int kMaxRunPixels = 128;

struct TgaHeader {
  int idLength, mapType, imageType;
  int mapFirst, mapLength, mapEntryBits;
  int xOrigin, yOrigin, width, height;
  int pixelBits, descriptor;
};

TgaHeader ParseHeader(const uint8_t* h) {
  return TgaHeader{h[0],
                   h[1],
                   h[2],
                   static_cast<int>(ReadLe16(h + 3)),
                   static_cast<int>(ReadLe16(h + 5)),
                   h[7],
                   static_cast<int>(ReadLe16(h + 8)),
                   static_cast<int>(ReadLe16(h + 10)),
                   static_cast<int>(ReadLe16(h + 12)),
                   static_cast<int>(ReadLe16(h + 14)),
                   h[16],
                   h[17]};
}

bool IsColorMapped(int type) { return type == 1 || type == 9; }
bool IsRunLength(int type) { return type == 9 || type == 10; }

// True when the 26 bytes at the end are the footer that closes the file
// (signature present and no extension area).
bool HasFooter(const SourceStream& stream, int length) {
  if (length < kHeaderBytes + kFooterBytes) return false;
  uint8_t footer[kFooterBytes];
  return SeekSource(stream, length - kFooterBytes, 0) &&
         ReadSourceBytes(stream, footer, sizeof footer) &&
         std::memcmp(footer + 8, "TRUEVISION-XFILE", 16) == 0 && ReadLe32(footer) == 0;
}

ColorFormat OutputFormat(int bits) {
  ColorFormat format{};
  if (bits == 16) {
    // The top bit is not alpha: the file's attribute bits are not trusted.
    SetColorFormatFromMasks(&format, 16, 0x7C00, 0x03E0, 0x001F, 0);
  } else if (bits == 24) {
    SetColorFormatRGB24(&format);
  } else {
    SetColorFormatARGB8(&format);
  }
  return format;
}

// Decodes packets of `unit`-byte values until `count` values are out; false
// when the data end first. A packet that would pass the end is cut there.
bool DecodeRunLength(const uint8_t* data, size_t size, int unit, size_t count, uint8_t* out) {
  size_t in = 0, done = 0;
  while (done < count) {
    if (in >= size) return false;
    const uint8_t head = data[in++];
    size_t run = (head & 0x7F) + 1;
    if (run > count - done) run = count - done;
    if (head & 0x80) {
      if (size - in < static_cast<size_t>(unit)) return false;
      for (size_t i = 0; i < run; ++i) std::memcpy(out + (done + i) * unit, data + in, unit);
      in += unit;
    } else {
      if ((size - in) / unit < run) return false;
      std::memcpy(out + done * unit, data + in, run * unit);
      in += run * unit;
    }
    done += run;
  }
  return true;
}

// Brings the rows into top-to-bottom, left-to-right order.
void Reorient(uint8_t* pixels, int width, int height, int bytes, int descriptor) {
  const bool bottomUp = (descriptor & 0x20) == 0;
  const bool rightToLeft = (descriptor & 0x10) != 0;
  const size_t pitch = static_cast<size_t>(width) * bytes;
  if (bottomUp) {
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
      uint8_t* a = pixels + top * pitch;
      uint8_t* b = pixels + bottom * pitch;
      for (size_t i = 0; i < pitch; ++i) {
        uint8_t t = a[i];
        a[i] = b[i];
        b[i] = t;
      }
    }
  }
  if (rightToLeft) {
    DispatchPixelSize(bytes, [&](auto size) {
      for (int y = 0; y < height; ++y) ReverseRow<decltype(size)::value>(pixels + y * pitch, width);
    });
  }
}

}  // namespace

int DecodeTgaImage(const SourceStream* stream, GraphImage* image) {
  int length;
  if (!CountSourceBytesLeft(*stream, &length)) return -1;
  const bool footer = HasFooter(*stream, length);
  uint8_t raw[kHeaderBytes];
  if (!SeekSource(*stream, 0, 0) || !ReadSourceBytes(*stream, raw, sizeof raw)) return -1;
  const TgaHeader h = ParseHeader(raw);

  const bool mapped = IsColorMapped(h.imageType);
  if (!mapped && h.imageType != 2 && h.imageType != 10) return -1;
  const int bits = mapped ? h.mapEntryBits : h.pixelBits;
  if (h.xOrigin != 0 || h.yOrigin != 0 || h.width <= 0 || h.height <= 0 || h.width > kMaxSide ||
      h.height > kMaxSide || (bits != 16 && bits != 24 && bits != 32)) {
    return -1;
  }
  // Indices are single bytes, and the map they index holds 256 entries.
  if (mapped && (h.mapType != 1 || h.pixelBits != 8 || h.mapFirst + h.mapLength > kMapEntries)) {
    return -1;
  }
  const int bytes = bits / 8;
  const int mapEntryBytes = (h.mapEntryBits + 7) / 8;

  int64_t position = kHeaderBytes + h.idLength;
  uint8_t map[kMapEntries * 4] = {};
  if (mapped) {
    if (!SeekSource(*stream, static_cast<int>(position), 0) ||
        !ReadSourceBytes(*stream, map + h.mapFirst * bytes,
                         static_cast<size_t>(h.mapLength) * bytes)) {
      return -1;
    }
    position += static_cast<int64_t>(h.mapLength) * bytes;
  } else if (h.mapType == 1) {
    position += static_cast<int64_t>(h.mapLength) * mapEntryBytes;
  }
  const int64_t dataEnd = length - (footer ? kFooterBytes : 0);
  if (position > dataEnd || !SeekSource(*stream, static_cast<int>(position), 0)) return -1;
  const size_t available = static_cast<size_t>(dataEnd - position);

  const size_t pixelCount = static_cast<size_t>(h.width) * h.height;
  const int unit = mapped ? 1 : bytes;
  // A run packet gives at most 128 values, so data this short cannot fill the
  // image; refusing it here keeps a tiny file from reserving a large block.
  const size_t needed = IsRunLength(h.imageType)
                            ? (pixelCount + kMaxRunPixels - 1) / kMaxRunPixels * (1 + unit)
                            : pixelCount * unit;
  if (available < needed) return -1;

  ImageBuffer values(pixelCount * unit);
  if (!values) return -1;
  if (IsRunLength(h.imageType)) {
    ImageBuffer packed(available);
    if (!packed || !ReadSourceBytes(*stream, packed.Get(), available) ||
        !DecodeRunLength(packed.Get(), available, unit, pixelCount, values.Get())) {
      return -1;
    }
  } else if (!ReadSourceBytes(*stream, values.Get(), pixelCount * unit)) {
    return -1;
  }

  ImageBuffer pixels;
  if (mapped) {
    pixels = ImageBuffer(pixelCount * bytes);
    if (!pixels) return -1;
    for (size_t i = 0; i < pixelCount; ++i) {
      std::memcpy(pixels.Get() + i * bytes, map + values.Get()[i] * bytes, bytes);
    }
  } else {
    pixels = std::move(values);
  }
  Reorient(pixels.Get(), h.width, h.height, bytes, h.descriptor);
  SetLoadedGraphImage(image, OutputFormat(bits), h.width, h.height, h.width * bytes, pixels);
  return 0;
}
