#include <windows.h>
#include <d3d9.h>

#include "Ombrel.h"
#include "direct3d9/core_inputs.h"
#include "direct3d9/device_life.h"
#include "direct3d9/device_ops.h"
#include "direct3d9/device_services.h"
#include "direct3d9/device_state_cache.h"
#include "direct3d9/primitive_draw.h"
#include "direct3d9/vertex_batch.h"
#include "direct3d9/direct3d_state.h"
#include "direct3d9/surface_formats.h"
#include "graphics/presentation.h"
#include "graphics/screen_mode.h"
#include "graphics/screen_settings.h"
#include "system/os_version.h"
#include "system/system_info.h"
#include "system/system_state.h"
#include "system/window_mode.h"

namespace {

template <typename T>
void ReleaseInterface(T*& object) {
  if (object) object->Release();
  object = nullptr;
}

int SmallestPowerOfTwo(int value) {
  int size = 1;
  while (size < value) size <<= 1;
  return size;
}

class DeviceFormatProbe final : public FormatProbe {
 public:
  explicit DeviceFormatProbe(Direct3DState& state) : state_(state) {}
  bool AcceptsTexture(int format) override { return Check(0, format); }
  bool AcceptsRenderTarget(int format) override { return Check(D3DUSAGE_RENDERTARGET, format); }
  bool AcceptsDepth(int format) override {
    D3DFORMAT screen = static_cast<D3DFORMAT>(state_.screenFormat);
    return SUCCEEDED(state_.direct3D->CheckDepthStencilMatch(
        ChosenAdapter(state_), D3DDEVTYPE_HAL, screen, screen, static_cast<D3DFORMAT>(format)));
  }

