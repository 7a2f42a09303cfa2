#include <windows.h>
#include <d3d9.h>

#include "direct3d9/d3d_types.h"
#include "direct3d9/device_ops.h"
#include "direct3d9/direct3d_state.h"

static_assert(sizeof(D_D3DVIEWPORT9) == sizeof(D3DVIEWPORT9), "viewport layout");
static_assert(sizeof(D_D3DLIGHT9) == sizeof(D3DLIGHT9), "light layout");
static_assert(sizeof(D_D3DMATERIAL9) == sizeof(D3DMATERIAL9), "material layout");
static_assert(sizeof(Matrix44) == sizeof(D3DMATRIX), "matrix layout");
static_assert(sizeof(IntRect) == sizeof(RECT), "rectangle layout");

namespace {

DeviceOps* installedOps = nullptr;

}  // namespace

DeviceOps* GetDeviceOps() { return installedOps; }

DeviceOps* InstallDeviceOps(DeviceOps* ops) {
  DeviceOps* previous = installedOps;
  installedOps = ops;
  return previous;
}

// Forwards every call to the device of Direct3DState.
class Direct3DDeviceOps final : public DeviceOps {
 public:
  long SetRenderState(uint32_t state, uint32_t value) override {
    return Device()->SetRenderState(static_cast<D3DRENDERSTATETYPE>(state), value);
  }
  long SetSamplerState(uint32_t sampler, uint32_t type, uint32_t value) override {
    return Device()->SetSamplerState(sampler, static_cast<D3DSAMPLERSTATETYPE>(type), value);
  }
  long SetTextureStageState(uint32_t stage, uint32_t type, uint32_t value) override {
    return Device()->SetTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(type),
                                          value);
  }
  long SetTexture(uint32_t stage, void* texture) override {
    return Device()->SetTexture(stage, static_cast<IDirect3DBaseTexture9*>(texture));
  }
  long SetTransform(uint32_t state, const Matrix44* matrix) override {
    return Device()->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(state),
                                  reinterpret_cast<const D3DMATRIX*>(matrix));
  }
  long SetFVF(uint32_t fvf) override { return Device()->SetFVF(fvf); }
  long DrawPrimitiveUP(int primitiveType, uint32_t primitiveCount, const void* vertices,
                       uint32_t stride) override {
    return Device()->DrawPrimitiveUP(static_cast<D3DPRIMITIVETYPE>(primitiveType),
                                     primitiveCount, vertices, stride);
  }
  long DrawIndexedPrimitiveUP(int primitiveType, uint32_t minIndex, uint32_t vertexCount,
                              uint32_t primitiveCount, const uint16_t* indices,
                              const void* vertices, uint32_t stride) override {
    return Device()->DrawIndexedPrimitiveUP(static_cast<D3DPRIMITIVETYPE>(primitiveType),
                                            minIndex, vertexCount, primitiveCount, indices,
                                            D3DFMT_INDEX16, vertices, stride);
  }
  long SetVertexShader(void* shader) override {
    return Device()->SetVertexShader(static_cast<IDirect3DVertexShader9*>(shader));
  }
  long SetPixelShader(void* shader) override {
    return Device()->SetPixelShader(static_cast<IDirect3DPixelShader9*>(shader));
  }
  long SetVertexShaderConstantF(uint32_t first, const float* values, uint32_t count) override {
    return Device()->SetVertexShaderConstantF(first, values, count);
  }
  long SetPixelShaderConstantF(uint32_t first, const float* values, uint32_t count) override {
    return Device()->SetPixelShaderConstantF(first, values, count);
  }
  long SetVertexShaderConstantB(uint32_t first, const int* values, uint32_t count) override {
    return Device()->SetVertexShaderConstantB(first, values, count);
  }
  long SetViewport(const D_D3DVIEWPORT9* viewport) override {
    return Device()->SetViewport(reinterpret_cast<const D3DVIEWPORT9*>(viewport));
  }
  long SetScissorRect(const IntRect* rect) override {
    return Device()->SetScissorRect(reinterpret_cast<const RECT*>(rect));
  }
  long SetRenderTarget(uint32_t index, void* surface) override {
    return Device()->SetRenderTarget(index, static_cast<IDirect3DSurface9*>(surface));
  }
  long GetSurfaceSize(void* surface, int* width, int* height) override {
    D3DSURFACE_DESC desc;
    if (!surface) return E_POINTER;
    HRESULT hr = static_cast<IDirect3DSurface9*>(surface)->GetDesc(&desc);
    if (FAILED(hr)) return hr;
    *width = static_cast<int>(desc.Width);
    *height = static_cast<int>(desc.Height);
    return S_OK;
  }
  long SetLight(uint32_t index, const D_D3DLIGHT9* light) override {
    return Device()->SetLight(index, reinterpret_cast<const D3DLIGHT9*>(light));
  }
  long LightEnable(uint32_t index, int enable) override {
    return Device()->LightEnable(index, enable);
  }
  long SetMaterial(const D_D3DMATERIAL9* material) override {
    return Device()->SetMaterial(reinterpret_cast<const D3DMATERIAL9*>(material));
  }
  long GetMaterial(D_D3DMATERIAL9* material) override {
    return Device()->GetMaterial(reinterpret_cast<D3DMATERIAL9*>(material));
  }
  long BeginScene() override { return Device()->BeginScene(); }
  long EndScene() override { return Device()->EndScene(); }
  long Present() override { return Device()->Present(nullptr, nullptr, nullptr, nullptr); }

 private:
  static IDirect3DDevice9* Device() { return GetDirect3DState().device; }
};

DeviceOps* GetDirect3DDeviceOps() {
  static Direct3DDeviceOps ops;
  return &ops;
}
