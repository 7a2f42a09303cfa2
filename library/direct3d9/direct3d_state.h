// Direct3DState: the one record of the hardware renderer, read by every
// unit of the device layer. The interface pointers are declared only by
// name here so that platform-free units can include it.
#ifndef OMBREL_DIRECT3D9_DIRECT3D_STATE_H
#define OMBREL_DIRECT3D9_DIRECT3D_STATE_H

#include <stdint.h>

struct HINSTANCE__;
struct IDirectDraw7;
struct IDirect3D9;
struct IDirect3D9Ex;
struct IDirect3DDevice9;
struct IDirect3DDevice9Ex;
struct IDirect3DSwapChain9;
struct IDirect3DSurface9;
struct IDirect3DVolumeTexture9;

constexpr int kTextureFormatKinds = 16;

// The capabilities the layer reads after device creation.
struct DeviceCapsInfo {
  int maxTextureWidth;  // 256 when the device reports 0
  int maxTextureHeight;
  uint32_t primitiveMiscCaps;
  uint32_t vertexShaderVersion;
  uint32_t pixelShaderVersion;
};

struct Direct3DState {
  int hardwareActive;
  HINSTANCE__* d3d9Module;
  int useMultiThread;
  int adapterChosen;
  int adapterIndex;
  int forceSoftwareVertexProcessing;
  int mixedVertexProcessing;
  int vertexShader20;
  int pixelShader20;
  int disableDwm;
  int multiSampleType;
  int multiSampleQuality;
  int backBufferLockChosen;
  int screenFormat;
  int textureFormats[kTextureFormatKinds];
  int zBufferFormat;
  IDirect3D9* direct3D;
  IDirect3D9Ex* direct3DEx;
  IDirect3DDevice9* device;
  IDirect3DDevice9Ex* deviceEx;
  IDirect3DSwapChain9* swapChain;
  int tssTempRegister;
  IDirect3DSurface9* backBuffer;
  IDirect3DSurface9* subBackBuffer;
  IDirect3DSurface9* zBuffer;
  int zBufferWidth;
  int zBufferHeight;
  const uint8_t* lastDrawImageFlags;
  void* lastDrawTexture;
  int lastDrawFlags;
  DeviceCapsInfo caps;
  int maxTextureSize;
  // How graph textures are cut: a user limit on their size (0 none), no
  // cutting at all, square textures only (a device capability).
  int userTextureSizeLimit;
  int noTextureSplit;
  int squareTexturesOnly;
  int nativeBlendOp;
  IDirect3DVolumeTexture9* maxBrightnessVolumeTexture;
  int inScene;
  int shadersInUse;
  // Refuses Direct3DCreate9Ex so that the plain object and device are made.
  int plainObjectOnly;
};

Direct3DState& GetDirect3DState();

// The adapter that capability, format and creation calls use.
inline int ChosenAdapter(const Direct3DState& state) {
  return state.adapterChosen ? state.adapterIndex : 0;
}

#endif
