// The device calls that the state cache, the batches and the blend
// translation make. The running device is reached through this interface so
// that the logic above it stays free of COM and can be watched call by call;
// d3d9_device_ops.cpp forwards each call to IDirect3DDevice9.
#ifndef OMBREL_DIRECT3D9_DEVICE_OPS_H
#define OMBREL_DIRECT3D9_DEVICE_OPS_H

#include <stdint.h>

#include "Ombrel.h"
#include "direct3d9/d3d_types.h"

// Results are HRESULT values: negative is a failure. Textures, surfaces and
// shaders are the device's interface pointers, passed through untouched.
class DeviceOps {
 public:
  virtual ~DeviceOps() = default;
  virtual long SetRenderState(uint32_t state, uint32_t value) = 0;
  virtual long SetSamplerState(uint32_t sampler, uint32_t type, uint32_t value) = 0;
  virtual long SetTextureStageState(uint32_t stage, uint32_t type, uint32_t value) = 0;
  virtual long SetTexture(uint32_t stage, void* texture) = 0;
  virtual long SetTransform(uint32_t state, const Matrix44* matrix) = 0;
  virtual long SetFVF(uint32_t fvf) = 0;
  virtual long DrawPrimitiveUP(int primitiveType, uint32_t primitiveCount, const void* vertices,
                               uint32_t stride) = 0;
  virtual long DrawIndexedPrimitiveUP(int primitiveType, uint32_t minIndex, uint32_t vertexCount,
                                      uint32_t primitiveCount, const uint16_t* indices,
                                      const void* vertices, uint32_t stride) = 0;
  virtual long SetVertexShader(void* shader) = 0;
  virtual long SetPixelShader(void* shader) = 0;
  virtual long SetVertexShaderConstantF(uint32_t first, const float* values, uint32_t count) = 0;
  virtual long SetPixelShaderConstantF(uint32_t first, const float* values, uint32_t count) = 0;
  virtual long SetVertexShaderConstantB(uint32_t first, const int* values, uint32_t count) = 0;
  virtual long SetViewport(const D_D3DVIEWPORT9* viewport) = 0;
  virtual long SetScissorRect(const IntRect* rect) = 0;
  virtual long SetRenderTarget(uint32_t index, void* surface) = 0;
  // 0 with the surface's size, or a negative result.
  virtual long GetSurfaceSize(void* surface, int* width, int* height) = 0;
  virtual long SetLight(uint32_t index, const D_D3DLIGHT9* light) = 0;
  virtual long LightEnable(uint32_t index, int enable) = 0;
  virtual long SetMaterial(const D_D3DMATERIAL9* material) = 0;
  virtual long GetMaterial(D_D3DMATERIAL9* material) = 0;
  virtual long BeginScene() = 0;
  virtual long EndScene() = 0;
  // Present with null arguments: the whole back buffer to the device window.
  virtual long Present() = 0;
};

// The device's calls, or null while no device exists: every "without a
// device" rule of the layer tests this.
DeviceOps* GetDeviceOps();
// Device creation installs the real device's calls and release removes
// them; returns the calls installed before.
DeviceOps* InstallDeviceOps(DeviceOps* ops);

#endif
