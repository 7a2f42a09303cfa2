// The comma-separated tables under the data folder: two header lines, then one
// row per line, looked up by the integer in the first column. There is no
// quoting: a field runs to the next comma, or to the line break after the last
// field, and its spaces are part of it.
#ifndef MOONLITCAIRN_CSV_TABLE_H
#define MOONLITCAIRN_CSV_TABLE_H

#include <stddef.h>
#include <stdio.h>

#include <string>

// Line buffers: the map tables read lines of up to 1024 bytes, every other
// table up to 32,768. A longer line is read in pieces, each one a row.
constexpr size_t kMapTableLineSize = 1024;
constexpr size_t kTableLineSize = 32768;

// Copies the field at *cursor into buffer (at most bufferSize - 1 bytes, then a
// NUL) and moves *cursor past its separator. Returns the field's full length,
// or -1 when the row holds no further field (buffer is then empty).
int ReadCsvToken(const char** cursor, char* buffer, size_t bufferSize);
// The next field as a decimal integer: leading white space skipped, digits up
// to the first other byte, 0 without digits; values past the int32 range are
// held at its ends.
int ReadCsvInt(const char** cursor);
// The same conversion of the first length bytes of text.
int ParseCsvDecimal(const char* text, size_t length);

// One row being read field by field. A reader takes its columns in order and
// then asks IsComplete(): a row that ran out of fields, or whose text did not
// fit its record, is malformed and must not be used.
class CCsvRow {
 public:
  explicit CCsvRow(const char* line) : m_cursor(line) {}

  int ReadInt();
  // Reads a text field into buffer; one longer than bufferSize - 1 bytes marks
  // the row as malformed (the buffer holds an empty text then).
  void ReadText(char* buffer, size_t bufferSize);
  void Skip(int count);
  bool IsComplete() const { return !m_missing && !m_tooWide; }

 private:
  const char* m_cursor;
  bool m_missing = false;
  bool m_tooWide = false;
};

// A table file opened for reading with its two header lines skipped. The file
// is closed when the object goes.
class CCsvTable {
 public:
  CCsvTable(const std::string& path, size_t lineSize);
  ~CCsvTable();
  CCsvTable(const CCsvTable&) = delete;
  CCsvTable& operator=(const CCsvTable&) = delete;

  bool IsOpen() const { return m_file != nullptr; }
  // The next row's text, or null at the end of the file.
  const char* NextRow();
  // Scans forward to the first row whose key (first field) equals key and
  // returns a reader placed after the key; false at the end of the file.
  bool FindRow(int key, CCsvRow* row);

 private:
  FILE* m_file = nullptr;
  std::string m_line;
};

// Reports a table that cannot be opened ("ファイル読み込み失敗 [path]") and a row
// whose columns are missing or too wide.
void ReportTableOpenFailure(const std::string& path);
void ReportMalformedRow(const std::string& path, int key);

#endif
