#include "system/log.h"

#include <windows.h>

#include "system/clock.h"
#include "system/string_helpers.h"
#include "system/system_state.h"
#include "system/tracked_memory.h"

namespace {

constexpr char kLogFileName[] = "Log.txt";
constexpr size_t kStackTextLimit = 256;

// Writes text to dst with every line feed that has no carriage return before
// it turned into CR LF. At the first CR LF already present the rest is copied
// as it stands, so texts that bring their own line ends pass unchanged.
size_t ConvertLineEnds(const char* text, char* dst) {
  char* out = dst;
  const char* p = text;
  for (;;) {
    const char* lineFeed = FindCharInString(p, '\n');
    const char* stop = lineFeed ? lineFeed : p + StringLength(p);
    while (p < stop) *out++ = *p++;
    if (!lineFeed) break;
    if (lineFeed != text && lineFeed[-1] == '\r') {
      while (*p != '\0') *out++ = *p++;
      break;
    }
    *out++ = '\r';
    *out++ = '\n';
    ++p;
  }
  *out = '\0';
  return static_cast<size_t>(out - dst);
}

// folder + "\" + file name, the separator left out when the folder already
// ends in one (a trail byte 0x5C of a double-byte name does not count).
void MakeLogPath(const LogState& log, char* path, size_t pathSize) {
  const char* separator = StringEndsWithChar(log.folder, '\\') ? "" : "\\";
  FormatString(path, pathSize, "%s%s%s", log.folder, separator, log.fileName);
}

void WritePiece(HANDLE file, const char* piece, size_t length) {
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, piece, static_cast<DWORD>(length), &written, nullptr);
  }
  OutputDebugStringA(piece);
}

void WriteLogText(const char* text, size_t length) {
  LogState& log = GetSystemState().log;
  LazyLockHolder hold(&log.lock);
  if (log.off || log.folder[0] == '\0') return;

  char path[2 * kPathBufferSize + 2];
  MakeLogPath(log, path, sizeof path);
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file != INVALID_HANDLE_VALUE) SetFilePointer(file, 0, nullptr, FILE_END);

  if (!log.midLine) {
    char prefix[16];
    FormatString(prefix, sizeof prefix, "%d:",
                 static_cast<int>(ReadMultimediaTime() - log.startTime));
    WritePiece(file, prefix, StringLength(prefix));
    char tabs[33];
    FillBytes(tabs, '\t', sizeof tabs - 1);
    for (int left = log.indent; left > 0; left -= static_cast<int>(sizeof tabs - 1)) {
      const int count = left < static_cast<int>(sizeof tabs - 1) ? left : sizeof tabs - 1;
      tabs[count] = '\0';
      WritePiece(file, tabs, static_cast<size_t>(count));
      tabs[count] = '\t';
    }
  }
  WritePiece(file, text, length);
  log.midLine = length == 0 || text[length - 1] != '\n' ? 1 : 0;
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

}  // namespace

int AppendLog(const char* text) {
  if (!text) return -1;
  // The game keeps the log off; it then costs no conversion at all.
  const LogState& log = GetSystemState().log;
  if (log.off || log.folder[0] == '\0') return -1;
  const size_t length = StringLength(text);
  // The conversion is done before the log lock is taken: the long-text
  // buffer comes from the allocator, whose own lock may be held by a thread
  // that is logging a block line.
  char stackBuffer[2 * kStackTextLimit];
  void* owned = nullptr;
  char* buffer = stackBuffer;
  if (length >= kStackTextLimit) {
    owned = length <= (static_cast<size_t>(-1) - 1) / 2 ? TRACKED_ALLOC(length * 2 + 1) : nullptr;
    buffer = static_cast<char*>(owned);
  }
  if (buffer) {
    WriteLogText(buffer, ConvertLineEnds(text, buffer));
  } else {
    // Without a buffer the text still reaches the log, with its line ends
    // as they are.
    WriteLogText(text, length);
  }
  FreeTrackedMemory(owned);
  return -1;
}

int AppendLogStub(const char* text) { return AppendLog(text); }

int AppendLogFormat(const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  FormatStringV(buffer, sizeof buffer - 1, format, args);
  va_end(args);
  const size_t length = StringLength(buffer);
  buffer[length] = '\n';
  buffer[length + 1] = '\0';
  return AppendLog(buffer);
}

int IncreaseLogIndent() {
  LogState& log = GetSystemState().log;
  LazyLockHolder hold(&log.lock);
  ++log.indent;
  return 0;
}

int DecreaseLogIndent() {
  LogState& log = GetSystemState().log;
  LazyLockHolder hold(&log.lock);
  if (log.indent > 0) --log.indent;
  return 0;
}

int EnableLogOutput(int flag) {
  LogState& log = GetSystemState().log;
  LazyLockHolder hold(&log.lock);
  log.off = flag == 0 ? 1 : 0;
  return 0;
}

int InitLogFile() {
  LogState& log = GetSystemState().log;
  LazyLockHolder hold(&log.lock);
  if (log.off) return 0;
  CopyString(log.fileName, kLogFileName);
  char path[2 * kPathBufferSize + 2];
  if (log.folder[0] != '\0') {
    MakeLogPath(log, path, sizeof path);
  } else {
    CopyString(path, kLogFileName);
  }
  DeleteFileA(path);
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  log.indent = 0;
  log.midLine = 0;
  log.startTime = ReadMultimediaTime();
  return 0;
}

int IsLogOverlayShown() { return GetSystemState().logOverlay.shown; }
