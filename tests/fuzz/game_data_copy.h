// A private copy of some of the game's data files, for the fuzz targets that
// run the game's own readers: a fresh folder under /tmp becomes the working
// directory, and files are copied into "data" under the names the game asks
// for, with backslashes kept in the name (a single file name here, which is
// all a reader needs).
#ifndef OMBREL_TESTS_FUZZ_GAME_DATA_COPY_H_
#define OMBREL_TESTS_FUZZ_GAME_DATA_COPY_H_

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "GameSettings.h"

inline std::vector<uint8_t> ReadWhole(const std::string& path) {
  std::vector<uint8_t> bytes;
  FILE* f = fopen(path.c_str(), "rb");
  if (f == nullptr) return bytes;
  uint8_t buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
  fclose(f);
  return bytes;
}

inline void WriteWhole(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = fopen(path.c_str(), "wb");
  if (f == nullptr) abort();
  if (size > 0) fwrite(data, 1, size, f);
  fclose(f);
}

// Makes the folder, moves into it and points the game at its "data".
inline void EnterFreshDataFolder(const char* prefix) {
  std::string pattern = std::string("/tmp/") + prefix + "-XXXXXX";
  std::vector<char> folder(pattern.begin(), pattern.end());
  folder.push_back('\0');
  if (mkdtemp(folder.data()) == nullptr || chdir(folder.data()) != 0) abort();
  SetGameDataFolder("data");
}

// Copies FILE ("item\\Weapon.csv") from the project's data folder; returns its bytes.
inline std::vector<uint8_t> CopyGameDataFile(const std::string& file) {
  std::string source = file;
  for (char& c : source) {
    if (c == '\\') c = '/';
  }
  std::vector<uint8_t> bytes = ReadWhole(std::string(OMBREL_DATA_DIR) + "/" + source);
  WriteWhole("data\\" + file, bytes.data(), bytes.size());
  return bytes;
}

#endif  // OMBREL_TESTS_FUZZ_GAME_DATA_COPY_H_