 private:
  bool Check(DWORD usage, int format) {
    return SUCCEEDED(state_.direct3D->CheckDeviceFormat(
        ChosenAdapter(state_), D3DDEVTYPE_HAL, static_cast<D3DFORMAT>(state_.screenFormat), usage,
        D3DRTYPE_TEXTURE, static_cast<D3DFORMAT>(format)));
  }
  Direct3DState& state_;
};

// Lowers the multisample type until the device accepts it for both the
// back buffer and the Z format; off when none is accepted.
void ProbeMultiSample(Direct3DState& state, D3DPRESENT_PARAMETERS& parameters) {
  IDirect3D9* d3d = state.direct3D;
  BOOL windowed = IsWindowMode() ? TRUE : FALSE;
  int type = state.multiSampleType;
  DWORD colorLevels = 0, depthLevels = 0;
  while (type > 0 && FAILED(d3d->CheckDeviceMultiSampleType(
                         0, D3DDEVTYPE_HAL, parameters.BackBufferFormat, windowed,
                         static_cast<D3DMULTISAMPLE_TYPE>(type), &colorLevels)))
    --type;
  while (type > 0 && FAILED(d3d->CheckDeviceMultiSampleType(
                         0, D3DDEVTYPE_HAL, D3DFMT_D16, windowed,
                         static_cast<D3DMULTISAMPLE_TYPE>(type), &depthLevels)))
    --type;
  if (type <= 0) {
    state.multiSampleType = state.multiSampleQuality = 0;
    parameters.MultiSampleType = D3DMULTISAMPLE_NONE;
    parameters.MultiSampleQuality = 0;
    return;
  }
  DWORD levels = colorLevels < depthLevels ? colorLevels : depthLevels;
  DWORD quality = static_cast<DWORD>(state.multiSampleQuality);
  if (levels - 1 < quality) quality = levels - 1;
  state.multiSampleType = type;
  state.multiSampleQuality = static_cast<int>(quality);
  parameters.MultiSampleType = static_cast<D3DMULTISAMPLE_TYPE>(type);
  parameters.MultiSampleQuality = quality;
}

int BackBufferFormatForBits(Direct3DState& state, int bits, D3DFORMAT* format) {
  if (bits == 16) {
    *format = state.direct3D->GetAdapterModeCount(ChosenAdapter(state), D3DFMT_R5G6B5)
                  ? D3DFMT_R5G6B5
                  : D3DFMT_X1R5G5B5;
    return 0;
  }
  if (bits == 32) {
    *format = D3DFMT_X8R8G8B8;
    return 0;
  }
  AppendLog("非対応のバックバッファービット深度が指定されました\n");
  return -1;
}

HRESULT CreateDeviceOnce(Direct3DState& state, DWORD flags, D3DPRESENT_PARAMETERS* parameters,
                         D3DDISPLAYMODEEX* fullScreenMode) {
  HWND window = GetMainWindow();
  if (state.direct3DEx) {
    AppendLog("IDirect3DDevice9Ex オブジェクトを取得します.... ");
    return state.direct3DEx->CreateDeviceEx(ChosenAdapter(state), D3DDEVTYPE_HAL, window, flags,
                                            parameters, fullScreenMode, &state.deviceEx);
  }
  AppendLog("IDirect3DDevice9 オブジェクトを取得します.... ");
  return state.direct3D->CreateDevice(ChosenAdapter(state), D3DDEVTYPE_HAL, window, flags,
                                      parameters, &state.device);
}

void LogCapabilities(const Direct3DState& state) {
  AppendLogFormat("最大テクスチャサイズ　幅:%d 高さ:%d", state.caps.maxTextureWidth,
                  state.caps.maxTextureHeight);
  AppendLogFormat("テクスチャステージテンポラリレジスタ：%s",
                  state.tssTempRegister ? "使用可" : "使用不可");
  AppendLogFormat("減算合成のハードウェア対応：%s", state.nativeBlendOp ? "ネイティブ" : "エミュレート");
  AppendLogFormat("頂点シェーダーバージョンコード：%x", state.caps.vertexShaderVersion & 0xFFFF);
  AppendLogFormat("ピクセルシェーダーバージョンコード：%x", state.caps.pixelShaderVersion & 0xFFFF);
}

void ReadDeviceCaps(Direct3DState& state) {
  D3DCAPS9 caps = {};
  state.device->GetDeviceCaps(&caps);
  DeviceCapsInfo& info = state.caps;
  info.maxTextureWidth = caps.MaxTextureWidth ? static_cast<int>(caps.MaxTextureWidth) : 256;
  info.maxTextureHeight = caps.MaxTextureHeight ? static_cast<int>(caps.MaxTextureHeight) : 256;
  info.primitiveMiscCaps = caps.PrimitiveMiscCaps;
  info.vertexShaderVersion = caps.VertexShaderVersion;
  info.pixelShaderVersion = caps.PixelShaderVersion;
  state.tssTempRegister = (caps.PrimitiveMiscCaps & D3DPMISCCAPS_TSSARGTEMP) ? 1 : 0;
  state.nativeBlendOp = (caps.PrimitiveMiscCaps & D3DPMISCCAPS_BLENDOP) ? 1 : 0;
  state.vertexShader20 =
      state.mixedVertexProcessing && (caps.VertexShaderVersion & 0xFFFF) >= 0x200 ? 1 : 0;
  state.pixelShader20 =
      state.mixedVertexProcessing && (caps.PixelShaderVersion & 0xFFFF) >= 0x200 ? 1 : 0;
  state.squareTexturesOnly = (caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) ? 1 : 0;
  state.maxTextureSize =
      info.maxTextureWidth < info.maxTextureHeight ? info.maxTextureWidth : info.maxTextureHeight;
}

void ClearAndPresentStart(Direct3DState& state) {
  const SystemSettings& settings = GetSystemState().settings;
  D3DCOLOR background = D3DCOLOR_XRGB(settings.backgroundRed & 0xFF,
                                      settings.backgroundGreen & 0xFF,
                                      settings.backgroundBlue & 0xFF) & 0x00FFFFFF;
  for (int i = 0; i < 4; ++i) {
    state.device->Clear(0, nullptr, D3DCLEAR_TARGET, background, 1.0f, 0);
    if (i < 3) state.device->Present(nullptr, nullptr, GetMainWindow(), nullptr);
  }
}

}  // namespace

bool IsWindowedFullScreen() {
  return !IsWindowMode() && GetOsVersionCode() >= kOsWindowsVista &&
         GetScreenSettings().emulation320x240Active;
}

