// The folder tree of an open archive: validation at open, moving the current
// folder along a path, and looking files up by name.
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "system/archive.h"
#include "system/path_chars.h"

namespace {

uint16_t ReadU16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

bool NameMatchesKey(const Archive* archive, const ArchiveEntry* entry, const ArchiveNameKey* key) {
  const uint8_t* record = archive->names + entry->nameOffset;
  return ReadU16(record) == key->unitCount && ReadU16(record + 2) == key->byteSum &&
         std::memcmp(record + 4, key->name, key->unitCount * 4u) == 0;
}

ArchiveDirectory* DirectoryAt(const Archive* archive, uint32_t offset) {
  return reinterpret_cast<ArchiveDirectory*>(archive->directories + offset);
}

bool CheckNameRecord(const Archive* archive, uint32_t nameOffset) {
  const uint64_t tableSize = archive->header.tableSize;
  if (uint64_t{nameOffset} + 4 > tableSize) return false;
  const uint8_t* record = archive->names + nameOffset;
  const uint64_t units = ReadU16(record);
  if (units == 0 || nameOffset + 4 + units * 8 > tableSize) return false;
  // Both copies of the name must end inside their last unit.
  return record[4 + units * 4 - 1] == 0 && record[4 + units * 8 - 1] == 0;
}

bool CheckFileData(const Archive* archive, const ArchiveEntry* entry, uint64_t archiveSize) {
  const uint32_t packed = ArchiveEntryPackedSize(archive->header.version, entry);
  if (entry->size > 0x7FFFFFFF) return false;
  if (packed != kArchiveStored && packed < kLzHeaderSize) return false;
  const uint64_t extent = packed == kArchiveStored ? entry->size : packed;
  return uint64_t{archive->header.dataStart} + entry->dataOffset + extent <= archiveSize;
}

// Walks the tree as a lookup would (one changes the current folder by a name
// or by ".."), each folder once. In a well-formed archive every entry belongs
// to one folder, which also bounds the work on a hostile one.
bool ValidateTree(const Archive* archive, uint64_t archiveSize) {
  const ArchiveHeader& h = archive->header;
  const uint64_t dirArea = h.tableSize - uint64_t{h.directoryTableOffset};
  const uint64_t entryArea = h.tableSize - uint64_t{h.entryTableOffset};
  const uint64_t entrySize = ArchiveEntrySize(h.version);
  uint64_t entryBudget = entryArea / entrySize;
  if (dirArea < sizeof(ArchiveDirectory)) return false;

  std::vector<uint8_t> visited(static_cast<size_t>((dirArea + 7) / 8));
  std::vector<std::pair<uint32_t, uint32_t>> pending{{0, kArchiveNoParent}};
  while (!pending.empty()) {
    const auto [offset, parent] = pending.back();
    pending.pop_back();
    if (uint64_t{offset} + sizeof(ArchiveDirectory) > dirArea) return false;
    const ArchiveDirectory* dir = DirectoryAt(archive, offset);
    if (dir->parent != parent) return false;
    if (visited[offset / 8] & (1u << (offset % 8))) continue;
    visited[offset / 8] |= static_cast<uint8_t>(1u << (offset % 8));

    if (dir->entryCount > entryBudget) return false;
    entryBudget -= dir->entryCount;
    if (uint64_t{dir->firstEntry} + dir->entryCount * entrySize > entryArea) return false;
    for (uint32_t i = 0; i < dir->entryCount; ++i) {
      const ArchiveEntry* entry = GetArchiveDirEntry(archive, dir, i);
      if (!CheckNameRecord(archive, entry->nameOffset)) return false;
      if (IsArchiveFolder(entry)) {
        // Read by value: the records are packed, so the field may lie unaligned.
        const uint32_t child = entry->dataOffset;
        pending.emplace_back(child, offset);
      } else if (!CheckFileData(archive, entry, archiveSize)) {
        return false;
      }
    }
  }
  return true;
}

// Moves the current folder along the folders of path. On failure the key
// names the component where the walk stopped, and stoppedAtLast tells
// whether that component ends the path.
int WalkArchivePath(Archive* archive, const char* path, ArchiveNameKey* key, bool* stoppedAtLast) {
  const char* p = path;
  *stoppedAtLast = false;
  for (;;) {
    const char* end = PathComponentEnd(p, archive->charset);
    if (end == p && *end) {
      archive->currentDirectory = DirectoryAt(archive, 0);
    } else {
      if (MakeArchiveNameKey(key, archive, p, nullptr) != 0 || EnterArchiveSubdir(archive, key) != 0) {
        *stoppedAtLast = *end == 0;
        return -1;
      }
    }
    if (*end == 0 || end[1] == 0) return 0;
    p = end + 1;
  }
}

}  // namespace

int ValidateArchiveTables(const Archive* archive, uint64_t archiveSize) {
  const ArchiveHeader& h = archive->header;
  if (h.version > kArchiveMaxVersion) return -1;
  if (ArchiveHeaderSize(h.version) > archiveSize) return -1;
  if (uint64_t{h.tableOffset} + h.tableSize > archiveSize) return -1;
  if (h.dataStart > archiveSize) return -1;
  if (h.entryTableOffset > h.tableSize || h.directoryTableOffset > h.tableSize) return -1;
  try {
    return ValidateTree(archive, archiveSize) ? 0 : -1;
  } catch (const std::bad_alloc&) {
    return -1;
  }
}

