// Sizes of DXT block data, for loaders that read compressed images.
#ifndef OMBREL_GRAPHICS_DXT_DECOMPRESS_H
#define OMBREL_GRAPHICS_DXT_DECOMPRESS_H

#include <stddef.h>
#include <stdint.h>

// Bytes of one 4 x 4 block: 8 for DXT1, 16 for DXT2-DXT5, 0 otherwise.
int DxtBlockBytes(uint32_t compression);

// Bytes of the blocks of `mipLevels` levels (0 and 1 both mean the top level
// only) of a width x height image: each level has ceil(w / 4) x ceil(h / 4)
// blocks, and each next level halves both sides, keeping at least 1. False
// for a size that is not positive, an unknown compression or an overflow.
bool ComputeDxtDataSize(int width, int height, uint32_t compression, int mipLevels,
                        size_t* bytes);

#endif
