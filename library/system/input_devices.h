// The input devices' start, end and the services the window and the message
// pass call.
#ifndef OMBREL_SYSTEM_INPUT_DEVICES_H
#define OMBREL_SYSTEM_INPUT_DEVICES_H

// 0, or -1 when the keyboard's event notification cannot be set up.
int InitInputDevices();
int EndInputDevices();
// 1 when the key state was refreshed.
int UpdateKeyboardState();
int UpdateJoypadVibration();
int ReacquireInputDevices();
int RefreshJoypadEffects();

#endif
