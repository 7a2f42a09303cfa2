// The Direct3D side of the Theora decoder: the off-screen YUV surface that a
// hardware graph can show a frame from.
#include <windows.h>
#include <d3d9.h>

#include "direct3d9/direct3d_state.h"
#include "sound/theora_decoder.h"
#include "sound/yuv_to_rgb.h"

namespace {

constexpr uint32_t kSurfaceFourCCs[] = {kFourCCYV12, kFourCCYUY2, kFourCCUYVY};
constexpr int kLockTries = 3;

}  // namespace

void ReleaseTheoraYUVSurface(TheoraDecoder* decoder) {
  if (decoder->yuvSurface) decoder->yuvSurface->Release();
  decoder->yuvSurface = nullptr;
}

int CreateTheoraYUVSurface(TheoraDecoder* decoder) {
  ReleaseTheoraYUVSurface(decoder);
  decoder->yuvFourCC = 0;
  const Direct3DState& d3d = GetDirect3DState();
  if (!d3d.hardwareActive || !d3d.device) return 0;
  for (const uint32_t fourCC : kSurfaceFourCCs) {
    IDirect3DSurface9* surface = nullptr;
    const HRESULT result = d3d.device->CreateOffscreenPlainSurface(
        static_cast<UINT>(decoder->pictureWidth), static_cast<UINT>(decoder->pictureHeight),
        static_cast<D3DFORMAT>(fourCC),
        D3DPOOL_DEFAULT, &surface, nullptr);
    if (SUCCEEDED(result) && surface) {
      decoder->yuvSurface = surface;
      decoder->yuvFourCC = fourCC;
      return 0;
    }
  }
  return -1;
}

int CopyTheoraFrameToSurface(TheoraDecoder* decoder, const TheoraFrameSlot& slot) {
  D3DLOCKED_RECT locked{};
  bool isLocked = false;
  // A surface lost with the device is made again and tried once more.
  for (int attempt = 0; attempt < kLockTries && decoder->yuvSurface; ++attempt) {
    if (SUCCEEDED(decoder->yuvSurface->LockRect(&locked, nullptr, 0))) {
      isLocked = true;
      break;
    }
    CreateTheoraYUVSurface(decoder);
  }
  if (!isLocked) return 0;
  const YuvPlanes planes{slot.y,           slot.u,           slot.v,          slot.yWidth,
                         slot.yHeight,     slot.yStride,     slot.chromaWidth, slot.chromaHeight,
                         slot.chromaStride};
  const int reachX = slot.yWidth - decoder->pictureLeft;
  const int reachY = slot.yHeight - decoder->pictureTop;
  const int width = reachX < decoder->pictureWidth ? reachX : decoder->pictureWidth;
  const int height = reachY < decoder->pictureHeight ? reachY : decoder->pictureHeight;
  const bool copied =
      width > 0 && height > 0 &&
      PackYuvRegionToSurface(planes, decoder->pictureLeft, decoder->pictureTop,
                             decoder->yuvFourCC, static_cast<uint8_t*>(locked.pBits),
                             locked.Pitch, width, height);
  decoder->yuvSurface->UnlockRect();
  return copied ? 1 : 0;
}
