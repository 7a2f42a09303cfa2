// The open-file table of the default file set. A path whose folder has an
// archive is read from it and only from it: a file missing there is not
// looked for on the disk.
#include "system/archive_aware_file.h"

#include <cstring>

#include "system/archive_cache.h"
#include "system/archive_file.h"
#include "system/log.h"
#include "system/tracked_memory.h"
#include "system/win_file.h"

namespace {

struct OpenFileEntry {
  int inArchive;
  WinFile* plainFile;
  int cacheSlot;
  ArchiveFile archiveFile;
};

struct OpenFileTable {
  OpenFileEntry* slots[kMaxOpenFiles];
  int count;
};

OpenFileTable openFiles;

struct ArchiveAwareFind {
  int inArchive;
  int cacheSlot;
  ArchiveFindState* state;
  intptr_t winFind;
};

OpenFileEntry* EntryOf(StreamHandle handle) {
  if ((handle & kOpenFileHandleBits) != kOpenFileHandleBits) return nullptr;
  const StreamHandle slot = handle & ~kOpenFileHandleBits;
  return slot < kMaxOpenFiles ? openFiles.slots[slot] : nullptr;
}

// 1 opened from the archive, 0 no archive holds the path's folder, -1 failed.
int OpenInArchive(OpenFileEntry* entry, const char* path, int async) {
  char inner[kArchivePathSize];
  const int found = FindArchiveForPath(path, &entry->cacheSlot, nullptr, inner);
  if (found == -1) return 0;
  if (found != 0) return -1;
  entry->inArchive = 1;
  if (OpenArchiveEntry(&entry->archiveFile, GetCachedArchive(entry->cacheSlot), inner, async) == 0) {
    return 1;
  }
  DropArchiveReference(entry->cacheSlot);
  return -1;
}

}  // namespace

StreamHandle OpenArchiveAwareStream(const char* path, int useCache, int reserved, int async) {
  if (openFiles.count >= kMaxOpenFiles) {
    AppendLog("同時に開けるファイルの数が限界を超えました\n");
    return 0;
  }
  int slot = 0;
  while (openFiles.slots[slot]) ++slot;
  auto* entry = static_cast<OpenFileEntry*>(TRACKED_ALLOC_ZEROED(sizeof(OpenFileEntry)));
  if (!entry) {
    AppendLog("ファイルの情報を格納するメモリの確保に失敗しました\n");
    return 0;
  }
  bool opened = false;
  if (GetArchiveLookupSettings()->plainFilesFirst) {
    entry->plainFile = OpenWinFile(path, useCache, 1, async);
    opened = entry->plainFile || OpenInArchive(entry, path, async) == 1;
  } else {
    const int inArchive = OpenInArchive(entry, path, async);
    if (inArchive == 0) entry->plainFile = OpenWinFile(path, useCache, 1, async);
    opened = inArchive == 1 || entry->plainFile;
  }
  if (!opened) {
    FreeTrackedMemory(entry);
    return 0;
  }
  openFiles.slots[slot] = entry;
  ++openFiles.count;
  return static_cast<StreamHandle>(slot) | kOpenFileHandleBits;
}

int CloseArchiveAwareStream(StreamHandle handle) {
  OpenFileEntry* entry = EntryOf(handle);
  if (!entry) return -1;
  if (entry->inArchive) {
    DropArchiveReference(entry->cacheSlot);
    CloseArchiveFile(&entry->archiveFile);
  } else {
    CloseWinFile(entry->plainFile);
  }
  FreeTrackedMemory(entry);
  openFiles.slots[handle & ~kOpenFileHandleBits] = nullptr;
  --openFiles.count;
  return 0;
}

int TellArchiveAwareStream(StreamHandle handle) {
  OpenFileEntry* entry = EntryOf(handle);
  if (!entry) return -1;
  return entry->inArchive ? TellArchiveFile(&entry->archiveFile) : TellWinFile(entry->plainFile);
}

