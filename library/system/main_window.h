// The main window: its creation at start-up, its window procedure and its
// end at shut-down.
#ifndef OMBREL_SYSTEM_MAIN_WINDOW_H
#define OMBREL_SYSTEM_MAIN_WINDOW_H

#include <windows.h>

constexpr char kDefaultWindowClassName[] = "D123987X";
constexpr char kDefaultWindowTitle[] = "Ombrel";

// Clears the running state, measures memory and the timers, refuses a
// second copy and creates, shows and places the window; 0 or -1.
int InitSystemAndWindow();
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int HandleWindowMove(LPARAM lParam);
void ForceForegroundWindow(HWND window, int topmost);
// The client rectangle in screen coordinates, moved down by the toolbar.
int GetClientScreenRect(RECT* rect);
// The window side of shut-down; also ends the timer period and puts the
// screen saver setting back when no window was made.
int EndWindow();
int ClearDroppedFiles();

// The screen saver is kept off while the window exists; the user's own
// setting is read first and put back at every exit.
void SuspendScreenSaver();
void RestoreScreenSaver();

#endif
