// The Windows version as the library names and codes it.
#ifndef OMBREL_SYSTEM_OS_VERSION_H
#define OMBREL_SYSTEM_OS_VERSION_H

#include <stddef.h>

// OsVersionCode values.
enum OsVersionCodeValue {
  kOsWin32s = 0,
  kOsWindows95 = 1,
  kOsWindows98 = 2,
  kOsWindowsMe = 3,
  kOsWindowsNt351 = 0x104,
  kOsWindowsNt4 = 0x105,
  kOsWindows2000 = 0x106,
  kOsWindowsXp = 0x107,
  kOsWindowsVista = 0x108,
  kOsWindows7 = 0x109,
};

struct WindowsVersion {
  unsigned platform;  // 0 Win32s, 1 Windows 9x, 2 NT
  unsigned major;
  unsigned minor;
  unsigned build;
  const char* serviceText;
};

// Writes what follows "Windows" in the version name into suffix and returns
// 1 with *code set, or 0 with *code untouched for a version the table does
// not know. Systems newer than 7 get the newest code, so that every
// newer-system branch takes its newest path, and no suffix.
int ClassifyWindowsVersion(const WindowsVersion& version, char* suffix, size_t suffixSize,
                           int* code);

// The OS line: "Windows<suffix> ( Build <build> <service text> )".
void FormatOsText(const WindowsVersion& version, const char* suffix, char* text, size_t textSize);

#endif
