#include "support/file_fixtures.h"

#include <windows.h>

#include <cstring>

namespace {

void MakeFolders(const std::string& path) {
  for (size_t i : FixturePathSeparators(path)) CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
}

}  // namespace

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
