#include "support/log_capture.h"

#include <windows.h>

#include <fstream>
#include <iterator>

#include "system/log.h"
#include "system/string_helpers.h"
#include "system/system_state.h"

LogCapture::LogCapture() {
  LogState& log = GetSystemState().log;
  GetCurrentDirectoryA(sizeof log.folder, log.folder);
  EnableLogOutput(1);
  Restart();
}

LogCapture::~LogCapture() { EnableLogOutput(0); }

void LogCapture::Restart() { InitLogFile(); }

std::string LogCapture::Path() {
  char folder[MAX_PATH];
  GetCurrentDirectoryA(sizeof folder, folder);
  return std::string(folder) + "\\Log.txt";
}

std::string LogCapture::Read() const {
  std::ifstream in(Path(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string LogCapture::ReadNormalized() const { return NormalizeLogTimes(Read()); }

std::string NormalizeLogTimes(const std::string& text) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    size_t digits = i;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
    if (digits > i && digits < text.size() && text[digits] == ':') {
      out += "#:";
      i = digits + 1;
    }
    const size_t lineEnd = text.find('\n', i);
    const size_t next = lineEnd == std::string::npos ? text.size() : lineEnd + 1;
    out.append(text, i, next - i);
    i = next;
  }
  return out;
}
