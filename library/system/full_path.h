// Relative to full paths without touching the disk, shared by MakeFullPath and
// the archive lookup.
#ifndef OMBREL_SYSTEM_FULL_PATH_H
#define OMBREL_SYSTEM_FULL_PATH_H

#include <stddef.h>

// Writes the full form of path against base (a full directory) into out,
// which holds outSize bytes. Separators become backslashes, "." and ".."
// components are applied except in the last component, and double-byte
// characters follow charsetCode. With upperCase, the base, the drive and
// every component are upper-cased (a to z), as the archive lookup compares
// them. Returns 0, or -1 when a component or the result does not fit.
int BuildFullPath(const char* path, const char* base, char* out, size_t outSize, int charsetCode,
                  bool upperCase);

#endif
