// Joypads through a fake DirectInput: the bound COM entry hands input
// start-up a DirectInput object of the test's own, whose devices and effects
// record what the library asks of them.
#include "system/input_devices.h"

#include <windows.h>
#include <dinput.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/library_session.h"
#include "support/log_capture.h"
#include "system/clock.h"
#include "system/system_state.h"

namespace {

// Objects live as long as the test; Release only counts, so what a released
// object was asked stays readable.
class FakeEffect : public IDirectInputEffect {
 public:
  FakeEffect(REFGUID kind, const DIEFFECT& effect) : kind(kind), effect(effect) {
    axes.assign(effect.rgdwAxes, effect.rgdwAxes + effect.cAxes);
    directions.assign(effect.rglDirection, effect.rglDirection + effect.cAxes);
    hasEnvelope = effect.lpEnvelope != nullptr;
    if (hasEnvelope) envelope = *effect.lpEnvelope;
    const auto* bytes = static_cast<const unsigned char*>(effect.lpvTypeSpecificParams);
    parameters.assign(bytes, bytes + effect.cbTypeSpecificParams);
  }

  HRESULT WINAPI QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG WINAPI AddRef() override { return ++references; }
  ULONG WINAPI Release() override { return --references; }
  HRESULT WINAPI Initialize(HINSTANCE, DWORD, REFGUID) override { return DI_OK; }
  HRESULT WINAPI GetEffectGuid(LPGUID) override { return E_NOTIMPL; }
  HRESULT WINAPI GetParameters(LPDIEFFECT, DWORD) override { return E_NOTIMPL; }
  HRESULT WINAPI SetParameters(LPCDIEFFECT, DWORD) override { return E_NOTIMPL; }
  HRESULT WINAPI Start(DWORD iterations, DWORD) override {
    ++starts;
    lastIterations = iterations;
    running = true;
    return DI_OK;
  }
  HRESULT WINAPI Stop() override {
    ++stops;
    running = false;
    return DI_OK;
  }
  HRESULT WINAPI GetEffectStatus(LPDWORD) override { return E_NOTIMPL; }
  HRESULT WINAPI Download() override { return DI_OK; }
  HRESULT WINAPI Unload() override { return DI_OK; }
  HRESULT WINAPI Escape(LPDIEFFESCAPE) override { return E_NOTIMPL; }

  GUID kind;
  DIEFFECT effect;
  std::vector<DWORD> axes;
  std::vector<LONG> directions;
  bool hasEnvelope = false;
  DIENVELOPE envelope = {};
  std::vector<unsigned char> parameters;
  ULONG references = 1;
  int starts = 0;
  int stops = 0;
  DWORD lastIterations = 0;
  bool running = false;
};

struct PadSpec {
  std::string instanceName;
  std::string productName;
  const GUID* failingProperty = nullptr;  // DIPROP_RANGE or DIPROP_DEADZONE
  DWORD failingOffset = 0;
};

class FakeDevice : public IDirectInputDevice8A {
 public:
  FakeDevice(REFGUID guid, const PadSpec* spec) : guid(guid), spec(spec) {}

