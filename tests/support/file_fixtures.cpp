#include "support/file_fixtures.h"

#include <windows.h>

#include <cstring>

namespace {

constexpr uint64_t kFixtureTime = 125911584000000000ull;  // 2000-01-01 UTC

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

// The positions of the backslashes that separate folders: a Shift-JIS trail
// byte may be a backslash too.
std::vector<size_t> Separators(const std::string& path) {
  std::vector<size_t> positions;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsDBCSLeadByteEx(932, static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
      ++i;
    } else if (path[i] == '\\') {
      positions.push_back(i);
    }
  }
  return positions;
}

void MakeFolders(const std::string& path) {
  for (size_t i : Separators(path)) CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
}

}  // namespace

ArchiveWriterItem MakeArchiveTree(const std::vector<FixtureFile>& files) {
  ArchiveWriterItem root;
  root.isFolder = true;
  for (const FixtureFile& file : files) {
    ArchiveWriterItem* folder = &root;
    size_t start = 0;
    for (size_t sep : Separators(file.path)) {
      folder = FindOrAddFolder(folder, file.path.substr(start, sep - start));
      start = sep + 1;
    }
    if (start == file.path.size()) continue;
    ArchiveWriterItem item;
    item.name = file.path.substr(start);
    item.data = file.data;
    item.attributes = FILE_ATTRIBUTE_ARCHIVE;
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

void WriteFileBytes(const std::string& path, const Bytes& data) {
  MakeFolders(path);
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
  CloseHandle(h);
}

Bytes ReadFileBytes(const std::string& path) {
  Bytes data;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return data;
  data.resize(GetFileSize(h, nullptr));
  DWORD got = 0;
  if (!data.empty()) ReadFile(h, data.data(), static_cast<DWORD>(data.size()), &got, nullptr);
  data.resize(got);
  CloseHandle(h);
  return data;
}

void WriteTree(const std::string& folder, const std::vector<FixtureFile>& files) {
  CreateDirectoryA(folder.c_str(), nullptr);
  for (const FixtureFile& file : files) {
    const std::string path = folder + "\\" + file.path;
    if (!file.path.empty() && file.path.back() == '\\') {
      MakeFolders(path);
    } else {
      WriteFileBytes(path, file.data);
    }
  }
}

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + "\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
}

std::string HostPathToWindows(const std::string& hostPath) {
  std::string path = "Z:" + hostPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}
