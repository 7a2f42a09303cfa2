#include "CsvTable.h"

#include <limits.h>
#include <string.h>

#include "ErrorMessage.h"

namespace {

// The separator of the field at text: the first comma of the rest of the row,
// else its first CR, else its first LF; null when there is none.
const char* FindSeparator(const char* text) {
  if (const char* comma = strchr(text, ',')) return comma;
  if (const char* cr = strchr(text, '\r')) return cr;
  return strchr(text, '\n');
}

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

int ReadCsvToken(const char** cursor, char* buffer, size_t bufferSize) {
  if (bufferSize > 0) buffer[0] = '\0';
  const char* start = *cursor;
  if (start == nullptr || *start == '\0') return -1;
  const char* separator = FindSeparator(start);
  // A last line without its line break still ends its last field.
  const char* end = separator != nullptr ? separator : start + strlen(start);
  const size_t length = static_cast<size_t>(end - start);
  if (bufferSize > 0) {
    const size_t copied = length < bufferSize - 1 ? length : bufferSize - 1;
    memcpy(buffer, start, copied);
    buffer[copied] = '\0';
  }
  *cursor = separator != nullptr ? separator + 1 : end;
  return length > INT_MAX ? INT_MAX : static_cast<int>(length);
}

int ParseCsvDecimal(const char* text, size_t length) {
  const char* end = text + length;
  while (text < end && IsSpace(*text)) ++text;
  bool negative = false;
  if (text < end && (*text == '+' || *text == '-')) negative = *text++ == '-';
  long long value = 0;
  for (; text < end && *text >= '0' && *text <= '9'; ++text) {
    if (value <= static_cast<long long>(INT_MAX) + 1) value = value * 10 + (*text - '0');
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

int ReadCsvInt(const char** cursor) {
  const char* start = *cursor;
  const int length = ReadCsvToken(cursor, nullptr, 0);
  return length < 0 ? 0 : ParseCsvDecimal(start, static_cast<size_t>(length));
}

int CCsvRow::ReadInt() {
  const char* start = m_cursor;
  const int length = ReadCsvToken(&m_cursor, nullptr, 0);
  if (length < 0) {
    m_missing = true;
    return 0;
  }
  return ParseCsvDecimal(start, static_cast<size_t>(length));
}

void CCsvRow::ReadText(char* buffer, size_t bufferSize) {
  const int length = ReadCsvToken(&m_cursor, buffer, bufferSize);
  if (length < 0) {
    m_missing = true;
  } else if (static_cast<size_t>(length) + 1 > bufferSize) {
    // Cutting would leave half a double-byte character; refuse the row instead.
    m_tooWide = true;
    if (bufferSize > 0) buffer[0] = '\0';
  }
}

void CCsvRow::Skip(int count) {
  for (int i = 0; i < count; ++i) {
    if (ReadCsvToken(&m_cursor, nullptr, 0) < 0) m_missing = true;
  }
}

CCsvTable::CCsvTable(const std::string& path, size_t lineSize) : m_line(lineSize, '\0') {
  m_file = fopen(path.c_str(), "r");
  if (m_file == nullptr) return;
  // The two header lines are skipped whatever they hold, however long.
  for (int header = 0; header < 2; ++header) {
    int c;
    while ((c = fgetc(m_file)) != EOF && c != '\n') {
    }
  }
}

CCsvTable::~CCsvTable() {
  if (m_file != nullptr) fclose(m_file);
}

const char* CCsvTable::NextRow() {
  if (m_file == nullptr) return nullptr;
  if (fgets(m_line.data(), static_cast<int>(m_line.size()), m_file) == nullptr) return nullptr;
  return m_line.data();
}

bool CCsvTable::FindRow(int key, CCsvRow* row) {
  while (const char* text = NextRow()) {
    CCsvRow candidate(text);
    if (candidate.ReadInt() == key) {
      *row = candidate;
      return true;
    }
  }
  return false;
}

void ReportTableOpenFailure(const std::string& path) {
  ShowErrorMessage("ファイル読み込み失敗 [%s]", path.c_str());
}

void ReportMalformedRow(const std::string& path, int key) {
  ShowErrorMessage("データ形式不正 [%s] ID [%d]", path.c_str(), key);
}
