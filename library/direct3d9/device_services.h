// What the system layer and the graphics core call of the Direct3D 9 device
// layer. With the hardware renderer refused these run the software-mode
// part: the DirectDraw object and the refresh measurement at start-up, and
// no-ops or "no device" results elsewhere.
#ifndef OMBREL_DIRECT3D9_DEVICE_SERVICES_H
#define OMBREL_DIRECT3D9_DEVICE_SERVICES_H

#include "Ombrel.h"

// 0, or -1 when no renderer can start.
int InitializeDirect3D();
int TerminateDirect3D();
int InitializeModelSystem();
int TerminateModelSystem();
int DeleteAllVertexBufferHandles();
int DeleteAllIndexBufferHandles();
int DeleteAllShaderHandles();
// -1 at once without a device; callers go on.
int FlushVertexBatch();
int EndDeviceScene();
int RefreshDeviceDialogBoxMode(int flag);
int SetDeviceDialogBoxMode(int flag);

// Flushes, ends the scene and presents the swap chain (source and dest null
// for the whole surfaces); 0, or -1 without a device or when it fails.
int PresentDeviceFrame(const IntRect* source, const IntRect* dest);
// The window's activation: ends the scene and presents with null
// arguments; 0 also without a device, -1 when the present fails.
int PresentDeviceOnActivation();

// Clears the draw target (or the region of it) to the background colour,
// and the Z buffer; 0.
int ClearDeviceDrawTarget(const IntRect* region);

// The two passes over the handle tables around a device re-creation.
int ReleaseDeviceResources();
int RestoreDeviceResources();

// A rectangle of the current draw target as a read-only view; pair each
// successful lock with an unlock.
int LockDrawScreenPixels(const IntRect* rect, GraphImage* out);
int UnlockDrawScreenPixels();

#endif
