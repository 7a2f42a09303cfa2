// Checked size arithmetic for image buffers: every buffer stays below 2 GiB,
// so byte offsets inside it fit an int.
#ifndef OMBREL_GRAPHICS_IMAGE_SIZE_H
#define OMBREL_GRAPHICS_IMAGE_SIZE_H

#include <stddef.h>

// width * bytesPerPixel rounded up to a multiple of alignment (a power of
// two); false for a non-positive width or an overflow.
bool ComputeImagePitch(int width, int bytesPerPixel, int alignment, int* pitch);

// pitch * height; false for a non-positive size or an overflow.
bool ComputeImageBytes(int pitch, int height, size_t* bytes);

#endif
