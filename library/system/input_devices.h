// The input devices: DirectInput (version 7, else 8) with a mouse, a
// keyboard and up to 16 joypads with two force-feedback effects each, or,
// without DirectInput, the Windows keyboard state and the multimedia
// joysticks. The keyboard state is one array indexed by scan code, refreshed
// once per message pass; IsKeyDown and GetAllKeyStates (Ombrel.h) read it.
#ifndef OMBREL_SYSTEM_INPUT_DEVICES_H
#define OMBREL_SYSTEM_INPUT_DEVICES_H

#include <stdint.h>

#include "system/input_tables.h"
#include "system/joypad_vibration.h"

struct IUnknown;
struct IDirectInputDevice7A;
struct IDirectInputEffect;

constexpr int kJoypadStateSize = 80;
constexpr int kDeviceNameSize = 260;
constexpr int kKeyboardBufferSize = 100;
constexpr int kJoypadAxisRange = 1000;
constexpr int kJoypadDeadZone = 3500;
// Stands for the DirectInput object while running without DirectInput.
constexpr uintptr_t kNoDirectInputObject = static_cast<uintptr_t>(-1);

struct JoypadRecord {
  IDirectInputDevice7A* device;
  IDirectInputEffect* constantForce;
  IDirectInputEffect* sine;
  void* notifyEvent;  // manual reset
  unsigned char state[kJoypadStateSize];
  int hasZAndR;  // only without DirectInput, from the joystick's capabilities
  JoypadVibration vibration;
  char instanceName[kDeviceNameSize];
  char productName[kDeviceNameSize];
};

// Kept when the input state is cleared at start-up; all 0 by default.
struct InputSettings {
  int noDirectInput;                      // 1 runs without DirectInput from the start
  int directInputKeyboardOnNewerWindows;  // 1 reads the DirectInput keyboard on Vista and later
  int noForceFeedback;                    // 1 makes no vibration effects
};

struct InputDevicesState {
  IUnknown* directInput;  // null before start, or kNoDirectInputObject
  int directInput8;
  IDirectInputDevice7A* mouse;
  IDirectInputDevice7A* keyboard;
  void* keyboardEvent;  // manual reset
  int lastKeyboardRefresh;
  unsigned char keyStates[kKeyStateCount];  // bit 7 while the key is down
  int joypadCount;
  JoypadRecord joypads[kJoypadLimit];
  int refreshing;
  int starting;
};

struct InputSystemState {
  InputSettings settings;
  int keyToPadFilled;  // the table is filled once per process
  KeyToPadTable keyToPad;
  InputDevicesState devices;
};

InputSystemState& GetInputSystemState();

// 0, or -1 when the keyboard's event notification cannot be set up.
int InitInputDevices();
int EndInputDevices();
// 1 when the key states were refreshed.
int UpdateKeyboardState();
int ReacquireInputDevices();
int RefreshJoypadEffects();
int UpdateJoypadVibration();
// pad counts from 1; bit 0x1000 of pad is ignored.
int StopJoypadVibration(int pad);
// 0, or -1 without DirectInput.
int SetupJoypads();
// 0, or -1 without a DirectInput object.
int ReleaseJoypads();

// Input calls made before input started start it instead: returns 1 with
// result set to what the caller returns (0 once the close was requested),
// else 0.
int StartInputInsteadOfUse(int* result);
// 1 while input runs (with DirectInput or without it).
int IsInputStarted();
// 1 while running with a DirectInput object.
int HasDirectInput();

#endif
