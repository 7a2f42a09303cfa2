// The archives that stand for folders: a cache of open archives with
// reference counts, and the lookup of the archive that holds a path.
#ifndef OMBREL_SYSTEM_ARCHIVE_CACHE_H
#define OMBREL_SYSTEM_ARCHIVE_CACHE_H

#include "system/archive.h"

constexpr int kArchiveCacheSlots = 512;
constexpr int kArchivePathSize = 256;

// Fixed for the life of the process; the library keeps the defaults.
struct ArchiveLookupSettings {
  int plainFilesFirst;  // 1 tries the plain file before the archive
  char extension[16];   // "ARC" while extensionLength is 0
  int extensionLength;
  int useKeyString;
  char keyString[16];
};

ArchiveLookupSettings* GetArchiveLookupSettings();

// Opens (or finds) the archive at an upper-cased full path and takes one
// reference; the cache slot, or -1.
int OpenCachedArchive(int slotHint, const char* archivePath, int whole, int async);
Archive* GetCachedArchive(int slot);
// Lowers the reference count while it is above 0.
void DropArchiveReference(int slot);
// The reference count of the cached archive at a path, or -1 when it is not cached.
int GetArchiveReferenceCount(const char* archivePath);
// Closes every archive whose reference count is 0.
void SweepArchiveCache();
int ReleaseUnusedArchives();

// The upper-cased full path against the current directory; out holds
// kArchivePathSize bytes. -1 when it does not fit.
int MakeArchiveFullPath(char* out, const char* path);
// 0 with one reference of the archive taken for the caller; -1 when no
// archive stands for a folder of the path; -2 when the path is too long to
// look up. innerPathOut holds kArchivePathSize bytes.
int FindArchiveForPath(const char* path, int* slotOut, char* archivePathOut, char* innerPathOut);

#endif