const ArchiveEntry* GetArchiveDirEntry(const Archive* archive, const ArchiveDirectory* dir,
                                       uint32_t index) {
  return reinterpret_cast<const ArchiveEntry*>(archive->entries + dir->firstEntry +
                                               index * ArchiveEntrySize(archive->header.version));
}

const char* GetArchiveEntryUpperName(const Archive* archive, const ArchiveEntry* entry) {
  return reinterpret_cast<const char*>(archive->names + entry->nameOffset + 4);
}

const char* GetArchiveEntryName(const Archive* archive, const ArchiveEntry* entry) {
  const uint8_t* record = archive->names + entry->nameOffset;
  return reinterpret_cast<const char*>(record + 4 + ReadU16(record) * 4u);
}

bool IsArchiveRoot(const Archive*, const ArchiveDirectory* dir) {
  return dir->parent == kArchiveNoParent;
}

int MakeArchiveNameKey(ArchiveNameKey* key, const Archive* archive, const char* component,
                       int* lengthOut) {
  return MakeArchiveNameKeyForCharset(key, archive->charset, component, lengthOut);
}

int EnterArchiveSubdir(Archive* archive, const ArchiveNameKey* key) {
  const ArchiveDirectory* dir = archive->currentDirectory;
  for (uint32_t i = 0; i < dir->entryCount; ++i) {
    const ArchiveEntry* entry = GetArchiveDirEntry(archive, dir, i);
    if (IsArchiveFolder(entry) && NameMatchesKey(archive, entry, key)) {
      archive->currentDirectory = DirectoryAt(archive, entry->dataOffset);
      return 0;
    }
  }
  return -1;
}

int ChangeArchiveDir(Archive* archive, const char* path, int restoreOnFailure,
                     ArchiveNameKey* keyOut) {
  if (std::strcmp(path, ".") == 0) return 0;
  if (std::strcmp(path, "\\") == 0 || std::strcmp(path, "/") == 0) {
    archive->currentDirectory = DirectoryAt(archive, 0);
    return 0;
  }
  if (std::strcmp(path, "..") == 0) {
    if (IsArchiveRoot(archive, archive->currentDirectory)) return -1;
    archive->currentDirectory = DirectoryAt(archive, archive->currentDirectory->parent);
    return 0;
  }
  ArchiveDirectory* start = archive->currentDirectory;
  ArchiveNameKey key;
  bool stoppedAtLast;
  const int result = WalkArchivePath(archive, path, &key, &stoppedAtLast);
  if (keyOut) *keyOut = key;
  if (result != 0 && restoreOnFailure) archive->currentDirectory = start;
  return result;
}

// The table block of an archive loading in the background is read before the
// load starts, so lookups need not wait for it; only data reads do.
const ArchiveEntry* FindArchiveFile(const char* path, Archive* archive) {
  ArchiveDirectory* start = archive->currentDirectory;
  ArchiveNameKey key;
  if (*PathComponentEnd(path, archive->charset) == 0) {
    if (MakeArchiveNameKey(&key, archive, path, nullptr) != 0) return nullptr;
  } else {
    bool stoppedAtLast;
    const int walked = WalkArchivePath(archive, path, &key, &stoppedAtLast);
    // A walk that succeeded names a folder; one that stopped short of the
    // last component names nothing (a file there is not the one asked for).
    if (walked == 0 || !stoppedAtLast) {
      archive->currentDirectory = start;
      return nullptr;
    }
  }
  const ArchiveDirectory* dir = archive->currentDirectory;
  const ArchiveEntry* found = nullptr;
  for (uint32_t i = 0; i < dir->entryCount && !found; ++i) {
    const ArchiveEntry* entry = GetArchiveDirEntry(archive, dir, i);
    if (!IsArchiveFolder(entry) && NameMatchesKey(archive, entry, &key)) found = entry;
  }
  archive->currentDirectory = start;
  return found;
}

int GetArchiveFileInfo(Archive* archive, const char* path, int* offsetOut, int* sizeOut) {
  const ArchiveEntry* entry = FindArchiveFile(path, archive);
  if (!entry) return -1;
  if (offsetOut) *offsetOut = static_cast<int>(archive->header.dataStart + entry->dataOffset);
  if (sizeOut) *sizeOut = static_cast<int>(entry->size);
  return 0;
}

void SplitArchivePath(const char* path, const Archive* archive, char* nameOut, char* folderOut) {
  const char* last = LastPathSeparator(path, archive->charset);
  const char* name = last ? last + 1 : path;
  if (nameOut) std::strcpy(nameOut, name);
  if (folderOut) {
    const size_t length = last ? static_cast<size_t>(last - path) : 0;
    std::memcpy(folderOut, path, length);
    folderOut[length] = 0;
  }
}

int MatchArchiveWildcard(const char* name, const char* pattern, const Archive* archive) {
  return MatchArchiveWildcardForCharset(name, pattern, archive->charset);
}
