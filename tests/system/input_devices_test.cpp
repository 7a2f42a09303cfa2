#include "system/input_devices.h"

#include <windows.h>
#include <dinput.h>

#include <string>

#include <gtest/gtest.h>

#include "support/key_injection.h"
#include "support/library_session.h"
#include "support/log_capture.h"
#include "system/api_guard.h"
#include "system/os_version.h"
#include "system/system_info.h"
#include "system/system_state.h"

namespace {

// The frames after an injected key, as the game runs them: the message
// pass, then the key states.
std::string KeysAfterFrames() {
  char keys[kKeyStateCount];
  for (int i = 0; i < 6; ++i) {
    PumpMessages();
    Sleep(5);
  }
  GetAllKeyStates(keys);
  std::string down;
  for (int i = 0; i < kKeyStateCount; ++i) {
    if (keys[i] != 0) down += std::to_string(i) + " ";
  }
  return down;
}

// Runs before any test starts the library: nothing is bound yet.
TEST(InputBeforeStartTest, AKeyQueryStartsInputAndReportsNothingDown) {
  ASSERT_EQ(IsInputStarted(), 0);
  EXPECT_EQ(IsKeyDown(0x1E), 0);
  EXPECT_EQ(IsInputStarted(), 1);
  EXPECT_EQ(HasDirectInput(), 0);
  EXPECT_EQ(EndInputDevices(), 0);
  EXPECT_EQ(IsInputStarted(), 0);

  char keys[kKeyStateCount];
  memset(keys, 0x7F, sizeof keys);
  EXPECT_EQ(GetAllKeyStates(keys), 0);
  for (char key : keys) ASSERT_EQ(key, 0);
  EndInputDevices();
}

class InputDevicesTest : public StartedLibraryTest {
 protected:
  void TearDown() override {
    for (WORD key : {WORD{'Z'}, WORD{VK_RETURN}, WORD{VK_RSHIFT}}) SendKey(key, true);
    InputSystemState& input = GetInputSystemState();
    if (restart_) {
      EndInputDevices();
      input.settings = InputSettings{};
      GetSystemState().dlls.ole32.CoCreateInstance = savedCoCreateInstance_;
      GetSystemState().dlls.winmm.joyGetDevCapsA = savedJoyGetDevCaps_;
      InitInputDevices();
    }
    input.settings = InputSettings{};
    StartedLibraryTest::TearDown();
  }

  // Input is started again with other settings or bound entries; the
  // originals come back after the test.
  void PrepareRestart() {
    restart_ = true;
    savedCoCreateInstance_ = GetSystemState().dlls.ole32.CoCreateInstance;
    savedJoyGetDevCaps_ = GetSystemState().dlls.winmm.joyGetDevCapsA;
    EndInputDevices();
  }

