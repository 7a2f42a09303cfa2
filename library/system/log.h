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

// Start-up's set-up of the on-screen log and its font (16 pixels, edged);
// -1 without a DirectDraw object or a main window.
int InitLogOverlay();
// Makes the on-screen log's font when it has none (or it was deleted).
int CreateLogOverlayFont();
// Draws the on-screen log's lines in white with a black edge, one every 16
// pixels from the top.
int DrawLogOverlay();
// Shut-down's release of the on-screen log's font.
void EndLogOverlay();

#endif
