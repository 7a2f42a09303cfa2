#include "system/direct_input.h"
#include "system/input_devices.h"

#include "Ombrel.h"
#include "system/message_pump.h"
#include "system/string_helpers.h"
#include "system/system_state.h"

namespace {

constexpr DWORD kDeviceClassGameController = 4;  // the same in both versions
constexpr DWORD kSinePeriodMicroseconds = 1500000;
constexpr DWORD kSineAttackMicroseconds = 500000;
constexpr DWORD kSineFadeMicroseconds = 1000000;
constexpr int kPadIgnoredBit = 0x1000;

struct AxisSetup {
  DWORD offset;
  const char* rangeFailure;  // null: a failure is ignored
  const char* deadZoneFailure;
};

const AxisSetup kPadAxes[] = {
    {DIJOFS_X, "ジョイパッドデバイスのＸ軸関係の設定に失敗しました\n",
     "ジョイパッドデバイスのＸ軸の無効ゾーンの設定に失敗しました\n"},
    {DIJOFS_Y, "ジョイパッドデバイスのＹ軸関係の設定に失敗しました\n",
     "ジョイパッドデバイスのＹ軸の無効ゾーンの設定に失敗しました\n"},
    {DIJOFS_Z, nullptr, nullptr},
    {DIJOFS_RX, nullptr, nullptr},
    {DIJOFS_RY, nullptr, nullptr},
    {DIJOFS_RZ, nullptr, nullptr},
};

InputDevicesState& Devices() { return GetInputSystemState().devices; }

HWND MainWindow() { return GetSystemState().run.mainWindow; }

// Owns what a controller's set-up made until the pad takes it.
class PadParts {
 public:
  PadParts() = default;
  ~PadParts() {
    ReleaseInterface(constantForce);
    ReleaseInterface(sine);
    ReleaseInterface(device);
    if (event) CloseHandle(event);
  }
  PadParts(const PadParts&) = delete;
  PadParts& operator=(const PadParts&) = delete;

  void HandTo(JoypadRecord* pad) {
    pad->device = device;
    pad->constantForce = constantForce;
    pad->sine = sine;
    pad->notifyEvent = event;
    device = nullptr;
    constantForce = nullptr;
    sine = nullptr;
    event = nullptr;
  }

  IDirectInputDevice7A* device = nullptr;
  IDirectInputEffect* constantForce = nullptr;
  IDirectInputEffect* sine = nullptr;
  HANDLE event = nullptr;
};

// Range and dead zone of the six axes; false when X or Y refused theirs.
bool SetUpAxes(IDirectInputDevice7A* device) {
  for (const AxisSetup& axis : kPadAxes) {
    auto range = MakeDeviceProperty<DIPROPRANGE>(axis.offset, DIPH_BYOFFSET);
    range.lMin = -kJoypadAxisRange;
    range.lMax = kJoypadAxisRange;
    if (FAILED(device->SetProperty(DIPROP_RANGE, &range.diph)) && axis.rangeFailure) {
      AppendLog(axis.rangeFailure);
      return false;
    }
  }
  for (const AxisSetup& axis : kPadAxes) {
    auto deadZone = MakeDeviceProperty<DIPROPDWORD>(axis.offset, DIPH_BYOFFSET);
    deadZone.dwData = kJoypadDeadZone;
    if (FAILED(device->SetProperty(DIPROP_DEADZONE, &deadZone.diph)) && axis.deadZoneFailure) {
      AppendLog(axis.deadZoneFailure);
      return false;
    }
  }
  return true;
}

// Both effects act on the X and Y axes, run until stopped at full gain and
// have no trigger button; either may stay null.
void CreateEffects(PadParts* parts) {
  DWORD axes[2] = {DIJOFS_X, DIJOFS_Y};
  LONG direction[2] = {0, 0};
  DIEFFECT effect = {};
  effect.dwSize = sizeof effect;
  effect.dwDuration = INFINITE;
  effect.dwGain = DI_FFNOMINALMAX;
  effect.dwTriggerButton = DIEB_NOTRIGGER;
  effect.cAxes = 2;
  effect.rgdwAxes = axes;
  effect.rglDirection = direction;

  DIPERIODIC periodic = {DI_FFNOMINALMAX, 0, 0, kSinePeriodMicroseconds};
  DIENVELOPE envelope = {sizeof envelope, 0, kSineAttackMicroseconds, 0, kSineFadeMicroseconds};
  effect.dwFlags = DIEFF_POLAR | DIEFF_OBJECTOFFSETS;
  effect.lpEnvelope = &envelope;
  effect.cbTypeSpecificParams = sizeof periodic;
  effect.lpvTypeSpecificParams = &periodic;
  if (FAILED(parts->device->CreateEffect(GUID_Sine, &effect, &parts->sine, nullptr))) {
    parts->sine = nullptr;
  }

  DICONSTANTFORCE constant = {DI_FFNOMINALMAX};
  effect.dwFlags = DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS;
  effect.lpEnvelope = nullptr;
  effect.cbTypeSpecificParams = sizeof constant;
  effect.lpvTypeSpecificParams = &constant;
  if (FAILED(parts->device->CreateEffect(GUID_ConstantForce, &effect, &parts->constantForce,
                                         nullptr))) {
    parts->constantForce = nullptr;
    AppendLog("周期的エフェクトの作成に失敗しました。\n");
  }
}

// Sets up one attached game controller as the next pad; a controller that
// fails its set-up is skipped.
void AddController(const DIDEVICEINSTANCEA* instance) {
  InputDevicesState& devices = Devices();
  AppendLog("入力装置を見つけました\n");
  PadParts parts;
  parts.device = CreateInputDevice(instance->guidInstance);
  if (!parts.device) {
    AppendLog("入力装置の取得に失敗しました\n");
    return;
  }
  JoypadRecord& pad = devices.joypads[devices.joypadCount];
  pad = JoypadRecord{};
  DIDEVICEINSTANCEA info = {};
  info.dwSize = sizeof info;
  parts.device->GetDeviceInfo(&info);
  CopyStringN(pad.instanceName, info.tszInstanceName, kDeviceNameSize - 1);
  CopyStringN(pad.productName, info.tszProductName, kDeviceNameSize - 1);
  IncreaseLogIndent();
  AppendLogFormat("デバイスの登録名:%s", pad.instanceName);
  AppendLogFormat("デバイスの製品登録名:%s", pad.productName);
  DecreaseLogIndent();

  if (FAILED(parts.device->SetDataFormat(&c_dfDIJoystick))) {
    AppendLog("ジョイパッドデバイスではありませんでした、又は設定に失敗しました\n");
    return;
  }
  if (FAILED(parts.device->SetCooperativeLevel(MainWindow(), DISCL_EXCLUSIVE | DISCL_FOREGROUND))) {
    AppendLog("ジョイパッドデバイスの協調レベルの設定に失敗しました\n");
  }
  if (!SetUpAxes(parts.device)) return;
  if (!GetInputSystemState().settings.noForceFeedback) CreateEffects(&parts);

  pad.vibration = JoypadVibration{};
  StopVibration(&pad.vibration);

  parts.event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  const HRESULT notified = parts.device->SetEventNotification(parts.event);
  if (notified != DI_OK && notified != DI_POLLEDDEVICE) {
    AppendLog("ジョイパッドイベントのセットアップが失敗しました\n");
    return;
  }
  parts.device->Acquire();
  parts.HandTo(&pad);
  FillBytes(pad.state, 0, sizeof pad.state);
  ++devices.joypadCount;
  AppendLog("ジョイパッドの追加は正常に終了しました\n");
}

BOOL CALLBACK AddJoypad(const DIDEVICEINSTANCEA* instance, void*) {
  AddController(instance);
  return Devices().joypadCount >= kJoypadLimit ? DIENUM_STOP : DIENUM_CONTINUE;
}

void ApplyEffect(IDirectInputEffect* effect, int* started, int wanted) {
  if (!effect || *started == wanted) return;
  if (wanted) {
    effect->Start(1, 0);
  } else {
    effect->Stop();
  }
  *started = wanted;
}

}  // namespace

