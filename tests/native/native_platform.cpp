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
#include "graphics/bmp_loader.h"

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

int MessageBoxA(void*, const char* text, const char* caption, unsigned) {
  fprintf(stderr, "[%s] %s\n", caption, text);
  return 1;
}

// Bitmaps that only the platform's own decoder draws (JPEG or PNG inside a
// BMP, and the like) are refused natively, as a load that failed.
int DrawBmpThroughDibSection(const void*, const unsigned char*, int, int, GraphImage*) {
  AppendLog("no platform bitmap decoder in the native build");
  return -1;
}
