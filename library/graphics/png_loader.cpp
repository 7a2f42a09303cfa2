// PNG files through libpng, read from the SourceStream by a read callback;
// every libpng error comes back through its jump buffer.
#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "graphics/graph_image.h"
#include "graphics/image_loaders.h"
#include "graphics/image_size.h"
#include "system/tracked_memory.h"

namespace {

constexpr int kMaxSide = 32768;

// libpng's own blocks (a chunk's data, the row buffers, the inflate window)
// stay far below this for every image the loader accepts. A chunk that
// announces more is refused here: libpng's chunk size limit only warns on
// read and would go on to reserve the announced size.
constexpr png_alloc_size_t kMaxLibraryBlock = 8u << 20;

png_voidp LimitedPngMalloc(png_structp, png_alloc_size_t size) {
  return size <= kMaxLibraryBlock ? malloc(size) : nullptr;
}

void PngFree(png_structp, png_voidp block) { free(block); }

// Deflate gives at most 1032 bytes for each byte it reads.
constexpr uint64_t kMaxDeflateRatio = 1032;

// Whether the rest of the file could hold the pixels the header announces:
// every pass and row of them is compressed data still to come, so a header
// that promises more is refused before the image is reserved.
bool CanHoldAnnouncedPixels(int bytesLeft, png_uint_32 width, png_uint_32 height, int bitDepth,
                            int channels) {
  const uint64_t pixelBits = static_cast<uint64_t>(width) * height * bitDepth * channels;
  return pixelBits / 8 <= static_cast<uint64_t>(bytesLeft > 0 ? bytesLeft : 0) * kMaxDeflateRatio;
}

struct PngStreamBinding {
  const SourceStream* stream;
  int bytesLeft;  // from the position at binding time to the end
};

void PngSourceRead(png_structp png, png_bytep buffer, png_size_t length) {
  auto* binding = static_cast<PngStreamBinding*>(png_get_io_ptr(png));
  if (length > static_cast<png_size_t>(binding->bytesLeft) ||
      !ReadSourceBytes(*binding->stream, buffer, length)) {
    png_error(png, "Read Error");
  }
  binding->bytesLeft -= static_cast<int>(length);
}

int BindPngSourceStream(png_structp png, PngStreamBinding* binding, const SourceStream* stream) {
  binding->stream = stream;
  if (!CountSourceBytesLeft(*stream, &binding->bytesLeft)) binding->bytesLeft = 0;
  png_set_read_fn(png, binding, PngSourceRead);
  return 0;
}

// Everything the decoder holds. It lives outside the function that arms the
// jump buffer, so a jump from libpng skips no destructor and the error path
// frees the pixels and row pointers as the success path does.
struct PngDecodeState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  PngStreamBinding binding{};
  ImageBuffer pixels;
  png_bytep* rows = nullptr;
  GraphImage result{};

  ~PngDecodeState() {
    if (rows) FreeTrackedMemory(rows);
    if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  }
};

ColorFormat ResultFormat(PngDecodeState* s, int colorType, bool expanded, int rowBytes,
                         int width) {
  ColorFormat format{};
  if (colorType == PNG_COLOR_TYPE_PALETTE && !expanded) {
    SetColorFormatPalette8(&format);
    png_colorp palette = nullptr;
    int entries = 0;
    if (png_get_PLTE(s->png, s->info, &palette, &entries) & PNG_INFO_PLTE) {
      for (int i = 0; i < entries && i < 256; ++i) {
        format.palette[i] = ColorPaletteEntry{palette[i].blue, palette[i].green, palette[i].red, 0};
      }
    }
  } else if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    if (rowBytes < width * 2) {
      SetColorFormatGray8(&format);
    } else {
      // Grey with alpha: the grey byte feeds all three channels and the alpha
      // byte is left out.
      SetColorFormatFromMasks(&format, 16, 0x00FF, 0x00FF, 0x00FF, 0);
    }
  } else if (png_get_channels(s->png, s->info) == 4) {
    SetColorFormatARGB8(&format);
  } else {
    SetColorFormatRGB24(&format);
  }
  return format;
}

// 0 with s->result filled, -1 on any error. Only trivially destructible
// locals live here, since libpng may jump back into this frame.
int ReadPng(PngDecodeState* s, const SourceStream* stream) {
  s->png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr, nullptr,
                                    LimitedPngMalloc, PngFree);
  if (!s->png) return -1;
  s->info = png_create_info_struct(s->png);
  if (!s->info) return -1;
  if (setjmp(png_jmpbuf(s->png))) return -1;

  BindPngSourceStream(s->png, &s->binding, stream);
  png_set_sig_bytes(s->png, 0);
  png_set_user_limits(s->png, kMaxSide, kMaxSide);
  png_read_info(s->png, s->info);
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, interlace = 0;
  png_get_IHDR(s->png, s->info, &width, &height, &bitDepth, &colorType, &interlace, nullptr,
               nullptr);
  if (!IsLoadableImageSize(width, height) ||
      !CanHoldAnnouncedPixels(s->binding.bytesLeft, width, height, bitDepth,
                              png_get_channels(s->png, s->info))) {
    return -1;
  }

  png_set_strip_16(s->png);
  png_set_packing(s->png);
  png_set_packswap(s->png);
  const bool expanded = (colorType == PNG_COLOR_TYPE_GRAY && bitDepth <= 8) ||
                        png_get_valid(s->png, s->info, PNG_INFO_tRNS);
  if (expanded) png_set_expand(s->png);
  png_set_bgr(s->png);
  png_set_interlace_handling(s->png);
  png_read_update_info(s->png, s->info);
  const png_size_t rowBytes = png_get_rowbytes(s->png, s->info);

  size_t bytes;
  if (rowBytes > 0x7FFFFFFF ||
      !ComputeImageBytes(static_cast<int>(rowBytes), static_cast<int>(height), &bytes)) {
    return -1;
  }
  s->pixels = ImageBuffer(bytes);
  s->rows = static_cast<png_bytep*>(TRACKED_ALLOC(sizeof(png_bytep) * height));
  if (!s->pixels || !s->rows) return -1;
  for (png_uint_32 y = 0; y < height; ++y) s->rows[y] = s->pixels.Get() + rowBytes * y;
  png_read_image(s->png, s->rows);
  png_read_end(s->png, nullptr);

  const ColorFormat format = ResultFormat(s, colorType, expanded, static_cast<int>(rowBytes),
                                          static_cast<int>(width));
  SetLoadedGraphImage(&s->result, format, static_cast<int>(width), static_cast<int>(height),
                      static_cast<int>(rowBytes), s->pixels);
  return 0;
}

}  // namespace

int DecodePngImage(const SourceStream* stream, GraphImage* image) {
  PngDecodeState state;
  if (ReadPng(&state, stream) != 0) return -1;
  *image = state.result;
  return 0;
}
