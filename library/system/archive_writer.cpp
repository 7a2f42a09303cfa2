// Archive layout written here: the header, the table block (names, entries,
// folders, folders in breadth-first order with the root first), then the
// file data in entry order. Every byte is scrambled by its file offset.
#include "system/archive_writer.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <deque>
#include <new>

#include "system/archive_format.h"
#include "system/lz_encode.h"
#include "system/path_chars.h"

namespace {

struct PlannedFolder {
  const ArchiveWriterItem* item;
  uint32_t parent;  // the parent's record offset in the folder table
  std::vector<const ArchiveWriterItem*> children;  // sorted
  std::vector<ArchiveNameKey> keys;                // of the sorted children
};

template <typename T>
void Append(std::vector<uint8_t>* out, const T& value) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(&value);
  out->insert(out->end(), bytes, bytes + sizeof value);
}

// A trail byte of a double-byte character may equal a separator; only a
// separator that is a character of its own makes the name unusable.
bool CheckName(const std::string& name, int charset, std::string* error) {
  bool ok = !name.empty() && name != "." && name != ".." && name.find('\0') == std::string::npos;
  if (ok && *PathComponentEnd(name.c_str(), charset) != '\0') ok = false;
  if (!ok) *error = "bad name \"" + name + "\"";
  return ok;
}

bool PlanFolder(const ArchiveWriterItem* item, int charset, PlannedFolder* folder, std::string* error) {
  folder->item = item;
  std::vector<std::pair<ArchiveNameKey, const ArchiveWriterItem*>> sorted;
  for (const ArchiveWriterItem& child : item->children) {
    if (!CheckName(child.name, charset, error)) return false;
    ArchiveNameKey key;
    int length = 0;
    if (MakeArchiveNameKeyForCharset(&key, charset, child.name.c_str(), &length) != 0 ||
        static_cast<size_t>(length) != child.name.size()) {
      *error = "name too long: \"" + child.name + "\"";
      return false;
    }
    sorted.emplace_back(key, &child);
  }
  auto byKey = [](const auto& a, const auto& b) {
    return std::memcmp(a.first.name, b.first.name, kArchiveNameKeyBytes) < 0;
  };
  std::sort(sorted.begin(), sorted.end(), byKey);
  for (size_t i = 0; i < sorted.size(); ++i) {
    if (i > 0 && !byKey(sorted[i - 1], sorted[i])) {
      *error = "two names differ only in case: \"" + sorted[i].second->name + "\"";
      return false;
    }
    folder->keys.push_back(sorted[i].first);
    folder->children.push_back(sorted[i].second);
  }
  return true;
}

void AppendNameRecord(std::vector<uint8_t>* names, const ArchiveNameKey& key, const std::string& name) {
  Append(names, key.unitCount);
  Append(names, key.byteSum);
  const size_t bytes = key.unitCount * 4u;
  names->insert(names->end(), key.name, key.name + bytes);
  const size_t start = names->size();
  names->resize(start + bytes, 0);
  std::memcpy(names->data() + start, name.data(), name.size());
}

