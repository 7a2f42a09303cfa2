// The conversion blit's shared pieces: the prepared job, the pixel walker and
// the two conversion families kept in their own units.
#ifndef OMBREL_GRAPHICS_CONVERT_FORMAT_BLT_H
#define OMBREL_GRAPHICS_CONVERT_FORMAT_BLT_H

#include <stddef.h>
#include <stdint.h>

#include "Ombrel.h"
#include "graphics/pixel_access.h"

// One conversion, with the options already reduced to those that apply.
struct ConvertJob {
  uint8_t* dest;  // destination pixel of the copy's first column and row
  ptrdiff_t destPitch;
  const ColorFormat* destFormat;
  const uint8_t* source;  // source pixel at the rectangle's top-left
  ptrdiff_t sourcePitch;
  const ColorFormat* sourceFormat;
  const uint8_t* alpha;  // alpha-image pixel at the same place, or null
  ptrdiff_t alphaPitch;
  const ColorFormat* alphaFormat;
  int width;
  int height;
  bool mirror;
  bool keyToAlpha;
  bool alphaOnly;
  bool alphaFromRed;
  bool skipTransparent;
  bool alphaFromImage;
  int ditherMode;
  uint32_t transColor;
  uint32_t sourcePalette[256];  // entries as 0xAARRGGBB, for 1-byte sources
};

// Visits every pixel of the copy in source order: the rule turns the source
// pixel (at copy column x, row y) into the destination value, or returns
// false to leave the destination pixel alone. Mirrored copies write each row
// right to left. The rule and the job's fields are copied into locals, so
// the byte stores cannot force them to be reloaded for every pixel.
template <int SourceBytes, int DestBytes, class Rule>
void WalkConvertPixels(const ConvertJob& job, Rule rule) {
  const int width = job.width, height = job.height;
  const ptrdiff_t sourcePitch = job.sourcePitch, destPitch = job.destPitch;
  const ptrdiff_t destStep = job.mirror ? -DestBytes : DestBytes;
  const ptrdiff_t mirrorStart = job.mirror ? static_cast<ptrdiff_t>(width - 1) * DestBytes : 0;
  const uint8_t* sourceRow = job.source;
  uint8_t* destRow = job.dest + mirrorStart;
  for (int y = 0; y < height; ++y, sourceRow += sourcePitch, destRow += destPitch) {
    const uint8_t* s = sourceRow;
    uint8_t* d = destRow;
    for (int x = 0; x < width; ++x, s += SourceBytes, d += destStep) {
      uint32_t value;
      if (rule(ReadPixel<SourceBytes>(s), x, y, value)) WritePixel<DestBytes>(d, value);
    }
  }
}

// Instantiates f for the job's pair of pixel sizes (1 to 4 bytes each).
template <class F>
void DispatchPixelSizes(const ConvertJob& job, F&& f) {
  DispatchPixelSize(job.sourceFormat->bytesPerPixel, [&](auto source) {
    DispatchPixelSize(job.destFormat->bytesPerPixel, [&](auto dest) { f(source, dest); });
  });
}

// Converts through the fixed rule of a common format pair; false when the
// pair and options have no fixed rule.
bool RunFixedPairConversion(const ConvertJob& job);

// The per-channel conversion that handles every pair and option.
void RunGeneralConversion(const ConvertJob& job);

// The ordered-dither matrix, thresholds in sixteenths.
extern const uint8_t kOrderedDitherMatrix[16];

#endif
