// The library's archive format as it lies in the file: header, tables, name
// records, the 12-byte scrambling key and the LZ block. Platform-free: the
// reader and the packer share it.
#ifndef OMBREL_SYSTEM_ARCHIVE_FORMAT_H
#define OMBREL_SYSTEM_ARCHIVE_FORMAT_H

#include <stddef.h>
#include <stdint.h>

// All numbers in the file are little-endian, as on the machines that run the
// library, so the records are read in place.
#pragma pack(push, 1)
struct ArchiveHeader {
  uint16_t magic;
  uint16_t version;
  uint32_t tableSize;
  uint32_t dataStart;  // file data offsets count from here
  uint32_t tableOffset;
  uint32_t entryTableOffset;      // from the start of the table block
  uint32_t directoryTableOffset;  // from the start of the table block
  uint32_t codePage;              // version 4 only
};

struct ArchiveEntry {
  uint32_t nameOffset;  // from the start of the name table
  uint32_t attributes;
  uint64_t creationTime;
  uint64_t lastAccessTime;
  uint64_t lastWriteTime;
  uint32_t dataOffset;  // a file's data from the data start; a folder's record in the directory table
  uint32_t size;
  uint32_t packedSize;  // version 2 and later only
};

struct ArchiveDirectory {
  uint32_t reserved;
  uint32_t parent;  // kArchiveNoParent for the root
  uint32_t entryCount;
  uint32_t firstEntry;  // offset in the entry table
};

struct LzBlockHeader {
  uint32_t unpackedSize;
  uint32_t packedSize;  // including this header
  uint8_t escape;
};
#pragma pack(pop)

constexpr uint16_t kArchiveMagic = 0x5241;
constexpr int kArchiveMaxVersion = 4;
constexpr uint32_t kArchiveStored = 0xFFFFFFFF;
constexpr uint32_t kArchiveNoParent = 0xFFFFFFFF;
constexpr uint32_t kArchiveFolderAttribute = 0x10;
constexpr int kArchiveKeySize = 12;
constexpr size_t kLzHeaderSize = sizeof(LzBlockHeader);
constexpr size_t kArchiveNameKeyBytes = 1024;

inline size_t ArchiveHeaderSize(int version) { return version >= 4 ? 28 : 24; }
inline size_t ArchiveEntrySize(int version) { return version >= 2 ? 44 : 40; }
// The packed size of a file; versions 0 and 1 store every file unpacked.
inline uint32_t ArchiveEntryPackedSize(int version, const ArchiveEntry* entry) {
  return version >= 2 ? entry->packedSize : kArchiveStored;
}
inline bool IsArchiveFolder(const ArchiveEntry* entry) {
  return (entry->attributes & kArchiveFolderAttribute) != 0;
}

// The double-byte text code under which an archive's names are read.
int CharsetFromCodePage(uint32_t codePage);

// The key of a key string (null: the built-in filler), and the second key
// that an opener tries when the first does not give the magic.
void BuildArchiveKey(const char* keyString, uint8_t key[kArchiveKeySize]);
void BuildSecondArchiveKey(uint8_t key[kArchiveKeySize]);
// XORs each byte with the key byte of its file position mod 12; applied twice
// it restores the data. Returns the key index after the last byte.
int XorArchiveData(size_t count, void* bytes, uint32_t position, const uint8_t* key);

// A search key made from one path component: the upper-cased component
// zero-padded to whole 4-byte units, its byte sum and unit count.
struct ArchiveNameKey {
  uint8_t name[kArchiveNameKeyBytes];
  uint16_t byteSum;
  uint16_t unitCount;
};

// Builds the key of the component up to a zero byte, backslash or slash.
// Returns 0, or -1 when the component is too long for a key.
int MakeArchiveNameKeyForCharset(ArchiveNameKey* key, int charset, const char* component,
                                 int* lengthOut);
// 0 when the upper-cased name matches the upper-cased pattern with '*' and
// '?', as a search on disk matches; -1 otherwise.
int MatchArchiveWildcardForCharset(const char* name, const char* pattern, int charset);

// The unpacked size of an LZ block; with out, decodes the block into it.
// The block must hold its packed size and out its unpacked size; a block
// whose code runs past its end, writes past its unpacked size, falls short
// of it, or reaches before the output start gives -1.
int DecodeLz(const void* block, void* out);

#endif
