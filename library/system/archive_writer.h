// Builds archive images from a tree of folders and files: what the packer
// tool writes, and how tests make their fixtures.
#ifndef OMBREL_SYSTEM_ARCHIVE_WRITER_H
#define OMBREL_SYSTEM_ARCHIVE_WRITER_H

#include <stdint.h>

#include <string>
#include <vector>

struct ArchiveWriterItem {
  std::string name;  // as written, in the archive's code page
  bool isFolder = false;
  uint32_t attributes = 0;  // the folder bit is set or cleared to match isFolder
  uint64_t creationTime = 0;
  uint64_t lastAccessTime = 0;
  uint64_t lastWriteTime = 0;
  std::vector<uint8_t> data;                // files
  std::vector<ArchiveWriterItem> children;  // folders
};

struct ArchiveWriterOptions {
  int version = 4;
  uint32_t codePage = 932;  // written by version 4 only
  bool compress = true;     // each file is packed when that saves space (version 2 on)
  bool secondKey = false;
  const char* keyString = nullptr;
};

// The scrambled image of an archive holding root's children. The entries of
// every folder are sorted by their upper-cased names, so the same tree always
// gives the same bytes. Returns 0, or -1 with a reason in error (a name that
// is empty, ".", "..", holds a separator, is too long or equals another but
// for case; a version out of range; an archive of 2 GiB or more).
int BuildArchiveImage(const ArchiveWriterItem& root, const ArchiveWriterOptions& options,
                      std::vector<uint8_t>* image, std::string* error);

#endif
