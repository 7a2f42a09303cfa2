// Times reading a file in small pieces through each kind of stream against
// direct reads, and LZ unpacking against a plain copy, in the same run.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "Ombrel.h"
#include "system/archive_format.h"
#include "system/lz_encode.h"
#include "system/win_file.h"

namespace {

constexpr size_t kFileSize = 8u << 20;
constexpr size_t kPiece = 256;
const char kPath[] = "file_read_bench.tmp";

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / frequency.QuadPart;
}

std::vector<uint8_t> SampleData() {
  // Text-like bytes: a small vocabulary with noise, so LZ has work to do.
  static const char* const kWords[] = {"walk ", "talk ", "battle ", "slime ", "gold ", "town ", "cave\r\n"};
  std::vector<uint8_t> data;
  uint32_t x = 12345;
  while (data.size() < kFileSize) {
    x = x * 1103515245u + 12345u;
    const char* word = kWords[(x >> 16) % 7];
    data.insert(data.end(), word, word + std::strlen(word));
    if ((x >> 8) % 5 == 0) data.push_back(static_cast<uint8_t>(x >> 24));
  }
  data.resize(kFileSize);
  return data;
}

double TimeWinFile(int useCache, int async) {
  WinFile* file = OpenWinFile(kPath, useCache, 1, async);
  if (!file) return 0;
  uint8_t piece[kPiece];
  const double start = Now();
  while (ReadWinFile(piece, 1, sizeof piece, file) > 0) {
    while (!IsWinFileIdle(file)) Sleep(0);
  }
  const double seconds = Now() - start;
  CloseWinFile(file);
  return seconds;
}

double TimeMemoryStream(const std::vector<uint8_t>& data) {
  MemoryStream* stream = OpenMemoryStream(data.data(), static_cast<int>(data.size()));
  uint8_t piece[kPiece];
  const double start = Now();
  while (ReadMemoryStream(piece, 1, sizeof piece, stream) > 0) {
  }
  const double seconds = Now() - start;
  CloseMemoryStream(stream);
  return seconds;
}

void Report(const char* name, double seconds, double baseline) {
  std::printf("%-36s %9.3f ms  %7.2fx baseline\n", name, seconds * 1000, seconds / baseline);
}

}  // namespace

int main() {
  const std::vector<uint8_t> data = SampleData();
  HANDLE h = CreateFileA(kPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
  CloseHandle(h);

  std::printf("8 MiB read in %u-byte pieces\n", static_cast<unsigned>(kPiece));
  const double direct = TimeWinFile(0, 0);
  Report("direct (baseline)", direct, direct);
  Report("worker with read-ahead cache", TimeWinFile(1, 0), direct);
  Report("asynchronous worker", TimeWinFile(0, 1), direct);
  Report("memory stream", TimeMemoryStream(data), direct);
  DeleteFileA(kPath);

  std::printf("8 MiB unpacked\n");
  std::vector<uint8_t> block, out(data.size());
  double start = Now();
  std::memcpy(out.data(), data.data(), data.size());
  const double copy = Now() - start;
  Report("plain copy (baseline)", copy, copy);
  start = Now();
  EncodeLz(data.data(), data.size(), &block);
  Report("LZ encode", Now() - start, copy);
  start = Now();
  DecodeLz(block.data(), out.data());
  Report("LZ decode", Now() - start, copy);
  std::printf("packed to %.1f%%\n", 100.0 * static_cast<double>(block.size()) / static_cast<double>(data.size()));
  return out == data ? 0 : 1;
}
