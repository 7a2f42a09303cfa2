// The stretched blit: a whole software image drawn into a rectangle of
// another, scaled on each axis by nearest-texel sampling and mirrored where
// the rectangle's corners are reversed.
#ifndef OMBREL_SOFTWARE_RENDERER_STRETCHED_BLIT_H
#define OMBREL_SOFTWARE_RENDERER_STRETCHED_BLIT_H

#include "software_renderer/soft_image.h"

// rect holds the corners as the caller gave them: right left of left mirrors
// left to right, bottom above top upside down. A rectangle of the source's
// own size, not mirrored, is drawn by DrawImageOnSoftImg. transFlag and
// blendGraph as for DrawImageOnSoftImg.
void DrawStretchedImageOnSoftImg(SOFTIMG* dest, const SOFTIMG* src, const IntRect* rect,
                                 int transFlag, const SOFTIMG* blendGraph);

#endif
