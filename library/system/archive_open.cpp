// Opening and closing archives: from a caller's block in memory, read whole
// into memory, or streamed with only the table block in memory.
#include <cstring>

#include "system/archive.h"
#include "system/tracked_memory.h"
#include "system/win_file.h"

namespace {

// Unscrambles the first bytes of a header with key and tells whether they
// give the magic.
bool HeaderOpensWith(const uint8_t* scrambled, const uint8_t* key, ArchiveHeader* header) {
  std::memcpy(header, scrambled, 8);
  XorArchiveData(8, header, 0, key);
  return header->magic == kArchiveMagic;
}

void SetTablePointers(Archive* archive) {
  archive->names = archive->tableBlock;
  archive->entries = archive->tableBlock + archive->header.entryTableOffset;
  archive->directories = archive->tableBlock + archive->header.directoryTableOffset;
  archive->currentDirectory = reinterpret_cast<ArchiveDirectory*>(archive->directories);
}

void TakeCodePage(Archive* archive) {
  if (archive->header.version < 4) archive->header.codePage = 0;
  archive->charset = CharsetFromCodePage(archive->header.codePage);
}

// Reads the header and the table block of an archive file into the record.
// The caller has set the key to the first key.
bool ReadHeaderAndTables(Archive* archive, WinFile* file) {
  ArchiveHeader& header = archive->header;
  std::memset(&header, 0, sizeof header);
  if (ReadArchiveData(0, file, &header, 8, archive->key) != 8) return false;
  if (header.magic != kArchiveMagic) {
    BuildSecondArchiveKey(archive->key);
    if (ReadArchiveData(0, file, &header, 8, archive->key) != 8) return false;
    if (header.magic != kArchiveMagic) return false;
  }
  if (header.version > kArchiveMaxVersion) return false;
  const int rest = static_cast<int>(ArchiveHeaderSize(header.version)) - 8;
  if (ReadArchiveData(-1, file, reinterpret_cast<uint8_t*>(&header) + 8, rest, archive->key) != rest) {
    return false;
  }
  TakeCodePage(archive);
  const uint64_t fileSize = static_cast<uint64_t>(GetWinFileSize(file));
  if (header.tableSize == 0 || uint64_t{header.tableOffset} + header.tableSize > fileSize) return false;
  archive->tableBlock = static_cast<uint8_t*>(TRACKED_ALLOC(header.tableSize));
  if (!archive->tableBlock) return false;
  const int tableSize = static_cast<int>(header.tableSize);
  if (ReadArchiveData(static_cast<int>(header.tableOffset), file, archive->tableBlock, tableSize,
                      archive->key) != tableSize) {
    return false;
  }
  SetTablePointers(archive);
  return ValidateArchiveTables(archive, fileSize) == 0;
}

// Ends a finished whole-file load: closes its file and unscrambles the
// image. Bytes the disk did not deliver are zeroed. Returns the bytes loaded.
int CompleteLoad(Archive* archive) {
  const int loaded = TellWinFile(archive->pendingFile);
  CloseWinFile(archive->pendingFile);
  archive->pendingFile = nullptr;
  if (loaded < archive->imageSize) {
    std::memset(archive->image + loaded, 0, static_cast<size_t>(archive->imageSize - loaded));
  }
  XorArchiveData(static_cast<size_t>(archive->imageSize), archive->image, 0, archive->key);
  archive->loadPending = 0;
  return loaded;
}

}  // namespace

void WaitForArchiveLoad(Archive* archive) {
  while (!FinishArchiveLoad(archive)) WaitForWinFileIdle(archive->pendingFile);
}

int ClearArchive(Archive* archive) {
  std::memset(archive, 0, sizeof *archive);
  return 0;
}

int OpenArchiveFromMemory(Archive* archive, void* image, int size, const char* keyString) {
  if (archive->image || archive->file) return -1;
  if (!image || size < 8) return -1;
  auto* block = static_cast<uint8_t*>(image);
  BuildArchiveKey(keyString, archive->key);
  if (!HeaderOpensWith(block, archive->key, &archive->header)) {
    BuildSecondArchiveKey(archive->key);
    if (!HeaderOpensWith(block, archive->key, &archive->header)) return -1;
  }
  const size_t headerSize = ArchiveHeaderSize(archive->header.version);
  if (archive->header.version > kArchiveMaxVersion || static_cast<size_t>(size) < headerSize) {
    return -1;
  }
  XorArchiveData(static_cast<size_t>(size), block, 0, archive->key);
  std::memcpy(&archive->header, block, headerSize);
  TakeCodePage(archive);
  archive->tableBlock = block + archive->header.tableOffset;
  // Pointers into the block are set only once the tables are known to lie inside it.
  if (uint64_t{archive->header.tableOffset} + archive->header.tableSize > static_cast<uint64_t>(size)) {
    archive->tableBlock = nullptr;
  }
  if (archive->tableBlock) SetTablePointers(archive);
  if (!archive->tableBlock || ValidateArchiveTables(archive, static_cast<uint64_t>(size)) != 0) {
    XorArchiveData(static_cast<size_t>(size), block, 0, archive->key);
    ClearArchive(archive);
    return -1;
  }
  archive->image = block;
  archive->inMemory = 1;
  archive->callerMemory = 1;
  archive->imageSize = size;
  return 0;
}

