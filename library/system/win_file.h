// The plain Windows-file set of the file functions: a disk file read directly
// or through a worker thread of its own that serves reads and seeks, keeps a
// read-ahead cache filled while the file is idle, or lets reads run
// asynchronously. Also directory calls, file search and path helpers.
#ifndef OMBREL_SYSTEM_WIN_FILE_H
#define OMBREL_SYSTEM_WIN_FILE_H

#include "Ombrel.h"

struct WinFile;
struct _FILETIME;
struct _WIN32_FIND_DATAA;

constexpr int kReadAheadCacheSize = 0x20000;

WinFile* OpenWinFile(const char* path, int useCache, int reserved, int async);
int CloseWinFile(WinFile* file);
int TellWinFile(WinFile* file);
int SeekWinFile(WinFile* file, int offset, int origin);
int ReadWinFile(void* buffer, size_t elementSize, size_t count, WinFile* file);
int IsWinFileEof(WinFile* file);
int IsWinFileIdle(WinFile* file);
// Blocks until the file's worker has finished its request (at once without one).
void WaitForWinFileIdle(WinFile* file);
// The size taken at open.
int GetWinFileSize(WinFile* file);

int SetWinFileDir(const char* path);
int GetWinFileDir(char* buffer);
intptr_t FindFirstWinFile(const char* pattern, FileFindData* findData);
int FindNextWinFile(intptr_t findHandle, FileFindData* findData);
int FindCloseWinFile(intptr_t findHandle);

// The same set as table entries, for InstallFileAccessTable.
extern const FileAccessTable kWinFileAccessTable;

void ConvertWin32FindData(FileFindData* findData, const _WIN32_FIND_DATAA* win32Data);
void ConvertFileTimeToLocal(const _FILETIME* fileTime, LocalDateTime* out);
// The same for a FILETIME held as one little-endian 64-bit value.
void ConvertFileTimeValueToLocal(uint64_t fileTime, LocalDateTime* out);

#endif
