// The state a device starts each frame from after creation, and the resend
// of everything the cache remembers to a re-created device.
#ifndef OMBREL_DIRECT3D9_DEVICE_DEFAULT_STATES_H
#define OMBREL_DIRECT3D9_DEVICE_DEFAULT_STATES_H

int InitializeDeviceStates();
int ResendAllDeviceStates();
void ResendBasicDeviceStates();
int ResetDeviceDefaultStates();

#endif
