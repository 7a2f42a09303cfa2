// The plain blit: a whole software image drawn unscaled into another under the
// current drawing settings.
#ifndef OMBREL_SOFTWARE_RENDERER_PLAIN_BLIT_H
#define OMBREL_SOFTWARE_RENDERER_PLAIN_BLIT_H

#include "software_renderer/soft_image.h"

// transFlag: 0 off, any other value skips the source's transparent colour
// (and, for sources with alpha, alpha-0 texels). blendGraph: an image read as
// one byte per pixel whose weights lie over the source, or null.
void DrawImageOnSoftImg(SOFTIMG* dest, const SOFTIMG* src, int x, int y, int transFlag,
                        const SOFTIMG* blendGraph);

#endif