int SeekArchiveAwareStream(StreamHandle handle, int offset, int origin) {
  OpenFileEntry* entry = EntryOf(handle);
  if (!entry) return -1;
  return entry->inArchive ? SeekArchiveFile(&entry->archiveFile, offset, origin)
                          : SeekWinFile(entry->plainFile, offset, origin);
}

int ReadArchiveAwareStream(void* buffer, size_t elementSize, size_t count, StreamHandle handle) {
  OpenFileEntry* entry = EntryOf(handle);
  if (!entry) return -1;
  if (!entry->inArchive) return ReadWinFile(buffer, elementSize, count, entry->plainFile);
  if (elementSize == 0) return 0;
  const uint64_t bytes = uint64_t{elementSize} * count;
  return static_cast<int>(static_cast<size_t>(ReadArchiveFile(&entry->archiveFile, buffer, bytes)) /
                          elementSize);
}

int IsArchiveAwareStreamEof(StreamHandle handle) {
  OpenFileEntry* entry = EntryOf(handle);
  if (!entry) return -1;
  return entry->inArchive ? IsArchiveFileEof(&entry->archiveFile) : IsWinFileEof(entry->plainFile);
}

int IsArchiveAwareStreamIdle(StreamHandle handle) {
  OpenFileEntry* entry = EntryOf(handle);
  if (!entry) return -1;
  return entry->inArchive ? FinishArchiveFileRead(&entry->archiveFile) : IsWinFileIdle(entry->plainFile);
}

int SetArchiveAwareDir(const char* path) {
  SetWinFileDir(path);
  return 0;
}

int GetArchiveAwareDir(char* buffer) {
  char directory[260];
  if (GetWinFileDir(directory) == 0 || std::strlen(directory) >= kArchivePathSize) {
    buffer[0] = 0;
    return -1;
  }
  std::strcpy(buffer, directory);
  return 0;
}

intptr_t FindFirstArchiveAware(const char* path, FileFindData* findData) {
  auto* find = static_cast<ArchiveAwareFind*>(TRACKED_ALLOC_ZEROED(sizeof(ArchiveAwareFind)));
  if (!find) return -1;
  char inner[kArchivePathSize];
  const int found = FindArchiveForPath(path, &find->cacheSlot, nullptr, inner);
  bool any = false;
  if (found == 0) {
    find->inArchive = 1;
    find->state = FindFirstInArchive(GetCachedArchive(find->cacheSlot), inner, findData);
    any = find->state != nullptr;
    if (!any) DropArchiveReference(find->cacheSlot);
  } else if (found == -1) {
    find->winFind = FindFirstWinFile(path, findData);
    any = find->winFind != -1;
  }
  if (!any) {
    FreeTrackedMemory(find);
    return -1;
  }
  return reinterpret_cast<intptr_t>(find);
}

int FindNextArchiveAware(intptr_t handle, FileFindData* findData) {
  auto* find = reinterpret_cast<ArchiveAwareFind*>(handle);
  return find->inArchive ? FindNextInArchive(find->state, findData)
                         : FindNextWinFile(find->winFind, findData);
}

int FindCloseArchiveAware(intptr_t handle) {
  auto* find = reinterpret_cast<ArchiveAwareFind*>(handle);
  if (find->inArchive) {
    FreeTrackedMemory(find->state);
    DropArchiveReference(find->cacheSlot);
  } else {
    FindCloseWinFile(find->winFind);
  }
  FreeTrackedMemory(find);
  return 0;
}

const FileAccessTable kArchiveAwareFileAccessTable = {
    OpenArchiveAwareStream, CloseArchiveAwareStream, TellArchiveAwareStream,
    SeekArchiveAwareStream, ReadArchiveAwareStream,  IsArchiveAwareStreamEof,
    IsArchiveAwareStreamIdle, SetArchiveAwareDir,    GetArchiveAwareDir,
    FindFirstArchiveAware,  FindNextArchiveAware,    FindCloseArchiveAware,
};
