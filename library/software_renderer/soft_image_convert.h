// Transfer of a base image into a software image: the pixel conversion, the
// palette, and for a whole-image transfer the premultiplied copy and the run
// table of transparent, opaque and translucent pixels.
#ifndef OMBREL_SOFTWARE_RENDERER_SOFT_IMAGE_CONVERT_H
#define OMBREL_SOFTWARE_RENDERER_SOFT_IMAGE_CONVERT_H

#include "software_renderer/soft_image.h"

// Run-table codes: kind in bits 6-7, run length - 1 in bits 0-5.
enum TransRunKind : uint8_t {
  kTransRunTransparent = 0,
  kTransRunOpaque = 1,
  kTransRunTranslucent = 2,
};
constexpr uint8_t kTransRunRowEnd = 0xC0;

// Converts the rectangle {srcX, srcY, srcX + width, srcY + height} of image
// (with alpha from alphaImage's red channel when given) to (destX, destY) of
// the view. Negative exactly when the conversion fails or the rectangle leaves
// an image.
int ConvertGraphImageToSoftImg(const GraphImage* image, const GraphImage* alphaImage,
                               SOFTIMG* view, int srcX, int srcY, int width, int height,
                               int destX, int destY, int transFlag);

#endif
