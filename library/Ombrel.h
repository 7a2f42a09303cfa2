// Ombrel: the multimedia library's public interface. A game includes this
// header alone and links Ombrel::ombrel. Functions return 0 on success and -1
// on failure; those that create a resource return its handle or -1.
#ifndef OMBREL_H
#define OMBREL_H

#include <stddef.h>
#include <stdint.h>

// Library start-up, shut-down, window and messages.

// The log and tracked memory.
int AppendLog(const char* text);
int AppendLogFormat(const char* format, ...);

// Time and random numbers.

// Files, streams and archives.

// Input.

// Graphics: screen, colours, images, drawing state and drawing calls.

// Fonts and text.

// Sound, music and movies.

// Network.

#endif
