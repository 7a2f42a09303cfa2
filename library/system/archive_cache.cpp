// A file of a folder X may come from an archive "X.ARC" beside it. Lookups
// walk the folders of the full path from the drive down; the archive found
// last is remembered, so further paths under it skip the walk.
#include "system/archive_cache.h"

#include <cstring>

#include "system/full_path.h"
#include "system/charset.h"
#include "system/path_chars.h"
#include "system/tracked_memory.h"
#include "system/win_file.h"

namespace {

struct ArchiveCacheEntry {
  int referenceCount;
  Archive archive;
  char archivePath[kArchivePathSize];
};

struct ArchiveCacheState {
  ArchiveCacheEntry* slots[kArchiveCacheSlots];
  int count;
  char lastHitPath[kArchivePathSize];
  int lastHitPrefixLength;
  int lastHitSlot;
  ArchiveLookupSettings settings;
};

ArchiveCacheState cache;


const char* ArchiveExtension() {
  return cache.settings.extensionLength ? cache.settings.extension : "ARC";
}

bool IsBareDrive(const char* component, size_t length) {
  return length == 2 && component[1] == ':';
}

}  // namespace

ArchiveLookupSettings* GetArchiveLookupSettings() { return &cache.settings; }

int OpenCachedArchive(int slotHint, const char* archivePath, int whole, int async) {
  if (std::strlen(archivePath) >= kArchivePathSize) return -1;
  if (slotHint >= 0 && slotHint < kArchiveCacheSlots && cache.slots[slotHint] &&
      std::strcmp(cache.slots[slotHint]->archivePath, archivePath) == 0) {
    ++cache.slots[slotHint]->referenceCount;
    return slotHint;
  }
  int emptySlot = -1;
  for (int slot = 0, seen = 0; slot < kArchiveCacheSlots && seen < cache.count; ++slot) {
    ArchiveCacheEntry* entry = cache.slots[slot];
    if (!entry) {
      emptySlot = slot;
      continue;
    }
    ++seen;
    if (std::strcmp(entry->archivePath, archivePath) == 0) {
      ++entry->referenceCount;
      return slot;
    }
  }
  if (cache.count == kArchiveCacheSlots) {
    SweepArchiveCache();
    if (cache.count == kArchiveCacheSlots) return -1;
    emptySlot = -1;
  }
  if (emptySlot < 0) {
    for (emptySlot = 0; cache.slots[emptySlot]; ++emptySlot) {
    }
  }

  Archive archive;
  ClearArchive(&archive);
  const char* keyString = cache.settings.useKeyString ? cache.settings.keyString : nullptr;
  const int opened = whole ? OpenArchiveWhole(&archive, archivePath, keyString, async)
                           : OpenArchiveStreamed(&archive, archivePath, keyString);
  if (opened != 0) return -1;
  auto* entry = static_cast<ArchiveCacheEntry*>(TRACKED_ALLOC_ZEROED(sizeof(ArchiveCacheEntry)));
  if (!entry) {
    CloseArchive(&archive);
    return -1;
  }
  entry->referenceCount = 1;
  entry->archive = archive;
  std::strcpy(entry->archivePath, archivePath);
  cache.slots[emptySlot] = entry;
  ++cache.count;
  return emptySlot;
}

Archive* GetCachedArchive(int slot) { return &cache.slots[slot]->archive; }

void DropArchiveReference(int slot) {
  ArchiveCacheEntry* entry = cache.slots[slot];
  if (entry && entry->referenceCount > 0) --entry->referenceCount;
}

int GetArchiveReferenceCount(const char* archivePath) {
  for (ArchiveCacheEntry* entry : cache.slots) {
    if (entry && std::strcmp(entry->archivePath, archivePath) == 0) return entry->referenceCount;
  }
  return -1;
}

void SweepArchiveCache() {
  for (ArchiveCacheEntry*& entry : cache.slots) {
    if (!entry || entry->referenceCount > 0) continue;
    CloseArchive(&entry->archive);
    FreeTrackedMemory(entry);
    entry = nullptr;
    --cache.count;
  }
}

int ReleaseUnusedArchives() {
  SweepArchiveCache();
  return 0;
}

int MakeArchiveFullPath(char* out, const char* path) {
  char base[260];
  if (GetWinFileDir(base) == 0) return -1;
  return BuildFullPath(path, base, out, kArchivePathSize, GetCharsetCode(), true);
}

int FindArchiveForPath(const char* path, int* slotOut, char* archivePathOut, char* innerPathOut) {
  char full[kArchivePathSize];
  if (MakeArchiveFullPath(full, path) != 0) return -2;
  const int charset = GetCharsetCode();
  const char* inner = nullptr;
  int slot = -1;

  const int remembered = cache.lastHitPrefixLength;
  if (remembered > 0 && std::strncmp(full, cache.lastHitPath, static_cast<size_t>(remembered)) == 0 &&
      IsPathSeparator(full[remembered])) {
    slot = OpenCachedArchive(cache.lastHitSlot, cache.lastHitPath, 0, 0);
    if (slot < 0) return -1;
    inner = full + remembered + 1;
  } else {
    const char* extension = ArchiveExtension();
    char prefix[kArchivePathSize] = {};
    size_t prefixLength = 0;
    const char* p = full;
    // No archive stands for a network server or share.
    int componentsWithoutCandidate = 0;
    if (full[0] == '\\' && full[1] == '\\') {
      std::memcpy(prefix, full, 2);
      prefixLength = 2;
      p += 2;
      componentsWithoutCandidate = 2;
    }
    for (int index = 0;; ++index) {
      const char* end = PathComponentEnd(p, charset);
      if (*end == 0 || end == p) return -1;
      const size_t length = static_cast<size_t>(end - p);
      std::memcpy(prefix + prefixLength, p, length);
      prefixLength += length;
      // "C:.ARC" would name a file in the drive's current folder, not its root.
      if (index >= componentsWithoutCandidate && !(index == 0 && IsBareDrive(p, length))) {
        char candidate[kArchivePathSize];
        if (prefixLength + 1 + std::strlen(extension) >= sizeof candidate) return -1;
        std::memcpy(candidate, prefix, prefixLength);
        candidate[prefixLength] = '.';
        std::strcpy(candidate + prefixLength + 1, extension);
        slot = OpenCachedArchive(-1, candidate, 0, 0);
        if (slot >= 0) {
          std::strcpy(cache.lastHitPath, candidate);
          cache.lastHitPrefixLength = static_cast<int>(prefixLength);
          cache.lastHitSlot = slot;
          inner = end + 1;
          break;
        }
      }
      prefix[prefixLength++] = '\\';
      p = end + 1;
    }
  }
  if (slotOut) *slotOut = slot;
  if (archivePathOut) std::strcpy(archivePathOut, cache.lastHitPath);
  if (innerPathOut) std::strcpy(innerPathOut, inner);
  return 0;
}
