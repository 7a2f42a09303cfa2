// A stand-in device for the device layer's platform-free logic: it records
// every call the state cache, batches and blend translation make, so that
// tests can see exactly what would reach a device.
#ifndef OMBREL_TESTS_SUPPORT_RECORDING_DEVICE_OPS_H
#define OMBREL_TESTS_SUPPORT_RECORDING_DEVICE_OPS_H

#include <stdint.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "direct3d9/device_ops.h"

struct DeviceCall {
  std::string name;  // the DeviceOps method
  uint32_t a = 0;    // its first arguments, as numbers
  uint32_t b = 0;
  uint32_t c = 0;
  const void* pointer = nullptr;
};

class RecordingDeviceOps : public DeviceOps {
 public:
  std::vector<DeviceCall> calls;
  D_D3DMATERIAL9 material = {};
  int surfaceWidth = 640;
  int surfaceHeight = 480;
  long failWith = 0;  // returned by every call when negative

  size_t Count(const std::string& name) const;
  // Calls of SetRenderState / SetSamplerState / SetTextureStageState for one state.
  size_t CountRenderState(uint32_t state) const;
  size_t CountSamplerState(uint32_t stage, uint32_t type) const;
  size_t CountStageState(uint32_t stage, uint32_t type) const;
  // The last value sent for a state, or -1 when none was.
  int64_t LastRenderState(uint32_t state) const;
  int64_t LastSamplerState(uint32_t stage, uint32_t type) const;
  int64_t LastStageState(uint32_t stage, uint32_t type) const;
  const void* LastTexture(uint32_t stage) const;

  long SetRenderState(uint32_t state, uint32_t value) override;
  long SetSamplerState(uint32_t sampler, uint32_t type, uint32_t value) override;
  long SetTextureStageState(uint32_t stage, uint32_t type, uint32_t value) override;
  long SetTexture(uint32_t stage, void* texture) override;
  long SetTransform(uint32_t state, const Matrix44* matrix) override;
  long SetFVF(uint32_t fvf) override;
  long DrawPrimitiveUP(int primitiveType, uint32_t primitiveCount, const void* vertices,
                       uint32_t stride) override;
  long DrawIndexedPrimitiveUP(int primitiveType, uint32_t minIndex, uint32_t vertexCount,
                              uint32_t primitiveCount, const uint16_t* indices,
                              const void* vertices, uint32_t stride) override;
  long SetVertexShader(void* shader) override;
  long SetPixelShader(void* shader) override;
  long SetVertexShaderConstantF(uint32_t first, const float* values, uint32_t count) override;
  long SetPixelShaderConstantF(uint32_t first, const float* values, uint32_t count) override;
  long SetVertexShaderConstantB(uint32_t first, const int* values, uint32_t count) override;
  long SetViewport(const D_D3DVIEWPORT9* viewport) override;
  long SetScissorRect(const IntRect* rect) override;
  long SetRenderTarget(uint32_t index, void* surface) override;
  long GetSurfaceSize(void* surface, int* width, int* height) override;
  long SetLight(uint32_t index, const D_D3DLIGHT9* light) override;
  long LightEnable(uint32_t index, int enable) override;
  long SetMaterial(const D_D3DMATERIAL9* material) override;
  long GetMaterial(D_D3DMATERIAL9* material) override;
  long BeginScene() override;
  long EndScene() override;
  long Present() override;

 private:
  long Record(const char* name, uint32_t a = 0, uint32_t b = 0, uint32_t c = 0,
              const void* pointer = nullptr);
};

// Installs a recording device over a cleared state cache and Direct3DState,
// with an empty batch, and removes it afterwards.
class RecordingDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  RecordingDeviceOps ops_;
};

#endif
