// Software images: every pixel surface of the software renderer is a SOFTIMG
// view on a reference-counted SoftImgBody that owns the pixels, the format,
// the palette and the optional work buffers.
#ifndef OMBREL_SOFTWARE_RENDERER_SOFT_IMAGE_H
#define OMBREL_SOFTWARE_RENDERER_SOFT_IMAGE_H

#include <stdint.h>

#include "Ombrel.h"

// Pixel layouts of a body.
enum SoftImgColorType : int32_t {
  kSoftImgColor16 = 0,     // R5G6B5; with alpha a 4-byte pixel, alpha in bits 16-23
  kSoftImgColor32 = 1,     // X8R8G8B8; with alpha A8R8G8B8
  kSoftImgSingle8 = 2,     // 8-bit single channel (blend graphs)
  kSoftImgSingle16 = 3,    // 16-bit single channel
};

constexpr uint32_t kSoftImgMagic = 0x12345678;

struct SoftImgBody {
  int32_t referenceCount;
  int32_t width;
  int32_t height;
  int32_t pitch;
  int32_t pitchShift;  // n with 2^n = pitch, or -1
  const ColorFormat* format;
  uint32_t transparentColor;  // raw pixel value, or a palette index
  int32_t colorType;
  int32_t palettised;
  int32_t paletteCount;
  int32_t alpha;
  int32_t premultipliedValid;
  int32_t runTableValid;
  int32_t pixelsCallerOwned;
  uint8_t* paletteBlock;  // 2 KiB: the palette, then its copy
  uint8_t* paletteCopy;
  uint8_t* pixelBuffer;
  uint8_t* premultipliedCopy;
  uint8_t* runTable;
  // Sizes of the two work buffers, so that a body made again at a larger size
  // replaces them instead of writing past them.
  uint32_t premultipliedSize;
  uint32_t runTableSize;
};

struct SOFTIMG {
  uint32_t magic;
  int32_t width;
  int32_t height;
  uint8_t* pixels;
  uint8_t* premultipliedPixels;
  SoftImgBody* body;
};

int CreateSoftImg(SOFTIMG* view, int width, int height, int pitch, uint32_t transparentColor,
                  int colorType, int palettised, int alpha, int workBuffers, void* callerPixels);
int CreateScreenSoftImg(SOFTIMG* view, int width, int height, int colorType);
void CreateSubSoftImg(SOFTIMG* dest, const SOFTIMG* src, int x, int y, int width, int height);
int IsSoftImgValid(const SOFTIMG* view);
void ReleaseSoftImg(SOFTIMG* view);
const ColorFormat* GetSoftImgColorFormat(int colorType, int alpha, int palettised);
int CopySoftImgArea(SOFTIMG* dest, const SOFTIMG* src, const IntRect* rect, int x, int y);
void FillSoftImgRaw(SOFTIMG* view, const IntRect* rect, uint32_t value);

// Bytes per pixel of a body's layout: 2, 4, 1, 2 by colour type, 1 when
// palettised, 4 for 16-bit colour with alpha.
int SoftImgBytesPerPixel(int colorType, int palettised, int alpha);

#endif
