// The device half of the mask screen: its two textures, the copy of the
// target into the screen texture before a masked draw and the alpha-tested
// draw back after it. Only the mask code calls these.
#ifndef OMBREL_GRAPHICS_MASK_SCREEN_DEVICE_H
#define OMBREL_GRAPHICS_MASK_SCREEN_DEVICE_H

#include "Ombrel.h"

// Makes the textures and the surface that are missing; ends the program when
// one cannot be made. A new image texture is filled from the mask buffer.
void CreateMaskDeviceObjects(int width, int height);
// The surface the device draws into for the current draw target: the
// graph's texture surface, else the screen's back buffer.
void* MaskTargetDeviceSurface();
// Makes the mask screen surface (while the mask is in effect and covers the
// target) or the target's own surface the render target, with the viewport
// on the draw area.
void RouteMaskRenderTarget(bool toMask);
// r is clipped and not empty.
void CopyTargetToMaskSurface(const IntRect& r);
void DrawMaskedRectBack(const IntRect& r);

#endif
