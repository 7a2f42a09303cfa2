#include "sound/yuv_to_rgb.h"

#include <string.h>

namespace {

// BT.601 factors times 16384, truncated.
constexpr int kFactorRV = 26148;
constexpr int kFactorGU = -6406;
constexpr int kFactorGV = -13320;
constexpr int kFactorBU = 33062;
constexpr int kFactorY = 19070;
constexpr int kFractionBits = 16384;
// The sums reach from below -277 to above 534 before the division.
constexpr int kClampLow = -512;
constexpr int kClampSize = 1280;

struct YuvTables {
  bool built;
  uint8_t clamp[kClampSize];
  int rv[256], gu[256], gv[256], bu[256], y[256];
};

YuvTables& Tables() {
  static YuvTables tables;
  if (!tables.built) {
    for (int i = 0; i < kClampSize; ++i) {
      const int value = i + kClampLow;
      tables.clamp[i] = static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
    }
    for (int i = 0; i < 256; ++i) {
      tables.rv[i] = kFactorRV * (i - 128);
      tables.gu[i] = kFactorGU * (i - 128);
      tables.gv[i] = kFactorGV * (i - 128);
      tables.bu[i] = kFactorBU * (i - 128);
      tables.y[i] = kFactorY * (i - 16);
    }
    tables.built = true;
  }
  return tables;
}

inline uint8_t Clamp(const YuvTables& t, int sum) { return t.clamp[sum / kFractionBits - kClampLow]; }

inline void PutPixel(const YuvTables& t, uint8_t* out, int y, int blueTerm, int greenTerm,
                     int redTerm) {
  const int luma = t.y[y];
  out[0] = Clamp(t, luma + blueTerm);
  out[1] = Clamp(t, luma + greenTerm);
  out[2] = Clamp(t, luma + redTerm);
  out[3] = 255;
}

void Convert420(const YuvPlanes& p, uint8_t* out, int outPitch, int width, int height) {
  const YuvTables& t = Tables();
  for (int row = 0; row < height; ++row) {
    const uint8_t* yRow = p.y + row * p.yStride;
    const uint8_t* uRow = p.u + (row / 2) * p.chromaStride;
    const uint8_t* vRow = p.v + (row / 2) * p.chromaStride;
    uint8_t* o = out + row * outPitch;
    for (int x = 0; x < width; x += 2) {
      const int u = uRow[x / 2];
      const int v = vRow[x / 2];
      const int blue = t.bu[u];
      const int green = t.gu[u] + t.gv[v];
      const int red = t.rv[v];
      PutPixel(t, o + x * 4, yRow[x], blue, green, red);
      if (x + 1 < width) PutPixel(t, o + x * 4 + 4, yRow[x + 1], blue, green, red);
    }
  }
}

inline uint8_t ClampDouble(double value) {
  const int truncated = static_cast<int>(value);
  return static_cast<uint8_t>(truncated < 0 ? 0 : truncated > 255 ? 255 : truncated);
}

// How many bits a luma position is shifted right to find its chroma sample
// on one axis: 1 where the chroma plane is smaller (subsampled), else 0.
inline int ChromaShift(int chromaSize, int lumaSize) { return chromaSize < lumaSize ? 1 : 0; }

void ConvertAnyLayout(const YuvPlanes& p, int left, int top, uint8_t* out, int outPitch,
                      int width, int height) {
  const int shiftX = ChromaShift(p.chromaWidth, p.yWidth);
  const int shiftY = ChromaShift(p.chromaHeight, p.yHeight);
  for (int row = 0; row < height; ++row) {
    const int lumaRow = top + row;
    int chromaRow = lumaRow >> shiftY;
    if (chromaRow >= p.chromaHeight) chromaRow = p.chromaHeight - 1;
    uint8_t* o = out + row * outPitch;
    for (int x = 0; x < width; ++x) {
      const int lumaX = left + x;
      int chromaX = lumaX >> shiftX;
      if (chromaX >= p.chromaWidth) chromaX = p.chromaWidth - 1;
      const double luma = (p.y[lumaRow * p.yStride + lumaX] - 16) * 1.164;
      const int u = p.u[chromaRow * p.chromaStride + chromaX] - 128;
      const int v = p.v[chromaRow * p.chromaStride + chromaX] - 128;
      o[x * 4 + 0] = ClampDouble(luma + 2.018 * u);
      o[x * 4 + 1] = ClampDouble(luma - 0.391 * u - 0.813 * v);
      o[x * 4 + 2] = ClampDouble(luma + 1.596 * v);
      o[x * 4 + 3] = 255;
    }
  }
}

// A 4:2:0 frame seen from an even offset on: the same frame with the planes
// starting there, still exactly half in chroma.
YuvPlanes Offset420(const YuvPlanes& p, int left, int top) {
  YuvPlanes moved = p;
  moved.y += top * p.yStride + left;
  moved.u += (top / 2) * p.chromaStride + left / 2;
  moved.v += (top / 2) * p.chromaStride + left / 2;
  moved.yWidth -= left;
  moved.yHeight -= top;
  moved.chromaWidth -= left / 2;
  moved.chromaHeight -= top / 2;
  return moved;
}

// The two packed layouts differ only in where luma and chroma sit in a pair.
template <int kY0, int kU, int kY1, int kV>
void PackPairs(const YuvPlanes& p, uint8_t* surface, int pitch, int width, int height) {
  for (int row = 0; row < height; ++row) {
    const uint8_t* yRow = p.y + row * p.yStride;
    const uint8_t* uRow = p.u + (row / 2) * p.chromaStride;
    const uint8_t* vRow = p.v + (row / 2) * p.chromaStride;
    uint8_t* o = surface + row * pitch;
    for (int x = 0; x + 1 < width; x += 2) {
      o[x * 2 + kY0] = yRow[x];
      o[x * 2 + kU] = uRow[x / 2];
      o[x * 2 + kY1] = yRow[x + 1];
      o[x * 2 + kV] = vRow[x / 2];
    }
  }
}

void PackYv12(const YuvPlanes& p, uint8_t* surface, int pitch, int width, int height) {
  for (int row = 0; row < height; ++row) {
    memcpy(surface + row * pitch, p.y + row * p.yStride, static_cast<size_t>(width));
  }
  const int chromaPitch = pitch / 2;
  const int chromaWidth = width / 2;
  uint8_t* vPlane = surface + height * pitch;
  uint8_t* uPlane = vPlane + (height / 2) * chromaPitch;
  for (int row = 0; row < height / 2; ++row) {
    memcpy(vPlane + row * chromaPitch, p.v + row * p.chromaStride,
           static_cast<size_t>(chromaWidth));
    memcpy(uPlane + row * chromaPitch, p.u + row * p.chromaStride,
           static_cast<size_t>(chromaWidth));
  }
}

}  // namespace

