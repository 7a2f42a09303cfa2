// The per-draw preparation that brings the device in line with the graphics
// core's draw settings and the image drawn, through the cached setters.
#ifndef OMBREL_DIRECT3D9_DEVICE_PREPARE_H
#define OMBREL_DIRECT3D9_DEVICE_PREPARE_H

#include <stdint.h>

// DeviceDrawFlags.
enum : int {
  kDrawUseTransparency = 0x0001,
  kDrawKeepAlphaTest = 0x0002,
  kDrawGouraud = 0x0008,
  kDrawColorModulate = 0x0020,
  kDrawAlphaModulate = 0x0040,
  kDrawFog = 0x0080,
  kDrawKeepBlend = 0x0100,
  kDrawLighting = 0x0200,
  kDrawSpecular = 0x0400,
  kDraw3DDepth = 0x0800,
  kDrawAddressModes = 0x1000,
  kDrawKeepShaders = 0x2000,
};

// imageFlags: the eight flag bytes of the drawn image (byte 1 alpha
// channel, byte 7 colour key), or null.
void PrepareDeviceDraw(const uint8_t* imageFlags, void* texture, int flags);

#endif
