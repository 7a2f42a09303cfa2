// What the input units share of DirectInput: its interfaces and the device
// creation that differs between version 7 and version 8.
#ifndef OMBREL_SYSTEM_DIRECT_INPUT_H
#define OMBREL_SYSTEM_DIRECT_INPUT_H

#ifndef DIRECTINPUT_VERSION
#define DIRECTINPUT_VERSION 0x0800
#endif
#include <windows.h>
#include <dinput.h>

// A device of the started DirectInput object (version 8 devices extend the
// version 7 interface), or null.
IDirectInputDevice7A* CreateInputDevice(REFGUID guid);

// A property record with its header filled for one object (or the whole
// device with DIPH_DEVICE and object 0).
template <typename Property>
Property MakeDeviceProperty(DWORD object, DWORD how) {
  Property property = {};
  property.diph.dwSize = sizeof property;
  property.diph.dwHeaderSize = sizeof property.diph;
  property.diph.dwObj = object;
  property.diph.dwHow = how;
  return property;
}

template <typename Interface>
void ReleaseInterface(Interface*& object) {
  if (object) object->Release();
  object = nullptr;
}

#endif
