// The archive packer: turns a folder into an archive that stands for it,
// lists an archive, and checks an archive against its folder, reading back
// through the library's own reader.
//
//   arcpack pack <folder> [<archive>] [--version=N] [--codepage=N] [--store]
//                [--second-key] [--fixed-time]
//   arcpack list <archive>
//   arcpack verify <archive> <folder>
//
// The archive defaults to the folder's name plus ".ARC" beside it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "system/archive.h"
#include "system/archive_file.h"
#include "system/archive_writer.h"

namespace {

// 2000-01-01 00:00:00 UTC, for archives whose bytes must not depend on when
// their files were written.
constexpr uint64_t kFixedFileTime = 125911584000000000ull;

struct PackOptions {
  ArchiveWriterOptions writer;
  bool fixedTime = false;
};

uint64_t FileTimeValue(const FILETIME& t) {
  return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* data) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD high = 0;
  const DWORD size = GetFileSize(h, &high);
  bool ok = high == 0 && size < 0x7FFFFFFF;
  if (ok) {
    data->resize(size);
    DWORD got = 0;
    ok = size == 0 || (ReadFile(h, data->data(), size, &got, nullptr) && got == size);
  }
  CloseHandle(h);
  return ok;
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& data) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
                  written == data.size();
  CloseHandle(h);
  return ok;
}

