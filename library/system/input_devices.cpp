// The GUIDs of DirectInput are defined here, once for the whole library.
#include <initguid.h>

#include "system/direct_input.h"
#include "system/input_devices.h"

#include "Ombrel.h"
#include "system/api_guard.h"
#include "system/message_pump.h"
#include "system/os_version.h"
#include "system/string_helpers.h"
#include "system/system_info.h"
#include "system/system_state.h"

namespace {

constexpr DWORD kDirectInput7Version = 0x0700;
constexpr DWORD kDirectInput8Version = 0x0800;
constexpr int kJoystickProbeCount = 16;

InputSystemState input = {};

InputDevicesState& Devices() { return input.devices; }

HWND MainWindow() { return GetSystemState().run.mainWindow; }

HINSTANCE ModuleInstance() {
  const HINSTANCE instance = GetSystemState().run.instance;
  return instance ? instance : GetModuleHandleA(nullptr);
}

void AppendLogLine(const char* format, int value) {
  char text[256];
  FormatString(text, sizeof text, format, value);
  AppendLog(text);
}

HRESULT CreateComObject(REFCLSID classId, REFIID interfaceId, void** object) {
  const auto coCreateInstance = GetSystemState().dlls.ole32.CoCreateInstance;
  // Before start-up nothing is bound, and input then runs without DirectInput.
  if (!coCreateInstance) return E_NOINTERFACE;
  return coCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, interfaceId, object);
}

bool CreateDirectInput7() {
  AppendLog("DirectInput7 の取得中... ");
  IDirectInput7A* object = nullptr;
  const HRESULT result =
      CreateComObject(CLSID_DirectInput, IID_IDirectInput7A, reinterpret_cast<void**>(&object));
  if (FAILED(result) || !object) {
    AppendLog("取得に失敗。\n");
    AppendLogLine("エラーコード 0x%x\n", static_cast<int>(result));
    return false;
  }
  AppendLog("成功\n");
  IncreaseLogIndent();
  AppendLog("引き続き初期化処理... ");
  const bool initialised = SUCCEEDED(object->Initialize(ModuleInstance(), kDirectInput7Version));
  DecreaseLogIndent();
  if (!initialised) {
    AppendLog("初期化に失敗。");
    object->Release();
    return false;
  }
  AppendLog("初期化成功\n");
  Devices().directInput = object;
  Devices().directInput8 = 0;
  return true;
}

bool CreateDirectInput8() {
  AppendLog("DirectInput8 の取得を試みます...");
  IDirectInput8A* object = nullptr;
  const HRESULT result =
      CreateComObject(CLSID_DirectInput8, IID_IDirectInput8A, reinterpret_cast<void**>(&object));
  if (FAILED(result) || !object) {
    AppendLog("取得に失敗。");
    return false;
  }
  AppendLog("成功\n");
  AppendLog("引き続き初期化処理... ");
  if (FAILED(object->Initialize(ModuleInstance(), kDirectInput8Version))) {
    AppendLog("初期化に失敗。");
    object->Release();
    return false;
  }
  AppendLog("初期化成功\n");
  Devices().directInput = object;
  Devices().directInput8 = 1;
  return true;
}

void StartMouse() {
  InputDevicesState& devices = Devices();
  AppendLog("マウスデバイスの初期化... ");
  devices.mouse = CreateInputDevice(GUID_SysMouse);
  if (!devices.mouse) ExitWithError("マウスデバイスの取得に失敗しました");
  if (FAILED(devices.mouse->SetDataFormat(&c_dfDIMouse))) {
    ExitWithError("マウスデバイスのデータ形式の設定に失敗しました");
  }
  if (FAILED(devices.mouse->SetCooperativeLevel(MainWindow(),
                                                DISCL_NONEXCLUSIVE | DISCL_BACKGROUND))) {
    ExitWithError("マウスデバイスの協調レベルの設定に失敗しました");
  }
  AppendLog("初期化成功\n");
}

