// The platform-free part of the file fixtures: generated contents and
// archive images.
#include <cstring>

#include "support/file_fixtures.h"

Bytes RandomBytes(size_t size, uint32_t seed) {
  Bytes data(size);
  uint32_t x = seed * 2654435761u + 1;
  for (uint8_t& b : data) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<uint8_t>(x >> 24);
  }
  return data;
}

Bytes TextBytes(size_t size) {
  static const char* const kWords[] = {"the ", "party ", "walks ", "into ", "a ", "cave ",
                                       "where ", "slimes ", "wait; ", "gold ", "is ", "found.\r\n"};
  Bytes data;
  for (uint32_t i = 0; data.size() < size; i = i * 7 + 3) {
    const char* word = kWords[i % 12];
    data.insert(data.end(), word, word + std::strlen(word));
  }
  data.resize(size);
  return data;
}

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

namespace {

constexpr uint64_t kFixtureTime = 125911584000000000ull;  // 2000-01-01 UTC
constexpr uint32_t kFileAttributeArchive = 0x20;

// Lead bytes of code page 932, stated here rather than taken from the
// library, so the fixtures do not share the library's own rule.
bool IsShiftJisLeadByte(uint8_t c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

ArchiveWriterItem* FindOrAddFolder(ArchiveWriterItem* parent, const std::string& name) {
  for (ArchiveWriterItem& child : parent->children) {
    if (child.isFolder && child.name == name) return &child;
  }
  ArchiveWriterItem folder;
  folder.name = name;
  folder.isFolder = true;
  folder.creationTime = folder.lastAccessTime = folder.lastWriteTime = kFixtureTime;
  parent->children.push_back(folder);
  return &parent->children.back();
}

}  // namespace

std::vector<size_t> FixturePathSeparators(const std::string& path) {
  std::vector<size_t> positions;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsShiftJisLeadByte(static_cast<uint8_t>(path[i])) && i + 1 < path.size()) {
      ++i;
    } else if (path[i] == '\\') {
      positions.push_back(i);
    }
  }
  return positions;
}

ArchiveWriterItem MakeArchiveTree(const std::vector<FixtureFile>& files) {
  ArchiveWriterItem root;
  root.isFolder = true;
  for (const FixtureFile& file : files) {
    ArchiveWriterItem* folder = &root;
    size_t start = 0;
    for (size_t sep : FixturePathSeparators(file.path)) {
      folder = FindOrAddFolder(folder, file.path.substr(start, sep - start));
      start = sep + 1;
    }
    if (start == file.path.size()) continue;
    ArchiveWriterItem item;
    item.name = file.path.substr(start);
    item.data = file.data;
    item.attributes = kFileAttributeArchive;
    item.creationTime = item.lastAccessTime = item.lastWriteTime = kFixtureTime;
    folder->children.push_back(item);
  }
  return root;
}

Bytes MakeArchiveImage(const std::vector<FixtureFile>& files, const ArchiveWriterOptions& options) {
  Bytes image;
  std::string error;
  if (BuildArchiveImage(MakeArchiveTree(files), options, &image, &error) != 0) image.clear();
  return image;
}
