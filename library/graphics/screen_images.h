// The software screen: one screen-sized image that both the back and the
// front screen stand for, and two work images of the same size for text.
#ifndef OMBREL_GRAPHICS_SCREEN_IMAGES_H
#define OMBREL_GRAPHICS_SCREEN_IMAGES_H

#include "software_renderer/soft_image.h"

SOFTIMG* GetPrimaryScreenSoftImg();
SOFTIMG* GetWorkScreenSoftImg();
SOFTIMG* GetAlphaWorkScreenSoftImg();

// Makes the three images at the screen mode's size, fills the primary one
// with the background colour and makes it the drawing image. Ends the
// process when the primary image cannot be made.
int CreatePrimaryScreenImage();
void ReleaseScreenImages();

// The background colour in the image's layout, alpha 0.
uint32_t BackgroundColorValue(const SOFTIMG* image);

#endif
