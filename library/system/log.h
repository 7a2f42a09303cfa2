// The library's text log ("Log.txt" in the log folder, and the debugger).
// AppendLog, AppendLogFormat, EnableLogOutput and the indentation are public
// (Ombrel.h).
#ifndef OMBREL_SYSTEM_LOG_H
#define OMBREL_SYSTEM_LOG_H

#include "Ombrel.h"

// A second entry point of AppendLog for the sound and movie code.
int AppendLogStub(const char* text);

// Start-up's log preparation: an empty "Log.txt" in the log folder (the
// current directory when none is set), indentation 0, the time origin now.
// Does nothing while the log is off.
int InitLogFile();

// Whether the present step draws the on-screen log.
int IsLogOverlayShown();

// Start-up's set-up of the on-screen log; -1 without a DirectDraw object or
// a main window. Its font is made on first use.
int InitLogOverlay();
// Shut-down's release of the on-screen log's font.
void EndLogOverlay();

#endif
