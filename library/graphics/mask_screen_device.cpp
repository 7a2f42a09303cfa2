#include <windows.h>
#include <d3d9.h>

#include <string.h>

#include "direct3d9/blend_apply.h"
#include "direct3d9/device_ops.h"
#include "direct3d9/device_state_cache.h"
#include "direct3d9/direct3d_state.h"
#include "direct3d9/surface_formats.h"
#include "direct3d9/vertex_batch.h"
#include "graphics/color_format.h"
#include "graphics/draw_state.h"
#include "graphics/graph_textures.h"
#include "graphics/mask_screen.h"
#include "graphics/mask_screen_device.h"

namespace {

constexpr int kMaskColorFormatKind = 14;
constexpr int kMaskAlphaFormatKind = 15;
// Pre-transformed position, colour and one texture coordinate pair.
constexpr uint32_t kDrawBackFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct DrawBackVertex {
  float x, y, z, rhw;
  uint32_t color;
  float u, v;
};
static_assert(sizeof(DrawBackVertex) == 28, "pre-transformed textured vertex");

int PowerOfTwoAtLeast(int value) {
  int size = 1;
  while (size < value) size *= 2;
  return size;
}

template <typename T>
void ReleaseObject(void*& object) {
  if (object) static_cast<T*>(object)->Release();
  object = nullptr;
}

// The viewport on the draw area, sent even when the cache holds it: a new
// render target has just reset the device's viewport to the whole surface.
void ForceDrawAreaViewport() {
  DeviceStateCache& cache = GetDeviceStateCache();
  const IntRect& area = GetDrawState().drawArea;
  const int force = cache.forceResend;
  cache.forceResend = 1;
  SetDeviceViewportRect(area.left, area.top, area.right, area.bottom);
  cache.forceResend = force;
}

BlendStageRecord Stage(void* texture, int16_t alphaOp, int16_t alphaArg1, int16_t colorOp,
                       int16_t colorArg1) {
  return {texture, 0, 0, alphaArg1, -1, alphaOp, colorArg1, -1, colorOp};
}

// The screen texture's colour where the image texture's alpha passes the
// test: 0 lets through for reverse 0, anything else for reverse 1.
DeviceBlendInfo DrawBackDescription(const MaskState& mask) {
  DeviceBlendInfo info = {};
  info.alphaTestEnable = 1;
  info.alphaRef = 0;
  info.alphaFunc = mask.reverse ? D3DCMP_NOTEQUAL : D3DCMP_EQUAL;
  info.alphaBlendEnable = 0;
  info.textureFactor = 0xFFFFFFFF;
  info.srcBlend = info.destBlend = info.blendOp = -1;
  info.stageCount = 2;
  info.stages[0] = Stage(mask.screenTexture, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTOP_SELECTARG1,
                         D3DTA_TEXTURE);
  info.stages[1] = Stage(mask.imageTexture, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTOP_SELECTARG1,
                         D3DTA_CURRENT);
  info.stages[2] = {nullptr, -1, -1, -1, -1, D3DTOP_DISABLE, -1, -1, D3DTOP_DISABLE};
  return info;
}

// The alpha of a mask byte in a channel of the given width: zero stays zero
// and anything else stays nonzero, which is all the test reads.
uint32_t MaskAlpha(uint8_t byte, int width) {
  if (byte == 0 || width <= 0) return 0;
  if (width >= 8) return byte;
  const uint32_t value = byte >> (8 - width);
  return value ? value : 1;
}

}  // namespace

int ApplyDeviceBlendInfoNow(const DeviceBlendInfo* info, uint32_t textureFactor, int handleFlag) {
  if (!GetDeviceOps() || !info) return -1;
  FlushVertexBatch();
  DeviceBlendInfo working = *info;
  working.textureFactor = textureFactor;
  ApplyDeviceBlendState(&working, handleFlag, 0);
  DeviceStateCache& cache = GetDeviceStateCache();
  cache.blendDirty = 1;
  cache.textureDirty = 1;
  return 0;
}

void CreateMaskDeviceObjects(int width, int height) {
  MaskState& mask = GetMaskState();
  const Direct3DState& d3d = GetDirect3DState();
  IDirect3DDevice9* device = d3d.device;
  if (!device) return;
  mask.textureWidth = PowerOfTwoAtLeast(width);
  mask.textureHeight = PowerOfTwoAtLeast(height);
  if (!mask.imageTexture) {
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(device->CreateTexture(mask.textureWidth, mask.textureHeight, 1, D3DUSAGE_DYNAMIC,
                                     static_cast<D3DFORMAT>(d3d.textureFormats[kMaskAlphaFormatKind]),
                                     D3DPOOL_DEFAULT, &texture, nullptr)) ||
        !texture) {
      ExitWithError("マスク用イメージテクスチャの作成に失敗しました");
      return;
    }
    mask.imageTexture = texture;
    // A texture made again after a device loss takes the mask it had.
    UploadMaskImageTexture();
  }
  if (!mask.screenTexture) {
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(device->CreateTexture(mask.textureWidth, mask.textureHeight, 1,
                                     D3DUSAGE_RENDERTARGET,
                                     static_cast<D3DFORMAT>(d3d.textureFormats[kMaskColorFormatKind]),
                                     D3DPOOL_DEFAULT, &texture, nullptr)) ||
        !texture) {
      ExitWithError("マスク用スクリーンテクスチャの作成に失敗しました");
      return;
    }
    mask.screenTexture = texture;
  }
  if (!mask.screenSurface) {
    IDirect3DSurface9* surface = nullptr;
    if (SUCCEEDED(static_cast<IDirect3DTexture9*>(mask.screenTexture)->GetSurfaceLevel(0, &surface)))
      mask.screenSurface = surface;
  }
}

