#include "GameSettings.h"

#include <windows.h>

int ReadDebugSetting(const char* section, const char* key, int defaultValue) {
  // The path holds a folder, so the profile API reads it from the working
  // directory rather than the Windows folder.
  return static_cast<int>(
      GetPrivateProfileIntA(section, key, defaultValue, DataPath("debug.ini").c_str()));
}
