// Reading one file of an archive. An asynchronous file starts its disk reads
// and returns; the bytes are unscrambled (and unpacked) once the archive's
// worker is idle, which every other operation waits for first.
#include "system/archive_file.h"

#include <cstring>

#include "system/tracked_memory.h"
#include "system/win_file.h"

namespace {

uint32_t DataPosition(const ArchiveFile* file) {
  return file->archive->header.dataStart + file->entry->dataOffset;
}

// A block whose own sizes differ from its entry's is damaged.
bool DecodeBlock(ArchiveFile* file, const uint8_t* block) {
  LzBlockHeader header;
  std::memcpy(&header, block, sizeof header);
  const uint32_t packed = ArchiveEntryPackedSize(file->archive->header.version, file->entry);
  if (header.packedSize != packed || header.unpackedSize != file->entry->size) return false;
  return DecodeLz(block, file->decoded) == static_cast<int>(file->entry->size);
}

void WaitForPendingRead(ArchiveFile* file) {
  while (!FinishArchiveFileRead(file)) WaitForWinFileIdle(file->archive->file);
}

void ReleaseBuffers(ArchiveFile* file) {
  FreeTrackedMemory(file->decoded);
  FreeTrackedMemory(file->packed);
  file->decoded = nullptr;
  file->packed = nullptr;
}

}  // namespace

int OpenArchiveEntry(ArchiveFile* file, Archive* archive, const char* innerPath, int async) {
  WaitForArchiveLoad(archive);
  const ArchiveEntry* entry = FindArchiveFile(innerPath, archive);
  if (!entry) return -1;
  std::memset(file, 0, sizeof *file);
  file->archive = archive;
  file->entry = entry;
  file->async = async;
  const uint32_t packed = ArchiveEntryPackedSize(archive->header.version, entry);
  if (packed == kArchiveStored) return 0;
  // A match takes at least four bytes of code and gives at most 8195 bytes,
  // so an entry that announces more than its packed bytes could give is
  // refused before its buffer is reserved.
  constexpr uint32_t kMaxLzExpansion = 2049;
  if (entry->size / kMaxLzExpansion > packed) return -1;

  // One byte more than the size, so that an empty file still has a buffer.
  file->decoded = static_cast<uint8_t*>(TRACKED_ALLOC(size_t{entry->size} + 1));
  if (!file->decoded) return -1;
  if (archive->inMemory) {
    if (DecodeBlock(file, archive->image + DataPosition(file))) return 0;
    ReleaseBuffers(file);
    return -1;
  }
  // Zeroed, so that bytes a failed read leaves behind are never undefined.
  file->packed = static_cast<uint8_t*>(TRACKED_ALLOC_ZEROED(packed));
  if (!file->packed) {
    ReleaseBuffers(file);
    return -1;
  }
  file->pendingFilePosition = static_cast<int>(DataPosition(file));
  if (async) {
    LazyLockHolder lock(&archive->fileLock);
    WaitForWinFileIdle(archive->file);
    if (SeekWinFile(archive->file, file->pendingFilePosition, 0) == 0) {
      ReadWinFile(file->packed, 1, packed, archive->file);
      file->pendingState = 1;
      return 0;
    }
  } else {
    int got;
    {
      LazyLockHolder lock(&archive->fileLock);
      WaitForWinFileIdle(archive->file);
      got = ReadArchiveData(file->pendingFilePosition, archive->file, file->packed,
                            static_cast<int>(packed), archive->key);
    }
    if (got == static_cast<int>(packed) && DecodeBlock(file, file->packed)) {
      FreeTrackedMemory(file->packed);
      file->packed = nullptr;
      return 0;
    }
  }
  ReleaseBuffers(file);
  return -1;
}

int FinishArchiveFileRead(ArchiveFile* file) {
  if (!file->async || file->pendingState == 0) return 1;
  Archive* archive = file->archive;
  if (!IsWinFileIdle(archive->file)) return 0;
  if (file->pendingState == 1) {
    const uint32_t packed = ArchiveEntryPackedSize(archive->header.version, file->entry);
    XorArchiveData(packed, file->packed, static_cast<uint32_t>(file->pendingFilePosition), archive->key);
    if (!DecodeBlock(file, file->packed)) {
      // Too late to fail the open: the file reads as empty instead.
      ReleaseBuffers(file);
      file->broken = 1;
    }
    FreeTrackedMemory(file->packed);
    file->packed = nullptr;
  } else {
    XorArchiveData(static_cast<size_t>(file->pendingSize), file->pendingDestination,
                   static_cast<uint32_t>(file->pendingFilePosition), archive->key);
  }
  file->pendingState = 0;
  return 1;
}

int ReadArchiveFile(ArchiveFile* file, void* buffer, uint64_t bytes) {
  WaitForPendingRead(file);
  if (file->endFlag) return 0;
  const int size = static_cast<int>(file->entry->size);
  if (file->position >= size || file->broken) {
    file->endFlag = 1;
    return 0;
  }
  const uint64_t left = static_cast<uint64_t>(size - file->position);
  int n = static_cast<int>(bytes < left ? bytes : left);
  Archive* archive = file->archive;
  if (file->decoded) {
    std::memcpy(buffer, file->decoded + file->position, static_cast<size_t>(n));
  } else if (archive->inMemory) {
    std::memcpy(buffer, archive->image + DataPosition(file) + file->position, static_cast<size_t>(n));
  } else {
    // Another file of the archive may be read on another thread: its seek
    // must not fall between this one's seek and read, nor during a read
    // still running in the background.
    LazyLockHolder lock(&archive->fileLock);
    WaitForWinFileIdle(archive->file);
    file->pendingFilePosition = static_cast<int>(DataPosition(file)) + file->position;
    if (TellWinFile(archive->file) != file->pendingFilePosition &&
        SeekWinFile(archive->file, file->pendingFilePosition, 0) != 0) {
      return 0;
    }
    if (file->async) {
      ReadWinFile(buffer, 1, static_cast<size_t>(n), archive->file);
      file->pendingState = 2;
      file->pendingDestination = buffer;
      file->pendingSize = n;
    } else {
      n = ReadArchiveData(-1, archive->file, buffer, n, archive->key);
    }
  }
  file->position += n;
  file->endFlag = 0;
  return n;
}

int SeekArchiveFile(ArchiveFile* file, int offset, int origin) {
  WaitForPendingRead(file);
  long long target = offset;
  if (origin == 1) target += file->position;
  if (origin == 2) target += file->entry->size;
  if (target > file->entry->size) target = file->entry->size;
  if (target < 0) target = 0;
  file->position = static_cast<int>(target);
  file->endFlag = 0;
  return 0;
}

int TellArchiveFile(ArchiveFile* file) {
  WaitForPendingRead(file);
  return file->position;
}

int IsArchiveFileEof(ArchiveFile* file) {
  WaitForPendingRead(file);
  return file->endFlag ? -1 : 0;
}

int CloseArchiveFile(ArchiveFile* file) {
  WaitForPendingRead(file);
  ReleaseBuffers(file);
  std::memset(file, 0, sizeof *file);
  return 0;
}
