// DeviceStateCache: the last value sent to the device for every state the
// library controls, and the cached setters that skip a value equal to the
// cached one unless forceResend is set. Every setter that changes device
// state flushes the vertex batch first, so batched vertices are drawn under
// the state they were made for.
#ifndef OMBREL_DIRECT3D9_DEVICE_STATE_CACHE_H
#define OMBREL_DIRECT3D9_DEVICE_STATE_CACHE_H

#include <stdint.h>

#include "Ombrel.h"
#include "direct3d9/blend_info.h"
#include "direct3d9/d3d_types.h"

constexpr int kDeviceLightCount = 256;
constexpr int kVertexConstantCount = 256;
constexpr int kPixelConstantCount = 32;

struct VertexBatch {
  uint8_t* buffers[2][3];
  int kind;
  int count;
  int type;
  int primitiveType;
  uint8_t* writePointer;
};

struct DeviceStateCache {
  int whiteGraph;
  void* renderTarget;
  D_D3DVIEWPORT9 viewport;
  IntRect scissor;

  VertexBatch batch;
  uint32_t deviceColor;
  float blendTextureWidth;
  float blendTextureHeight;
  float blendTextureInvWidth;
  float blendTextureInvHeight;

  void* drawTexture;
  void* blendTexture;
  void* volumeTexture;

  DeviceBlendInfo sentBlend;
  DeviceBlendInfo userBlend;
  int userBlendActive;
  int userTexturesOnly;

  int filterMode;
  int maxAnisotropy;
  int stageMaxAnisotropy[8];
  int magFilter[8];
  int minFilter[8];
  int mipFilter[8];

  int zEnable;
  int zWriteEnable;
  int zFunc;
  uint32_t depthBias;

  int textureTransformFlag[8];
  Matrix44 textureMatrix[8];
  int transformPending;

  int shadeMode;
  int fillMode;
  int cullMode;

  int addressU[8];
  int addressV[8];
  int addressW[8];

  int fogEnable;
  int fogMode;
  uint32_t fogColor;
  float fogStart;
  float fogEnd;
  float fogDensity;

  int lightingEnable;
  int highestLight;
  int lightEnabled[kDeviceLightCount];
  D_D3DLIGHT9 lights[kDeviceLightCount];

  D_D3DCOLORVALUE ambient;
  D_D3DMATERIAL9 material;

  int diffuseFromVertex;
  int specularFromVertex;
  int specularEnable;

  int colorModulate;
  int alphaModulate;
  int drawBlendMode;
  int blendBorderParam;
  int blendRangeParam;
  int alphaBlendTexture;
  int alphaTestFuncOverride;  // -1 none
  int alphaTestRefOverride;
  int colorKey;
  int blendDirty;
  int textureDirty;
  int suppressDraw;

  void* vertexShader;
  void* pixelShader;
  void* vertexDeclaration;
  uint32_t fvf;
  int shaderWord1;
  int shaderWord2;

  int forceResend;

  float vsConstants[kVertexConstantCount][4];
  float psConstants[kPixelConstantCount][4];
};

DeviceStateCache& GetDeviceStateCache();

int SetDeviceFilterMode(int mode);
int SetDeviceMaxAnisotropy(int value);
int SetDeviceBlendMode(int mode, int alphaBlendTexture, int colorKey);
int SetDeviceAlphaTestMode(int function, int reference);
int SetDeviceTexture(void* texture);
int SetDeviceBlendTexture(void* texture, int borderParam, int rangeParam);
int SetDeviceZEnable(int flag);
int SetDeviceZWriteEnable(int value);
int SetDeviceZFunc(int function);
int SetDeviceDepthBias(uint32_t bits);
int SetDeviceDiffuseSource(int flag);
int SetDeviceSpecularSource(int flag);
int SetDeviceCullMode(int mode);
int SetDeviceTextureAddress(int mode, int stage);
int SetDeviceTextureAddressU(int mode, int stage);
int SetDeviceTextureAddressV(int mode, int stage);
int SetDeviceTextureAddressW(int mode, int stage);
int SetDeviceTextureTransform(int stage, int flag, const Matrix44* matrix);
int SetDeviceFogEnable(int flag);
int SetDeviceFogMode(int mode);
int SetDeviceFogColor(uint32_t color);
int SetDeviceFogRange(float start, float end);
int SetDeviceFogDensity(float density);
int SetDeviceLighting(int flag);
int ResetDeviceTexCoordIndexes();
int SetDeviceWorldTransform(const Matrix44* matrix);
int SetDeviceViewTransform(const Matrix44* matrix);
int SetDeviceProjectionTransform(const Matrix44* matrix);
void SetVertexShaderConstants(int count, int first, const float* values);
void SetPixelShaderConstants(int count, int first, const float* values);
int SetDeviceViewport(const D_D3DVIEWPORT9* viewport);
int SetDeviceViewportRect(int x1, int y1, int x2, int y2);
int SetDeviceScissorRect(const IntRect* rect);
int SetDeviceRenderTarget(void* surface);
int SetDeviceLight(int index, const D_D3DLIGHT9* light);
int EnableDeviceLight(int index, int flag);
int SetDeviceMaterial(const D_D3DMATERIAL9* material);
int SetDeviceAmbientColor(uint32_t argb);
void UploadAmbientShaderConstants();
// Drops every device object the cache names, after the device that made
// them was released, so that no later call sets a released object.
void ForgetDeviceObjects();
// Takes both shaders off the device and forgets them and the declaration.
void UnsetDeviceShaders();

#endif