bool IsYuv420(const YuvPlanes& planes) {
  return planes.chromaWidth * 2 == planes.yWidth && planes.chromaHeight * 2 == planes.yHeight;
}

int InitYUVToRGBTables() {
  Tables();
  return 0;
}

void ConvertYuvToXrgb(const YuvPlanes& planes, uint8_t* out, int outPitch, int width,
                      int height) {
  ConvertYuvRegionToXrgb(planes, 0, 0, out, outPitch, width, height);
}

void ConvertYuvRegionToXrgb(const YuvPlanes& planes, int left, int top, uint8_t* out,
                            int outPitch, int width, int height) {
  if (IsYuv420(planes) && left % 2 == 0 && top % 2 == 0) {
    Convert420(Offset420(planes, left, top), out, outPitch, width, height);
  } else {
    ConvertAnyLayout(planes, left, top, out, outPitch, width, height);
  }
}

bool PackYuvToSurface(const YuvPlanes& planes, uint32_t fourCC, uint8_t* surface, int pitch,
                      int width, int height) {
  return PackYuvRegionToSurface(planes, 0, 0, fourCC, surface, pitch, width, height);
}

bool PackYuvRegionToSurface(const YuvPlanes& full, int left, int top, uint32_t fourCC,
                            uint8_t* surface, int pitch, int width, int height) {
  if (!IsYuv420(full) || left % 2 != 0 || top % 2 != 0) return false;
  const YuvPlanes planes = Offset420(full, left, top);
  switch (fourCC) {
    case kFourCCYV12:
      PackYv12(planes, surface, pitch, width, height);
      return true;
    case kFourCCYUY2:
      PackPairs<0, 1, 2, 3>(planes, surface, pitch, width, height);
      return true;
    case kFourCCUYVY:
      PackPairs<1, 0, 3, 2>(planes, surface, pitch, width, height);
      return true;
    default:
      return false;
  }
}
