// SystemState: the library's one static record of system-level state. Each
// sub-record is either kept across the clearing at start-up (the settings
// made before InitLibrary, the log, the allocator, the guard, the bindings,
// the system information) or cleared by it (everything about the running
// window and timers), so the clearing never touches a live lock.
#ifndef OMBREL_SYSTEM_SYSTEM_STATE_H
#define OMBREL_SYSTEM_SYSTEM_STATE_H

#include <windows.h>

#include <stdint.h>

#include "system/api_guard.h"
#include "system/bound_dlls.h"
#include "system/lazy_lock.h"
#include "system/tracked_memory.h"

constexpr int kPathBufferSize = 260;
constexpr int kWindowTitleSize = 256;
constexpr int kLogOverlayLineCount = 80;
constexpr int kLogOverlayLineSize = 255;
constexpr int kDroppedFileLimit = 1000;

// Settings made before InitLibrary and the facts that outlive one start-up.
struct SystemSettings {
  int initialising;
  int comInitialised;
  char startDirectory[kPathBufferSize];

  int windowMode;  // 1 window mode, 0 full screen
  char windowTitle[kWindowTitleSize];
  char windowClassName[kPathBufferSize];
  int iconResourceId;
  double windowScaleX;
  double windowScaleY;
  int windowStyleNumber;
  int layeredWindow;
  int runWhileInactive;
  int windowModeChangeAllowed;
  int plainFilesOnly;
  int fpuPreserve;
  int graphicsLeftOut;

  int backgroundSet;
  int backgroundRed;
  int backgroundGreen;
  int backgroundBlue;

  int charsetCode;
  int codePage;
};

// The running window, its flags and the timers; zero after every clearing.
struct SystemRuntime {
  int initialised;
  HINSTANCE instance;
  DWORD mainThreadId;
  HWND mainWindow;

  int active;
  int endRequested;
  int windowDestroyed;
  int closeRequested;
  int windowCreating;
  int painting;
  int altEnterRequested;
  int modeChangeInProgress;
  int displayChanged;
  int dwmCompositionOff;
  int visibleStyle;
  int cursorVisible;  // what the caller asked for
  int cursorShown;    // what was last applied through ShowCursor

  RECT clientScreenRect;
  RECT windowRect;
  int captionOffset;

  int desktopWidth;
  int desktopHeight;
  int desktopColorBits;

  uint64_t physicalMemoryTotal;
  uint64_t physicalMemoryFree;

  BOOL(WINAPI* updateLayeredWindow)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF,
                                    BLENDFUNCTION*, DWORD);
  HBITMAP layeredBitmap;
  void* layeredBits;
  int layeredWidth;
  int layeredHeight;

  int performanceCounter;
  int64_t counterFrequency;
  int timerChoice;

  HMENU menu;
  int menuInUse;
  int menuHidden;
  HWND toolbar;
  int toolbarHeight;

  char* droppedFiles[kDroppedFileLimit];
  int droppedFileCount;

  int screenSaverSaved;      // 1 while the user's setting waits to be put back
  int screenSaverWasActive;  // that setting
  int keyInputReentry;       // 1 while ProcessKeyInput runs from the message pass
};

// The smallest timer period the library began; kept across the clearing,
// because system information begins it before the window's start-up clears
// the running record.
struct TimerPeriodState {
  int begun;
  UINT period;
};

// What LogSystemInfo gathers; kept so that a later start-up still knows it.
struct SystemInfo {
  int processorCount;
  int osVersionCode;
  char osText[256];
  int directXVersion;
  int cpuCounter;
  int64_t cpuCounterRate;  // ticks per second
  int cpuSpeedMhz;
  int mmx;
  int sse;
  int sse2;
  char cpuName[49];
};

struct LogState {
  LazyLock lock;  // one writer at a time: the file is opened without sharing
  int off;
  char folder[kPathBufferSize];
  char fileName[kPathBufferSize];
  DWORD startTime;
  int indent;
  int midLine;
};

struct LogOverlayState {
  int setUp;
  int lineHeight;
  int font;
  int fontDeleted;
  int shown;
  char lines[kLogOverlayLineCount][kLogOverlayLineSize];
};

struct TrackedMemoryState {
  LazyLock lock;
  TrackedMemoryHeader sentinel;
  TrackedMemoryHeader* tail;
  int totalSize;
  int blockCount;
  uint16_t counter;
  int sizeToLog;
};

struct SystemState {
  SystemSettings settings;
  SystemRuntime run;
  SystemInfo info;
  LogState log;
  LogOverlayState logOverlay;
  TrackedMemoryState memory;
  ApiGuard guard;
  BoundDllFunctions dlls;
  TimerPeriodState timerPeriod;
};

SystemState& GetSystemState();

// Start-up's clearing: the running window, timers and on-screen log start
// from zero; the settings, log, allocator, guard, bindings and system
// information are left exactly as they are.
void ClearSystemStateForStartup();

#endif
