// One image loader, chosen at build time (OMBREL_FUZZ_LOADER), on a file
// image in memory. An accepted image is read pixel by pixel, decompressed
// when it holds DXT blocks, converted to 32-bit colour and mirrored, so that
// every size and pitch it reports is put to use.
#include <stdint.h>

#include "Ombrel.h"
#include "graphics/image_loaders.h"
#include "graphics/source_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  MemoryStream* memory = OpenMemoryStream(data, static_cast<int>(size));
  if (memory == nullptr) return 0;
  const SourceStream stream = MakeSourceStream(GetMemoryStreamOps(), memory);
  GraphImage image{};
  const int result = OMBREL_FUZZ_LOADER(&stream, &image);
  CloseMemoryStream(memory);
  if (result != 0) return 0;
  if (image.width > 4096 || image.height > 4096) {
    FreeGraphImage(&image);
    return 0;
  }
  if (image.format.compression != 0) DecompressDxtGraphImage(&image);
  uint32_t sum = 0;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) sum += GetGraphImagePixelARGB(&image, x, y);
  }
  GraphImage argb{};
  if (image.format.compression == 0 && AllocGraphImageARGB8(image.width, image.height, &argb) == 0) {
    CopyGraphImageRect(0, 0, image.width, image.height, 0, 0, &image, &argb);
    MirrorGraphImage(&argb);
    FreeGraphImage(&argb);
  }
  FreeGraphImage(&image);
  return static_cast<int>(sum & 0);
}
