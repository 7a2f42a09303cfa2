// Walking paths character by character. Paths are byte strings in the
// system's double-byte code: a trail byte may equal '\\' or '/', and only a
// separator that is a character of its own splits a path.
#ifndef OMBREL_SYSTEM_PATH_CHARS_H
#define OMBREL_SYSTEM_PATH_CHARS_H

#include <stddef.h>

inline bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

// The bytes of the character at p (not at the terminator): 2 for a lead
// byte with its trail byte, else 1, also for a lead byte the terminator cuts
// off.
size_t PathCharLength(const char* p, int charsetCode);

// The end of the path component starting at p: its first separator, or the
// terminator.
const char* PathComponentEnd(const char* p, int charsetCode);

// The last separator or drive colon of the path, or null when it has none.
const char* LastPathSeparator(const char* path, int charsetCode);

#endif