  HRESULT WINAPI QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG WINAPI AddRef() override { return ++references; }
  ULONG WINAPI Release() override { return --references; }
  HRESULT WINAPI GetCapabilities(LPDIDEVCAPS) override { return E_NOTIMPL; }
  HRESULT WINAPI EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA, LPVOID, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI GetProperty(REFGUID, LPDIPROPHEADER) override { return E_NOTIMPL; }
  HRESULT WINAPI SetProperty(REFGUID property, LPCDIPROPHEADER header) override {
    if (spec && spec->failingProperty == &property && header->dwObj == spec->failingOffset) {
      return DIERR_INVALIDPARAM;
    }
    if (&property == &DIPROP_RANGE && header->dwHow == DIPH_BYOFFSET) {
      const auto* range = reinterpret_cast<const DIPROPRANGE*>(header);
      ranges[header->dwObj] = {range->lMin, range->lMax};
    } else if (&property == &DIPROP_DEADZONE && header->dwHow == DIPH_BYOFFSET) {
      deadZones[header->dwObj] = reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
    }
    return DI_OK;
  }
  HRESULT WINAPI Acquire() override {
    ++acquires;
    return DI_OK;
  }
  HRESULT WINAPI Unacquire() override {
    ++unacquires;
    return DI_OK;
  }
  HRESULT WINAPI GetDeviceState(DWORD size, LPVOID data) override {
    memset(data, 0, size);
    return DI_OK;
  }
  HRESULT WINAPI GetDeviceData(DWORD, LPDIDEVICEOBJECTDATA, LPDWORD, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI SetDataFormat(LPCDIDATAFORMAT format) override {
    dataFormat = format;
    return DI_OK;
  }
  HRESULT WINAPI SetEventNotification(HANDLE event) override {
    notifyEvent = event;
    return DI_OK;
  }
  HRESULT WINAPI SetCooperativeLevel(HWND window, DWORD flags) override {
    cooperativeWindow = window;
    cooperativeFlags = flags;
    return DI_OK;
  }
  HRESULT WINAPI GetObjectInfo(LPDIDEVICEOBJECTINSTANCEA, DWORD, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI GetDeviceInfo(LPDIDEVICEINSTANCEA info) override {
    if (!spec) return E_NOTIMPL;
    info->guidInstance = guid;
    lstrcpynA(info->tszInstanceName, spec->instanceName.c_str(), MAX_PATH);
    lstrcpynA(info->tszProductName, spec->productName.c_str(), MAX_PATH);
    return DI_OK;
  }
  HRESULT WINAPI RunControlPanel(HWND, DWORD) override { return E_NOTIMPL; }
  HRESULT WINAPI Initialize(HINSTANCE, DWORD, REFGUID) override { return DI_OK; }
  HRESULT WINAPI CreateEffect(REFGUID kind, LPCDIEFFECT effect, LPDIRECTINPUTEFFECT* out,
                              LPUNKNOWN) override {
    effects.push_back(std::make_unique<FakeEffect>(kind, *effect));
    *out = effects.back().get();
    return DI_OK;
  }
  HRESULT WINAPI EnumEffects(LPDIENUMEFFECTSCALLBACKA, LPVOID, DWORD) override { return E_NOTIMPL; }
  HRESULT WINAPI GetEffectInfo(LPDIEFFECTINFOA, REFGUID) override { return E_NOTIMPL; }
  HRESULT WINAPI GetForceFeedbackState(LPDWORD) override { return E_NOTIMPL; }
  HRESULT WINAPI SendForceFeedbackCommand(DWORD) override { return E_NOTIMPL; }
  HRESULT WINAPI EnumCreatedEffectObjects(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK, LPVOID,
                                          DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI Escape(LPDIEFFESCAPE) override { return E_NOTIMPL; }
  HRESULT WINAPI Poll() override { return DI_OK; }
  HRESULT WINAPI SendDeviceData(DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI EnumEffectsInFile(LPCSTR, LPDIENUMEFFECTSINFILECALLBACK, LPVOID, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI WriteEffectToFile(LPCSTR, DWORD, LPDIFILEEFFECT, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI BuildActionMap(LPDIACTIONFORMATA, LPCSTR, DWORD) override { return E_NOTIMPL; }
  HRESULT WINAPI SetActionMap(LPDIACTIONFORMATA, LPCSTR, DWORD) override { return E_NOTIMPL; }
  HRESULT WINAPI GetImageInfo(LPDIDEVICEIMAGEINFOHEADERA) override { return E_NOTIMPL; }

  FakeEffect* Effect(REFGUID kind) {
    for (auto& effect : effects) {
      if (IsEqualGUID(effect->kind, kind)) return effect.get();
    }
    return nullptr;
  }

  GUID guid;
  const PadSpec* spec;  // null for the mouse and the keyboard
  ULONG references = 1;
  std::map<DWORD, std::pair<LONG, LONG>> ranges;
  std::map<DWORD, DWORD> deadZones;
  LPCDIDATAFORMAT dataFormat = nullptr;
  HANDLE notifyEvent = nullptr;
  HWND cooperativeWindow = nullptr;
  DWORD cooperativeFlags = 0;
  int acquires = 0;
  int unacquires = 0;
  std::vector<std::unique_ptr<FakeEffect>> effects;
};

GUID PadGuid(size_t index) {
  GUID guid = {0x6a6f7900u + static_cast<DWORD>(index), 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
  return guid;
}

class FakeDirectInput : public IDirectInput8A {
 public:
  HRESULT WINAPI QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG WINAPI AddRef() override { return ++references; }
  ULONG WINAPI Release() override { return --references; }
  HRESULT WINAPI CreateDevice(REFGUID guid, LPDIRECTINPUTDEVICE8A* out, LPUNKNOWN) override {
    const PadSpec* spec = nullptr;
    for (size_t i = 0; i < pads.size(); ++i) {
      if (IsEqualGUID(guid, PadGuid(i))) spec = &pads[i];
    }
    devices.push_back(std::make_unique<FakeDevice>(guid, spec));
    *out = devices.back().get();
    return DI_OK;
  }
  HRESULT WINAPI EnumDevices(DWORD type, LPDIENUMDEVICESCALLBACKA callback, LPVOID context,
                             DWORD flags) override {
    enumType = type;
    enumFlags = flags;
    for (size_t i = 0; i < pads.size(); ++i) {
      DIDEVICEINSTANCEA instance = {};
      instance.dwSize = sizeof instance;
      instance.guidInstance = PadGuid(i);
      ++offered;
      if (callback(&instance, context) == DIENUM_STOP) break;
    }
    return DI_OK;
  }
  HRESULT WINAPI GetDeviceStatus(REFGUID) override { return DI_OK; }
  HRESULT WINAPI RunControlPanel(HWND, DWORD) override { return E_NOTIMPL; }
  HRESULT WINAPI Initialize(HINSTANCE, DWORD version) override {
    initializedVersion = version;
    return DI_OK;
  }
  HRESULT WINAPI FindDevice(REFGUID, LPCSTR, LPGUID) override { return E_NOTIMPL; }
  HRESULT WINAPI EnumDevicesBySemantics(LPCSTR, LPDIACTIONFORMATA, LPDIENUMDEVICESBYSEMANTICSCBA,
                                        LPVOID, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI ConfigureDevices(LPDICONFIGUREDEVICESCALLBACK, LPDICONFIGUREDEVICESPARAMSA, DWORD,
                                  LPVOID) override {
    return E_NOTIMPL;
  }

  FakeDevice* Pad(size_t index) {
    for (auto& device : devices) {
      if (IsEqualGUID(device->guid, PadGuid(index))) return device.get();
    }
    return nullptr;
  }

  std::vector<PadSpec> pads;
  std::vector<std::unique_ptr<FakeDevice>> devices;
  ULONG references = 0;  // the creation hands out the first
  DWORD enumType = 0;
  DWORD enumFlags = 0;
  int offered = 0;
  DWORD initializedVersion = 0;
};

FakeDirectInput* fake = nullptr;

// Only version 8 is there, as on a system without the older interface.
HRESULT WINAPI FakeCoCreateInstance(REFCLSID classId, LPUNKNOWN, DWORD, REFIID interfaceId,
                                    LPVOID* object) {
  if (!IsEqualGUID(classId, CLSID_DirectInput8) || !IsEqualGUID(interfaceId, IID_IDirectInput8A)) {
    return REGDB_E_CLASSNOTREG;
  }
  fake->AddRef();
  *object = static_cast<IDirectInput8A*>(fake);
  return S_OK;
}

class JoypadsTest : public StartedLibraryTest {
 protected:
  void SetUp() override {
    StartedLibraryTest::SetUp();
    savedCoCreateInstance_ = GetSystemState().dlls.ole32.CoCreateInstance;
  }

  void TearDown() override {
    EndInputDevices();
    GetInputSystemState().settings = InputSettings{};
    GetSystemState().dlls.ole32.CoCreateInstance = savedCoCreateInstance_;
    InitInputDevices();
    fake_.reset();
    fake = nullptr;
    StartedLibraryTest::TearDown();
  }

  // Input started again, finding these pads.
  void StartWithPads(const std::vector<PadSpec>& pads) {
    EndInputDevices();
    fake_ = std::make_unique<FakeDirectInput>();
    fake = fake_.get();
    fake->pads = pads;
    GetSystemState().dlls.ole32.CoCreateInstance = FakeCoCreateInstance;
    ASSERT_EQ(InitInputDevices(), 0);
    ASSERT_EQ(HasDirectInput(), 1);
  }

  JoypadRecord& Pad(int index) { return GetInputSystemState().devices.joypads[index]; }

  // Makes pad 1 vibrate as a caller would: playing, at a power, for a time.
  void Vibrate(int index, int power, int duration) {
    JoypadVibration& vibration = Pad(index).vibration;
    vibration.playing = 1;
    vibration.power = power;
    vibration.duration = duration;
    vibration.elapsed = 0;
    vibration.lastTime = GetTickMilliseconds();
  }

  std::unique_ptr<FakeDirectInput> fake_;
  decltype(Ole32Functions::CoCreateInstance) savedCoCreateInstance_ = nullptr;
};

const DWORD kAxes[] = {DIJOFS_X, DIJOFS_Y, DIJOFS_Z, DIJOFS_RX, DIJOFS_RY, DIJOFS_RZ};

TEST_F(JoypadsTest, EveryAttachedPadIsSetUpWithItsAxesAndTwoEffects) {
  LogCapture log;
  StartWithPads({{"Pad One", "Product One"}, {"Pad Two", "Product Two"}});
  const InputDevicesState& devices = GetInputSystemState().devices;
  EXPECT_EQ(devices.directInput8, 1);
  EXPECT_EQ(fake->initializedVersion, 0x800u);
  EXPECT_EQ(fake->enumType, 4u);
  EXPECT_EQ(fake->enumFlags, static_cast<DWORD>(DIEDFL_ATTACHEDONLY));
  ASSERT_EQ(devices.joypadCount, 2);
  const std::string text = log.Read();
  EXPECT_NE(text.find("デバイスの登録名:Pad Two"), std::string::npos);
  EXPECT_NE(text.find("デバイスの製品登録名:Product One"), std::string::npos);

  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    const JoypadRecord& pad = Pad(i);
    FakeDevice* device = fake->Pad(i);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(pad.device, reinterpret_cast<IDirectInputDevice7A*>(device));
    EXPECT_STREQ(pad.instanceName, i == 0 ? "Pad One" : "Pad Two");
    EXPECT_STREQ(pad.productName, i == 0 ? "Product One" : "Product Two");
    EXPECT_EQ(device->dataFormat, &c_dfDIJoystick);
    EXPECT_EQ(device->cooperativeWindow, GetSystemState().run.mainWindow);
    EXPECT_EQ(device->cooperativeFlags, static_cast<DWORD>(DISCL_EXCLUSIVE | DISCL_FOREGROUND));
    for (DWORD axis : kAxes) {
      EXPECT_EQ(device->ranges[axis], std::make_pair(LONG{-1000}, LONG{1000})) << axis;
      EXPECT_EQ(device->deadZones[axis], 3500u) << axis;
    }
    EXPECT_NE(device->notifyEvent, nullptr);
    EXPECT_EQ(device->notifyEvent, pad.notifyEvent);
    EXPECT_GE(device->acquires, 1);
    EXPECT_EQ(pad.vibration.playing, 0);
    EXPECT_EQ(pad.vibration.power, 10000);
    for (unsigned char byte : pad.state) ASSERT_EQ(byte, 0);

    FakeEffect* sine = device->Effect(GUID_Sine);
    FakeEffect* constant = device->Effect(GUID_ConstantForce);
    ASSERT_NE(sine, nullptr);
    ASSERT_NE(constant, nullptr);
    EXPECT_EQ(pad.sine, sine);
    EXPECT_EQ(pad.constantForce, constant);
    for (FakeEffect* effect : {sine, constant}) {
      EXPECT_EQ(effect->effect.dwDuration, INFINITE);
      EXPECT_EQ(effect->effect.dwGain, 10000u);
      EXPECT_EQ(effect->effect.dwTriggerButton, static_cast<DWORD>(DIEB_NOTRIGGER));
      EXPECT_EQ(effect->effect.dwStartDelay, 0u);
      EXPECT_EQ(effect->axes, (std::vector<DWORD>{DIJOFS_X, DIJOFS_Y}));
      EXPECT_EQ(effect->directions, (std::vector<LONG>{0, 0}));
    }
    EXPECT_EQ(sine->effect.dwFlags, static_cast<DWORD>(DIEFF_POLAR | DIEFF_OBJECTOFFSETS));
    ASSERT_TRUE(sine->hasEnvelope);
    EXPECT_EQ(sine->envelope.dwAttackLevel, 0u);
    EXPECT_EQ(sine->envelope.dwAttackTime, 500000u);
    EXPECT_EQ(sine->envelope.dwFadeLevel, 0u);
    EXPECT_EQ(sine->envelope.dwFadeTime, 1000000u);
    ASSERT_EQ(sine->parameters.size(), sizeof(DIPERIODIC));
    DIPERIODIC periodic;
    memcpy(&periodic, sine->parameters.data(), sizeof periodic);
    EXPECT_EQ(periodic.dwMagnitude, 10000u);
    EXPECT_EQ(periodic.lOffset, 0);
    EXPECT_EQ(periodic.dwPhase, 0u);
    EXPECT_EQ(periodic.dwPeriod, 1500000u);
    EXPECT_EQ(constant->effect.dwFlags, static_cast<DWORD>(DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS));
    EXPECT_FALSE(constant->hasEnvelope);
    ASSERT_EQ(constant->parameters.size(), sizeof(DICONSTANTFORCE));
    DICONSTANTFORCE force;
    memcpy(&force, constant->parameters.data(), sizeof force);
    EXPECT_EQ(force.lMagnitude, 10000);
  }

  // Shut-down lets go of every device and effect.
  EndInputDevices();
  for (const auto& device : fake->devices) {
    EXPECT_EQ(device->references, 0u);
    for (const auto& effect : device->effects) {
      EXPECT_EQ(effect->references, 0u);
      EXPECT_FALSE(effect->running);
    }
  }
  EXPECT_EQ(fake->references, 0u);
}

// An axis that refuses its range or dead zone: X and Y cost the controller
// its place, the others are let go.
TEST_F(JoypadsTest, AxesThatRefuseTheirSettings) {
  struct Case {
    const GUID* property;
    DWORD offset;
    bool added;
    const char* line;
  };
  const Case cases[] = {
      {&DIPROP_RANGE, DIJOFS_X, false, "ジョイパッドデバイスのＸ軸関係の設定に失敗しました"},
      {&DIPROP_RANGE, DIJOFS_Y, false, "ジョイパッドデバイスのＹ軸関係の設定に失敗しました"},
      {&DIPROP_DEADZONE, DIJOFS_X, false, "ジョイパッドデバイスのＸ軸の無効ゾーンの設定に失敗しました"},
      {&DIPROP_DEADZONE, DIJOFS_Y, false, "ジョイパッドデバイスのＹ軸の無効ゾーンの設定に失敗しました"},
      {&DIPROP_RANGE, DIJOFS_Z, true, nullptr},
      {&DIPROP_RANGE, DIJOFS_RX, true, nullptr},
      {&DIPROP_DEADZONE, DIJOFS_RY, true, nullptr},
      {&DIPROP_DEADZONE, DIJOFS_RZ, true, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset);
    LogCapture log;
    PadSpec refusing = {"Refusing", "Refusing"};
    refusing.failingProperty = c.property;
    refusing.failingOffset = c.offset;
    StartWithPads({refusing, {"Fine", "Fine"}});
    const InputDevicesState& devices = GetInputSystemState().devices;
    ASSERT_EQ(devices.joypadCount, c.added ? 2 : 1);
    EXPECT_STREQ(Pad(0).instanceName, c.added ? "Refusing" : "Fine");
    if (!c.added) {
      EXPECT_EQ(fake->Pad(0)->references, 0u);
      EXPECT_TRUE(fake->Pad(0)->effects.empty());
      EXPECT_NE(log.Read().find(c.line), std::string::npos);
    }
  }
}

TEST_F(JoypadsTest, NoMoreThanSixteenPadsAreTaken) {
  std::vector<PadSpec> pads;
  for (int i = 0; i < 18; ++i) pads.push_back({"Pad " + std::to_string(i), "Pad"});
  StartWithPads(pads);
  EXPECT_EQ(GetInputSystemState().devices.joypadCount, 16);
  EXPECT_EQ(fake->offered, 16);
  EXPECT_STREQ(Pad(15).instanceName, "Pad 15");
}

TEST_F(JoypadsTest, WithoutForceFeedbackNoEffectsAreMade) {
  GetInputSystemState().settings.noForceFeedback = 1;
  StartWithPads({{"Pad", "Pad"}});
  ASSERT_EQ(GetInputSystemState().devices.joypadCount, 1);
  EXPECT_TRUE(fake->Pad(0)->effects.empty());
  // A pad without the constant force has no vibration to stop.
  Vibrate(0, 10000, -1);
  EXPECT_EQ(StopJoypadVibration(1), 0);
  EXPECT_EQ(Pad(0).vibration.playing, 1);
}

// Power up to half runs the constant force alone; above half the sine joins.
// A timed vibration ends once its duration has passed over the frames.
TEST_F(JoypadsTest, VibrationRunsItsEffectsUntilItsTimeIsUp) {
  StartWithPads({{"Pad", "Pad"}});
  GetSystemState().run.active = 1;
  struct Case {
    int power;
    bool sine;
  };
  for (const Case& c : {Case{5000, false}, Case{5001, true}, Case{10000, true}, Case{0, false}}) {
    SCOPED_TRACE(c.power);
    FakeEffect* constant = fake->Pad(0)->Effect(GUID_ConstantForce);
    FakeEffect* sine = fake->Pad(0)->Effect(GUID_Sine);
    const int constantStarts = constant->starts;
    Vibrate(0, c.power, 1000);
    EXPECT_EQ(UpdateJoypadVibration(), 0);
    EXPECT_TRUE(constant->running);
    EXPECT_EQ(constant->starts, constantStarts + 1);
    EXPECT_EQ(constant->lastIterations, 1u);
    EXPECT_EQ(sine->running, c.sine);
    // Another frame changes nothing.
    EXPECT_EQ(UpdateJoypadVibration(), 0);
    EXPECT_EQ(constant->starts, constantStarts + 1);

    // 400 ms later it still runs; 1,100 ms later it has stopped.
    Pad(0).vibration.lastTime -= 400;
    UpdateJoypadVibration();
    EXPECT_GE(Pad(0).vibration.elapsed, 400);
    EXPECT_EQ(Pad(0).vibration.playing, 1);
    EXPECT_TRUE(constant->running);
    Pad(0).vibration.lastTime -= 700;
    UpdateJoypadVibration();
    EXPECT_EQ(Pad(0).vibration.playing, 0);
    EXPECT_EQ(Pad(0).vibration.power, 10000);
    EXPECT_FALSE(constant->running);
    EXPECT_FALSE(sine->running);
    EXPECT_EQ(Pad(0).vibration.constantStarted, 0);
    EXPECT_EQ(Pad(0).vibration.sineStarted, 0);
  }
}

TEST_F(JoypadsTest, AnInactiveApplicationStopsTheEffectsAndActivationRestartsThem) {
  StartWithPads({{"Pad", "Pad"}});
  SystemRuntime& run = GetSystemState().run;
  run.active = 1;
  FakeEffect* constant = fake->Pad(0)->Effect(GUID_ConstantForce);
  FakeEffect* sine = fake->Pad(0)->Effect(GUID_Sine);
  Vibrate(0, 8000, -1);
  RefreshJoypadEffects();
  EXPECT_TRUE(constant->running);
  EXPECT_TRUE(sine->running);
  run.active = 0;
  RefreshJoypadEffects();
  EXPECT_FALSE(constant->running);
  EXPECT_FALSE(sine->running);
  EXPECT_EQ(Pad(0).vibration.playing, 1);
  run.active = 1;
  RefreshJoypadEffects();
  EXPECT_TRUE(constant->running);
  EXPECT_TRUE(sine->running);
}

TEST_F(JoypadsTest, StoppingNamesThePadFromOneAndIgnoresBit0x1000) {
  StartWithPads({{"Pad One", "Pad"}, {"Pad Two", "Pad"}});
  GetSystemState().run.active = 1;
  struct Case {
    int argument;
    int stopped;  // pad index, -1 for none
  };
  const Case cases[] = {{1, 0}, {2, 1}, {0x1001, 0}, {0x1002, 1}, {0, -1}, {3, -1}, {-1, -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument);
    for (int i = 0; i < 2; ++i) Vibrate(i, 3000, -1);
    UpdateJoypadVibration();
    EXPECT_EQ(StopJoypadVibration(c.argument), 0);
    for (int i = 0; i < 2; ++i) {
      const bool stopped = i == c.stopped;
      EXPECT_EQ(Pad(i).vibration.playing, stopped ? 0 : 1) << "pad " << i;
      EXPECT_EQ(Pad(i).vibration.power, stopped ? 10000 : 3000) << "pad " << i;
      EXPECT_EQ(fake->Pad(i)->Effect(GUID_ConstantForce)->running, !stopped) << "pad " << i;
    }
  }
}

}  // namespace
