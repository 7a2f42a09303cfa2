#include "system/input_devices.h"

// No device is opened yet: keyboard, mouse and joypads come with their own
// input layer, and until then input starts and ends without doing anything.
int InitInputDevices() { return 0; }

int EndInputDevices() { return 0; }

int UpdateKeyboardState() { return 0; }

int UpdateJoypadVibration() { return 0; }

int ReacquireInputDevices() { return 0; }

int RefreshJoypadEffects() { return 0; }
