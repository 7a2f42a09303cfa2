// The replaceable table of file functions and the stream layer over it: the
// thunks read the table at each call, so an install takes effect at once.
#include "system/file_access.h"

#include "system/archive_aware_file.h"
#include "system/system_state.h"
#include "system/win_file.h"

namespace {

// Constant-initialised, so the archive-aware set is in place before any
// static initialiser could open a file.
FileAccessTable activeTable = {
    OpenArchiveAwareStream, CloseArchiveAwareStream, TellArchiveAwareStream,
    SeekArchiveAwareStream, ReadArchiveAwareStream,  IsArchiveAwareStreamEof,
    IsArchiveAwareStreamIdle, SetArchiveAwareDir,    GetArchiveAwareDir,
    FindFirstArchiveAware,  FindNextArchiveAware,    FindCloseArchiveAware,
};

StreamHandle AsHandle(void* data) { return reinterpret_cast<StreamHandle>(data); }

const StreamReadOps kFileStreamOps = {
    [](void* data) { return TellStream(AsHandle(data)); },
    [](void* data, int offset, int origin) { return SeekStream(AsHandle(data), offset, origin); },
    [](void* buffer, size_t elementSize, size_t count, void* data) {
      return ReadStream(buffer, elementSize, count, AsHandle(data));
    },
    [](void* data) { return IsStreamEof(AsHandle(data)); },
    [](void* data) { return IsStreamIdle(AsHandle(data)); },
    [](void* data) { return CloseStream(AsHandle(data)); },
};

}  // namespace

const FileAccessTable* GetFileAccessTable() { return &activeTable; }

int InstallFileAccessTable(const FileAccessTable* table) {
  if (table) {
    activeTable = *table;
  } else if (GetSystemState().settings.plainFilesOnly == 1) {
    activeTable = kWinFileAccessTable;
  } else {
    activeTable = kArchiveAwareFileAccessTable;
  }
  return 0;
}

StreamHandle OpenStream(const char* path, int useCache, int reserved, int async) {
  return activeTable.Open(path, useCache, reserved, async);
}

int CloseStream(StreamHandle handle) { return activeTable.Close(handle); }

int TellStream(StreamHandle handle) { return activeTable.Tell(handle); }

int SeekStream(StreamHandle handle, int offset, int origin) {
  return activeTable.Seek(handle, offset, origin);
}

int ReadStream(void* buffer, size_t elementSize, size_t count, StreamHandle handle) {
  return activeTable.Read(buffer, elementSize, count, handle);
}

int IsStreamEof(StreamHandle handle) { return activeTable.Eof(handle); }

int IsStreamIdle(StreamHandle handle) { return activeTable.IdleCheck(handle); }

StreamHandle OpenDataFile(const char* path, int async) {
  return OpenStream(path, 0, 1, async != 0 ? 1 : 0);
}

int ReadDataFile(void* buffer, size_t size, StreamHandle handle) {
  return ReadStream(buffer, 1, size, handle);
}

const StreamReadOps* GetFileStreamOps() { return &kFileStreamOps; }
