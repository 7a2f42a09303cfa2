// What the natively built units reach of the platform-bound part of the
// library, done with the C library instead. Nothing here decides anything a
// test checks: the units under test are the real ones.
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <mutex>
#include <unordered_map>

#include "Ombrel.h"
#include "system/tracked_memory.h"
#include "system/charset.h"
#include "support/image_fixtures.h"
#include "ErrorMessage.h"
#include "graphics/bmp_loader.h"
#include "system/win_file.h"
#include "GameSettings.h"
#include "sound/sound_state.h"

namespace {

// Log lines are shown only when asked for, so a sanitizer report stays readable.
bool LogShown() {
  static const bool shown = getenv("OMBREL_NATIVE_LOG") != nullptr;
  return shown;
}

int charsetCode = 1;  // Shift-JIS, as under the Japanese code page the product runs in
int codePage = 932;

}  // namespace

int AppendLog(const char* text) {
  if (LogShown()) fprintf(stderr, "log: %s\n", text);
  return 0;
}

int AppendLogStub(const char* text) { return AppendLog(text); }

int AppendLogFormat(const char* format, ...) {
  if (!LogShown()) return 0;
  va_list args;
  va_start(args, format);
  fputs("log: ", stderr);
  vfprintf(stderr, format, args);
  fputc('\n', stderr);
  va_end(args);
  return 0;
}

[[noreturn]] void ExitWithError(const char* text) {
  fprintf(stderr, "ExitWithError: %s\n", text);
  abort();
}

// Each block is its own heap allocation, so the sanitizer knows its exact
// bounds; the header that the Windows build puts in front is left out. The
// totals are kept as the library keeps them, for the tests that show a
// refused file left nothing behind.
namespace {

std::mutex blocksLock;
std::unordered_map<void*, size_t> liveBlocks;
size_t liveBytes = 0;

void* Remember(void* pointer, size_t size) {
  if (pointer == nullptr) return nullptr;
  std::lock_guard<std::mutex> hold(blocksLock);
  liveBlocks[pointer] = size;
  liveBytes += size;
  return pointer;
}

void Forget(void* pointer) {
  std::lock_guard<std::mutex> hold(blocksLock);
  auto it = liveBlocks.find(pointer);
  if (it == liveBlocks.end()) return;
  liveBytes -= it->second;
  liveBlocks.erase(it);
}

}  // namespace

void* AllocTrackedMemory(size_t size, const char*, int) { return Remember(malloc(size == 0 ? 1 : size), size); }
void* AllocTrackedMemoryZeroed(size_t size, const char*, int) {
  return Remember(calloc(1, size == 0 ? 1 : size), size);
}
void* ReallocTrackedMemory(void* pointer, size_t size, const char*, int) {
  void* grown = realloc(pointer, size == 0 ? 1 : size);
  if (grown == nullptr) return nullptr;
  if (pointer != nullptr) Forget(pointer);
  return Remember(grown, size);
}
void FreeTrackedMemory(void* pointer) {
  if (pointer == nullptr) return;
  Forget(pointer);
  free(pointer);
}

TrackedTotals TrackedTotals::Now() {
  std::lock_guard<std::mutex> hold(blocksLock);
  return TrackedTotals{static_cast<int>(liveBytes), static_cast<int>(liveBlocks.size())};
}

int GetCharsetCode() { return charsetCode; }
int GetCodePage() { return codePage; }
void SetCharsetCode(int code, int page) {
  charsetCode = code;
  codePage = page;
}

int GetTickMilliseconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

// The game's error box: the text goes to the standard error, and the box
// counts as closed with its OK button.
int ShowErrorMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  fputs("[ERROR] ", stderr);
  vfprintf(stderr, format, args);
  fputc('\n', stderr);
  va_end(args);
  return 1;
}

// Bitmaps that only the platform's own decoder draws (JPEG or PNG inside a
// BMP, and the like) are refused natively, as a load that failed.
int DrawBmpThroughDibSection(const void*, const unsigned char*, int, int, GraphImage*) {
  AppendLog("no platform bitmap decoder in the native build");
  return -1;
}

// The stream layer over the C library's files, paths taken as they are. (The
// archive lookup in front of it is the Windows build's; the native readers
// are given plain files.) A failed open gives 0, as the library's does.
StreamHandle OpenStream(const char* path, int, int, int) {
  return reinterpret_cast<StreamHandle>(fopen(path, "rb"));
}
int CloseStream(StreamHandle handle) { return fclose(reinterpret_cast<FILE*>(handle)) == 0 ? 0 : -1; }
int TellStream(StreamHandle handle) { return static_cast<int>(ftell(reinterpret_cast<FILE*>(handle))); }
int SeekStream(StreamHandle handle, int offset, int origin) {
  return fseek(reinterpret_cast<FILE*>(handle), offset, origin) == 0 ? 0 : -1;
}
int ReadStream(void* buffer, size_t elementSize, size_t count, StreamHandle handle) {
  return static_cast<int>(fread(buffer, elementSize, count, reinterpret_cast<FILE*>(handle)));
}
int IsStreamEof(StreamHandle handle) { return feof(reinterpret_cast<FILE*>(handle)) ? -1 : 0; }
StreamHandle OpenDataFile(const char* path, int async) { return OpenStream(path, 0, 1, async); }
int ReadDataFile(void* buffer, size_t size, StreamHandle handle) { return ReadStream(buffer, 1, size, handle); }

// No settings file natively: every setting reads as its default.
int ReadDebugSetting(const char*, const char*, int defaultValue) { return defaultValue; }

#ifndef OMBREL_NATIVE_THREADS  // the thread-sanitizer build has the real ones
// The sound system's record (kept with the sound lock in the Windows build).
SoundSystemState& GetSoundSystemState() {
  static SoundSystemState state;
  return state;
}

// Archives are opened from memory natively; the Windows file functions behind
// opening one from its file refuse, and the others are never reached.
WinFile* OpenWinFile(const char*, int, int, int) { return nullptr; }
int CloseWinFile(WinFile*) { return -1; }
int TellWinFile(WinFile*) { return -1; }
int SeekWinFile(WinFile*, int, int) { return -1; }
int ReadWinFile(void*, size_t, size_t, WinFile*) { return -1; }
int IsWinFileIdle(WinFile*) { return 1; }
void WaitForWinFileIdle(WinFile*) {}
int GetWinFileSize(WinFile*) { return -1; }
#endif

// File times as UTC: the native build has no time zone of the product's.
void ConvertFileTimeValueToLocal(uint64_t fileTime, LocalDateTime* out) {
  const time_t seconds = static_cast<time_t>(fileTime / 10000000ull) - 11644473600ll;
  tm parts;
  if (gmtime_r(&seconds, &parts) == nullptr) {
    *out = LocalDateTime{};
    return;
  }
  *out = LocalDateTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                       parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}
