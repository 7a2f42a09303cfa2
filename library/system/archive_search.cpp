// Searching a folder of an archive with a wildcard pattern, filling the same
// FileFindData as a search on disk: ".", ".." (not in the root), then the
// folder's entries in table order.
#include <cstring>

#include "system/archive.h"
#include "system/charset.h"
#include "system/string_helpers.h"
#include "system/tracked_memory.h"
#include "system/win_file.h"

namespace {

void FillPseudoEntry(FileFindData* findData, const char* name) {
  std::memset(findData, 0, sizeof *findData);
  std::strcpy(findData->name, name);
  findData->isDirectory = 1;
}

void FillEntry(FileFindData* findData, const Archive* archive, const ArchiveEntry* entry) {
  std::memset(findData, 0, sizeof *findData);
  CopyStringN(findData->name, GetArchiveEntryName(archive, entry), sizeof findData->name - 1);
  findData->isDirectory = IsArchiveFolder(entry) ? 1 : 0;
  findData->sizeLow = entry->size;
  ConvertFileTimeValueToLocal(entry->creationTime, &findData->creationTime);
  ConvertFileTimeValueToLocal(entry->lastWriteTime, &findData->lastWriteTime);
}

}  // namespace

ArchiveFindState* FindFirstInArchive(Archive* archive, const char* path, FileFindData* findData) {
  const size_t length = std::strlen(path);
  if (length >= sizeof(ArchiveFindState::pattern)) return nullptr;
  auto* state = static_cast<ArchiveFindState*>(TRACKED_ALLOC_ZEROED(sizeof(ArchiveFindState)));
  if (!state) return nullptr;
  char folder[sizeof(ArchiveFindState::pattern)];
  SplitArchivePath(path, archive, state->pattern, folder);
  UpperCaseString(state->pattern);
  UpperCaseString(folder);
  state->archive = archive;
  state->folder = archive->currentDirectory;
  if (folder[0]) {
    ArchiveDirectory* start = archive->currentDirectory;
    const int walked = ChangeArchiveDir(archive, folder, 0, nullptr);
    state->folder = archive->currentDirectory;
    archive->currentDirectory = start;
    if (walked != 0) {
      FreeTrackedMemory(state);
      return nullptr;
    }
  }
  if (FindNextInArchive(state, findData) != 0) {
    FreeTrackedMemory(state);
    return nullptr;
  }
  return state;
}

int FindNextInArchive(ArchiveFindState* state, FileFindData* findData) {
  const Archive* archive = state->archive;
  const ArchiveDirectory* folder = state->folder;
  const int pseudoCount = IsArchiveRoot(archive, folder) ? 1 : 2;
  const int end = pseudoCount + static_cast<int>(folder->entryCount);
  for (int index = state->nextIndex; index < end; ++index) {
    if (index < pseudoCount) {
      const char* name = index == 0 ? "." : "..";
      if (MatchArchiveWildcard(name, state->pattern, archive) != 0) continue;
      if (findData) FillPseudoEntry(findData, name);
    } else {
      const ArchiveEntry* entry = GetArchiveDirEntry(archive, folder, static_cast<uint32_t>(index - pseudoCount));
      if (MatchArchiveWildcard(GetArchiveEntryUpperName(archive, entry), state->pattern, archive) != 0) {
        continue;
      }
      if (findData) FillEntry(findData, archive, entry);
    }
    state->nextIndex = index + 1;
    return 0;
  }
  state->nextIndex = end;
  return -1;
}