int CreateDirect3DObject() {
  Direct3DState& state = GetDirect3DState();
  ReleaseInterface(state.direct3D);
  state.direct3DEx = nullptr;
  AppendLog("IDirect3D9Ex オブジェクトを取得します.... ");
  using CreateEx = HRESULT(WINAPI*)(UINT, IDirect3D9Ex**);
  auto createEx = reinterpret_cast<CreateEx>(
      reinterpret_cast<void*>(GetProcAddress(state.d3d9Module, "Direct3DCreate9Ex")));
  if (createEx && !state.plainObjectOnly && createEx(D3D_SDK_VERSION, &state.direct3DEx) == S_OK)
    state.direct3D = state.direct3DEx;
  else
    state.direct3DEx = nullptr;
  if (!state.direct3D) {
    AppendLog("IDirect3D9 オブジェクトを取得します.... ");
    using Create = IDirect3D9*(WINAPI*)(UINT);
    auto create = reinterpret_cast<Create>(
        reinterpret_cast<void*>(GetProcAddress(state.d3d9Module, "Direct3DCreate9")));
    if (!create) {
      AppendLog("Direct3DCreate9 APIのアドレス取得に失敗しました\n");
      return -1;
    }
    state.direct3D = create(D3D_SDK_VERSION);
    if (!state.direct3D) {
      AppendLog("IDirect3D9 オブジェクトの取得に失敗しました\n");
      return -1;
    }
  }
  AppendLog("成功\n");
  return 0;
}

