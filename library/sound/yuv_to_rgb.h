// Conversion of decoded Y'CbCr frames: into 32-bit XRGB images for the
// software graphs, and into the packed layouts of the Direct3D YUV surfaces.
#ifndef OMBREL_SOUND_YUV_TO_RGB_H
#define OMBREL_SOUND_YUV_TO_RGB_H

#include <stdint.h>

// One decoded frame: three sample planes, rows top first.
struct YuvPlanes {
  const uint8_t* y;
  const uint8_t* u;
  const uint8_t* v;
  int yWidth, yHeight, yStride;
  int chromaWidth, chromaHeight, chromaStride;
};

// 4:2:0 when the chroma planes are exactly half the luma plane each way.
bool IsYuv420(const YuvPlanes& planes);

// Builds the lookup tables of the integer 4:2:0 path; the converters build
// them on first use too, so this only moves the work to start-up.
int InitYUVToRGBTables();

// Writes width x height pixels as bytes B, G, R, 255. A 4:2:0 frame takes the
// integer table path two by two pixels; any other layout (4:2:2, 4:4:4) is
// converted per pixel in floating point, each pixel taking the chroma sample
// its own position maps to under the frame's subsampling (halved on an axis
// where the chroma plane is smaller). The size must not exceed the luma plane.
void ConvertYuvToXrgb(const YuvPlanes& planes, uint8_t* out, int outPitch, int width,
                      int height);
// The same for the region of the frame whose top left is (left, top): the
// picture inside a frame coded larger. A 4:2:0 frame at an odd offset takes
// the per-pixel path, so that chroma stays aligned.
void ConvertYuvRegionToXrgb(const YuvPlanes& planes, int left, int top, uint8_t* out,
                            int outPitch, int width, int height);

// The Direct3D YUV surface layouts, as FourCC codes.
constexpr uint32_t kFourCCYV12 = 0x32315659;  // "YV12"
constexpr uint32_t kFourCCYUY2 = 0x32595559;  // "YUY2"
constexpr uint32_t kFourCCUYVY = 0x59565955;  // "UYVY"

// Copies a 4:2:0 frame into a locked surface of the layout: YV12 as the Y
// rows, then the V and the U rows at half the pitch; YUY2 and UYVY as packed
// pairs. false (nothing written) for another layout or frame kind. height
// rows of the surface must be there (YV12: height * 3 / 2).
bool PackYuvToSurface(const YuvPlanes& planes, uint32_t fourCC, uint8_t* surface, int pitch,
                      int width, int height);
// The same for the region from (left, top); false also for an odd offset.
bool PackYuvRegionToSurface(const YuvPlanes& planes, int left, int top, uint32_t fourCC,
                            uint8_t* surface, int pitch, int width, int height);

#endif
