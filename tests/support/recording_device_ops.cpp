#include "support/recording_device_ops.h"

#include "direct3d9/core_inputs.h"
#include "direct3d9/device_state_cache.h"
#include "direct3d9/direct3d_state.h"
#include "direct3d9/vertex_batch.h"

size_t RecordingDeviceOps::Count(const std::string& name) const {
  size_t n = 0;
  for (const DeviceCall& call : calls) n += call.name == name;
  return n;
}

size_t RecordingDeviceOps::CountRenderState(uint32_t state) const {
  size_t n = 0;
  for (const DeviceCall& call : calls) n += call.name == "SetRenderState" && call.a == state;
  return n;
}

size_t RecordingDeviceOps::CountSamplerState(uint32_t stage, uint32_t type) const {
  size_t n = 0;
  for (const DeviceCall& call : calls)
    n += call.name == "SetSamplerState" && call.a == stage && call.b == type;
  return n;
}

size_t RecordingDeviceOps::CountStageState(uint32_t stage, uint32_t type) const {
  size_t n = 0;
  for (const DeviceCall& call : calls)
    n += call.name == "SetTextureStageState" && call.a == stage && call.b == type;
  return n;
}

int64_t RecordingDeviceOps::LastRenderState(uint32_t state) const {
  int64_t value = -1;
  for (const DeviceCall& call : calls)
    if (call.name == "SetRenderState" && call.a == state) value = call.b;
  return value;
}

int64_t RecordingDeviceOps::LastSamplerState(uint32_t stage, uint32_t type) const {
  int64_t value = -1;
  for (const DeviceCall& call : calls)
    if (call.name == "SetSamplerState" && call.a == stage && call.b == type) value = call.c;
  return value;
}

int64_t RecordingDeviceOps::LastStageState(uint32_t stage, uint32_t type) const {
  int64_t value = -1;
  for (const DeviceCall& call : calls)
    if (call.name == "SetTextureStageState" && call.a == stage && call.b == type) value = call.c;
  return value;
}

const void* RecordingDeviceOps::LastTexture(uint32_t stage) const {
  const void* texture = nullptr;
  for (const DeviceCall& call : calls)
    if (call.name == "SetTexture" && call.a == stage) texture = call.pointer;
  return texture;
}

long RecordingDeviceOps::Record(const char* name, uint32_t a, uint32_t b, uint32_t c,
                                const void* pointer) {
  calls.push_back({name, a, b, c, pointer});
  return failWith < 0 ? failWith : 0;
}

long RecordingDeviceOps::SetRenderState(uint32_t state, uint32_t value) {
  return Record("SetRenderState", state, value);
}
long RecordingDeviceOps::SetSamplerState(uint32_t sampler, uint32_t type, uint32_t value) {
  return Record("SetSamplerState", sampler, type, value);
}
long RecordingDeviceOps::SetTextureStageState(uint32_t stage, uint32_t type, uint32_t value) {
  return Record("SetTextureStageState", stage, type, value);
}
long RecordingDeviceOps::SetTexture(uint32_t stage, void* texture) {
  return Record("SetTexture", stage, 0, 0, texture);
}
long RecordingDeviceOps::SetTransform(uint32_t state, const Matrix44* matrix) {
  return Record("SetTransform", state, 0, 0, matrix);
}
long RecordingDeviceOps::SetFVF(uint32_t fvf) { return Record("SetFVF", fvf); }
long RecordingDeviceOps::DrawPrimitiveUP(int primitiveType, uint32_t primitiveCount,
                                         const void* vertices, uint32_t stride) {
  return Record("DrawPrimitiveUP", primitiveType, primitiveCount, stride, vertices);
}
long RecordingDeviceOps::DrawIndexedPrimitiveUP(int primitiveType, uint32_t, uint32_t vertexCount,
                                                uint32_t primitiveCount, const uint16_t*,
                                                const void* vertices, uint32_t) {
  return Record("DrawIndexedPrimitiveUP", primitiveType, primitiveCount, vertexCount, vertices);
}
long RecordingDeviceOps::SetVertexShader(void* shader) {
  return Record("SetVertexShader", 0, 0, 0, shader);
}
long RecordingDeviceOps::SetPixelShader(void* shader) {
  return Record("SetPixelShader", 0, 0, 0, shader);
}
long RecordingDeviceOps::SetVertexShaderConstantF(uint32_t first, const float*, uint32_t count) {
  return Record("SetVertexShaderConstantF", first, count);
}
long RecordingDeviceOps::SetPixelShaderConstantF(uint32_t first, const float*, uint32_t count) {
  return Record("SetPixelShaderConstantF", first, count);
}
long RecordingDeviceOps::SetVertexShaderConstantB(uint32_t first, const int* values,
                                                  uint32_t count) {
  return Record("SetVertexShaderConstantB", first, count, values[0]);
}
long RecordingDeviceOps::SetViewport(const D_D3DVIEWPORT9* viewport) {
  return Record("SetViewport", viewport->Width, viewport->Height, viewport->X);
}
long RecordingDeviceOps::SetScissorRect(const IntRect* rect) {
  return Record("SetScissorRect", rect->right, rect->bottom);
}
long RecordingDeviceOps::SetRenderTarget(uint32_t index, void* surface) {
  return Record("SetRenderTarget", index, 0, 0, surface);
}
long RecordingDeviceOps::GetSurfaceSize(void*, int* width, int* height) {
  *width = surfaceWidth;
  *height = surfaceHeight;
  return 0;
}
long RecordingDeviceOps::SetLight(uint32_t index, const D_D3DLIGHT9* light) {
  return Record("SetLight", index, light->Type);
}
long RecordingDeviceOps::LightEnable(uint32_t index, int enable) {
  return Record("LightEnable", index, enable);
}
long RecordingDeviceOps::SetMaterial(const D_D3DMATERIAL9*) { return Record("SetMaterial"); }
long RecordingDeviceOps::GetMaterial(D_D3DMATERIAL9* out) {
  *out = material;
  return Record("GetMaterial");
}
long RecordingDeviceOps::BeginScene() { return Record("BeginScene"); }
long RecordingDeviceOps::EndScene() { return Record("EndScene"); }
long RecordingDeviceOps::Present() { return Record("Present"); }

void RecordingDeviceTest::SetUp() {
  GetDeviceStateCache() = DeviceStateCache{};
  GetDirect3DState() = Direct3DState{};
  ResetDeviceCoreInputs();
  InitializeVertexBatch();
  GetDeviceStateCache().alphaTestFuncOverride = -1;
  InstallDeviceOps(&ops_);
}

void RecordingDeviceTest::TearDown() { InstallDeviceOps(nullptr); }