int CreateDirect3DDevice() {
  Direct3DState& state = GetDirect3DState();
  ScreenSettings& screen = GetScreenSettings();
  if (!state.direct3D) return -1;
  if (state.device) {
    AppendLog("Direct3DDevice9 の解放 1\n");
    InstallDeviceOps(nullptr);
    ReleaseInterface(state.device);
    state.deviceEx = nullptr;
    state.inScene = 0;
  }

  D3DPRESENT_PARAMETERS parameters = {};
  parameters.BackBufferWidth = screen.width;
  parameters.BackBufferHeight = screen.height;
  parameters.SwapEffect = state.multiSampleType == 0 ? D3DSWAPEFFECT_COPY : D3DSWAPEFFECT_DISCARD;
  D3DDISPLAYMODEEX fullScreenMode = {};
  D3DDISPLAYMODEEX* fullScreenModeArg = nullptr;
  D3DDISPLAYMODE desktop = {};
  if (IsWindowMode()) {
    state.direct3D->GetAdapterDisplayMode(0, &desktop);
    parameters.BackBufferFormat = desktop.Format;
    parameters.BackBufferCount = 1;
    parameters.Windowed = TRUE;
    if (desktop.Format == D3DFMT_X8R8G8B8)
      screen.colorBits = 32;
    else if (desktop.Format >= D3DFMT_R5G6B5 && desktop.Format <= D3DFMT_A1R5G5B5)
      screen.colorBits = 16;
    EnableDwmComposition(state.disableDwm ? 0 : 1);
  } else if (IsWindowedFullScreen()) {
    state.direct3D->GetAdapterDisplayMode(0, &desktop);
    parameters.BackBufferFormat = desktop.Format;
    parameters.BackBufferCount = 1;
    parameters.Windowed = TRUE;
    if (BackBufferFormatForBits(state, screen.colorBits, &parameters.BackBufferFormat) != 0)
      return -1;
  } else {
    if (BackBufferFormatForBits(state, screen.colorBits, &parameters.BackBufferFormat) != 0)
      return -1;
    parameters.BackBufferCount = 1;
    parameters.Windowed = FALSE;
    parameters.FullScreen_RefreshRateInHz = screen.refreshRate;
    fullScreenMode.Size = sizeof fullScreenMode;
    fullScreenMode.Width = screen.width;
    fullScreenMode.Height = screen.height;
    fullScreenMode.RefreshRate = screen.refreshRate;
    fullScreenMode.Format = parameters.BackBufferFormat;
    fullScreenMode.ScanLineOrdering = D3DSCANLINEORDERING_PROGRESSIVE;
    fullScreenModeArg = &fullScreenMode;
    EnableDwmComposition(0);
    if (GetSystemState().dlls.dwmapi.DwmEnableComposition)
      AppendLog("Desktop Window Manager を無効にしました\n");
  }
  parameters.MultiSampleType = static_cast<D3DMULTISAMPLE_TYPE>(state.multiSampleType);
  parameters.MultiSampleQuality = state.multiSampleQuality;
  parameters.hDeviceWindow = GetMainWindow();
  parameters.EnableAutoDepthStencil = FALSE;
  parameters.Flags = state.multiSampleType == 0 ? D3DPRESENTFLAG_LOCKABLE_BACKBUFFER : 0;
  parameters.PresentationInterval = GetDeviceCoreInputs().presentWaitsVSync
                                        ? D3DPRESENT_INTERVAL_ONE
                                        : D3DPRESENT_INTERVAL_IMMEDIATE;
  if (state.multiSampleType != 0)
    ProbeMultiSample(state, parameters);
  else
    state.multiSampleQuality = 0;

  // A device of an earlier start may still be named here; it was released.
  state.deviceEx = nullptr;
  DWORD extraFlags = 0;
  if (state.useMultiThread) extraFlags |= D3DCREATE_MULTITHREADED;
  if (GetSystemState().settings.fpuPreserve) extraFlags |= D3DCREATE_FPU_PRESERVE;
  HRESULT hr = E_FAIL;
  if (state.forceSoftwareVertexProcessing != 1) {
    D3DCAPS9 caps = {};
    state.direct3D->GetDeviceCaps(ChosenAdapter(state), D3DDEVTYPE_HAL, &caps);
    state.mixedVertexProcessing = (caps.VertexShaderVersion & 0xFFFF) >= 0x200 &&
                                  (caps.PixelShaderVersion & 0xFFFF) >= 0x200;
    DWORD flags = state.mixedVertexProcessing ? D3DCREATE_MIXED_VERTEXPROCESSING
                                              : D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    hr = CreateDeviceOnce(state, flags | extraFlags, &parameters, fullScreenModeArg);
    if (SUCCEEDED(hr)) AppendLog("ハードウエア頂点演算を使用します\n");
  }
  if (FAILED(hr)) {
    state.mixedVertexProcessing = 0;
    hr = CreateDeviceOnce(state, D3DCREATE_SOFTWARE_VERTEXPROCESSING | extraFlags, &parameters,
                          fullScreenModeArg);
    if (FAILED(hr)) {
      AppendLog(state.direct3DEx ? "Direct3DDevice9Ex の作成に失敗しました\n"
                                 : "Direct3DDevice9 の作成に失敗しました\n");
      return -1;
    }
    AppendLog("ソフトウエア頂点演算を使用します\n");
  }
  if (state.deviceEx) {
    state.device = state.deviceEx;
    state.deviceEx->SetMaximumFrameLatency(1);
  }
  InstallDeviceOps(GetDirect3DDeviceOps());
  MeasureVSyncInterval();

  DeviceStateCache& cache = GetDeviceStateCache();
  cache.vertexShader = cache.pixelShader = cache.vertexDeclaration = nullptr;
  cache.fvf = 0;
  cache.shaderWord1 = cache.shaderWord2 = 0;
  state.device->SetRenderState(D3DRS_ZENABLE, TRUE);
  ClearAndPresentStart(state);
  state.device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &state.backBuffer);
  state.device->GetSwapChain(0, &state.swapChain);
  AppendLog("成功\n");

  ReadDeviceCaps(state);
  // A value that matches neither flag, so the first set reaches the device.
  cache.diffuseFromVertex = cache.specularFromVertex = 255;

  D3DADAPTER_IDENTIFIER9 identifier = {};
  state.direct3D->GetAdapterIdentifier(0, 0, &identifier);
  AppendLogFormat("Driver:%s  Description:%s", identifier.Driver, identifier.Description);

  D3DSURFACE_DESC backDesc = {};
  if (state.backBuffer) state.backBuffer->GetDesc(&backDesc);
  state.screenFormat = backDesc.Format;
  LogScreenFormat(state.screenFormat);
  DeviceFormatProbe probe(state);
  state.zBufferFormat = ChooseZBufferFormat(probe);
  if (state.zBufferFormat == 0) return -1;
  if (ChooseTextureFormats(probe, state.screenFormat, screen.colorBits == 32,
                           state.textureFormats) != 0)
    return -1;
  LogCapabilities(state);
  ProbeBackBufferLock();
  return 0;
}

