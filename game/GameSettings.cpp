#include "GameSettings.h"

#include <windows.h>

namespace {

std::string& DataFolder() {
  static std::string folder = "..\\data";
  return folder;
}

}  // namespace

const std::string& GetGameDataFolder() { return DataFolder(); }

void SetGameDataFolder(const std::string& folder) { DataFolder() = folder; }

std::string DataPath(const std::string& name) { return DataFolder() + "\\" + name; }

int ReadDebugSetting(const char* section, const char* key, int defaultValue) {
  // The path holds a folder, so the profile API reads it from the working
  // directory rather than the Windows folder.
  return static_cast<int>(
      GetPrivateProfileIntA(section, key, defaultValue, DataPath("debug.ini").c_str()));
}
