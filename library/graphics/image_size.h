// Checked size arithmetic for image buffers: every buffer stays below 2 GiB,
// so byte offsets inside it fit an int.
#ifndef OMBREL_GRAPHICS_IMAGE_SIZE_H
#define OMBREL_GRAPHICS_IMAGE_SIZE_H

#include <stddef.h>
#include <stdint.h>

// width * bytesPerPixel rounded up to a multiple of alignment (a power of
// two); false for a non-positive width or an overflow.
bool ComputeImagePitch(int width, int bytesPerPixel, int alignment, int* pitch);

// pitch * height; false for a non-positive size or an overflow.
bool ComputeImageBytes(int pitch, int height, size_t* bytes);

// The loaders' limit on the size a file may declare, so that a few header
// bytes cannot make the library reserve a huge block: each side 1 to 32768
// and at most 64 Mi pixels.
bool IsLoadableImageSize(int64_t width, int64_t height);

#endif