// The items of a folder on disk, "." and ".." left out.
std::vector<WIN32_FIND_DATAA> ListFolder(const std::string& folder) {
  std::vector<WIN32_FIND_DATAA> items;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return items;
  do {
    if (std::strcmp(data.cFileName, ".") != 0 && std::strcmp(data.cFileName, "..") != 0) {
      items.push_back(data);
    }
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return items;
}

bool GatherFolder(const std::string& folder, const PackOptions& options, ArchiveWriterItem* out) {
  for (const WIN32_FIND_DATAA& data : ListFolder(folder)) {
    ArchiveWriterItem item;
    item.name = data.cFileName;
    item.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    item.attributes = data.dwFileAttributes;
    if (options.fixedTime) {
      item.creationTime = item.lastAccessTime = item.lastWriteTime = kFixedFileTime;
    } else {
      item.creationTime = FileTimeValue(data.ftCreationTime);
      item.lastAccessTime = FileTimeValue(data.ftLastAccessTime);
      item.lastWriteTime = FileTimeValue(data.ftLastWriteTime);
    }
    const std::string path = folder + "\\" + data.cFileName;
    if (item.isFolder) {
      if (!GatherFolder(path, options, &item)) return false;
    } else if (!ReadWholeFile(path, &item.data)) {
      std::fprintf(stderr, "arcpack: cannot read %s\n", path.c_str());
      return false;
    }
    out->children.push_back(std::move(item));
  }
  return true;
}

std::string StripTrailingSeparators(std::string path) {
  while (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

int Pack(const std::vector<std::string>& args, const PackOptions& options) {
  if (args.empty() || args.size() > 2) return -2;
  const std::string folder = StripTrailingSeparators(args[0]);
  const std::string archivePath = args.size() == 2 ? args[1] : folder + ".ARC";
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    std::fprintf(stderr, "arcpack: %s is not a folder\n", folder.c_str());
    return 1;
  }
  ArchiveWriterItem root;
  root.isFolder = true;
  if (!GatherFolder(folder, options, &root)) return 1;
  std::vector<uint8_t> image;
  std::string error;
  if (BuildArchiveImage(root, options.writer, &image, &error) != 0) {
    std::fprintf(stderr, "arcpack: %s\n", error.c_str());
    return 1;
  }
  if (!WriteWholeFile(archivePath, image)) {
    std::fprintf(stderr, "arcpack: cannot write %s\n", archivePath.c_str());
    return 1;
  }
  std::printf("%s: %u bytes\n", archivePath.c_str(), static_cast<unsigned>(image.size()));
  return 0;
}

class OpenedArchive {
 public:
  explicit OpenedArchive(const std::string& path) {
    ClearArchive(&archive_);
    opened_ = OpenArchiveStreamed(&archive_, path.c_str(), nullptr) == 0;
    if (!opened_) std::fprintf(stderr, "arcpack: %s is not a readable archive\n", path.c_str());
  }
  ~OpenedArchive() { CloseArchive(&archive_); }
  bool opened() const { return opened_; }
  Archive* get() { return &archive_; }

 private:
  Archive archive_;
  bool opened_ = false;
};

void ListDirectory(Archive* archive, const ArchiveDirectory* dir, const std::string& prefix,
                   int* files) {
  for (uint32_t i = 0; i < dir->entryCount; ++i) {
    const ArchiveEntry* entry = GetArchiveDirEntry(archive, dir, i);
    const std::string path = prefix + GetArchiveEntryName(archive, entry);
    if (IsArchiveFolder(entry)) {
      std::printf("%s\\\n", path.c_str());
      ListDirectory(archive,
                    reinterpret_cast<const ArchiveDirectory*>(archive->directories + entry->dataOffset),
                    path + "\\", files);
      continue;
    }
    const uint32_t packed = ArchiveEntryPackedSize(archive->header.version, entry);
    if (packed == kArchiveStored) {
      std::printf("%s  %u stored\n", path.c_str(), entry->size);
    } else {
      std::printf("%s  %u packed %u\n", path.c_str(), entry->size, packed);
    }
    ++*files;
  }
}

int List(const std::vector<std::string>& args) {
  if (args.size() != 1) return -2;
  OpenedArchive archive(args[0]);
  if (!archive.opened()) return 1;
  const Archive* a = archive.get();
  std::printf("version %d, code page %u\n", a->header.version, a->header.codePage);
  int files = 0;
  ListDirectory(archive.get(), a->currentDirectory, "", &files);
  std::printf("%d files\n", files);
  return 0;
}

// Compares every file under folder with the archive's copy read through the
// library; returns the number of differences.
int VerifyFolder(Archive* archive, const std::string& folder, const std::string& inner,
                 int* checked) {
  int differences = 0;
  for (const WIN32_FIND_DATAA& data : ListFolder(folder)) {
    const std::string path = folder + "\\" + data.cFileName;
    const std::string innerPath = inner + data.cFileName;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      differences += VerifyFolder(archive, path, innerPath + "\\", checked);
      continue;
    }
    std::vector<uint8_t> expected;
    ArchiveFile file;
    if (!ReadWholeFile(path, &expected) || OpenArchiveEntry(&file, archive, innerPath.c_str(), 0) != 0) {
      std::printf("missing: %s\n", innerPath.c_str());
      ++differences;
      continue;
    }
    std::vector<uint8_t> actual(expected.size() + 1);
    const int got = ReadArchiveFile(&file, actual.data(), actual.size());
    CloseArchiveFile(&file);
    if (got != static_cast<int>(expected.size()) ||
        std::memcmp(actual.data(), expected.data(), expected.size()) != 0) {
      std::printf("differs: %s\n", innerPath.c_str());
      ++differences;
    }
    ++*checked;
  }
  return differences;
}

int CountArchiveFiles(Archive* archive, const ArchiveDirectory* dir) {
  int count = 0;
  for (uint32_t i = 0; i < dir->entryCount; ++i) {
    const ArchiveEntry* entry = GetArchiveDirEntry(archive, dir, i);
    count += IsArchiveFolder(entry)
                 ? CountArchiveFiles(archive, reinterpret_cast<const ArchiveDirectory*>(
                                                  archive->directories + entry->dataOffset))
                 : 1;
  }
  return count;
}

int Verify(const std::vector<std::string>& args) {
  if (args.size() != 2) return -2;
  OpenedArchive archive(args[0]);
  if (!archive.opened()) return 1;
  int checked = 0;
  int differences = VerifyFolder(archive.get(), StripTrailingSeparators(args[1]), "", &checked);
  const int inArchive = CountArchiveFiles(archive.get(), archive.get()->currentDirectory);
  if (inArchive != checked) {
    std::printf("the archive holds %d files, the folder %d\n", inArchive, checked);
    ++differences;
  }
  std::printf("%d files checked, %d differences\n", checked, differences);
  return differences == 0 ? 0 : 1;
}

bool TakeNumber(const char* text, long* value) {
  char* end = nullptr;
  *value = std::strtol(text, &end, 10);
  return end != text && *end == 0;
}

int Usage() {
  std::fprintf(stderr,
               "usage: arcpack pack <folder> [<archive>] [--version=N] [--codepage=N] [--store]\n"
               "                    [--second-key] [--fixed-time]\n"
               "       arcpack list <archive>\n"
               "       arcpack verify <archive> <folder>\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string mode = argv[1];
  PackOptions options;
  std::vector<std::string> args;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    long number = 0;
    if (arg.rfind("--version=", 0) == 0 && TakeNumber(argv[i] + 10, &number)) {
      options.writer.version = static_cast<int>(number);
    } else if (arg.rfind("--codepage=", 0) == 0 && TakeNumber(argv[i] + 11, &number)) {
      options.writer.codePage = static_cast<uint32_t>(number);
    } else if (arg == "--store") {
      options.writer.compress = false;
    } else if (arg == "--second-key") {
      options.writer.secondKey = true;
    } else if (arg == "--fixed-time") {
      options.fixedTime = true;
    } else if (arg.rfind("--", 0) == 0) {
      return Usage();
    } else {
      args.push_back(arg);
    }
  }
  int result = -2;
  if (mode == "pack") result = Pack(args, options);
  if (mode == "list") result = List(args);
  if (mode == "verify") result = Verify(args);
  return result == -2 ? Usage() : result;
}
