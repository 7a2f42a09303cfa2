// Directory calls, file search, file times and the path helpers of the
// Windows-file set.
#include <windows.h>

#include <cstring>

#include "system/file_access.h"
#include "system/full_path.h"
#include "system/string_helpers.h"
#include "system/system_info.h"
#include "system/charset.h"
#include "system/win_file.h"

int SetWinFileDir(const char* path) { return SetCurrentDirectoryA(path); }

int GetWinFileDir(char* buffer) {
  const DWORD length = GetCurrentDirectoryA(MAX_PATH, buffer);
  if (length == 0 || length >= MAX_PATH) {
    buffer[0] = 0;
    return 0;
  }
  return static_cast<int>(length);
}

void ConvertFileTimeToLocal(const _FILETIME* fileTime, LocalDateTime* out) {
  FILETIME local;
  SYSTEMTIME st = {};
  if (!FileTimeToLocalFileTime(fileTime, &local) || !FileTimeToSystemTime(&local, &st)) {
    st = SYSTEMTIME{};
  }
  ConvertSystemTimeToLocalDateTime(&st, out);
}

void ConvertFileTimeValueToLocal(uint64_t fileTime, LocalDateTime* out) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(fileTime);
  ft.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
  ConvertFileTimeToLocal(&ft, out);
}

void ConvertWin32FindData(FileFindData* findData, const _WIN32_FIND_DATAA* win32Data) {
  CopyStringN(findData->name, win32Data->cFileName, sizeof findData->name - 1);
  findData->isDirectory = (win32Data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
  findData->sizeLow = win32Data->nFileSizeLow;
  findData->sizeHigh = win32Data->nFileSizeHigh;
  ConvertFileTimeToLocal(&win32Data->ftCreationTime, &findData->creationTime);
  ConvertFileTimeToLocal(&win32Data->ftLastWriteTime, &findData->lastWriteTime);
}

intptr_t FindFirstWinFile(const char* pattern, FileFindData* findData) {
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA(pattern, &data);
  if (h == INVALID_HANDLE_VALUE) return -1;
  if (findData) ConvertWin32FindData(findData, &data);
  return reinterpret_cast<intptr_t>(h);
}

int FindNextWinFile(intptr_t findHandle, FileFindData* findData) {
  WIN32_FIND_DATAA data;
  if (!FindNextFileA(reinterpret_cast<HANDLE>(findHandle), &data)) return -1;
  if (findData) ConvertWin32FindData(findData, &data);
  return 0;
}

int FindCloseWinFile(intptr_t findHandle) {
  return FindClose(reinterpret_cast<HANDLE>(findHandle)) ? 0 : -1;
}

int MakeFullPath(const char* path, char* out, const char* currentDirectory) {
  char base[MAX_PATH] = {};
  if (!currentDirectory) {
    GetFileAccessTable()->GetDir(base);
    if (!base[0]) return -1;
    currentDirectory = base;
  }
  return BuildFullPath(path, currentDirectory, out, MAX_PATH, GetCharsetCode(), false);
}

void* OpenNewTempFile(char* pathOut) {
  char folder[MAX_PATH];
  const DWORD length = GetTempPathA(MAX_PATH - 1, folder);
  if (length == 0 || length >= MAX_PATH - 1) return nullptr;
  if (!StringEndsWithChar(folder, '\\')) std::strcat(folder, "\\");
  char name[MAX_PATH];
  if (!GetTempFileNameA(folder, "tmp", 0, name)) return nullptr;
  char full[MAX_PATH];
  if (MakeFullPath(name, full, nullptr) != 0) {
    DeleteFileA(name);
    return nullptr;
  }
  DeleteFileA(full);
  HANDLE h = CreateFileA(full, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  if (pathOut) std::strcpy(pathOut, full);
  return h;
}
