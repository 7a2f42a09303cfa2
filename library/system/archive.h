// An opened archive: held in memory (the caller's block or one the library
// read) or streamed from its file with only the table block in memory, and
// the walks over its folder tree.
#ifndef OMBREL_SYSTEM_ARCHIVE_H
#define OMBREL_SYSTEM_ARCHIVE_H

#include "Ombrel.h"
#include "system/archive_format.h"
#include "system/lazy_lock.h"

struct WinFile;

struct Archive {
  ArchiveHeader header;
  int charset;
  uint8_t* image;  // the archive's bytes when held in memory
  WinFile* file;   // the archive's file when streamed
  uint8_t* tableBlock;
  uint8_t* entries;
  uint8_t* directories;
  uint8_t* names;
  ArchiveDirectory* currentDirectory;  // the root after opening
  uint8_t key[kArchiveKeySize];
  int inMemory;
  int callerMemory;  // the memory is the caller's block, scrambled back at close
  int imageSize;
  int loadPending;  // an asynchronous whole-file load is running
  WinFile* pendingFile;
  // Serialises the seek and read of the streamed archive's one file: files
  // open inside it are read from several threads (a movie's pictures, its
  // sound and the game's own loads).
  LazyLock fileLock;
};

int ClearArchive(Archive* archive);
// Uses the caller's block in place: it is unscrambled while open and
// scrambled back by CloseArchive.
int OpenArchiveFromMemory(Archive* archive, void* image, int size, const char* keyString);
int OpenArchiveWhole(Archive* archive, const char* path, const char* keyString, int async);
// The archive file gets a worker thread and asynchronous reads.
int OpenArchiveStreamed(Archive* archive, const char* path, const char* keyString);
int FinishArchiveLoad(Archive* archive);
// Blocks until a pending whole-file load has finished.
void WaitForArchiveLoad(Archive* archive);
uint8_t* GetArchiveImage(Archive* archive);
int CloseArchive(Archive* archive);
int CloseArchiveCore(Archive* archive);
// Reads count bytes at position (-1: the file's current position) of a
// streamed archive, waits for them and unscrambles them. Returns the bytes read.
int ReadArchiveData(int position, WinFile* file, void* buffer, int count, const uint8_t* key);

// Checks every table an archive's lookups can reach against the table block
// and archiveSize, so that a damaged archive is refused at open.
int ValidateArchiveTables(const Archive* archive, uint64_t archiveSize);

// The entries of a folder and the name record of an entry.
const ArchiveEntry* GetArchiveDirEntry(const Archive* archive, const ArchiveDirectory* dir,
                                       uint32_t index);
const char* GetArchiveEntryName(const Archive* archive, const ArchiveEntry* entry);
const char* GetArchiveEntryUpperName(const Archive* archive, const ArchiveEntry* entry);
bool IsArchiveRoot(const Archive* archive, const ArchiveDirectory* dir);

int MakeArchiveNameKey(ArchiveNameKey* key, const Archive* archive, const char* component,
                       int* lengthOut);
int EnterArchiveSubdir(Archive* archive, const ArchiveNameKey* key);
int ChangeArchiveDir(Archive* archive, const char* path, int restoreOnFailure, ArchiveNameKey* keyOut);
const ArchiveEntry* FindArchiveFile(const char* path, Archive* archive);
// The offset of a file's bytes (or its LZ block) from the archive's start,
// and its unpacked size.
int GetArchiveFileInfo(Archive* archive, const char* path, int* offsetOut, int* sizeOut);
// nameOut and folderOut, when given, hold at least strlen(path) + 1 bytes.
void SplitArchivePath(const char* path, const Archive* archive, char* nameOut, char* folderOut);
int MatchArchiveWildcard(const char* name, const char* pattern, const Archive* archive);

struct ArchiveFindState {
  Archive* archive;
  char pattern[260];
  const ArchiveDirectory* folder;
  int nextIndex;
};

// Null when nothing matches; free the state with FreeTrackedMemory.
ArchiveFindState* FindFirstInArchive(Archive* archive, const char* path, FileFindData* findData);
int FindNextInArchive(ArchiveFindState* state, FileFindData* findData);

#endif
