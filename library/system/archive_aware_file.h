// The default set of file functions: a path is read from the archive that
// stands for one of its folders when one exists, else from the disk.
#ifndef OMBREL_SYSTEM_ARCHIVE_AWARE_FILE_H
#define OMBREL_SYSTEM_ARCHIVE_AWARE_FILE_H

#include "Ombrel.h"

constexpr int kMaxOpenFiles = 512;
// Even slot 0 gives a non-zero handle.
constexpr StreamHandle kOpenFileHandleBits = 0xF0000000u;

StreamHandle OpenArchiveAwareStream(const char* path, int useCache, int reserved, int async);
int CloseArchiveAwareStream(StreamHandle handle);
int TellArchiveAwareStream(StreamHandle handle);
int SeekArchiveAwareStream(StreamHandle handle, int offset, int origin);
int ReadArchiveAwareStream(void* buffer, size_t elementSize, size_t count, StreamHandle handle);
int IsArchiveAwareStreamEof(StreamHandle handle);
int IsArchiveAwareStreamIdle(StreamHandle handle);
int SetArchiveAwareDir(const char* path);
int GetArchiveAwareDir(char* buffer);
intptr_t FindFirstArchiveAware(const char* path, FileFindData* findData);
int FindNextArchiveAware(intptr_t find, FileFindData* findData);
int FindCloseArchiveAware(intptr_t find);

extern const FileAccessTable kArchiveAwareFileAccessTable;

#endif
