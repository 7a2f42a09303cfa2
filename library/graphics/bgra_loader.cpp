// Raw BGRA files: "BGRA", a channel-size code, width and height, then the
// pixel rows top first without padding.
#include <cstring>

#include "graphics/byte_order.h"
#include "graphics/graph_image.h"
#include "graphics/image_loaders.h"
#include "graphics/image_size.h"

namespace {

constexpr uint32_t kChannels8 = 0x08080808;
constexpr uint32_t kChannels16 = 0x10101010;

// Keeps the high byte of each 16-bit channel, which leaves the bytes in the
// blue, green, red, alpha order of an A8R8G8B8 pixel.
void NarrowRow(const uint8_t* wide, uint8_t* out, int width) {
  for (int i = 0; i < width * 4; ++i) out[i] = wide[2 * i + 1];
}

}  // namespace

int DecodeBgraImage(const SourceStream* stream, GraphImage* image) {
  uint8_t header[16];
  if (!ReadSourceBytes(*stream, header, sizeof header) || std::memcmp(header, "BGRA", 4) != 0) {
    return -1;
  }
  const uint32_t code = ReadLe32(header + 4);
  const int32_t width = ReadLeInt32(header + 8), height = ReadLeInt32(header + 12);
  if ((code != kChannels8 && code != kChannels16) || !IsLoadableImageSize(width, height)) {
    return -1;
  }
  const int pitch = width * 4;
  size_t bytes;
  if (!ComputeImageBytes(pitch, height, &bytes)) return -1;
  ImageBuffer pixels(bytes);
  if (!pixels) return -1;

  if (code == kChannels8) {
    if (!ReadSourceBytes(*stream, pixels.Get(), bytes)) return -1;
  } else {
    ImageBuffer wide(static_cast<size_t>(pitch) * 2);
    if (!wide) return -1;
    for (int y = 0; y < height; ++y) {
      if (!ReadSourceBytes(*stream, wide.Get(), static_cast<size_t>(pitch) * 2)) return -1;
      NarrowRow(wide.Get(), pixels.Get() + static_cast<ptrdiff_t>(y) * pitch, width);
    }
  }

  ColorFormat format{};
  SetColorFormatARGB8(&format);
  SetLoadedGraphImage(image, format, width, height, pitch, pixels);
  return 0;
}
