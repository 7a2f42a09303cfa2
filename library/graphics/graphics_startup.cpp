#include "graphics/graphics_startup.h"

#include "direct3d9/device_default_states.h"
#include "direct3d9/device_services.h"
#include "direct3d9/model_system.h"
#include "direct3d9/shader_pack.h"
#include "graphics/camera_state.h"
#include "graphics/device_core_link.h"
#include "graphics/draw_state.h"
#include "graphics/draw_target.h"
#include "graphics/font_system.h"
#include "graphics/graph_creation.h"
#include "graphics/graph_handles.h"
#include "graphics/light_table.h"
#include "graphics/mask_screen.h"
#include "graphics/presentation.h"
#include "graphics/screen_images.h"
#include "graphics/screen_mode.h"
#include "graphics/screen_settings.h"
#include "software_renderer/blend_tables.h"
#include "system/input_devices.h"

namespace {

struct RestoreHandlerState {
  int registered;
  int (*handler)();  // null: the library's own reload of the graph files
};

RestoreHandlerState restoreHandler = {};

}  // namespace

int SetupGraphicsSystem() {
  ScreenSettings& screen = GetScreenSettings();
  if (screen.graphicsSetUp) return 0;
  ResetGraphHandleTable();
  LinkDeviceCoreHooks();
  if (screen.width == 0) screen.width = kDefaultScreenWidth;
  if (screen.height == 0) screen.height = kDefaultScreenHeight;
  if (screen.colorBits == 0) screen.colorBits = kDefaultScreenColorBits;
  if (GetFullScreenFlag() && screen.width == 320 && screen.height == 240) {
    screen.width = 640;
    screen.height = 480;
    screen.emulation320x240Active = 1;
  }
  if (InitializeDirect3D() != 0) {
    ShutdownGraphicsSystem();
    return -1;
  }
  screen.graphicsSetUp = 1;
  if (screen.hardwareOn) {
    InitializeDeviceStates();
  } else {
    CreatePrimaryScreenImage();
  }
  // Each start-up leaves the front screen as the draw target.
  InitializeDrawState();
  InitSoftImgBlendTables();
  StartFontSystem();
  return 0;
}

int ShutdownGraphicsSystem() {
  EndFontSystem();
  ScreenSettings& screen = GetScreenSettings();
  if (!screen.graphicsSetUp) return 0;
  RemoveAllGraphs(0);
  DeleteAllVertexBufferHandles();
  DeleteAllIndexBufferHandles();
  DeleteAllShaderHandles();
  RemoveAllMaskHandles();
  EndMaskSystem();
  FreeAllLights();
  TerminateDirect3D();
  ReleaseScreenImages();
  FreeShaderPack();
  screen.graphicsSetUp = 0;
  return 0;
}

int RestoreGraphicsSystem(int modeChange, int width, int height, int colorBits,
                          int refreshRate) {
  ScreenSettings& screen = GetScreenSettings();
  // The device is never reset: its objects are released, a new device is
  // made and they are made again from what the library keeps in memory.
  if (screen.hardwareOn) {
    // Only the mask's device objects go: its bytes stay in memory and fill
    // the new textures.
    ReleaseMaskDeviceObjects();
    ReleaseDeviceResources();
  }
  TerminateDirect3D();
  if (modeChange == 1) {
    screen.width = width;
    screen.height = height;
    screen.colorBits = colorBits;
    screen.refreshRate = refreshRate;
  } else {
    EndInputDevices();
    InitInputDevices();
  }
  // The software screens survive untouched; only the DirectDraw object and
  // the display mode are made again.
  InitializeDirect3D();
  if (!screen.hardwareOn) return 0;
  RestoreDeviceResources();
  RestoreMaskScreen();
  const TransformState kept = GetTransformState();
  SelectDrawTarget(GetDrawTarget());
  ResendAllDeviceStates();
  // The blend graph's texture is a new object on the new device.
  SyncDeviceCoreDrawSettings();
  for (int pass = 0; pass < 2; ++pass) {
    ClearDrawTarget(nullptr);
    PresentScreenRegion(nullptr);
  }
  if (modeChange == 1) {
    ReloadAllGraphFiles();
    RestoreModelTextures();
    RecreateAllFonts();
  } else {
    RestoreGraphContents();
  }
  ResendBasicDeviceStates();
  RestoreModelBuffers();
  MarkMatricesUnsent();
  ForceLightsResend();
  if (modeChange == 0) {
    // The 2D camera of the re-selected target gives way to the matrices the
    // program had set.
    const IntRect& requested = GetDrawState().requestedDrawArea;
    SetDrawClipRect(requested.left, requested.top, requested.right, requested.bottom);
    SetWorldMatrix(&GetTransformState().world.matrix);
    SetViewMatrix(&kept.view.matrix);
    SetProjectionMatrix(&kept.projection.matrix);
    SetViewportMatrix(&kept.viewport.matrix);
  }
  return 0;
}

int RecoverGraphics() { return RestoreGraphicsSystem(0, -1, -1, -1, -1); }

int RegisterGraphRestoreHandler(int (*handler)()) {
  restoreHandler.registered = 1;
  restoreHandler.handler = handler;
  return 0;
}

int CheckGraphRestoreHandler() { return restoreHandler.registered; }

int RestoreGraphContents() {
  if (restoreHandler.handler) {
    restoreHandler.handler();
  } else {
    ReloadAllGraphFiles();
  }
  RestoreModelTextures();
  RecreateAllFonts();
  return 0;
}