// 0, or -1 when the keyboard's event notification cannot be set up; the
// device failures that cannot be survived end the program.
int StartKeyboard() {
  InputDevicesState& devices = Devices();
  AppendLog("キーボードデバイスの初期化... ");
  devices.keyboard = CreateInputDevice(GUID_SysKeyboard);
  if (!devices.keyboard) ExitWithError("キーボードデバイスの取得に失敗しました");
  IDirectInputDevice7A* keyboard = devices.keyboard;
  if (FAILED(keyboard->SetDataFormat(&c_dfDIKeyboard))) {
    ExitWithError("キーボードデバイスのデータ形式の設定に失敗しました");
  }
  if (FAILED(keyboard->SetCooperativeLevel(MainWindow(), DISCL_NONEXCLUSIVE | DISCL_BACKGROUND))) {
    ExitWithError("キーボードデバイスの協調レベルの設定に失敗しました");
  }
  auto bufferSize = MakeDeviceProperty<DIPROPDWORD>(0, DIPH_DEVICE);
  bufferSize.dwData = kKeyboardBufferSize;
  if (FAILED(keyboard->SetProperty(DIPROP_BUFFERSIZE, &bufferSize.diph))) {
    AppendLog("キーボードのプロパティ設定に失敗しました\n");
  }
  devices.keyboardEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  const HRESULT notified = keyboard->SetEventNotification(devices.keyboardEvent);
  if (notified != DI_OK && notified != DI_POLLEDDEVICE) {
    AppendLog("キーボードイベントのセットアップが失敗しました\n");
    return -1;
  }
  if (FAILED(keyboard->Acquire()) && FAILED(keyboard->Acquire())) {
    ExitWithError("キーボードデバイスの取得に失敗しました");
  }
  AppendLog("初期化成功\n");
  devices.lastKeyboardRefresh = GetTickMilliseconds();
  return 0;
}

// Counts the multimedia joysticks; the pads then stand for them without
// devices of their own.
void StartWithoutDirectInput() {
  InputDevicesState& devices = Devices();
  IncreaseLogIndent();
  const auto joyGetDevCaps = GetSystemState().dlls.winmm.joyGetDevCapsA;
  int found = 0;
  while (joyGetDevCaps && found < kJoystickProbeCount) {
    JOYCAPSA caps = {};
    if (joyGetDevCaps(static_cast<UINT_PTR>(found), &caps, sizeof caps) != JOYERR_NOERROR) break;
    if ((caps.wCaps & JOYCAPS_HASZ) && (caps.wCaps & JOYCAPS_HASR)) {
      devices.joypads[found].hasZAndR = 1;
    }
    ++found;
  }
  AppendLogLine("パッドの数は %d 個です\n", found);
  DecreaseLogIndent();
  devices.directInput = reinterpret_cast<IUnknown*>(kNoDirectInputObject);
  AppendLog("入力関連の初期化をしました\n");
  devices.joypadCount = kJoypadLimit;
}

int StartInput() {
  if (!input.settings.noDirectInput) {
    AppendLog("DirectInput関係初期化処理\n");
    IncreaseLogIndent();
    if (!CreateDirectInput7() && !CreateDirectInput8()) {
      AppendLog("DirectInput を使用しません。\n");
    }
    DecreaseLogIndent();
  }
  if (!HasDirectInput()) {
    StartWithoutDirectInput();
    return 0;
  }
  if (MainWindow()) BringWindowToTop(MainWindow());
  PumpMessagesCore();
  SetupJoypads();
  StartMouse();
  if (StartKeyboard() != 0) return -1;
  AppendLog("DirectInput 関連の初期化は正常に終了しました\n");
  return 0;
}

// Windows keeps one state per virtual key for the thread that reads the
// window's messages; the table turns it into scan codes.
// Runs a message pass so that the state includes what is waiting, unless
// the refresh is itself one of a pass's services: the queue was just
// served then, and a second pass would break the pass's five-message limit.
// false once the end was requested.
bool PassBeforeRefresh() {
  if (IsMessagePassRunning()) return IsEndRequested() == 0;
  return PumpMessagesCore() == 0;
}

int RefreshFromWindows() {
  InputDevicesState& devices = Devices();
  if (!IsApiGuardHeldByCaller()) return 0;
  const int now = GetTickMilliseconds();
  if (now == devices.lastKeyboardRefresh) return 0;
  devices.lastKeyboardRefresh = now;
  if (!PassBeforeRefresh()) return 0;
  BYTE virtualKeys[kKeyStateCount];
  if (!GetKeyboardState(virtualKeys)) return 0;
  MapVirtualKeyStates(virtualKeys, devices.keyStates);
  return 1;
}

int RefreshFromDirectInput() {
  InputDevicesState& devices = Devices();
  const int now = GetTickMilliseconds();
  const bool signalled =
      devices.keyboardEvent && WaitForSingleObject(devices.keyboardEvent, 0) == WAIT_OBJECT_0;
  if (now == devices.lastKeyboardRefresh && !signalled) return 0;
  if (!PassBeforeRefresh()) return 0;
  // The pass may have ended input (a screen-mode change restarts it).
  IDirectInputDevice7A* keyboard = devices.keyboard;
  if (!IsInputStarted() || !keyboard) return 0;
  if (FAILED(keyboard->GetDeviceState(kKeyStateCount, devices.keyStates))) {
    if (FAILED(keyboard->Acquire()) ||
        FAILED(keyboard->GetDeviceState(kKeyStateCount, devices.keyStates))) {
      return 0;
    }
  }
  devices.lastKeyboardRefresh = now;
  if (signalled) ResetEvent(devices.keyboardEvent);
  // The right Shift key is not reported by every DirectInput keyboard.
  BYTE virtualKeys[kKeyStateCount];
  if (GetKeyboardState(virtualKeys)) devices.keyStates[0x36] = virtualKeys[VK_RSHIFT];
  return 1;
}

}  // namespace

