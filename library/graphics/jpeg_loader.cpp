// JPEG files through libjpeg, fed from the SourceStream by a source manager;
// every libjpeg error comes back through a jump buffer.
#include <stdio.h>

#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstring>

#include "graphics/graph_image.h"
#include "graphics/image_loaders.h"
#include "graphics/image_size.h"

namespace {

constexpr int kSourceBufferBytes = 4096;

// libjpeg's standard error manager with the jump buffer right behind it.
struct JpegErrorManager {
  jpeg_error_mgr standard;
  jmp_buf jump;
};

struct JpegSourceManager {
  jpeg_source_mgr standard;
  JOCTET* buffer;
  boolean startOfFile;
  const SourceStream* stream;
  int bytesLeft;  // from the position at binding time to the end
};

void JpegErrorExit(j_common_ptr cinfo) {
  (*cinfo->err->output_message)(cinfo);
  longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->jump, 1);
}

void JpegSourceInit(j_decompress_ptr cinfo) {
  reinterpret_cast<JpegSourceManager*>(cinfo->src)->startOfFile = TRUE;
}

// A stream that ends early gets an end-of-image code, so a truncated file
// still decodes as far as its data go.
boolean JpegSourceFill(j_decompress_ptr cinfo) {
  auto* source = reinterpret_cast<JpegSourceManager*>(cinfo->src);
  int n = source->bytesLeft < kSourceBufferBytes ? source->bytesLeft : kSourceBufferBytes;
  if (n > 0 && !ReadSourceBytes(*source->stream, source->buffer, n)) n = 0;
  if (n > 0) {
    source->bytesLeft -= n;
  } else {
    if (source->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    source->bytesLeft = 0;
    source->buffer[0] = 0xFF;
    source->buffer[1] = JPEG_EOI;
    n = 2;
  }
  source->standard.next_input_byte = source->buffer;
  source->standard.bytes_in_buffer = n;
  source->startOfFile = FALSE;
  return TRUE;
}

void JpegSourceSkip(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* source = cinfo->src;
  while (count > static_cast<long>(source->bytes_in_buffer)) {
    count -= static_cast<long>(source->bytes_in_buffer);
    (*source->fill_input_buffer)(cinfo);
  }
  source->next_input_byte += count;
  source->bytes_in_buffer -= count;
}

void JpegSourceTerminate(j_decompress_ptr) {}

void BindJpegSourceStream(j_decompress_ptr cinfo, const SourceStream* stream) {
  if (!cinfo->src) {
    auto* source = static_cast<JpegSourceManager*>((*cinfo->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(JpegSourceManager)));
    source->buffer = static_cast<JOCTET*>((*cinfo->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kSourceBufferBytes));
    cinfo->src = &source->standard;
  }
  auto* source = reinterpret_cast<JpegSourceManager*>(cinfo->src);
  source->standard.init_source = JpegSourceInit;
  source->standard.fill_input_buffer = JpegSourceFill;
  source->standard.skip_input_data = JpegSourceSkip;
  source->standard.resync_to_restart = jpeg_resync_to_restart;
  source->standard.term_source = JpegSourceTerminate;
  source->stream = stream;
  if (!CountSourceBytesLeft(*stream, &source->bytesLeft)) source->bytesLeft = 0;
  source->standard.bytes_in_buffer = 0;
  source->standard.next_input_byte = nullptr;
}

// Everything the decoder holds, outside the frame that arms the jump buffer,
// so an error frees the output rows as the success path would.
struct JpegDecodeState {
  jpeg_decompress_struct cinfo;
  JpegErrorManager error;
  bool created = false;
  ImageBuffer pixels;
  GraphImage result{};

  JpegDecodeState() { std::memset(&cinfo, 0, sizeof cinfo); }
  ~JpegDecodeState() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
};

// Only trivially destructible locals live here, since libjpeg may jump back
// into this frame.
int ReadJpeg(JpegDecodeState* s, const SourceStream* stream) {
  j_decompress_ptr cinfo = &s->cinfo;
  cinfo->err = jpeg_std_error(&s->error.standard);
  s->error.standard.error_exit = JpegErrorExit;
  if (setjmp(s->error.jump)) return -1;

  // Destroying is safe even when creation stops half-way: it does nothing
  // until the memory manager exists.
  s->created = true;
  jpeg_create_decompress(cinfo);
  BindJpegSourceStream(cinfo, stream);
  jpeg_read_header(cinfo, TRUE);
  if (!IsLoadableImageSize(cinfo->image_width, cinfo->image_height)) return -1;
  jpeg_start_decompress(cinfo);
  // Only grey and colour output are laid out; four-component files are not
  // images the library can show.
  const int components = cinfo->output_components;
  if (components != 1 && components != 3) return -1;

  const int stride = components * static_cast<int>(cinfo->output_width);
  const int height = static_cast<int>(cinfo->output_height);
  size_t bytes;
  if (!ComputeImageBytes(stride, height, &bytes)) return -1;
  JSAMPARRAY line = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo),
                                                 JPOOL_IMAGE, stride, 1);
  s->pixels = ImageBuffer(bytes);
  if (!s->pixels) return -1;
  while (cinfo->output_scanline < cinfo->output_height) {
    uint8_t* dest = s->pixels.Get() + static_cast<size_t>(cinfo->output_scanline) * stride;
    if (jpeg_read_scanlines(cinfo, line, 1) != 1) return -1;
    const JSAMPLE* source = line[0];
    if (components == 1) {
      std::memcpy(dest, source, stride);
    } else {
      for (int i = 0; i < stride; i += 3) {
        dest[i] = source[i + 2];
        dest[i + 1] = source[i + 1];
        dest[i + 2] = source[i];
      }
    }
  }
  jpeg_finish_decompress(cinfo);

  ColorFormat format{};
  if (components == 1) {
    SetColorFormatGray8(&format);
  } else {
    SetColorFormatRGB24(&format);
  }
  SetLoadedGraphImage(&s->result, format, static_cast<int>(cinfo->output_width), height, stride,
                      s->pixels);
  return 0;
}

}  // namespace

int DecodeJpegImage(const SourceStream* stream, GraphImage* image) {
  JpegDecodeState state;
  if (ReadJpeg(&state, stream) != 0) return -1;
  *image = state.result;
  return 0;
}
