// Where the game finds its content and its developer settings. The data
// folder is "..\data", beside the working directory; "debug.ini" in it holds
// the settings, each read one integer at a time when it is needed, so a change
// of the file takes effect at once.
#ifndef MOONLITCAIRN_GAME_SETTINGS_H
#define MOONLITCAIRN_GAME_SETTINGS_H

#include <string>

const std::string& GetGameDataFolder();
// Points the game at another data folder (the tests use their own).
void SetGameDataFolder(const std::string& folder);
// folder\name under the data folder, e.g. DataPath("item") = "..\data\item".
std::string DataPath(const std::string& name);

// The integer key of a section of debug.ini; the default when the file, the
// section or the key is missing.
int ReadDebugSetting(const char* section, const char* key, int defaultValue);

#endif