int SetupJoypads() {
  InputDevicesState& devices = Devices();
  if (!HasDirectInput()) return -1;
  ReleaseJoypads();
  AppendLog("ジョイパッドの初期化... \n");
  devices.joypadCount = 0;
  if (devices.directInput8) {
    static_cast<IDirectInput8A*>(devices.directInput)
        ->EnumDevices(kDeviceClassGameController, AddJoypad, nullptr, DIEDFL_ATTACHEDONLY);
  } else {
    static_cast<IDirectInput7A*>(devices.directInput)
        ->EnumDevices(kDeviceClassGameController, AddJoypad, nullptr, DIEDFL_ATTACHEDONLY);
  }
  AppendLog("ジョイパッドの初期化は正常に終了しました\n");
  return 0;
}

int ReleaseJoypads() {
  InputDevicesState& devices = Devices();
  if (!devices.directInput) return -1;
  for (JoypadRecord& pad : devices.joypads) {
    if (pad.device) {
      pad.device->Unacquire();
      pad.device->SetEventNotification(nullptr);
    }
    if (pad.constantForce) pad.constantForce->Stop();
    if (pad.sine) pad.sine->Stop();
    ReleaseInterface(pad.constantForce);
    ReleaseInterface(pad.sine);
    ReleaseInterface(pad.device);
    if (pad.notifyEvent) CloseHandle(pad.notifyEvent);
    pad = JoypadRecord{};
  }
  devices.joypadCount = 0;
  return 0;
}

int RefreshJoypadEffects() {
  if (!HasDirectInput()) return 0;
  const int active = IsAppActive();
  for (JoypadRecord& pad : Devices().joypads) {
    if (!pad.device) continue;
    const JoypadEffectPlan plan = PlanJoypadEffects(pad.vibration, active);
    ApplyEffect(pad.constantForce, &pad.vibration.constantStarted, plan.constantForce);
    ApplyEffect(pad.sine, &pad.vibration.sineStarted, plan.sine);
  }
  return 0;
}

int UpdateJoypadVibration() {
  InputDevicesState& devices = Devices();
  if (!HasDirectInput()) return 0;
  const int now = GetTickMilliseconds();
  for (int i = 0; i < devices.joypadCount; ++i) {
    JoypadRecord& pad = devices.joypads[i];
    if (pad.device && AdvanceJoypadVibration(&pad.vibration, now)) StopJoypadVibration(i + 1);
  }
  RefreshJoypadEffects();
  return 0;
}

int StopJoypadVibration(int pad) {
  WaitWhileInactive();
  int started = 0;
  if (StartInputInsteadOfUse(&started)) return started;
  InputDevicesState& devices = Devices();
  const int number = pad & ~kPadIgnoredBit;
  if (number < 1 || number > devices.joypadCount) return 0;
  JoypadRecord& record = devices.joypads[number - 1];
  if (record.device && record.constantForce && record.vibration.playing) {
    StopVibration(&record.vibration);
    RefreshJoypadEffects();
  }
  return 0;
}
