// The surface formats chosen once per device (screen, Z buffer, one texture
// format per colour kind) and the ColorFormat of each Direct3D format the
// library reads or writes through a lock.
#ifndef OMBREL_DIRECT3D9_SURFACE_FORMATS_H
#define OMBREL_DIRECT3D9_SURFACE_FORMATS_H

#include "Ombrel.h"

// Whether the device accepts a format: usage 0 for textures, render-target
// usage for kinds 11 to 13; for Z formats, whether it matches the screen.
struct FormatProbe {
  virtual ~FormatProbe() = default;
  virtual bool AcceptsTexture(int format) = 0;
  virtual bool AcceptsRenderTarget(int format) = 0;
  virtual bool AcceptsDepth(int format) = 0;
};

// The static record of a Direct3D format number, or null for a number not
// in the table.
const ColorFormat* GetD3DFormatColorFormat(int format);

// Logs the screen format's name (and first the number of one it does not name).
void LogScreenFormat(int screenFormat);
// The first accepted Z format with its log line, or 0 after the failure line.
int ChooseZBufferFormat(FormatProbe& probe);
// Fills the sixteen kinds in order with their log lines. screen16IsR5G6B5
// picks the render-target order of kind 11; thirtyTwoBitScreen picks kinds
// 14 and 15. Returns 0, or -1 when kind 0, 2, 3, 4 or 5 found nothing.
int ChooseTextureFormats(FormatProbe& probe, int screenFormat, int thirtyTwoBitScreen,
                         int formats[16]);

#endif
