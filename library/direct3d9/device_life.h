// The steps of the device's life that only the device layer calls: creation
// of the Direct3D object, the device, its Z buffer and the objects made with
// it, and their release.
#ifndef OMBREL_DIRECT3D9_DEVICE_LIFE_H
#define OMBREL_DIRECT3D9_DEVICE_LIFE_H

class DeviceOps;

// The calls of the device in Direct3DState.
DeviceOps* GetDirect3DDeviceOps();

// Not window mode, Vista or later, and a windowed stand-in for the display
// mode asked for: the display mode is switched and the device made windowed.
bool IsWindowedFullScreen();

int CreateDirect3DObject();
int CreateDirect3DDevice();
int CreateZBuffer();
int RecreateSubBackBuffer();

// Measures whether locking the back buffer beats copying it and sets
// backBufferLockChosen; never fails.
void ProbeBackBufferLock();

int CreatePackShaders();
int ReleasePackShaders();
// How many pack shaders exist on the device (2 while the pair is in use).
int CountPackDeviceShaders();
int CreateVertexDeclarations();
int ReleaseVertexDeclarations();
// How many declarations exist (55 after creation).
int CountVertexDeclarations();
int CreateMaxBrightnessVolumeTexture();

#endif