int StartInputInsteadOfUse(int* result) {
  if (IsInputStarted()) return 0;
  *result = IsCloseRequested() ? 0 : InitInputDevices();
  return 1;
}

InputSystemState& GetInputSystemState() { return input; }

int IsInputStarted() { return Devices().directInput != nullptr ? 1 : 0; }

int HasDirectInput() {
  const uintptr_t object = reinterpret_cast<uintptr_t>(Devices().directInput);
  return object != 0 && object != kNoDirectInputObject ? 1 : 0;
}

IDirectInputDevice7A* CreateInputDevice(REFGUID guid) {
  InputDevicesState& devices = Devices();
  if (!HasDirectInput()) return nullptr;
  if (devices.directInput8) {
    IDirectInputDevice8A* device = nullptr;
    auto* object = static_cast<IDirectInput8A*>(devices.directInput);
    if (FAILED(object->CreateDevice(guid, &device, nullptr))) return nullptr;
    return device;
  }
  void* device = nullptr;
  auto* object = static_cast<IDirectInput7A*>(devices.directInput);
  if (FAILED(object->CreateDeviceEx(guid, IID_IDirectInputDevice7A, &device, nullptr))) {
    return nullptr;
  }
  return static_cast<IDirectInputDevice7A*>(device);
}

int InitInputDevices() {
  InputDevicesState& devices = Devices();
  if (devices.directInput || devices.starting) return 0;
  devices = InputDevicesState{};
  devices.starting = 1;
  const int result = StartInput();
  if (!input.keyToPadFilled) {
    FillKeyToPadTable(&input.keyToPad);
    input.keyToPadFilled = 1;
  }
  devices.starting = 0;
  return result;
}

int EndInputDevices() {
  InputDevicesState& devices = Devices();
  if (!devices.directInput) return 0;
  if (!HasDirectInput()) {
    AppendLog("入力関連の終了処理... 完了\n");
    devices.directInput = nullptr;
    return 0;
  }
  AppendLog("DirectInput 関連の終了処理... 完了\n");
  ReleaseJoypads();
  if (devices.keyboard) {
    devices.keyboard->Unacquire();
    devices.keyboard->SetEventNotification(nullptr);
    ReleaseInterface(devices.keyboard);
  }
  if (devices.keyboardEvent) CloseHandle(devices.keyboardEvent);
  devices.keyboardEvent = nullptr;
  if (devices.mouse) {
    devices.mouse->Unacquire();
    ReleaseInterface(devices.mouse);
  }
  devices.directInput->Release();
  devices.directInput = nullptr;
  devices.directInput8 = 0;
  return 0;
}

int UpdateKeyboardState() {
  InputDevicesState& devices = Devices();
  if (devices.refreshing) return 0;
  const bool fromWindows =
      !HasDirectInput() || !devices.keyboard ||
      (GetOsVersionCode() >= kOsWindowsVista && !input.settings.directInputKeyboardOnNewerWindows);
  devices.refreshing = 1;
  const int refreshed = fromWindows ? RefreshFromWindows() : RefreshFromDirectInput();
  devices.refreshing = 0;
  return refreshed;
}

int IsKeyDown(int scanCode) {
  WaitWhileInactive();
  int started = 0;
  if (StartInputInsteadOfUse(&started)) return started;
  UpdateKeyboardState();
  if (scanCode < 0 || scanCode >= kKeyStateCount) return 0;
  return (Devices().keyStates[scanCode] & 0x80) ? 1 : 0;
}

int GetAllKeyStates(char* buffer) {
  if (!buffer) return -1;
  WaitWhileInactive();
  if (!IsInputStarted() && !IsCloseRequested()) {
    // Nothing is known of the keys yet: none is down.
    FillBytes(buffer, 0, kKeyStateCount);
    return InitInputDevices();
  }
  UpdateKeyboardState();
  const unsigned char* states = Devices().keyStates;
  for (int i = 0; i < kKeyStateCount; ++i) buffer[i] = (states[i] & 0x80) ? 1 : 0;
  return 0;
}

int ReacquireInputDevices() {
  InputDevicesState& devices = Devices();
  if (!HasDirectInput()) return 0;
  const DWORD level = IsAppActive() ? DISCL_EXCLUSIVE | DISCL_FOREGROUND
                                    : DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
  for (JoypadRecord& pad : devices.joypads) {
    if (!pad.device) continue;
    pad.device->Unacquire();
    pad.device->SetCooperativeLevel(MainWindow(), level);
    pad.device->Acquire();
  }
  if (devices.keyboard) {
    devices.keyboard->Unacquire();
    devices.keyboard->Acquire();
  }
  return 0;
}
