// What the entry function needs beyond the classes: the settings it reads,
// the product version of the executable and one frame of the loop.
#ifndef MOONLITCAIRN_GAME_ENTRY_H
#define MOONLITCAIRN_GAME_ENTRY_H

class CGame;

constexpr int kVersionTextSize = 64;

// The window scale of "System"/WindowSizeExtendRate: 1 -> 1.0, 2 -> 4.0,
// 3 -> 0.5, any other value 2.0.
double WindowScaleForSetting(int setting);

// The "ProductVersion" of the file's version resource (its first
// translation) into out (64 bytes, "0.0.0.0" until read); 1 when read.
int ReadProductVersion(const char* filePath, char* out);
// The same for the running executable.
int GetProductVersion(char* out);

// One frame without its rate text and present: update, clear, the game's
// drawing (into the effect screen while the battle mosaic runs) and the
// mosaic itself.
void StepGameFrame(CGame& game);

#endif
