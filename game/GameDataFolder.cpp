// The data folder and the paths under it; no platform call, so the table
// and map readers that use it build anywhere.
#include "GameSettings.h"

namespace {

std::string& DataFolder() {
  static std::string folder = "..\\data";
  return folder;
}

}  // namespace

const std::string& GetGameDataFolder() { return DataFolder(); }

void SetGameDataFolder(const std::string& folder) { DataFolder() = folder; }

std::string DataPath(const std::string& name) { return DataFolder() + "\\" + name; }
