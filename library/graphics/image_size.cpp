#include "graphics/image_size.h"

#include <stdint.h>

namespace {
constexpr int64_t kMaxImageBytes = 0x7FFFFFFF;
constexpr int64_t kMaxLoadedSide = 32768;
constexpr int64_t kMaxLoadedPixels = int64_t{1} << 26;
}

bool ComputeImagePitch(int width, int bytesPerPixel, int alignment, int* pitch) {
  if (width <= 0 || bytesPerPixel <= 0 || alignment <= 0) return false;
  int64_t rounded = (static_cast<int64_t>(width) * bytesPerPixel + alignment - 1) &
                    ~static_cast<int64_t>(alignment - 1);
  if (rounded > kMaxImageBytes) return false;
  *pitch = static_cast<int>(rounded);
  return true;
}

bool ComputeImageBytes(int pitch, int height, size_t* bytes) {
  if (pitch <= 0 || height <= 0) return false;
  int64_t total = static_cast<int64_t>(pitch) * height;
  if (total > kMaxImageBytes) return false;
  *bytes = static_cast<size_t>(total);
  return true;
}

bool IsLoadableImageSize(int64_t width, int64_t height) {
  return width > 0 && height > 0 && width <= kMaxLoadedSide && height <= kMaxLoadedSide &&
         width * height <= kMaxLoadedPixels;
}