  bool restart_ = false;
  decltype(Ole32Functions::CoCreateInstance) savedCoCreateInstance_ = nullptr;
  decltype(WinmmFunctions::joyGetDevCapsA) savedJoyGetDevCaps_ = nullptr;
};

TEST_F(InputDevicesTest, DirectInputSevenStartsWithKeyboardMouseAndNoPads) {
  const InputDevicesState& devices = GetInputSystemState().devices;
  EXPECT_EQ(HasDirectInput(), 1);
  EXPECT_EQ(devices.directInput8, 0);
  EXPECT_NE(devices.keyboard, nullptr);
  EXPECT_NE(devices.mouse, nullptr);
  EXPECT_EQ(devices.joypadCount, 0);
}

TEST_F(InputDevicesTest, KeysComeFromWindowsThroughTheTableOnNewerSystems) {
  ASSERT_GE(GetOsVersionCode(), kOsWindowsVista);
  ASSERT_NE(GetInputSystemState().devices.keyboard, nullptr);
  // A key state that only Windows knows of: the DirectInput keyboard never
  // saw these keys go down.
  BYTE virtualKeys[kKeyStateCount] = {};
  virtualKeys['A'] = 0x80;
  virtualKeys[VK_RETURN] = 0x80;
  virtualKeys[VK_RSHIFT] = 0x80;
  ASSERT_TRUE(SetKeyboardState(virtualKeys));
  EXPECT_EQ(KeysAfterFrames(), "28 30 54 156 ");
  EXPECT_EQ(IsKeyDown(0x9C), 1);
  EXPECT_EQ(IsKeyDown(0x1D), 0);
  BYTE none[kKeyStateCount] = {};
  SetKeyboardState(none);
  EXPECT_EQ(KeysAfterFrames(), "");
}

TEST_F(InputDevicesTest, PressedKeysShowOnBothKeyboardPaths) {
  for (int directInputKeyboard : {0, 1}) {
    GetInputSystemState().settings.directInputKeyboardOnNewerWindows = directInputKeyboard;
    SendKey('Z', false);
    EXPECT_EQ(KeysAfterFrames(), "44 ") << directInputKeyboard;
    SendKey('Z', true);
    EXPECT_EQ(KeysAfterFrames(), "") << directInputKeyboard;
  }
}

TEST_F(InputDevicesTest, KeyStatesAreReadOncePerMillisecond) {
  AcquireApiGuard();
  BYTE virtualKeys[kKeyStateCount] = {};
  char keys[kKeyStateCount];
  int sameMillisecond = 0;
  for (int attempt = 0; attempt < 200 && sameMillisecond < 5; ++attempt) {
    virtualKeys['X'] = 0;
    SetKeyboardState(virtualKeys);
    const int start = GetTickMilliseconds();
    while (GetTickMilliseconds() == start) {
    }
    const int now = GetTickMilliseconds();
    GetAllKeyStates(keys);
    ASSERT_EQ(keys[0x2D], 0);
    virtualKeys['X'] = 0x80;
    SetKeyboardState(virtualKeys);
    GetAllKeyStates(keys);
    if (GetTickMilliseconds() == now) {
      EXPECT_EQ(keys[0x2D], 0) << "refreshed twice within one millisecond";
      ++sameMillisecond;
    }
  }
  EXPECT_GT(sameMillisecond, 0);
  // A later millisecond reads the new state.
  const int last = GetTickMilliseconds();
  while (GetTickMilliseconds() == last) {
  }
  GetAllKeyStates(keys);
  EXPECT_EQ(keys[0x2D], 1);
  virtualKeys['X'] = 0;
  SetKeyboardState(virtualKeys);
  ReleaseApiGuard();
}

TEST_F(InputDevicesTest, AKeyQueryWhileKeyInputIsProcessedDoesNotWaitForActivation) {
  // Full screen waits for the foreground, but no pass can run inside the
  // key-input processing to bring it.
  SystemState& state = GetSystemState();
  state.settings.windowMode = 0;
  state.run.active = 0;
  state.run.keyInputReentry = 1;
  EXPECT_EQ(IsKeyDown(0x2A), 0);
  state.run.keyInputReentry = 0;
  state.run.active = 1;
  state.settings.windowMode = 1;
}

TEST_F(InputDevicesTest, ScanCodesOutsideTheArrayReadAsUp) {
  for (int code : {-1, 256, 0x7FFFFFFF, static_cast<int>(0x80000000)}) {
    EXPECT_EQ(IsKeyDown(code), 0) << code;
  }
  EXPECT_EQ(GetAllKeyStates(nullptr), -1);
}

MMRESULT WINAPI TwoJoysticks(UINT_PTR id, JOYCAPSA* caps, UINT) {
  if (id >= 2) return JOYERR_UNPLUGGED;
  *caps = JOYCAPSA{};
  caps->wCaps = id == 0 ? JOYCAPS_HASZ | JOYCAPS_HASR : JOYCAPS_HASZ;
  return JOYERR_NOERROR;
}

TEST_F(InputDevicesTest, WithoutDirectInputJoysticksAreCountedAndKeysStillWork) {
  PrepareRestart();
  GetInputSystemState().settings.noDirectInput = 1;
  GetSystemState().dlls.winmm.joyGetDevCapsA = TwoJoysticks;
  LogCapture capture;
  ASSERT_EQ(InitInputDevices(), 0);
  const InputDevicesState& devices = GetInputSystemState().devices;
  EXPECT_EQ(IsInputStarted(), 1);
  EXPECT_EQ(HasDirectInput(), 0);
  EXPECT_EQ(devices.keyboard, nullptr);
  EXPECT_EQ(devices.joypadCount, kJoypadLimit);
  EXPECT_EQ(devices.joypads[0].hasZAndR, 1);
  EXPECT_EQ(devices.joypads[1].hasZAndR, 0);
  EXPECT_NE(capture.Read().find("パッドの数は 2 個です"), std::string::npos);
  SendKey('Z', false);
  EXPECT_EQ(KeysAfterFrames(), "44 ");
  SendKey('Z', true);
  EXPECT_EQ(KeysAfterFrames(), "");
  EXPECT_EQ(EndInputDevices(), 0);
  EXPECT_NE(capture.Read().find("入力関連の終了処理... 完了"), std::string::npos);
}

decltype(Ole32Functions::CoCreateInstance) realCoCreateInstance = nullptr;

HRESULT WINAPI NoDirectInputSeven(REFCLSID classId, IUnknown* outer, DWORD context,
                                  REFIID interfaceId, void** object) {
  if (IsEqualCLSID(classId, CLSID_DirectInput)) return REGDB_E_CLASSNOTREG;
  return realCoCreateInstance(classId, outer, context, interfaceId, object);
}

HRESULT WINAPI NoDirectInput(REFCLSID, IUnknown*, DWORD, REFIID, void** object) {
  *object = nullptr;
  return REGDB_E_CLASSNOTREG;
}

TEST_F(InputDevicesTest, WithoutEitherVersionInputRunsOnTheWindowsKeyboard) {
  PrepareRestart();
  GetSystemState().dlls.ole32.CoCreateInstance = NoDirectInput;
  ASSERT_EQ(InitInputDevices(), 0);
  EXPECT_EQ(IsInputStarted(), 1);
  EXPECT_EQ(HasDirectInput(), 0);
  EXPECT_EQ(GetInputSystemState().devices.mouse, nullptr);
  SendKey('Z', false);
  EXPECT_EQ(KeysAfterFrames(), "44 ");
  SendKey('Z', true);
  EXPECT_EQ(KeysAfterFrames(), "");
}

TEST_F(InputDevicesTest, VersionEightServesWhenVersionSevenCannotBeMade) {
  PrepareRestart();
  realCoCreateInstance = savedCoCreateInstance_;
  GetSystemState().dlls.ole32.CoCreateInstance = NoDirectInputSeven;
  ASSERT_EQ(InitInputDevices(), 0);
  const InputDevicesState& devices = GetInputSystemState().devices;
  EXPECT_EQ(HasDirectInput(), 1);
  EXPECT_EQ(devices.directInput8, 1);
  ASSERT_NE(devices.keyboard, nullptr);
  GetInputSystemState().settings.directInputKeyboardOnNewerWindows = 1;
  SendKey(VK_RETURN, false);
  EXPECT_EQ(KeysAfterFrames(), "28 ");
  SendKey(VK_RETURN, true);
  EXPECT_EQ(KeysAfterFrames(), "");
}

}  // namespace
