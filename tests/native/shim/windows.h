// The few Windows declarations that the natively built units need: only the
// game's error box reaches the platform among them. native_platform.cpp
// defines the function.
#ifndef OMBREL_NATIVE_SHIM_WINDOWS_H
#define OMBREL_NATIVE_SHIM_WINDOWS_H

#define MB_OK 0x0u
#define MB_ICONERROR 0x10u

int MessageBoxA(void* owner, const char* text, const char* caption, unsigned type);

#endif