int OpenArchiveStreamed(Archive* archive, const char* path, const char* keyString) {
  if (archive->image || archive->file) return -1;
  WinFile* file = OpenWinFile(path, 0, 1, 1);
  if (!file) return -1;
  BuildArchiveKey(keyString, archive->key);
  if (!ReadHeaderAndTables(archive, file)) {
    CloseWinFile(file);
    FreeTrackedMemory(archive->tableBlock);
    ClearArchive(archive);
    return -1;
  }
  archive->file = file;
  archive->inMemory = 0;
  archive->callerMemory = 0;
  return 0;
}

int OpenArchiveWhole(Archive* archive, const char* path, const char* keyString, int async) {
  if (archive->image || archive->file) return -1;
  WinFile* file = OpenWinFile(path, 0, 1, 1);
  if (!file) return -1;
  BuildArchiveKey(keyString, archive->key);
  archive->pendingFile = file;
  archive->imageSize = GetWinFileSize(file);
  if (archive->imageSize > 0) {
    archive->image = static_cast<uint8_t*>(TRACKED_ALLOC(static_cast<size_t>(archive->imageSize)));
  }
  if (!archive->image || !ReadHeaderAndTables(archive, file) ||
      SeekWinFile(file, 0, 0) != 0 ||
      ReadWinFile(archive->image, 1, static_cast<size_t>(archive->imageSize), file) !=
          archive->imageSize) {
    CloseWinFile(file);
    FreeTrackedMemory(archive->image);
    FreeTrackedMemory(archive->tableBlock);
    ClearArchive(archive);
    return -1;
  }
  archive->loadPending = 1;
  archive->inMemory = 1;
  archive->callerMemory = 0;
  if (!async) {
    WaitForWinFileIdle(file);
    if (CompleteLoad(archive) != archive->imageSize) {
      FreeTrackedMemory(archive->image);
      FreeTrackedMemory(archive->tableBlock);
      ClearArchive(archive);
      return -1;
    }
  }
  return 0;
}

int FinishArchiveLoad(Archive* archive) {
  if (!archive->loadPending) return 1;
  if (!IsWinFileIdle(archive->pendingFile)) return 0;
  CompleteLoad(archive);
  return 1;
}

uint8_t* GetArchiveImage(Archive* archive) {
  if (archive->loadPending) WaitForArchiveLoad(archive);
  return archive->inMemory ? archive->image : nullptr;
}

int CloseArchiveCore(Archive* archive) {
  if (!archive->image && !archive->file) return 0;
  if (archive->loadPending) WaitForArchiveLoad(archive);
  if (archive->inMemory && archive->callerMemory) {
    // The caller gets its block back as it gave it.
    XorArchiveData(static_cast<size_t>(archive->imageSize), archive->image, 0, archive->key);
  } else if (archive->inMemory) {
    FreeTrackedMemory(archive->image);
    FreeTrackedMemory(archive->tableBlock);
  } else {
    CloseWinFile(archive->file);
    FreeTrackedMemory(archive->tableBlock);
  }
  DeleteLazyLock(&archive->fileLock);
  ClearArchive(archive);
  return 0;
}

int CloseArchive(Archive* archive) { return CloseArchiveCore(archive); }

int ReadArchiveData(int position, WinFile* file, void* buffer, int count, const uint8_t* key) {
  if (count <= 0) return 0;
  if (position >= 0 && SeekWinFile(file, position, 0) != 0) return 0;
  const int start = TellWinFile(file);
  ReadWinFile(buffer, 1, static_cast<size_t>(count), file);
  WaitForWinFileIdle(file);
  const int got = TellWinFile(file) - start;
  XorArchiveData(static_cast<size_t>(got), buffer, static_cast<uint32_t>(start), key);
  return got;
}
