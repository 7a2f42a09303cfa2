#include "direct3d9/device_services.h"

#include "graphics/presentation.h"
#include "graphics/screen_mode.h"
#include "graphics/screen_settings.h"

namespace {
int modelSystemReady = 0;
}  // namespace

int InitializeDirect3D() {
  // Only the software path exists: the DirectDraw object paces the
  // presents (without it they are paced by the clock alone), and full
  // screen takes its display mode through GDI.
  CreateDirectDrawObject();
  if (GetFullScreenFlag() && ApplyDisplayMode() != 0) {
    ReleaseDirectDrawObject();
    return -1;
  }
  MeasureVSyncInterval();
  return 0;
}

int TerminateDirect3D() {
  ReleaseDirectDrawObject();
  if (GetFullScreenFlag()) RestoreDesktopDisplayMode();
  return 0;
}

int InitializeModelSystem() {
  // The model tables are made only for a Direct3D device.
  if (GetScreenSettings().hardwareOn) modelSystemReady = 1;
  return 0;
}

int TerminateModelSystem() {
  modelSystemReady = 0;
  return 0;
}

int DeleteAllVertexBufferHandles() { return 0; }

int DeleteAllIndexBufferHandles() { return 0; }

int DeleteAllShaderHandles() { return 0; }

int FlushVertexBatch() { return -1; }

int EndDeviceScene() { return -1; }

int RefreshDeviceDialogBoxMode(int flag) { return 0; }