void ReleaseMaskDeviceObjects() {
  MaskState& mask = GetMaskState();
  // The surface may be the render target; the device keeps its own
  // reference until another target is set.
  ReleaseObject<IDirect3DTexture9>(mask.imageTexture);
  ReleaseObject<IDirect3DSurface9>(mask.screenSurface);
  ReleaseObject<IDirect3DTexture9>(mask.screenTexture);
  mask.savedTarget = nullptr;
}

int UploadMaskImageTexture() {
  MaskState& mask = GetMaskState();
  auto* texture = static_cast<IDirect3DTexture9*>(mask.imageTexture);
  if (!texture || !mask.buffer) return -1;
  const ColorFormat* format =
      GetD3DFormatColorFormat(GetDirect3DState().textureFormats[kMaskAlphaFormatKind]);
  if (!format) return -1;
  // Pending draws may read the texture.
  FlushVertexBatch();
  D3DLOCKED_RECT locked = {};
  if (FAILED(texture->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD))) return -1;
  const int bytes = format->bytesPerPixel;
  for (int y = 0; y < mask.textureHeight; ++y) {
    auto* row = static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch;
    memset(row, 0, static_cast<size_t>(mask.textureWidth) * bytes);
    if (y >= mask.height) continue;
    const uint8_t* source = mask.buffer + static_cast<size_t>(y) * mask.pitch;
    for (int x = 0; x < mask.width; ++x) {
      if (!source[x]) continue;
      const uint32_t value = MaskAlpha(source[x], format->alphaWidth) << format->alphaShift;
      memcpy(row + x * bytes, &value, bytes);
    }
  }
  texture->UnlockRect(0);
  return 0;
}

void* MaskTargetDeviceSurface() {
  const int target = GetDrawState().drawTarget;
  if (target >= 0) return GetGraphSurface(target, nullptr);
  const Direct3DState& d3d = GetDirect3DState();
  return d3d.subBackBuffer ? d3d.subBackBuffer : d3d.backBuffer;
}

void RouteMaskRenderTarget(bool toMask) {
  if (!GetDeviceOps()) return;
  FlushVertexBatch();
  void* surface = toMask && GetMaskState().screenSurface ? GetMaskState().screenSurface
                                                         : MaskTargetDeviceSurface();
  if (!surface) return;
  SetDeviceRenderTarget(surface);
  ForceDrawAreaViewport();
}

void CopyTargetToMaskSurface(const IntRect& r) {
  MaskState& mask = GetMaskState();
  IDirect3DDevice9* device = GetDirect3DState().device;
  mask.savedTarget = MaskTargetDeviceSurface();
  if (!device || !mask.savedTarget || !mask.screenSurface) return;
  FlushVertexBatch();
  EndDeviceScene();
  const RECT rect = {r.left, r.top, r.right, r.bottom};
  device->StretchRect(static_cast<IDirect3DSurface9*>(mask.savedTarget), &rect,
                      static_cast<IDirect3DSurface9*>(mask.screenSurface), &rect, D3DTEXF_NONE);
}

void DrawMaskedRectBack(const IntRect& r) {
  MaskState& mask = GetMaskState();
  DeviceOps* ops = GetDeviceOps();
  if (!ops || !mask.savedTarget || !mask.screenTexture || !mask.imageTexture) return;
  DeviceStateCache& cache = GetDeviceStateCache();
  // Drawing the primitive into the mask surface ends here.
  SetDeviceRenderTarget(mask.savedTarget);
  const int zEnable = cache.zEnable;
  SetDeviceZEnable(0);
  ForceDrawAreaViewport();
  if (cache.vertexShader || cache.pixelShader) {
    UnsetDeviceShaders();
    cache.fvf = 0;
  }
  // A user alpha-test override would replace the mask's own test.
  const int overrideFunc = cache.alphaTestFuncOverride;
  cache.alphaTestFuncOverride = -1;
  BeginDeviceScene();
  const DeviceBlendInfo info = DrawBackDescription(mask);
  ApplyDeviceBlendInfoNow(&info, 0xFFFFFFFF, 0);
  cache.alphaTestFuncOverride = overrideFunc;
  if (cache.fvf != kDrawBackFvf) {
    ops->SetFVF(kDrawBackFvf);
    cache.fvf = kDrawBackFvf;
  }
  // Half a pixel back puts every texel centre on a pixel centre.
  const float left = r.left - 0.5f, top = r.top - 0.5f;
  const float right = r.right - 0.5f, bottom = r.bottom - 0.5f;
  const float u1 = static_cast<float>(r.left) / mask.textureWidth;
  const float v1 = static_cast<float>(r.top) / mask.textureHeight;
  const float u2 = static_cast<float>(r.right) / mask.textureWidth;
  const float v2 = static_cast<float>(r.bottom) / mask.textureHeight;
  const DrawBackVertex strip[4] = {{left, top, 0.0f, 1.0f, 0xFFFFFFFF, u1, v1},
                                   {right, top, 0.0f, 1.0f, 0xFFFFFFFF, u2, v1},
                                   {left, bottom, 0.0f, 1.0f, 0xFFFFFFFF, u1, v2},
                                   {right, bottom, 0.0f, 1.0f, 0xFFFFFFFF, u2, v2}};
  ops->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, strip, sizeof(DrawBackVertex));
  EndDeviceScene();
  BeginDeviceScene();
  SetUserDeviceBlendInfo(nullptr, 0);
  SetDeviceZEnable(zEnable);
  SetDeviceRenderTarget(mask.screenSurface);
  ForceDrawAreaViewport();
}