int CreateZBuffer() {
  Direct3DState& state = GetDirect3DState();
  if (!state.device) return -1;
  ReleaseInterface(state.zBuffer);
  AppendLog("Ｚバッファを作成します.... ");
  const ScreenSettings& screen = GetScreenSettings();
  state.zBufferWidth = SmallestPowerOfTwo(screen.width);
  state.zBufferHeight = SmallestPowerOfTwo(screen.height);
  HRESULT hr = state.device->CreateDepthStencilSurface(
      state.zBufferWidth, state.zBufferHeight, static_cast<D3DFORMAT>(state.zBufferFormat),
      static_cast<D3DMULTISAMPLE_TYPE>(state.multiSampleType), state.multiSampleQuality, TRUE,
      &state.zBuffer, nullptr);
  if (FAILED(hr)) {
    state.zBuffer = nullptr;
    AppendLog("Ｚバッファの作成に失敗しました\n");
    return -1;
  }
  state.device->SetDepthStencilSurface(state.zBuffer);
  state.device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  AppendLog("成功\n");
  return 0;
}

int RecreateSubBackBuffer() {
  Direct3DState& state = GetDirect3DState();
  if (!state.device) return -1;
  ReleaseInterface(state.subBackBuffer);
  const ScreenSettings& screen = GetScreenSettings();
  HRESULT hr = state.device->CreateRenderTarget(
      screen.width, screen.height, static_cast<D3DFORMAT>(state.screenFormat),
      static_cast<D3DMULTISAMPLE_TYPE>(state.multiSampleType), state.multiSampleQuality, FALSE,
      &state.subBackBuffer, nullptr);
  if (FAILED(hr)) {
    state.subBackBuffer = nullptr;
    AppendLog("サブバックバッファの作成に失敗しました\n");
    return -1;
  }
  return 0;
}

int SwitchToSubBackBuffer() {
  Direct3DState& state = GetDirect3DState();
  if (state.subBackBuffer) return 0;
  FlushVertexBatch();
  EndDeviceScene();
  if (RecreateSubBackBuffer() != 0) return -1;
  state.device->StretchRect(state.backBuffer, nullptr, state.subBackBuffer, nullptr, D3DTEXF_NONE);
  DeviceStateCache& cache = GetDeviceStateCache();
  int force = cache.forceResend;
  cache.forceResend = 1;
  SetDeviceRenderTarget(state.subBackBuffer);
  cache.forceResend = force;
  return 0;
}

int InitializeDirect3D() {
  Direct3DState& state = GetDirect3DState();
  ScreenSettings& screen = GetScreenSettings();
  state.d3d9Module = LoadLibraryA("d3d9.dll");
  if (!state.d3d9Module) {
    AppendLog("d3d9.dll の読み込みに失敗しました\n");
    return -1;
  }
  // The DirectDraw object only paces presents; without it they are paced
  // by the clock alone, so its failure does not stop the start.
  if (CreateDirectDrawObject() != 0)
    AppendLog("DirectDraw オブジェクトなしで続行します、垂直同期待ちは時計だけで計ります\n");
  state.hardwareActive = 0;
  screen.hardwareOn = 0;
  if (!screen.hardwareRefused) {
    bool attempt = !IsWindowedFullScreen() || ApplyDisplayMode() == 0;
    if (attempt && CreateDirect3DObject() == 0 && CreateDirect3DDevice() == 0 &&
        CreateZBuffer() == 0) {
      state.hardwareActive = 1;
      screen.hardwareOn = 1;
      CreatePackShaders();
      if (state.shadersInUse) {
        CreateVertexDeclarations();
        CreateMaxBrightnessVolumeTexture();
      }
      return 0;
    }
    ReleaseInterface(state.zBuffer);
    if (state.device) {
      AppendLog("Direct3DDevice9 の解放 2\n");
      InstallDeviceOps(nullptr);
      ReleaseInterface(state.device);
      state.deviceEx = nullptr;
      state.inScene = 0;
    }
    ReleaseInterface(state.direct3D);
    state.direct3DEx = nullptr;
  }
  if (GetFullScreenFlag() && ApplyDisplayMode() != 0) {
    ReleaseDirectDrawObject();
    return -1;
  }
  MeasureVSyncInterval();
  return 0;
}
