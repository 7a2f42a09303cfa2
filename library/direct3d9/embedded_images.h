// Small images the device layer carries in the program: run-length TGA files
// with the version 2 footer.
#ifndef OMBREL_DIRECT3D9_EMBEDDED_IMAGES_H
#define OMBREL_DIRECT3D9_EMBEDDED_IMAGES_H

#include <stdint.h>

// 8 x 8, 32 bits, every pixel opaque white.
extern const uint8_t kWhiteTga[84];
// 256 x 8, 24 bits, each row four bands of 64 pixels: 0x00, 0x55, 0xAA, 0xFF.
extern const uint8_t kFourStepRampTga[172];

#endif
