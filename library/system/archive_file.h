// One file open inside an archive. A compressed file is unpacked whole at
// open; a stored file is read straight from the archive's memory or file.
#ifndef OMBREL_SYSTEM_ARCHIVE_FILE_H
#define OMBREL_SYSTEM_ARCHIVE_FILE_H

#include "system/archive.h"

struct ArchiveFile {
  Archive* archive;
  const ArchiveEntry* entry;
  uint8_t* decoded;  // the whole file unpacked, for a compressed file
  uint8_t* packed;   // the LZ block while an asynchronous read of it is pending
  int endFlag;
  int position;
  int async;
  int pendingState;  // 0 nothing, 1 reading the packed block, 2 reading stored bytes
  int pendingFilePosition;
  void* pendingDestination;
  int pendingSize;
  int broken;  // the packed block read in the background did not decode
};

int OpenArchiveEntry(ArchiveFile* file, Archive* archive, const char* innerPath, int async);
// 1 when nothing is pending (any more), 0 while a read still runs.
int FinishArchiveFileRead(ArchiveFile* file);
int ReadArchiveFile(ArchiveFile* file, void* buffer, uint64_t bytes);
int SeekArchiveFile(ArchiveFile* file, int offset, int origin);
int TellArchiveFile(ArchiveFile* file);
int IsArchiveFileEof(ArchiveFile* file);
int CloseArchiveFile(ArchiveFile* file);

#endif