int Build(const ArchiveWriterItem& root, const ArchiveWriterOptions& options,
          std::vector<uint8_t>* image, std::string* error) {
  if (options.version < 0 || options.version > kArchiveMaxVersion) {
    *error = "version must be 0 to 4";
    return -1;
  }
  const int version = options.version;
  const uint32_t codePage = version >= 4 ? options.codePage : 0;
  const int charset = CharsetFromCodePage(codePage);
  const bool compress = options.compress && version >= 2;
  const size_t entrySize = ArchiveEntrySize(version);

  // A deque keeps each folder in place while its sub-folders are appended.
  std::deque<PlannedFolder> folders(1);
  if (!PlanFolder(&root, charset, &folders[0], error)) return -1;
  folders[0].parent = kArchiveNoParent;
  std::vector<uint8_t> names, entries, directories, data;
  for (size_t f = 0; f < folders.size(); ++f) {
    ArchiveDirectory dir{};
    dir.parent = folders[f].parent;
    dir.entryCount = static_cast<uint32_t>(folders[f].children.size());
    dir.firstEntry = static_cast<uint32_t>(entries.size());
    Append(&directories, dir);

    for (size_t i = 0; i < folders[f].children.size(); ++i) {
      const ArchiveWriterItem* child = folders[f].children[i];
      ArchiveEntry entry{};
      entry.nameOffset = static_cast<uint32_t>(names.size());
      AppendNameRecord(&names, folders[f].keys[i], child->name);
      entry.attributes = child->isFolder ? (child->attributes | kArchiveFolderAttribute)
                                         : (child->attributes & ~kArchiveFolderAttribute);
      entry.creationTime = child->creationTime;
      entry.lastAccessTime = child->lastAccessTime;
      entry.lastWriteTime = child->lastWriteTime;
      entry.packedSize = kArchiveStored;
      if (child->isFolder) {
        PlannedFolder sub;
        if (!PlanFolder(child, charset, &sub, error)) return -1;
        sub.parent = static_cast<uint32_t>(f * sizeof(ArchiveDirectory));
        entry.dataOffset = static_cast<uint32_t>(folders.size() * sizeof(ArchiveDirectory));
        folders.push_back(std::move(sub));
      } else {
        if (child->data.size() > INT_MAX) {
          *error = "file too large: \"" + child->name + "\"";
          return -1;
        }
        entry.dataOffset = static_cast<uint32_t>(data.size());
        entry.size = static_cast<uint32_t>(child->data.size());
        std::vector<uint8_t> block;
        if (compress && EncodeLz(child->data.data(), child->data.size(), &block) == 0 &&
            block.size() < child->data.size()) {
          entry.packedSize = static_cast<uint32_t>(block.size());
          data.insert(data.end(), block.begin(), block.end());
        } else {
          data.insert(data.end(), child->data.begin(), child->data.end());
        }
        if (data.size() > INT_MAX) {
          *error = "archive too large";
          return -1;
        }
      }
      const auto* bytes = reinterpret_cast<const uint8_t*>(&entry);
      entries.insert(entries.end(), bytes, bytes + entrySize);
    }
  }

  const size_t headerSize = ArchiveHeaderSize(version);
  const uint64_t total = uint64_t{headerSize} + names.size() + entries.size() + directories.size() + data.size();
  if (total > INT_MAX) {
    *error = "archive too large";
    return -1;
  }
  ArchiveHeader header{};
  header.magic = kArchiveMagic;
  header.version = static_cast<uint16_t>(version);
  header.tableSize = static_cast<uint32_t>(names.size() + entries.size() + directories.size());
  header.tableOffset = static_cast<uint32_t>(headerSize);
  header.dataStart = static_cast<uint32_t>(headerSize + header.tableSize);
  header.entryTableOffset = static_cast<uint32_t>(names.size());
  header.directoryTableOffset = static_cast<uint32_t>(names.size() + entries.size());
  header.codePage = codePage;

  image->clear();
  image->reserve(static_cast<size_t>(total));
  const auto* headerBytes = reinterpret_cast<const uint8_t*>(&header);
  image->insert(image->end(), headerBytes, headerBytes + headerSize);
  image->insert(image->end(), names.begin(), names.end());
  image->insert(image->end(), entries.begin(), entries.end());
  image->insert(image->end(), directories.begin(), directories.end());
  image->insert(image->end(), data.begin(), data.end());

  uint8_t key[kArchiveKeySize];
  if (options.secondKey) {
    BuildSecondArchiveKey(key);
  } else {
    BuildArchiveKey(options.keyString, key);
  }
  XorArchiveData(image->size(), image->data(), 0, key);
  return 0;
}

}  // namespace

int BuildArchiveImage(const ArchiveWriterItem& root, const ArchiveWriterOptions& options,
                      std::vector<uint8_t>* image, std::string* error) {
  std::string ignored;
  if (!error) error = &ignored;
  try {
    return Build(root, options, image, error);
  } catch (const std::bad_alloc&) {
    *error = "out of memory";
    return -1;
  }
}
