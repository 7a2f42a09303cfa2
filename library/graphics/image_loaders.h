// The image loaders and the chain that tries them in turn on a SourceStream.
#ifndef OMBREL_GRAPHICS_IMAGE_LOADERS_H
#define OMBREL_GRAPHICS_IMAGE_LOADERS_H

#include <stddef.h>

#include "Ombrel.h"
#include "graphics/source_stream.h"

struct tagBITMAPINFO;

// 0 when the data were the loader's format and the image was filled; any
// other value leaves the image untouched. A loader reads from the stream's
// current position and leaves it wherever it stopped.
typedef int (*GraphImageLoader)(const SourceStream* stream, GraphImage* image);

int DecodeBmpImage(const SourceStream* stream, GraphImage* image);
int DecodeJpegImage(const SourceStream* stream, GraphImage* image);
int DecodePngImage(const SourceStream* stream, GraphImage* image);
int DecodeBgraImage(const SourceStream* stream, GraphImage* image);
int DecodeTgaImage(const SourceStream* stream, GraphImage* image);
int DecodeDdsImage(const SourceStream* stream, GraphImage* image);

// Hands the stream, rewound to its start, to each loader in turn (user
// loaders first, then BMP, JPEG, PNG, raw BGRA, TGA, DDS); 0 when one took
// it, -1 when none did.
int DecodeGraphImage(const SourceStream* stream, GraphImage* image);

// Reads an image from a file or a memory block, mirrored when mirror is 1.
// With dib set the image is handed out as a top-down DIB instead: *bitmapInfo
// receives a 1,068-byte BITMAPINFO and *bits the pixel rows, both owned by
// the caller (FreeTrackedMemory), and image is not written.
int ReadGraphImageOrDib(const char* fileName, const void* memory, int memorySize, int fromMemory,
                        int dib, int mirror, GraphImage* image, tagBITMAPINFO** bitmapInfo,
                        void** bits);

// The alpha image's file name: "_a" before the extension of the last path
// element ("chara.png" -> "chara_a.png", "readme" -> "readme_a"). -1 when the
// result does not fit outSize bytes, which callers take as "no alpha file".
int MakeAlphaFileName(const char* fileName, char* out, size_t outSize);

// Describes the image as an uncompressed top-down DIB in the 1,068-byte
// bitmapInfo: 8-bit with the palette for palette images (unless rgb24 is
// set), else 24-bit. 0 when *bits are the image's own pixels, 1 when a new
// buffer (FreeTrackedMemory) was made, -1 when memory ran out. copy 1 always
// makes a new buffer.
int ConvertGraphImageToDib(const GraphImage* image, tagBITMAPINFO* bitmapInfo, void** bits,
                           int copy, int rgb24);

#endif
